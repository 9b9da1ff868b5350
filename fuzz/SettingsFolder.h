#pragma once
// A settings folder of the fuzz target's own for the whole run, and the one file of it that
// each input is written into.
#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <cstdlib>

namespace fuzzing {

inline const QString& settingsFolder()
{
    static QTemporaryDir dir;
    static const QString folder = dir.path() + u'/';
    if (!dir.isValid())
        std::abort();
    return folder;
}

inline void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        std::abort();
}

}  // namespace fuzzing

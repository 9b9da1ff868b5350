#pragma once
// A file's or folder's permission bits as octal text ("600"), "missing" when it is not there.
// The tests run under the usual wide umask (022, set in testmain), so a writer that leaves the
// mode to the umask shows "644" here.
#include <QFile>
#include <QString>
#include <sys/stat.h>

namespace testsupport {

inline QString modeOf(const QString& path)
{
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return QStringLiteral("missing");
    return QString::number(info.st_mode & 07777, 8);
}

}  // namespace testsupport

// The settings file reader over any bytes written as Halvane.ini (UTF-8, Windows-1250 or
// neither): no crash, every key given a value, and a key whose bytes do not decode listed.
#include "app/Settings.h"

#include <QFile>
#include <QTemporaryDir>
#include <cstdint>
#include <cstdlib>

namespace {

const QString& settingsFolder()
{
    static QTemporaryDir dir;
    static const QString folder = dir.path() + u'/';
    if (!dir.isValid())
        std::abort();
    return folder;
}

void writeFile(const QString& path, const uint8_t* data, size_t size)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(reinterpret_cast<const char*>(data), qint64(size)) != qint64(size))
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString& folder = settingsFolder();
    writeFile(folder + QLatin1String(app::SettingsFileName), data, size);
    const app::Settings settings = app::readSettings(folder);
    const QMap<QString, QString> values{{QStringLiteral("Host"), settings.host},
                                        {QStringLiteral("Dir"), settings.dir},
                                        {QStringLiteral("File"), settings.file},
                                        {QStringLiteral("LastBackupDir"), settings.lastBackupDir}};
    for (auto it = settings.unreadable.cbegin(); it != settings.unreadable.cend(); ++it)
        if (!values.contains(it.key()) || values.value(it.key()) != it.value())
            std::abort();
    if (app::databaseName(settings).isNull())
        std::abort();
    return 0;
}

// The settings file reader over any bytes written as Halvane.ini (UTF-8, Windows-1250 or
// neither): no crash, every key given a value, and a key whose bytes do not decode listed.
#include "SettingsFolder.h"
#include "app/Settings.h"

#include <cstdint>
#include <cstdlib>

using fuzzing::settingsFolder;
using fuzzing::writeFile;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString& folder = settingsFolder();
    writeFile(folder + QLatin1String(app::SettingsFileName),
              QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
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

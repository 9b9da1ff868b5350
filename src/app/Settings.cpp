#include "app/Settings.h"

#include "db/Error.h"

#include <QFile>
// Texts stay UTF-8 bytes: the wide-character converters are not needed.
#define SI_NO_CONVERSION
#include <SimpleIni.h>

namespace app {

const char* const SettingsFileName = "Halvane.ini";

namespace {

constexpr const char* Section = "FB";

QString readValue(const CSimpleIniA& ini, const char* key, const QString& fallback)
{
    const char* value = ini.GetValue(Section, key, nullptr);
    return value ? QString::fromUtf8(value) : fallback;
}

}  // namespace

Settings readSettings(const QString& settingsFolder)
{
    CSimpleIniA ini(/*utf8*/ true, /*multikey*/ false, /*multiline*/ false);
    const QString path = settingsFolder + QLatin1String(SettingsFileName);
    if (QFile::exists(path))
        ini.LoadFile(QFile::encodeName(path).constData());
    Settings settings;
    settings.host = readValue(ini, "Host", QStringLiteral("localhost"));
    settings.dir = readValue(ini, "Dir", settingsFolder);
    settings.file = readValue(ini, "File", QStringLiteral("HALVANE.FDB"));
    settings.lastBackupDir = readValue(ini, "LastBackupDir", QString());
    return settings;
}

void writeSettings(const QString& settingsFolder, const Settings& settings)
{
    CSimpleIniA ini(true, false, false);
    const QString path = settingsFolder + QLatin1String(SettingsFileName);
    const QByteArray name = QFile::encodeName(path);
    if (QFile::exists(path))
        ini.LoadFile(name.constData());
    ini.SetValue(Section, "Host", settings.host.toUtf8().constData());
    ini.SetValue(Section, "Dir", settings.dir.toUtf8().constData());
    ini.SetValue(Section, "File", settings.file.toUtf8().constData());
    ini.SetValue(Section, "LastBackupDir", settings.lastBackupDir.toUtf8().constData());
    ini.SetSpaces(false);  // plain key=value lines
    if (ini.SaveFile(name.constData(), false) < 0)
        throw db::Error(QStringLiteral("Unable to write to %1").arg(path));
}

QString databaseName(const Settings& settings)
{
    if (settings.host == QLatin1String("localhost"))
        return settings.dir + settings.file;
    return settings.host + u':' + settings.dir + settings.file;
}

}  // namespace app

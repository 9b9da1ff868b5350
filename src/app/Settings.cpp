#include "app/Settings.h"

#include "db/Error.h"

#include <QFile>
// Texts stay UTF-8 bytes: the wide-character converters are not needed.
#define SI_NO_CONVERSION
#include <SimpleIni.h>

namespace app {

const char* const SettingsFileName = "Halvane.ini";

namespace {

constexpr const char* kSekcja = "FB";

QString odczytaj(const CSimpleIniA& ini, const char* key, const QString& domyslna)
{
    const char* value = ini.GetValue(kSekcja, key, nullptr);
    return value ? QString::fromUtf8(value) : domyslna;
}

}  // namespace

Settings readSettings(const QString& katalogUstawien)
{
    CSimpleIniA ini(/*utf8*/ true, /*multikey*/ false, /*multiline*/ false);
    const QString path = katalogUstawien + QLatin1String(SettingsFileName);
    if (QFile::exists(path))
        ini.LoadFile(QFile::encodeName(path).constData());
    Settings u;
    u.Host = odczytaj(ini, "Host", QStringLiteral("localhost"));
    u.Dir = odczytaj(ini, "Dir", katalogUstawien);
    u.File = odczytaj(ini, "File", QStringLiteral("HALVANE.FDB"));
    u.LastBackupDir = odczytaj(ini, "LastBackupDir", QString());
    return u;
}

void writeSettings(const QString& katalogUstawien, const Settings& u)
{
    CSimpleIniA ini(true, false, false);
    const QString path = katalogUstawien + QLatin1String(SettingsFileName);
    const QByteArray name = QFile::encodeName(path);
    if (QFile::exists(path))
        ini.LoadFile(name.constData());
    ini.SetValue(kSekcja, "Host", u.Host.toUtf8().constData());
    ini.SetValue(kSekcja, "Dir", u.Dir.toUtf8().constData());
    ini.SetValue(kSekcja, "File", u.File.toUtf8().constData());
    ini.SetValue(kSekcja, "LastBackupDir", u.LastBackupDir.toUtf8().constData());
    ini.SetSpaces(false);  // plain key=value lines
    if (ini.SaveFile(name.constData(), false) < 0)
        throw db::Error(QStringLiteral("Unable to write to %1").arg(path));
}

QString databaseName(const Settings& u)
{
    if (u.Host == QLatin1String("localhost"))
        return u.Dir + u.File;
    return u.Host + u':' + u.Dir + u.File;
}

}  // namespace app

#include "app/Settings.h"

#include "db/Error.h"

#include <QFile>
#include <QStringDecoder>
#include <QStringEncoder>
#include <algorithm>
#include <optional>
// Values stay the file's own bytes: this file decodes and encodes them itself.
#define SI_NO_CONVERSION
#include <SimpleIni.h>

namespace app {

const char* const SettingsFileName = "Halvane.ini";

namespace {

constexpr const char* Section = "FB";
constexpr const char* Keys[] = {"Host", "Dir", "File", "LastBackupDir"};

bool isUtf8(const QByteArray& bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString text = decoder(bytes);
    return !decoder.hasError();
}

// The file as it is on disk, and whether it was written in Windows-1250.
struct SettingsFile {
    CSimpleIniA ini{/*utf8*/ false, /*multikey*/ false, /*multiline*/ false};
    bool windows1250 = false;
    bool crlf = false;  // the older Windows program ended its lines so

    explicit SettingsFile(const QString& path)
    {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return;
        const QByteArray bytes = file.readAll();
        windows1250 = !isUtf8(bytes);
        crlf = bytes.contains("\r\n");
        ini.LoadData(bytes.constData(), size_t(bytes.size()));
    }

    // The text of a key, nothing when it is missing; `readable` false when its bytes do
    // not decode.
    std::optional<QString> value(const char* section, const char* key, bool& readable) const
    {
        const char* bytes = ini.GetValue(section, key, nullptr);
        readable = true;
        if (!bytes)
            return std::nullopt;
        QStringDecoder decoder =
            windows1250 ? QStringDecoder("windows-1250") : QStringDecoder(QStringDecoder::Utf8);
        const QString text = decoder(QByteArray(bytes));
        // Bytes that Windows-1250 leaves undefined come out as C1 control characters,
        // which no folder or host name holds.
        readable = decoder.isValid() && !decoder.hasError() &&
                   std::none_of(text.begin(), text.end(), [](QChar c) {
                       return c == QChar::ReplacementCharacter ||
                              (c.unicode() >= 0x80 && c.unicode() <= 0x9F);
                   });
        return text;
    }

    QByteArray encode(const QString& text) const
    {
        if (windows1250) {
            QStringEncoder encoder("windows-1250");
            const QByteArray bytes = encoder(text);
            if (encoder.isValid() && !encoder.hasError())
                return bytes;
        }
        return text.toUtf8();
    }

    // Plain key=value lines, each ending as the file's lines ended before.
    void save(const QString& path)
    {
        ini.SetSpaces(false);
        std::string text;
        QByteArray bytes;
        if (ini.Save(text, false) >= 0) {
            bytes = QByteArray::fromStdString(text);
            if (crlf)
                bytes.replace("\r\n", "\n").replace("\n", "\r\n");
        }
        QFile file(path);
        if (text.empty() || !file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            file.write(bytes) != bytes.size() || !file.flush())
            throw db::Error(QStringLiteral("Unable to write to %1").arg(path));
    }
};

QString* member(Settings& settings, int index)
{
    QString* members[] = {&settings.host, &settings.dir, &settings.file, &settings.lastBackupDir};
    return members[index];
}

}  // namespace

Settings readSettings(const QString& settingsFolder)
{
    const SettingsFile file(settingsFolder + QLatin1String(SettingsFileName));
    Settings settings;
    const QString defaults[] = {QStringLiteral("localhost"), settingsFolder,
                                QStringLiteral("HALVANE.FDB"), QString()};
    for (int i = 0; i < 4; ++i) {
        bool readable = true;
        *member(settings, i) = file.value(Section, Keys[i], readable).value_or(defaults[i]);
        if (!readable)
            settings.unreadable.insert(QString::fromLatin1(Keys[i]), *member(settings, i));
    }
    return settings;
}

void writeSettings(const QString& settingsFolder, const Settings& settings)
{
    const QString path = settingsFolder + QLatin1String(SettingsFileName);
    SettingsFile file(path);
    Settings values = settings;
    for (int i = 0; i < 4; ++i) {
        const QString key = QString::fromLatin1(Keys[i]);
        const QString& value = *member(values, i);
        // What could not be read is never written back; a new value replaces it.
        if (settings.unreadable.contains(key) && settings.unreadable.value(key) == value)
            continue;
        file.ini.SetValue(Section, Keys[i], file.encode(value).constData());
    }
    file.save(path);
}

QString readSettingsValue(const QString& settingsFolder, const QString& section, const QString& key)
{
    const SettingsFile file(settingsFolder + QLatin1String(SettingsFileName));
    bool readable = true;
    const std::optional<QString> value =
        file.value(section.toLatin1().constData(), key.toLatin1().constData(), readable);
    return value && readable ? *value : QString();
}

void writeSettingsValue(const QString& settingsFolder, const QString& section, const QString& key,
                        const QString& value)
{
    const QString path = settingsFolder + QLatin1String(SettingsFileName);
    SettingsFile file(path);
    file.ini.SetValue(section.toLatin1().constData(), key.toLatin1().constData(),
                      file.encode(value).constData());
    file.save(path);
}

QString databaseName(const Settings& settings)
{
    if (settings.host == QLatin1String("localhost"))
        return settings.dir + settings.file;
    return settings.host + u':' + settings.dir + settings.file;
}

}  // namespace app

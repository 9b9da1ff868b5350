#include "app/Settings.h"

#include "controls/PrivateFiles.h"
#include "db/Error.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
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

QByteArray trimmedLine(const QByteArray& line)
{
    return line.trimmed();  // also the CR of a CR LF line end
}

// The name of a "[section]" line; empty for any other line.
QByteArray sectionOf(const QByteArray& line)
{
    const QByteArray text = trimmedLine(line);
    if (text.size() < 2 || !text.startsWith('[') || !text.endsWith(']'))
        return {};
    return text.mid(1, text.size() - 2).trimmed();
}

bool sameName(const QByteArray& a, const QByteArray& b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// The file as it is on disk, and whether it was written in Windows-1250. It is read
// through SimpleIni and written by editing its lines: every line that keeps its value
// keeps its bytes, blank lines and comments included.
struct SettingsFile {
    CSimpleIniA ini{/*utf8*/ false, /*multikey*/ false, /*multiline*/ false};
    QByteArray bytes;
    bool windows1250 = false;
    QByteArray newLine = "\n";  // the older Windows program ended its lines with CR LF

    explicit SettingsFile(const QString& path)
    {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return;
        bytes = file.readAll();
        windows1250 = !isUtf8(bytes);
        if (bytes.contains("\r\n"))
            newLine = "\r\n";
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

    // A plain key=value line in place of the key's line in the section (one that holds the
    // value already stays as it is), else after the section's last line, else in a new
    // section at the end of the file.
    void set(const QByteArray& section, const QByteArray& key, const QString& text)
    {
        const QByteArray value = encode(text);
        const QByteArray line = key + '=' + value;
        QList<QByteArray> lines = bytes.split('\n');
        const bool crlf = newLine == "\r\n";
        bool inSection = false, found = false;
        qsizetype lastOfSection = -1;
        for (qsizetype i = 0; i < lines.size(); ++i) {
            const QByteArray name = sectionOf(lines[i]);
            if (!name.isEmpty()) {
                inSection = sameName(name, section);
                if (inSection)
                    lastOfSection = i;
                continue;
            }
            if (!inSection)
                continue;
            const QByteArray content = trimmedLine(lines[i]);
            if (!content.isEmpty())
                lastOfSection = i;
            const qsizetype equals = content.indexOf('=');
            if (equals < 0 || !sameName(content.left(equals).trimmed(), key))
                continue;
            found = true;
            if (content.mid(equals + 1).trimmed() != value)
                lines[i] = crlf && lines[i].endsWith('\r') ? line + '\r' : line;
        }
        if (found) {
            bytes = lines.join('\n');
        } else if (lastOfSection >= 0) {
            lines.insert(lastOfSection + 1, crlf ? line + '\r' : line);
            bytes = lines.join('\n');
        } else {
            if (!bytes.isEmpty() && !bytes.endsWith('\n'))
                bytes += newLine;
            if (!bytes.isEmpty())
                bytes += newLine;  // a blank line between sections
            bytes += '[' + section + ']' + newLine + line + newLine;
        }
    }

    void save(const QString& path) const
    {
        // Written whole beside the old file and then put in its place: a failure midway
        // leaves the old settings as they were.
        QSaveFile file(path);
        if (!controls::openPrivate(file) || file.write(bytes) != bytes.size() || !file.commit())
            throw db::Error(QStringLiteral("Nie można zapisać ustawień w pliku %1.\nSprawdź, czy "
                                           "folder %2 istnieje i czy wolno w nim zapisywać.")
                                .arg(path, QFileInfo(path).absolutePath()));
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
        file.set(Section, Keys[i], value);
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
    file.set(section.toLatin1(), key.toLatin1(), value);
    file.save(path);
}

QString databaseName(const Settings& settings)
{
    if (settings.host == QLatin1String("localhost"))
        return settings.dir + settings.file;
    return settings.host + u':' + settings.dir + settings.file;
}

}  // namespace app

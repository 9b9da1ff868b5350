#include "admin/ConnectionParamsFile.h"

#include "controls/PrivateFiles.h"
#include "db/Error.h"

#include <QFile>
#include <QRandomGenerator>
#include <QSaveFile>
#include <QStringDecoder>
#include <QStringEncoder>

namespace admin {

const char* const DefaultConnectionParams =
    "user_name=SYSDBA\r\npassword=brasswick\r\nlc_ctype=WIN1250";
const char* const ConnectionParamsFileName = "params.db";

namespace {

constexpr unsigned char kMask = 0x5D;
// Far beyond any file the program writes (three bytes for each character of a few
// short lines): a bigger file is not a parameter file and is not read.
constexpr qint64 kLargestFile = 64 * 1024;

// Refuses, naming the box it came from, a character that Windows-1250 cannot hold:
// stored as a substitute it would turn the password into another one.
void requireCodePage(const QString& text)
{
    for (const QString& line : text.split(QStringLiteral("\r\n"))) {
        QStringEncoder encoder("windows-1250");
        const QByteArray codes = encoder.encode(line);
        Q_UNUSED(codes);
        if (!encoder.hasError())
            continue;
        const QString name = line.section(u'=', 0, 0);
        if (name == QLatin1String("password"))  // the box shows only "*"; so does this
            throw db::Error(
                QStringLiteral("Hasło zawiera znak, który nie mieści się w stronie "
                               "kodowej Windows-1250."));
        for (qsizetype i = 0; i < line.size();) {
            const qsizetype length = line[i].isHighSurrogate() && i + 1 < line.size() ? 2 : 1;
            QStringEncoder one("windows-1250");
            const QByteArray code = one.encode(line.mid(i, length));
            Q_UNUSED(code);
            if (one.hasError())
                throw db::Error(
                    QStringLiteral("Znak „%1” w polu %2 nie mieści się w stronie kodowej "
                                   "Windows-1250.")
                        .arg(line.mid(i, length), name == QLatin1String("user_name")
                                                      ? QStringLiteral("„Użytkownik:”")
                                                      : name));
            i += length;
        }
    }
}

}  // namespace

QByteArray scramble(const QString& text)
{
    requireCodePage(text);
    const QByteArray codes = QStringEncoder("windows-1250").encode(text);
    QByteArray bytes;
    bytes.reserve(codes.size() * 3);
    // Filler from the system's random source: two writes of one text never look alike.
    QRandomGenerator* random = QRandomGenerator::system();
    for (const char code : codes) {
        bytes.append(char(static_cast<unsigned char>(code) ^ kMask));
        bytes.append(char(random->bounded(256)));
        bytes.append(char(random->bounded(256)));
    }
    return bytes;
}

QString unscramble(const QByteArray& bytes)
{
    QByteArray codes;
    for (qsizetype i = 0; i < bytes.size(); i += 3)
        codes.append(char(static_cast<unsigned char>(bytes[i]) ^ kMask));
    return QStringDecoder("windows-1250").decode(codes);
}

QString readConnectionParams(const QString& settingsFolder)
{
    QFile file(settingsFolder + QLatin1String(ConnectionParamsFileName));
    if (!file.exists())
        return QString::fromLatin1(DefaultConnectionParams);
    if (file.size() > kLargestFile)
        throw db::Error(QStringLiteral("Plik '%1' jest za duży jak na plik parametrów połączenia.")
                            .arg(file.fileName()));
    if (!file.open(QIODevice::ReadOnly))
        throw db::Error(QStringLiteral("Nie można odczytać pliku '%1': %2")
                            .arg(file.fileName(), file.errorString()));
    return unscramble(file.read(kLargestFile));
}

void writeConnectionParams(const QString& settingsFolder, const QString& text)
{
    QSaveFile file(settingsFolder + QLatin1String(ConnectionParamsFileName));
    const QByteArray bytes = scramble(text);
    const bool written =
        controls::openPrivate(file) && file.write(bytes) == bytes.size() && file.commit();
    if (!written)
        throw db::Error(QStringLiteral("Nie można zapisać pliku '%1': %2")
                            .arg(file.fileName(), file.errorString()));
}

}  // namespace admin

#include "admin/ConnectionParamsFile.h"

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
}

QByteArray scramble(const QString& text)
{
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
    if (!file.open(QIODevice::ReadOnly))
        throw db::Error(QStringLiteral("Nie można odczytać pliku '%1': %2")
                            .arg(file.fileName(), file.errorString()));
    return unscramble(file.readAll());
}

void writeConnectionParams(const QString& settingsFolder, const QString& text)
{
    QSaveFile file(settingsFolder + QLatin1String(ConnectionParamsFileName));
    const QByteArray bytes = scramble(text);
    const bool written = file.open(QIODevice::WriteOnly) &&
                         file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner) &&
                         file.write(bytes) == bytes.size() && file.commit();
    if (!written)
        throw db::Error(QStringLiteral("Nie można zapisać pliku '%1': %2")
                            .arg(file.fileName(), file.errorString()));
}

}  // namespace admin

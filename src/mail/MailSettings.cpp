#include "mail/MailSettings.h"

#include <QRegularExpression>

namespace mail {

const char* const SettingsSection = "Poczta";
namespace key {
const char* const Server = "Serwer";
const char* const Port = "Port";
const char* const Security = "Szyfrowanie";
const char* const User = "Uzytkownik";
const char* const SenderAddress = "Nadawca";
const char* const SenderName = "NazwaNadawcy";
const char* const Wardens = "Ewakuacja";
const char* const NotifyAutomatically = "PowiadamiajAutomatycznie";
const char* const CaFile = "PlikCA";
const char* const Timeout = "LimitCzasu";
const char* const BuildingAddress = "AdresBudynku";
}  // namespace key

bool isAddress(const QString& text)
{
    static const QRegularExpression address(QStringLiteral(
        R"(^[^@\s<>(),;:"\[\]\\]+@[^@\s<>(),;:"\[\]\\.]+(\.[^@\s<>(),;:"\[\]\\.]+)*$)"));
    return address.match(text).hasMatch();
}

QString securityText(Security security)
{
    switch (security) {
        case Security::Tls:
            return QStringLiteral("TLS");
        case Security::None:
            return QStringLiteral("brak");
        case Security::StartTls:
            break;
    }
    return QStringLiteral("STARTTLS");
}

int usualPort(Security security)
{
    switch (security) {
        case Security::Tls:
            return 465;
        case Security::None:
            return 25;
        case Security::StartTls:
            break;
    }
    return 587;
}

Security securityFromText(const QString& text)
{
    if (text.compare(QLatin1String("TLS"), Qt::CaseInsensitive) == 0)
        return Security::Tls;
    if (text.compare(QLatin1String("brak"), Qt::CaseInsensitive) == 0)
        return Security::None;
    return Security::StartTls;
}

}  // namespace mail

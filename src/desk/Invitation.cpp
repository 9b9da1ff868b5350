#include "desk/Invitation.h"

#include "controls/Clock.h"
#include "controls/Prompts.h"
#include "controls/QrCode.h"
#include "db/DateTimeText.h"
#include "db/Error.h"
#include "db/Statement.h"
#include "desk/Desk.h"
#include "desk/InformationClause.h"
#include "desk/MailSetup.h"
#include "desk/VisitCodes.h"
#include "mail/MailSettings.h"

#include <QBuffer>
#include <QStringList>

namespace desk {

namespace {

constexpr auto SelectVisit = R"(select FIRMA_ID, PERSON_ID, PERSON_NAZWA, DTPRZYBYCIA, DTWEJSCIA
from WIZYTY
where ID = :id)";

const QString Caption = QStringLiteral("Zaproszenie");
const QString DayFormat = QStringLiteral("dd-MM-yyyy");
const QString TimeFormat = QStringLiteral("HH:mm");
const QString LineEnd = QStringLiteral("\r\n");
constexpr int QrModuleSize = 8;
constexpr int LongestAddress = 254;

QByteArray pngBytes(const QImage& image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

// "Piętro 3, pokój 312.", or the one of them that is known.
QString whereHostSits(const VisitHost& host)
{
    QStringList parts;
    if (!host.floor.trimmed().isEmpty())
        parts << QStringLiteral("piętro %1").arg(host.floor.trimmed());
    if (!host.room.trimmed().isEmpty())
        parts << QStringLiteral("pokój %1").arg(host.room.trimmed());
    if (parts.isEmpty())
        return {};
    QString text = parts.join(QStringLiteral(", "));
    text[0] = text[0].toUpper();
    return text + u'.';
}

QString invitationBody(const InvitationContent& content)
{
    QStringList lines{
        QStringLiteral("Dzień dobry,"), QString(),
        QStringLiteral("zapraszamy na wizytę dnia %1 o godz. %2.")
            .arg(content.arrival.toString(DayFormat), content.arrival.toString(TimeFormat))};
    if (!content.host.employee.trimmed().isEmpty())
        lines << QStringLiteral("Osoba przyjmująca: %1.").arg(content.host.employee.trimmed());
    if (!content.host.company.trimmed().isEmpty())
        lines << QStringLiteral("Firma: %1.").arg(content.host.company.trimmed());
    if (const QString where = whereHostSits(content.host); !where.isEmpty())
        lines << where;
    const QString address = content.buildingAddress.trimmed();
    if (!address.isEmpty())
        lines << QString() << QStringLiteral("Adres budynku:") << address.split(u'\n');
    lines << QString() << QStringLiteral("Kod zaproszenia: %1").arg(content.code)
          << QStringLiteral(
                 "Prosimy pokazać ten kod (lub kod QR z załącznika) w recepcji. "
                 "Kod jest ważny w dniu wizyty.");
    if (!content.clause.trimmed().isEmpty())
        lines << QString() << content.clause.trimmed();
    return lines.join(LineEnd);
}

}  // namespace

mail::Message invitationMessage(const InvitationContent& content)
{
    mail::Message message;
    message.to = content.to.trimmed();
    const QString when = content.arrival.toString(DayFormat + u' ' + TimeFormat);
    const QString company = content.host.company.trimmed();
    message.subject = QStringLiteral("Zaproszenie: ") +
                      (company.isEmpty() ? when : company + QStringLiteral(", ") + when);
    message.body = invitationBody(content);
    message.attachment = mail::Attachment{
        QStringLiteral("Kod zaproszenia %1.png").arg(content.code), QStringLiteral("image/png"),
        pngBytes(controls::qrImage(content.code, QrModuleSize))};
    return message;
}

bool awaitsInvitation(const QDateTime& arrival, bool entered, const QDateTime& now)
{
    return !entered && arrival.isValid() && arrival > now;
}

std::optional<QString> askInvitationAddress(Desk& desk, const QString& typed)
{
    requireInvitations(desk.database());
    ValueRequest request{Caption,
                         QStringLiteral("Adres e-mail gościa (tylko do tego zaproszenia):"), typed,
                         ValueType::Text, LongestAddress};
    for (;;) {
        const std::optional<QString> answer = desk.askValue(request);
        if (!answer)
            return std::nullopt;
        const QString address = answer->trimmed();
        if (mail::isAddress(address))
            return address;
        desk.prompts().beep();
        desk.prompts().message(
            address.isEmpty()
                ? QStringLiteral("Podaj adres e-mail gościa.")
                : QStringLiteral("\"%1\" nie jest poprawnym adresem e-mail; wpisz go w postaci "
                                 "nazwa@firma.pl.")
                      .arg(address),
            Caption, controls::Icon::Warning);
        request.value = address;
    }
}

void queueInvitation(Desk& desk, int visitId, const QString& address)
{
    db::Statement select(desk.database(), QString::fromUtf8(SelectVisit));
    std::vector<db::Values> rows;
    select.execute([visitId](const QString&) -> QVariant { return visitId; }, &rows);
    if (rows.empty())
        throw db::Error(QStringLiteral("Tej wizyty już nie ma: usunięto ją na innym stanowisku."));
    const db::Values& visit = rows.front();
    InvitationContent content;
    content.arrival = db::dateTimeOf(visit[3]);
    if (!awaitsInvitation(content.arrival, !visit[4].isNull(), desk.clock().now()))
        throw db::Error(
            QStringLiteral("Zaproszenie wysyła się przed przybyciem gościa; ta wizyta "
                           "ma już wejście lub jej przybycie minęło."));
    content.to = address;
    content.host = readVisitHost(desk, visit[0].toInt(), visit[1].toInt());
    content.host.employee = visit[2].toString();  // as the visit names them
    content.buildingAddress = readMailSettings(desk).buildingAddress;
    const InformationClause clause = readInformationClause(desk);
    content.clause = clause.complete() ? clause.shortForm() : QString();
    content.code = invitationCode(desk, visitId);
    desk.queueMail(invitationMessage(content), mail::Kind::Invitation, visitId);
}

}  // namespace desk

#include "desk/VisitHost.h"

#include "controls/Prompts.h"
#include "db/Statement.h"
#include "desk/Desk.h"
#include "desk/MailSetup.h"

#include <QSysInfo>
#include <QUrl>

namespace desk {

namespace {

constexpr auto SelectCompany = R"(select NAZWA
from FIRMY
where ID = :id)";
constexpr auto SelectEmployee = R"(select NAZWISKO, IMIE, PIETRO, POKOJ, EMAIL
from PERSONEL
where ID = :id)";

const QString TimeFormat = QStringLiteral("dd-MM-yyyy hh:mm");

// The first row of a select by ID, or none.
std::vector<QVariant> firstRow(Desk& desk, const char* sql, int id)
{
    db::Statement select(desk.database(), QString::fromUtf8(sql));
    std::vector<db::Values> rows;
    select.execute([id](const QString&) -> QVariant { return id; }, &rows);
    return rows.empty() ? std::vector<QVariant>() : rows.front();
}

QString encoded(const QString& text, const QByteArray& kept = {})
{
    return QString::fromLatin1(QUrl::toPercentEncoding(text, kept));
}

QString noticeSubject(const QString& guestName)
{
    return QStringLiteral("Gość w recepcji: ") + guestName;
}

// The lines of the notice; the company is named where it is known.
QString noticeBody(const QString& guestName, const QString& company, const QDateTime& arrival,
                   const QString& deskName)
{
    QStringList lines{QStringLiteral("W recepcji czeka gość: %1.").arg(guestName)};
    if (!company.trimmed().isEmpty())
        lines << QStringLiteral("Firma: %1.").arg(company.trimmed());
    lines << QStringLiteral("Przybycie: %1.").arg(arrival.toString(TimeFormat))
          << QStringLiteral("Stanowisko recepcji: %1.").arg(deskName);
    return lines.join(QStringLiteral("\r\n"));
}

}  // namespace

VisitHost readVisitHost(Desk& desk, int companyId, int employeeId)
{
    VisitHost host;
    const std::vector<QVariant> company = firstRow(desk, SelectCompany, companyId);
    if (!company.empty())
        host.company = company[0].toString();
    const std::vector<QVariant> employee = firstRow(desk, SelectEmployee, employeeId);
    if (!employee.empty()) {
        host.employee = employee[0].toString() + u' ' + employee[1].toString();
        host.floor = employee[2].toString();
        host.room = employee[3].toString();
        host.email = employee[4].toString().trimmed();
    }
    return host;
}

QString notificationUrl(const QString& email, const QString& guestName, const QDateTime& arrival,
                        const QString& deskName)
{
    return QStringLiteral("mailto:") + encoded(email.trimmed(), "@") + QStringLiteral("?subject=") +
           encoded(noticeSubject(guestName)) + QStringLiteral("&body=") +
           encoded(noticeBody(guestName, {}, arrival, deskName));
}

mail::Message hostNoticeMessage(const HostNotice& notice, const QString& deskName)
{
    mail::Message message;
    message.to = notice.email.trimmed();
    message.subject = noticeSubject(notice.guestName);
    message.body = noticeBody(notice.guestName, notice.company, notice.arrival, deskName);
    return message;
}

void queueHostNotice(Desk& desk, const HostNotice& notice)
{
    desk.queueMail(hostNoticeMessage(notice, QSysInfo::machineHostName()), mail::Kind::HostNotice,
                   notice.visitId);
}

bool notifyEmployee(Desk& desk, const HostNotice& notice)
{
    if (readMailSettings(desk).isSetUp()) {
        queueHostNotice(desk, notice);
        return true;
    }
    if (desk.prompts().openUrl(notificationUrl(notice.email, notice.guestName, notice.arrival,
                                               QSysInfo::machineHostName())))
        return false;
    // No mail program set up: the receptionist tells the host another way.
    desk.prompts().message(
        QStringLiteral("Nie udało się otworzyć programu pocztowego.\nAdres pracownika: ") +
            notice.email.trimmed(),
        QStringLiteral("Powiadom pracownika"), controls::Icon::Warning);
    return false;
}

}  // namespace desk

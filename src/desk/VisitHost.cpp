#include "desk/VisitHost.h"

#include "controls/Prompts.h"
#include "db/Statement.h"
#include "desk/Desk.h"

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
    const QString subject = QStringLiteral("Gość w recepcji: ") + guestName;
    const QString body = QStringLiteral(
                             "W recepcji czeka gość: %1.\r\n"
                             "Przybycie: %2.\r\n"
                             "Stanowisko recepcji: %3.")
                             .arg(guestName, arrival.toString(TimeFormat), deskName);
    return QStringLiteral("mailto:") + encoded(email.trimmed(), "@") + QStringLiteral("?subject=") +
           encoded(subject) + QStringLiteral("&body=") + encoded(body);
}

void notifyEmployee(Desk& desk, const QString& email, const QString& guestName,
                    const QDateTime& arrival)
{
    if (desk.prompts().openUrl(
            notificationUrl(email, guestName, arrival, QSysInfo::machineHostName())))
        return;
    // No mail program set up: the receptionist tells the host another way.
    desk.prompts().message(
        QStringLiteral("Nie udało się otworzyć programu pocztowego.\nAdres pracownika: ") +
            email.trimmed(),
        QStringLiteral("Powiadom pracownika"), controls::Icon::Warning);
}

}  // namespace desk

#include "personnel/EmployeeSearch.h"

#include <limits>

namespace personnel {
namespace {

// The employee with the company and department names; the condition line goes between the
// two pieces. An employee of no department (DZIAL_ID 0) has no DZIALY row and is not found.
constexpr auto SelectEmployees = R"(select
  P.ID,
  P.NAZWISKO,
  P.IMIE,
  P.STANOWISKO,
  P.PIETRO,
  P.POKOJ,
  P.FIRMA_ID,
  P.DZIAL_ID,
  F.NAZWA as FIRMA,
  D.NAZWA as DZIAL
from
  PERSONEL P,
  FIRMY F,
  DZIALY D
where
)";
constexpr auto JoinCompanyAndDepartment = R"(
  and
  F.ID = P.FIRMA_ID
  and
  D.ID = P.DZIAL_ID)";

constexpr auto NumberCondition = R"(P.ID = :id)";
// Each text criterion, in the order they are joined. The pattern gets room beyond its
// column (which the server would give it): each character of a text as wide as the
// column may be escaped, and "%" goes at both ends.
constexpr auto SurnameCondition =
    R"(lower(NAZWISKO) like cast(:nazwisko as varchar(130)) escape '\')";
constexpr auto FirstNameCondition = R"(lower(IMIE) like cast(:imie as varchar(66)) escape '\')";
constexpr auto PositionCondition =
    R"(lower(STANOWISKO) like cast(:stanowisko as varchar(130)) escape '\')";
constexpr auto ConditionsOpen = "  ( ";
constexpr auto ConditionsJoin = " and ";
constexpr auto ConditionsClose = " )";

// The typed number, or null when it is beyond any record number (nothing matches then).
QVariant numberValue(const QString& digits)
{
    bool ok = false;
    const qlonglong value = digits.toLongLong(&ok);
    if (!ok || value > std::numeric_limits<qint32>::max())
        return QVariant();
    return QVariant(int(value));
}

}  // namespace

bool EmployeeCriteria::empty() const
{
    return number.isEmpty() && surname.isEmpty() && firstName.isEmpty() && position.isEmpty();
}

QString likePattern(const QString& typed, MatchMode mode)
{
    QString escaped;
    escaped.reserve(typed.size() + 4);
    for (const QChar c : typed.toLower()) {
        if (c == u'\\' || c == u'%' || c == u'_')
            escaped += u'\\';
        escaped += c;
    }
    return mode == MatchMode::Beginning ? escaped + u'%' : u'%' + escaped + u'%';
}

std::optional<EmployeeSearch> composeEmployeeSearch(const EmployeeCriteria& criteria)
{
    if (criteria.empty())
        return std::nullopt;
    EmployeeSearch search;
    QString condition;
    if (!criteria.number.isEmpty()) {
        condition = QString::fromLatin1(NumberCondition);
        search.params.emplace_back(QStringLiteral("id"), numberValue(criteria.number));
    } else {
        const struct {
            const QString& typed;
            const char* condition;
            const char* param;
        } texts[] = {{criteria.surname, SurnameCondition, "nazwisko"},
                     {criteria.firstName, FirstNameCondition, "imie"},
                     {criteria.position, PositionCondition, "stanowisko"}};
        QStringList conditions;
        for (const auto& text : texts) {
            if (text.typed.isEmpty())
                continue;
            conditions << QString::fromLatin1(text.condition);
            search.params.emplace_back(QString::fromLatin1(text.param),
                                       likePattern(text.typed, criteria.mode));
        }
        condition = QString::fromLatin1(ConditionsOpen) +
                    conditions.join(QString::fromLatin1(ConditionsJoin)) +
                    QString::fromLatin1(ConditionsClose);
    }
    search.sql = QString::fromLatin1(SelectEmployees) + condition +
                 QString::fromLatin1(JoinCompanyAndDepartment);
    return search;
}

}  // namespace personnel

#pragma once
// The statement of the employee search, composed from the criteria the receptionist typed:
// fixed texts only, every typed value bound as a parameter.
#include <QString>
#include <QStringList>
#include <QVariant>
#include <optional>
#include <utility>
#include <vector>

namespace personnel {

// How a text criterion matches its column.
enum class MatchMode { Beginning, Anywhere };

// The widths of the columns searched: a criterion is never longer, as no longer text can
// be in its column.
constexpr int SurnameWidth = 64;
constexpr int FirstNameWidth = 32;
constexpr int PositionWidth = 64;

struct EmployeeCriteria {
    QString number;  // digits only; when given, the text criteria are ignored
    QString surname;
    QString firstName;
    QString position;
    MatchMode mode = MatchMode::Beginning;

    // A criterion counts when its text is not empty (a single blank counts).
    bool empty() const;
};

struct EmployeeSearch {
    QString sql;
    std::vector<std::pair<QString, QVariant>> params;
};

// The statement for the criteria; nothing when no criterion is given.
std::optional<EmployeeSearch> composeEmployeeSearch(const EmployeeCriteria& criteria);

// The pattern a typed text is matched with (`like ... escape '\'`): lower-cased with the
// Polish letters, the wildcards and the escape character taken literally, followed (and,
// anywhere in the field, preceded) by "%".
QString likePattern(const QString& typed, MatchMode mode);

}  // namespace personnel

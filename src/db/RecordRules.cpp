#include "db/RecordRules.h"

#include "db/DataSet.h"

#include <memory>

namespace db {
namespace {

// The index of a field, looked up by name only when the remembered one no longer names it
// (the first row, or a select whose columns changed).
int fieldIndex(const DataSet& set, int& remembered, const QString& name)
{
    const auto& fields = set.fields();
    if (remembered < 0 || remembered >= int(fields.size()) ||
        fields[size_t(remembered)]->name().compare(name, Qt::CaseInsensitive) != 0)
        remembered = set.field(name).index();
    return remembered;
}

}  // namespace

void addSurnameFirstName(DataSet& staff)
{
    struct Indexes {
        int surname = -1;
        int firstName = -1;
    };
    auto indexes = std::make_shared<Indexes>();
    staff.addCalculatedField(QStringLiteral("_nazwisko_imie"), 100, [indexes](const DataSet& set) {
        const auto& fields = set.fields();
        const Field& surname =
            *fields[size_t(fieldIndex(set, indexes->surname, QStringLiteral("NAZWISKO")))];
        const Field& firstName =
            *fields[size_t(fieldIndex(set, indexes->firstName, QStringLiteral("IMIE")))];
        return QVariant(surname.asString() + u' ' + firstName.asString());
    });
}

}  // namespace db

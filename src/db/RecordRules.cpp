#include "db/RecordRules.h"

#include "db/DataSet.h"

namespace db {

void addSurnameFirstName(DataSet& staff)
{
    staff.addCalculatedField(QStringLiteral("_nazwisko_imie"), 100, [](const DataSet& set) {
        return QVariant(set.field(QStringLiteral("NAZWISKO")).asString() + u' ' +
                        set.field(QStringLiteral("IMIE")).asString());
    });
}

}  // namespace db

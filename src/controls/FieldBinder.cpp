#include "controls/FieldBinder.h"

#include "db/DataSet.h"

namespace controls {

void followCurrentRow(QObject* kontrolka, db::DataSet& zbior, std::function<void()> pokaz)
{
    QObject::connect(&zbior, &db::DataSet::afterScroll, kontrolka, pokaz);
    QObject::connect(&zbior, &db::DataSet::rowsReset, kontrolka, pokaz);
    QObject::connect(&zbior, &db::DataSet::rowChanged, kontrolka, [&zbior, pokaz](int row) {
        if (row == zbior.recNo() - 1)
            pokaz();
    });
}

void writeToField(db::DataSet* zbior, const QString& pole, const QString& tekst)
{
    if (!zbior || !zbior->editing())
        return;
    if (db::Field* f = zbior->findField(pole))
        f->setAsString(tekst);
}

}  // namespace controls

#pragma once
// The tie of a bound control to its data set's current row.
#include <QObject>
#include <QString>
#include <functional>

namespace db { class DataSet; }

namespace controls {

// Runs `pokaz` whenever the current row changes, the rows are read again, or the
// current row's values change.
void followCurrentRow(QObject* kontrolka, db::DataSet& zbior, std::function<void()> pokaz);

// What was typed goes into the field only while the row is being edited.
void writeToField(db::DataSet* zbior, const QString& pole, const QString& tekst);

}  // namespace controls

#pragma once
// The tie of a bound control to its data set's current row.
#include <QObject>
#include <functional>

namespace db { class DataSet; }

namespace controls {

// Runs `pokaz` whenever the current row changes, the rows are read again, or the
// current row's values change.
void sledzBiezacyWiersz(QObject* kontrolka, db::DataSet& zbior, std::function<void()> pokaz);

}  // namespace controls

#pragma once
// A stored visit edited outside the register: the statements every visits data set stores
// its rows with, and the visit editor opened on one visit by its number.
class QWidget;
namespace db {
class DataSet;
}
namespace desk {
class Desk;
}

namespace visitors {

// Gives a visits data set the statements that store, refresh and delete its rows, and
// the generator of new visits' numbers.
void setVisitStatements(db::DataSet& visits);
// The visit editor on one stored visit, read as it is stored now; true once the editor
// stored the visit and committed it. A visit that is gone is not edited.
bool editStoredVisit(desk::Desk& desk, int visitId, QWidget* parent);

}  // namespace visitors

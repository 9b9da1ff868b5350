#pragma once
// A one-line text box bound to one field of a data set's current row: it shows the
// field, and what is typed goes into the row while the row is edited.
#include <QPointer>
#include <QLineEdit>

#include "db/DataSet.h"

namespace controls {

class BoundLineEdit : public QLineEdit {
    Q_OBJECT
public:
    BoundLineEdit(db::DataSet& set, const QString& field, QWidget* parent = nullptr);
    void showField();

private:
    void storeText(const QString& text);

    QPointer<db::DataSet> set_;  // null once the window is being taken down
    QString field_;
};

}  // namespace controls

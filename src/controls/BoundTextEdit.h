#pragma once
// A multi-line text box bound to one field of a data set's current row.
#include <QPointer>
#include <QPlainTextEdit>

#include "db/DataSet.h"

namespace controls {

class BoundTextEdit : public QPlainTextEdit {
    Q_OBJECT
public:
    BoundTextEdit(db::DataSet& set, const QString& field, QWidget* parent = nullptr);
    // Shows the field of the current row again.
    void showField();

private:
    void storeText();

    QPointer<db::DataSet> set_;  // null once the window is being taken down
    QString field_;
    bool showing_ = false;
};

}  // namespace controls

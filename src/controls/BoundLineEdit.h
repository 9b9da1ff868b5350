#pragma once
// A one-line text box bound to one field of a data set's current row: it shows the field,
// and what is typed goes into the row, while the row is edited, when the editing ends.
#include "controls/FieldBinder.h"

#include <QLineEdit>

namespace db { class DataSet; }

namespace controls {

class BoundLineEdit : public QLineEdit {
    Q_OBJECT
public:
    BoundLineEdit(db::DataSet& set, const QString& field, QWidget* parent = nullptr);
    // Where a value the field refuses is reported (see PendingText).
    void setPrompts(Prompts* prompts) { pending_.setPrompts(prompts); }
    void showField();
    // Writes what was typed and not yet written; false when the field refused it.
    // A window calls it before it posts the row.
    bool writePending() { return pending_.write(text()); }

private:
    PendingText pending_;
};

}  // namespace controls

#pragma once
// A multi-line text box bound to one field of a data set's current row; what is typed
// goes into the row, while the row is edited, when the box is left.
#include "controls/FieldBinder.h"

#include <QPlainTextEdit>

namespace db { class DataSet; }

namespace controls {

class BoundTextEdit : public QPlainTextEdit {
    Q_OBJECT
public:
    BoundTextEdit(db::DataSet& set, const QString& field, QWidget* parent = nullptr);
    void setPrompts(Prompts* prompts) { pending_.setPrompts(prompts); }
    // Shows the field of the current row again.
    void showField();
    // Writes what was typed and not yet written; false when the field refused it.
    bool writePending() { return pending_.write(toPlainText()); }

protected:
    void focusOutEvent(QFocusEvent* event) override;

private:
    PendingText pending_;
    bool showing_ = false;
};

}  // namespace controls

#pragma once
// The tie of a bound control to its data set's current row.
#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>

class QWidget;
namespace db { class DataSet; }

namespace controls {

class Prompts;

// Runs `show` whenever the current row changes, the rows are read again, or the
// current row's values change.
void followCurrentRow(QObject* control, db::DataSet& set, std::function<void()> show);

// What was typed into a bound box and not yet written to its field. Typing only marks
// the text; it is written when the editing ends (the box is left, Enter, or the window
// posts the row), so "0012" keeps its zeros while it is typed and "12a" is refused once.
class PendingText {
public:
    PendingText(QWidget& box, db::DataSet& set, const QString& field);

    db::DataSet* dataSet() const { return set_.data(); }
    const QString& field() const { return field_; }
    // A value the field refuses is reported here, with a beep, and the focus goes back to
    // the box; without prompts the error is raised to the caller.
    void setPrompts(Prompts* prompts) { prompts_ = prompts; }

    void typed() { pending_ = true; }
    // The row was shown again: what was typed is gone.
    void discard() { pending_ = false; }
    bool pending() const { return pending_; }
    // Writes `text` to the field while the row is being edited. False when the field
    // refused it: the text stays in the box and stays pending.
    bool write(const QString& text);

private:
    QWidget& box_;
    QPointer<db::DataSet> set_;  // null once the window is being taken down
    QString field_;
    Prompts* prompts_ = nullptr;
    bool pending_ = false;
    bool writing_ = false;  // a message box shown while writing takes the focus away
};

}  // namespace controls

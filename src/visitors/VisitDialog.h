#pragma once
// One visit of the visits register, edited in place on the register's current row, which
// the register has put into insert state (a new visit) or edit state (a stored one).
// exec() gives Accepted once the visit is stored and committed; any other close cancels the
// row, after asking when something was changed.
#include <QDialog>
#include <memory>

namespace db {
class DataSet;
}
namespace desk {
class Desk;
}

class VisitDialog : public QDialog {
    Q_OBJECT
public:
    // Add: the row was just appended and pre-filled by the register; Edit: it was stored.
    enum class Mode { Add, Edit };

    VisitDialog(db::DataSet& visits, desk::Desk& desk, QWidget* parent = nullptr);
    ~VisitDialog() override;

    // Shows the editor on the register's current row and waits; Accepted once stored.
    int exec(Mode mode);
    // The same without waiting.
    void open(Mode mode);

private:
    void showEvent(QShowEvent* event) override;
    void done(int result) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

    class Private;
    std::unique_ptr<Private> d;
};

#pragma once
// One employee's directory entry, read-only, and the employee's notes, which the
// receptionist may edit. OK stores the notes (and nothing else) and commits; leaving with
// changed notes asks first and rolls them back.
#include <QDialog>
#include <memory>

namespace desk {
class Desk;
}

class EmployeeInfoDialog : public QDialog {
    Q_OBJECT
public:
    explicit EmployeeInfoDialog(desk::Desk& desk, QWidget* parent = nullptr);
    ~EmployeeInfoDialog() override;

    // Shows the employee and waits; QDialog::Accepted once the notes were stored.
    int exec(int employeeId);
    // The same without waiting.
    void open(int employeeId);

    void reject() override;
    void done(int result) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Insides;
    bool prepare(int employeeId);
    void showEntry();
    void showMissingEntry(int employeeId);
    void storeNotes();

    desk::Desk& desk_;
    std::unique_ptr<Insides> d_;
};

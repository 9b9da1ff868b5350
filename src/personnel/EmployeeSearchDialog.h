#pragma once
// Finds an employee of any company of the building by number, surname, first name or
// position while the receptionist types, and hands the chosen one back.
#include "desk/Desk.h"

#include <QDialog>
#include <memory>
#include <optional>

class EmployeeSearchDialog : public QDialog {
    Q_OBJECT
public:
    explicit EmployeeSearchDialog(desk::Desk& desk, QWidget* parent = nullptr);
    ~EmployeeSearchDialog() override;

    // Shows the window and waits: the employee chosen, nothing after "Anuluj".
    std::optional<desk::EmployeeChoice> find();
    // Shows the window without waiting; choice() holds the employee once it closed with OK.
    void open() override;
    desk::EmployeeChoice choice() const;

protected:
    void done(int result) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Insides;
    std::unique_ptr<Insides> d;
};

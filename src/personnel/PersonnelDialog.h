#pragma once
// The staff of one department of one company: adding, editing, moving and deleting
// employees, and switching to another company and department. What is changed is
// written at once and committed by OK; leaving otherwise after changes rolls it back.
#include "db/DataSet.h"

#include <QDialog>
#include <QString>

class QAction;
class QLabel;
class QPushButton;
class QToolBar;
class QWidget;
class EmployeeDialog;
namespace controls {
class DataGrid;
enum class Picture;
}  // namespace controls
namespace desk {
class Desk;
}

class PersonnelDialog : public QDialog {
    Q_OBJECT
public:
    // The main window's company, department and employee.
    struct Request {
        int companyId = 0;
        QString companyName;
        int departmentId = 0;  // 0: no department selected
        QString departmentName;
        int employeeId = 0;
    };
    // The current employee at OK; all 0 when the list was empty.
    struct Result {
        int companyId = 0;
        int departmentId = 0;
        int employeeId = 0;
    };

    explicit PersonnelDialog(desk::Desk& desk, QWidget* parent = nullptr);
    ~PersonnelDialog() override;

    // Shows the staff of the requested department and waits; QDialog::Accepted after OK.
    int exec(const Request& request);
    // The same without waiting.
    void open(const Request& request);
    // After OK.
    Result chosen() const { return chosen_; }

    void reject() override;
    void done(int result) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QAction* makeAction(const QString& name, const QString& caption, const QString& hint,
                        controls::Picture picture, void (PersonnelDialog::*handler)());
    void buildView();
    QWidget* namePanel(const QString& name, const QString& caption, QLabel*& nameLabel);
    void prepare(const Request& request);

    void openList();
    void showNames();
    void updateActions();
    int currentEmployeeId() const;

    void addEmployee();
    void editEmployee();
    void deleteEmployee();
    void changeDepartment();
    // Shows the employee dialog over the row just started or put in edit state.
    void editCurrentRow();
    // The whole building's staff to and from a CSV file.
    void exportStaffList();
    void importStaffList();
    void confirm();

    desk::Desk& desk_;
    db::DataSet staff;
    EmployeeDialog* employeeDialog = nullptr;

    controls::DataGrid* staffGrid = nullptr;
    QToolBar* toolBar = nullptr;
    QLabel* companyNameLabel = nullptr;
    QLabel* departmentNameLabel = nullptr;
    QPushButton* okButton = nullptr;
    QPushButton* cancelButton = nullptr;

    QAction* addAction = nullptr;
    QAction* deleteAction = nullptr;
    QAction* editAction = nullptr;
    QAction* changeDepartmentAction = nullptr;
    QAction* importAction = nullptr;
    QAction* exportAction = nullptr;

    int companyId_ = 0;
    QString companyName_;
    int departmentId_ = 0;
    QString departmentName_;
    int employeeId_ = 0;
    bool changed_ = false;
    Result chosen_;
};

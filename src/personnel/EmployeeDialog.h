#pragma once
// One employee: the row of the staff list that the list has started or put in edit
// state. "Zmień" moves the employee to another company and department; OK checks the row
// and stores it; every other close cancels it.
#include <QDialog>
#include <QString>

class QLabel;
class QPushButton;
namespace db {
class DataSet;
}
namespace controls {
class BoundLineEdit;
class BoundTextEdit;
}  // namespace controls
namespace desk {
class Desk;
}

class EmployeeDialog : public QDialog {
    Q_OBJECT
public:
    EmployeeDialog(db::DataSet& staff, desk::Desk& desk, QWidget* parent = nullptr);

    // Shows the row with the names of its company and department; QDialog::Accepted once
    // the row was stored.
    int exec(const QString& companyName, const QString& departmentName);
    // The names of the company and department the row belongs to now.
    QString companyName() const { return companyName_; }
    QString departmentName() const { return departmentName_; }

    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    controls::BoundLineEdit* lineEdit(const QString& name, const QString& field);
    void showRow();
    void showNames();
    void changeDepartment();
    // Hands every box's text to the row; false when a box refused it.
    bool writeBoxes();
    // The first failed check is reported, with the focus on its box.
    bool checkRow();
    void refuse(const QString& text, QWidget* focus);
    void confirm();
    // Holds the department the employee goes into for this unit of work; Error when it is
    // gone or another desk holds it.
    void lockDepartment();

    db::DataSet& staff_;
    desk::Desk& desk_;
    QString companyName_;
    QString departmentName_;
    int storedDepartment_ = 0;  // the department the row is stored in; 0 for a new row

    QLabel* idLabel = nullptr;
    controls::BoundLineEdit* surnameEdit = nullptr;
    controls::BoundLineEdit* firstNameEdit = nullptr;
    controls::BoundLineEdit* positionEdit = nullptr;
    controls::BoundLineEdit* floorEdit = nullptr;
    controls::BoundLineEdit* roomEdit = nullptr;
    controls::BoundLineEdit* landlineEdit = nullptr;
    controls::BoundLineEdit* mobileEdit = nullptr;
    controls::BoundLineEdit* emailEdit = nullptr;
    controls::BoundTextEdit* notesEdit = nullptr;
    QLabel* companyNameLabel = nullptr;
    QLabel* departmentNameLabel = nullptr;
    QPushButton* changeDepartmentButton = nullptr;
    QPushButton* okButton = nullptr;
    QPushButton* cancelButton = nullptr;
};

#pragma once
// The name and location of the department row that the companies editor has put in
// insert or edit state. exec() gives Accepted once the row is stored; any other close
// cancels the row.
#include <QDialog>

class QPushButton;
namespace db {
class DataSet;
}
namespace controls {
class BoundLineEdit;
class Prompts;
}  // namespace controls

class DepartmentDialog : public QDialog {
    Q_OBJECT
public:
    // `departments` is the editor's data set whose current row this dialog edits.
    DepartmentDialog(db::DataSet& departments, controls::Prompts& prompts,
                     QWidget* parent = nullptr);

private:
    void showEvent(QShowEvent* event) override;
    void done(int result) override;
    void store();

    db::DataSet& departments_;
    controls::Prompts& prompts_;

    controls::BoundLineEdit* nameEdit = nullptr;
    controls::BoundLineEdit* locationEdit = nullptr;
    QPushButton* okButton = nullptr;
    QPushButton* cancelButton = nullptr;
};

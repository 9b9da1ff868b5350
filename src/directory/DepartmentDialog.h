#pragma once
// The name and location of the department row that the companies editor has put in
// insert or edit state; OK stores the row.
#include <QDialog>

class QPushButton;
namespace db { class DataSet; }
namespace controls { class BoundLineEdit; class Prompts; }

class DepartmentDialog : public QDialog {
    Q_OBJECT
public:
    DepartmentDialog(db::DataSet& sqlDzialy, controls::Prompts& prompts,
                             QWidget* parent = nullptr);

    controls::BoundLineEdit* DBEdit1;
    controls::BoundLineEdit* DBEdit2;
    QPushButton* btnOK;
    QPushButton* btnAnuluj;

    void btnOKClick();
    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    db::DataSet& sqlDzialy_;
    controls::Prompts& prompts_;
};

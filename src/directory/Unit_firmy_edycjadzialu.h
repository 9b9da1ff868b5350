#pragma once
// The name and location of the department row that the companies editor has put in
// insert or edit state; OK stores the row.
#include <QDialog>

class QPushButton;
namespace db { class DataSet; }
namespace controls { class DBEdit; class Prompts; }

class TForm_Firmy_EdycjaDzialu : public QDialog {
    Q_OBJECT
public:
    TForm_Firmy_EdycjaDzialu(db::DataSet& sqlDzialy, controls::Prompts& prompts,
                             QWidget* parent = nullptr);

    controls::DBEdit* DBEdit1;
    controls::DBEdit* DBEdit2;
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

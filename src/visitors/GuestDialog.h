#pragma once
// One guest of the guest list: the row the list has put in insert or edit state, edited
// in place. exec() gives Accepted once the row is stored; a row that cannot be stored keeps
// the dialog open with what was typed; any other close cancels the row.
#include <QDialog>
#include <memory>

namespace db {
class DataSet;
}
namespace controls {
class Prompts;
}

class GuestDialog : public QDialog {
    Q_OBJECT
public:
    // `guests` is the list's data set whose current row this dialog edits.
    GuestDialog(db::DataSet& guests, controls::Prompts& prompts, QWidget* parent = nullptr);
    ~GuestDialog() override;

private:
    void showEvent(QShowEvent* event) override;
    void done(int result) override;

    struct Ui;
    std::unique_ptr<Ui> ui;
};

#pragma once
// "Klauzula informacyjna": the administrator fills in what the building tells its guests
// about their personal data (stored in the database, so every desk prints the same), prints
// it on A4 for the notice board, and chooses whether every pass carries its short form on
// the back (Halvane.ini, section RODO). A unit of work of its own: OK stores and commits.
#include "desk/InformationClause.h"

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
namespace desk {
class Desk;
}

class InformationClauseDialog : public QDialog {
    Q_OBJECT
public:
    explicit InformationClauseDialog(desk::Desk& desk, QWidget* parent = nullptr);
    // Reads the stored clause and the setting, shows the window and waits.
    int exec() override;
    // The same, returning at once.
    void open() override;
    void accept() override;
    void reject() override;

private:
    void prepareForShowing();
    desk::InformationClause shownClause() const;
    bool textsChanged() const;
    bool changed() const;
    bool completeOrSaid();
    bool store();
    void print();

    desk::Desk& desk_;
    desk::InformationClause read_;  // as read, with the stored state it came from
    bool onPassRead_ = false;

    QPlainTextEdit* controllerEdit;
    QLineEdit* contactEdit;
    QLineEdit* officerEdit;
    QPlainTextEdit* purposesEdit;
    QPlainTextEdit* legalBasisEdit;
    QPlainTextEdit* recipientsEdit;
    QPlainTextEdit* rightsEdit;
    QPlainTextEdit* sourceEdit;
    QLabel* retentionLabel;
    QCheckBox* onPassCheck;
    QPushButton* printButton;
    QPushButton* okButton;
    QPushButton* cancelButton;
};

#include "directory/DepartmentDialog.h"

#include "controls/BoundLineEdit.h"
#include "controls/Prompts.h"
#include "controls/DialogButtons.h"
#include "db/DataSet.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
QLabel* pogrubiona(const QString& tekst, QWidget* buddy)
{
    auto* label = new QLabel(tekst);
    QFont f = label->font();
    f.setBold(true);
    label->setFont(f);
    label->setBuddy(buddy);
    return label;
}
}  // namespace

DepartmentDialog::DepartmentDialog(db::DataSet& sqlDzialy, controls::Prompts& prompts,
                                                   QWidget* parent)
    : QDialog(parent), sqlDzialy_(sqlDzialy), prompts_(prompts)
{
    setObjectName(QStringLiteral("Form_Firmy_EdycjaDzialu"));
    setWindowTitle(QStringLiteral("Edycja działu firmy"));
    DBEdit1 = new controls::BoundLineEdit(sqlDzialy, QStringLiteral("NAZWA"));
    DBEdit1->setObjectName(QStringLiteral("DBEdit1"));
    DBEdit2 = new controls::BoundLineEdit(sqlDzialy, QStringLiteral("LOKALIZACJA"));
    DBEdit2->setObjectName(QStringLiteral("DBEdit2"));
    for (controls::BoundLineEdit* edit : {DBEdit1, DBEdit2}) {
        QFont f = edit->font();
        f.setBold(true);
        edit->setFont(f);
        edit->setMaxLength(64);
        edit->setMinimumWidth(320);
    }
    QHBoxLayout* przyciski = controls::okCancelButtons(btnOK, btnAnuluj);
    btnOK->setDefault(true);

    auto* pola = new QFormLayout;
    pola->addRow(pogrubiona(QStringLiteral("Nazwa:"), DBEdit1), DBEdit1);
    pola->addRow(pogrubiona(QStringLiteral("Lokalizacja:"), DBEdit2), DBEdit2);
    auto* uklad = new QVBoxLayout(this);
    uklad->addLayout(pola);
    uklad->addLayout(przyciski);

    connect(btnOK, &QPushButton::clicked, this, &DepartmentDialog::btnOKClick);
    connect(btnAnuluj, &QPushButton::clicked, this, &QDialog::reject);
}

void DepartmentDialog::showEvent(QShowEvent* event)
{
    DBEdit1->showField();
    DBEdit2->showField();
    DBEdit1->setFocus();
    QDialog::showEvent(event);
}

void DepartmentDialog::btnOKClick()
{
    btnOK->setFocus();
    // A row that could not be stored is no OK: the dialog stays for another try or Cancel.
    if (prompts_.guarded([this] { sqlDzialy_.post(); }))
        accept();
}

void DepartmentDialog::done(int result)
{
    sqlDzialy_.cancel();  // after a stored row there is nothing left to cancel
    QDialog::done(result);
}

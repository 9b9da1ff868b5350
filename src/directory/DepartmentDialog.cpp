#include "directory/DepartmentDialog.h"

#include "controls/BoundLineEdit.h"
#include "controls/DialogButtons.h"
#include "controls/Prompts.h"
#include "db/DataSet.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QLabel* boldLabel(const QString& text, QWidget* buddy)
{
    auto* label = new QLabel(text);
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    label->setBuddy(buddy);
    return label;
}

}  // namespace

DepartmentDialog::DepartmentDialog(db::DataSet& departments, controls::Prompts& prompts,
                                   QWidget* parent)
    : QDialog(parent), departments_(departments), prompts_(prompts)
{
    setObjectName(QStringLiteral("DepartmentDialog"));
    setWindowTitle(QStringLiteral("Edycja działu firmy"));
    nameEdit = new controls::BoundLineEdit(departments, QStringLiteral("NAZWA"));
    nameEdit->setObjectName(QStringLiteral("nameEdit"));
    locationEdit = new controls::BoundLineEdit(departments, QStringLiteral("LOKALIZACJA"));
    locationEdit->setObjectName(QStringLiteral("locationEdit"));
    for (controls::BoundLineEdit* edit : {nameEdit, locationEdit}) {
        QFont font = edit->font();
        font.setBold(true);
        edit->setFont(font);
        edit->setMaxLength(64);
        edit->setMinimumWidth(320);
        edit->setPrompts(&prompts);
    }
    QHBoxLayout* buttons = controls::okCancelButtons(okButton, cancelButton);
    okButton->setDefault(true);

    auto* fields = new QFormLayout;
    fields->addRow(boldLabel(QStringLiteral("Nazwa:"), nameEdit), nameEdit);
    fields->addRow(boldLabel(QStringLiteral("Lokalizacja:"), locationEdit), locationEdit);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addLayout(buttons);

    connect(okButton, &QPushButton::clicked, this, &DepartmentDialog::store);
    connect(cancelButton, &QPushButton::clicked, this, &QDialog::reject);
}

void DepartmentDialog::showEvent(QShowEvent* event)
{
    nameEdit->showField();
    locationEdit->showField();
    nameEdit->setFocus();
    QDialog::showEvent(event);
}

void DepartmentDialog::store()
{
    okButton->setFocus();
    // A text the field refused was reported where it was typed; the dialog stays.
    if (!nameEdit->writePending() || !locationEdit->writePending())
        return;
    // A row that could not be stored is no OK: the dialog stays for another try or Cancel.
    if (prompts_.guarded([this] { departments_.post(); }))
        accept();
}

void DepartmentDialog::done(int result)
{
    departments_.cancel();  // after a stored row there is nothing left to cancel
    QDialog::done(result);
}

#include "admin/InformationClauseDialog.h"

#include "controls/Accessibility.h"
#include "controls/DialogButtons.h"
#include "controls/Printing.h"
#include "controls/Prompts.h"
#include "db/Error.h"
#include "desk/Desk.h"
#include "desk/RetentionTime.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

const QString Caption = QStringLiteral("Klauzula informacyjna");
constexpr int TextWidth = 4000;  // of every stored part

QPlainTextEdit* textBox(const char* name, const QString& caption, int lines)
{
    auto* box = new QPlainTextEdit;
    box->setObjectName(QLatin1String(name));
    box->setAccessibleName(caption);
    box->setTabChangesFocus(true);
    box->setFixedHeight(box->fontMetrics().lineSpacing() * lines + 12);
    controls::nameScrollBars(box, caption);
    return box;
}

QLineEdit* lineBox(const char* name, const QString& caption)
{
    auto* box = new QLineEdit;
    box->setObjectName(QLatin1String(name));
    box->setAccessibleName(caption);
    box->setMaxLength(TextWidth);
    return box;
}

}  // namespace

InformationClauseDialog::InformationClauseDialog(desk::Desk& desk, QWidget* parent)
    : QDialog(parent), desk_(desk)
{
    setObjectName(QStringLiteral("InformationClauseDialog"));
    setWindowTitle(Caption);
    setSizeGripEnabled(true);

    auto* explanation = new QLabel(QStringLiteral(
        "Informacja dla gości o przetwarzaniu ich danych osobowych (art. 13 RODO). Teksty są "
        "zapisywane w bazie danych, więc każde stanowisko drukuje tę samą klauzulę. Okres "
        "przechowywania pochodzi z ustawień okna \"Usuwanie danych osobowych\"."));
    explanation->setObjectName(QStringLiteral("explanation"));
    explanation->setWordWrap(true);

    controllerEdit = textBox("controllerEdit", QStringLiteral("Administrator danych"), 2);
    contactEdit = lineBox("contactEdit", QStringLiteral("Kontakt z administratorem"));
    officerEdit = lineBox("officerEdit", QStringLiteral("Inspektor ochrony danych"));
    officerEdit->setPlaceholderText(QStringLiteral("(nie wyznaczono)"));
    purposesEdit = textBox("purposesEdit", QStringLiteral("Cele przetwarzania"), 3);
    legalBasisEdit = textBox("legalBasisEdit", QStringLiteral("Podstawa prawna"), 2);
    recipientsEdit = textBox("recipientsEdit", QStringLiteral("Odbiorcy danych"), 3);
    rightsEdit = textBox("rightsEdit", QStringLiteral("Prawa gościa"), 3);
    sourceEdit = textBox("sourceEdit", QStringLiteral("Źródło danych"), 2);
    retentionLabel = new QLabel;
    retentionLabel->setObjectName(QStringLiteral("retentionLabel"));
    controls::markDataLabel(retentionLabel, QStringLiteral("Okres przechowywania"));
    onPassCheck = new QCheckBox(QStringLiteral("Drukuj skrót klauzuli na odwrocie przepustki"));
    onPassCheck->setObjectName(QStringLiteral("onPassCheck"));

    auto* fields = new QFormLayout;
    fields->addRow(QStringLiteral("Administrator danych (nazwa, adres):"), controllerEdit);
    fields->addRow(QStringLiteral("Kontakt z administratorem:"), contactEdit);
    fields->addRow(QStringLiteral("Inspektor ochrony danych (kontakt):"), officerEdit);
    fields->addRow(QStringLiteral("Cele przetwarzania:"), purposesEdit);
    fields->addRow(QStringLiteral("Podstawa prawna:"), legalBasisEdit);
    fields->addRow(QStringLiteral("Odbiorcy danych:"), recipientsEdit);
    fields->addRow(QStringLiteral("Okres przechowywania:"), retentionLabel);
    fields->addRow(QStringLiteral("Prawa gościa:"), rightsEdit);
    fields->addRow(QStringLiteral("Źródło danych:"), sourceEdit);

    printButton = controls::namedButton("printButton", QStringLiteral("Drukuj"),
                                        QStringLiteral("Drukuj klauzulę informacyjną"));
    QHBoxLayout* buttons = controls::okCancelButtons(okButton, cancelButton);
    buttons->insertWidget(0, printButton);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(explanation);
    layout->addLayout(fields);
    layout->addWidget(onPassCheck);
    layout->addStretch();
    layout->addLayout(buttons);

    connect(printButton, &QPushButton::clicked, this,
            [this] { desk_.prompts().guarded([this] { print(); }); });
    connect(okButton, &QPushButton::clicked, this, &InformationClauseDialog::accept);
    connect(cancelButton, &QPushButton::clicked, this, &InformationClauseDialog::reject);
    resize(720, 640);
}

int InformationClauseDialog::exec()
{
    if (!desk_.prompts().guarded([this] { prepareForShowing(); }))
        return Rejected;
    return QDialog::exec();
}

void InformationClauseDialog::open()
{
    if (desk_.prompts().guarded([this] { prepareForShowing(); }))
        QDialog::open();
}

void InformationClauseDialog::prepareForShowing()
{
    read_ = desk::readInformationClause(desk_);
    controllerEdit->setPlainText(read_.controller);
    contactEdit->setText(read_.contact);
    officerEdit->setText(read_.officer);
    purposesEdit->setPlainText(read_.purposes);
    legalBasisEdit->setPlainText(read_.legalBasis);
    recipientsEdit->setPlainText(read_.recipients);
    rightsEdit->setPlainText(read_.rights);
    sourceEdit->setPlainText(read_.source);
    retentionLabel->setText(desk::monthsText(read_.retentionMonths) +
                            QStringLiteral(" od ostatniej wizyty"));
    onPassRead_ = desk_.settingsValue(desk::PersonalDataSection, desk::ClauseOnPassKey).trimmed() ==
                  QLatin1String("1");
    onPassCheck->setChecked(onPassRead_);
    controllerEdit->setFocus();
}

desk::InformationClause InformationClauseDialog::shownClause() const
{
    desk::InformationClause clause = read_;
    clause.controller = controllerEdit->toPlainText();
    clause.contact = contactEdit->text();
    clause.officer = officerEdit->text();
    clause.purposes = purposesEdit->toPlainText();
    clause.legalBasis = legalBasisEdit->toPlainText();
    clause.recipients = recipientsEdit->toPlainText();
    clause.rights = rightsEdit->toPlainText();
    clause.source = sourceEdit->toPlainText();
    return clause;
}

bool InformationClauseDialog::textsChanged() const
{
    const desk::InformationClause shown = shownClause();
    return shown.controller != read_.controller || shown.contact != read_.contact ||
           shown.officer != read_.officer || shown.purposes != read_.purposes ||
           shown.legalBasis != read_.legalBasis || shown.recipients != read_.recipients ||
           shown.rights != read_.rights || shown.source != read_.source;
}

bool InformationClauseDialog::changed() const
{
    return textsChanged() || onPassCheck->isChecked() != onPassRead_;
}

// Guests are told who holds their data and how to reach them, or nothing is given out.
bool InformationClauseDialog::completeOrSaid()
{
    if (shownClause().complete())
        return true;
    desk_.prompts().beep();
    desk_.prompts().message(QStringLiteral("Podaj administratora danych i kontakt z nim."), Caption,
                            controls::Icon::Warning);
    (controllerEdit->toPlainText().trimmed().isEmpty() ? static_cast<QWidget*>(controllerEdit)
                                                       : contactEdit)
        ->setFocus();
    return false;
}

// The texts are written only when changed: a desk that only ticks the box never meets
// another desk's newer text. A refused save leaves every text in the window.
bool InformationClauseDialog::store()
{
    if (textsChanged()) {
        desk::InformationClause clause = shownClause();
        try {
            desk::storeInformationClause(desk_.database(), clause);
        } catch (const db::Error& error) {
            desk_.rollbackWork();  // a lost connection is reported there
            if (!error.connectionLost())
                desk_.prompts().message(error.message(), Caption, controls::Icon::Error);
            return false;
        }
        if (!desk_.commitWork())  // reported there, and rolled back
            return false;
        read_ = clause;
    }
    if (onPassCheck->isChecked() != onPassRead_) {
        desk_.storeSettingsValue(
            desk::PersonalDataSection, desk::ClauseOnPassKey,
            onPassCheck->isChecked() ? QStringLiteral("1") : QStringLiteral("0"));
        onPassRead_ = onPassCheck->isChecked();
    }
    return true;
}

void InformationClauseDialog::accept()
{
    bool stored = false;
    desk_.prompts().guarded([this, &stored] { stored = completeOrSaid() && store(); });
    if (stored)
        QDialog::accept();
}

void InformationClauseDialog::reject()
{
    if (!desk_.closingWindows() && changed() &&
        !desk_.prompts().question(QStringLiteral("Na pewno anulować wszystkie wprowadzone zmiany?"),
                                  QStringLiteral("Anulowanie zmian")))
        return;
    QDialog::reject();
}

// What the window shows is printed: the administrator sees the paper before storing it.
void InformationClauseDialog::print()
{
    if (!completeOrSaid())
        return;
    const desk::InformationClause clause = shownClause();
    controls::printDocument(desk_.prompts(), QStringLiteral("Drukuj klauzulę informacyjną"),
                            clause.title(), clause.paragraphs());
}

#include "admin/PersonalDataDialog.h"

#include "controls/Accessibility.h"
#include "controls/Clock.h"
#include "controls/DialogButtons.h"
#include "controls/Prompts.h"
#include "db/Error.h"
#include "desk/Desk.h"

#include <QApplication>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

using admin::RemovalCounts;

namespace {

const QString Caption = QStringLiteral("Usuwanie danych osobowych");
const QString DayFormat = QStringLiteral("dd-MM-yyyy");

QLabel* dataLabel(const char* name, const QString& caption)
{
    auto* label = new QLabel;
    label->setObjectName(QLatin1String(name));
    QFont bold = label->font();
    bold.setBold(true);
    label->setFont(bold);
    controls::markDataLabel(label, caption);
    return label;
}

}  // namespace

PersonalDataDialog::PersonalDataDialog(desk::Desk& desk, QWidget* parent)
    : QDialog(parent), desk_(desk), removal_(desk.database())
{
    setObjectName(QStringLiteral("PersonalDataDialog"));
    setWindowTitle(Caption);

    auto* explanation = new QLabel(QStringLiteral(
        "Dane osobowe gości (nazwisko i imię, dokument, informacje) oraz ich kopie w wizytach "
        "(nazwisko i imię, dokument, wiadomość, kopia nazwiska pracownika) są przechowywane "
        "tylko przez podany okres. Starsze dane zostaną zastąpione tekstem \"(usunięto)\"; "
        "same wizyty, ich czasy, identyfikatory, karty i pracownicy pozostają. Starsze logi "
        "importu i eksporty programu w folderze ustawień zostaną usunięte."));
    explanation->setObjectName(QStringLiteral("explanation"));
    explanation->setWordWrap(true);

    monthsSpin = new QSpinBox;
    monthsSpin->setObjectName(QStringLiteral("monthsSpin"));
    monthsSpin->setRange(admin::MinRetentionMonths, admin::MaxRetentionMonths);
    monthsSpin->setAccessibleName(QStringLiteral("Okres przechowywania w miesiącach"));
    cutOffLabel = dataLabel("cutOffLabel", QStringLiteral("Dzień graniczny"));
    guestsLabel = dataLabel("guestsLabel", QStringLiteral("Goście widziani ostatnio przed nim"));
    visitsLabel = dataLabel("visitsLabel", QStringLiteral("Wizyty sprzed niego"));
    lastRemovalLabel = dataLabel("lastRemovalLabel", QStringLiteral("Ostatnie usuwanie"));

    auto* fields = new QFormLayout;
    fields->setFieldGrowthPolicy(QFormLayout::FieldsStayAtSizeHint);
    fields->addRow(QStringLiteral("Okres przechowywania (miesiące):"), monthsSpin);
    fields->addRow(QStringLiteral("Dzień graniczny:"), cutOffLabel);
    fields->addRow(QStringLiteral("Goście widziani ostatnio przed nim:"), guestsLabel);
    fields->addRow(QStringLiteral("Wizyty sprzed niego:"), visitsLabel);
    fields->addRow(QStringLiteral("Ostatnie usuwanie:"), lastRemovalLabel);

    removeButton = controls::namedButton("removeButton", QStringLiteral("Usuń dane osobowe"));
    closeButton = controls::namedButton("closeButton", QStringLiteral("Zamknij"));
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(removeButton);
    buttons->addStretch();
    buttons->addWidget(closeButton);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(explanation);
    layout->addLayout(fields);
    layout->addStretch();
    layout->addLayout(buttons);

    connect(monthsSpin, &QSpinBox::valueChanged, this,
            [this] { desk_.prompts().guarded([this] { showCounts(); }); });
    connect(removeButton, &QPushButton::clicked, this,
            [this] { desk_.prompts().guarded([this] { removeOldData(); }); });
    connect(closeButton, &QPushButton::clicked, this, &QDialog::reject);
    // The retention time given stays for the next time, however the window closes.
    connect(this, &QDialog::finished, this,
            [this] { desk_.prompts().guarded([this] { storeRetention(); }); });
    resize(520, 300);
}

int PersonalDataDialog::exec()
{
    if (!desk_.prompts().guarded([this] { prepareForShowing(); }))
        return Rejected;
    return QDialog::exec();
}

void PersonalDataDialog::open()
{
    if (desk_.prompts().guarded([this] { prepareForShowing(); }))
        QDialog::open();
}

void PersonalDataDialog::prepareForShowing()
{
    const QSignalBlocker quiet(monthsSpin);
    monthsSpin->setValue(admin::retentionMonths(
        desk_.settingsValue(admin::RemovalSection, admin::RetentionMonthsKey)));
    showLastRemoval();
    showCounts();
    monthsSpin->setFocus();
}

void PersonalDataDialog::showLastRemoval()
{
    const QDate last = QDate::fromString(
        desk_.settingsValue(admin::RemovalSection, admin::LastRemovalKey), Qt::ISODate);
    lastRemovalLabel->setText(last.isValid() ? last.toString(DayFormat) : QStringLiteral("nigdy"));
}

RemovalCounts PersonalDataDialog::showCounts()
{
    cutOff_ = admin::cutOffDay(desk_.clock().today(), monthsSpin->value());
    cutOffLabel->setText(cutOff_.toString(DayFormat));
    RemovalCounts counts = removal_.count(cutOff_);
    counts.files = int(oldFiles().size());
    guestsLabel->setText(QString::number(counts.guests));
    visitsLabel->setText(QString::number(counts.visits));
    return counts;
}

QStringList PersonalDataDialog::oldFiles() const
{
    return admin::oldProgramFiles(desk_.programFolder(), desk_.settingsFolder(), cutOff_);
}

// The question says what stays, too, and why: the administrator expects those guests gone.
bool PersonalDataDialog::questionAnswered(const RemovalCounts& counts)
{
    return desk_.prompts().question(
        QStringLiteral("Usunąć dane osobowe sprzed dnia %1?\n\n"
                       "Goście widziani ostatnio przed tym dniem: %2\n"
                       "Wizyty sprzed tego dnia: %3\n"
                       "Pliki programu sprzed tego dnia (logi importu, eksporty): %6\n\n"
                       "Pozostają goście bez wizyt (nie ma daty): %4\n"
                       "i wizyty z wejściem bez wyjścia (gość może być w budynku): %5\n\n"
                       "Tej operacji nie można cofnąć.")
            .arg(cutOff_.toString(DayFormat))
            .arg(counts.guests)
            .arg(counts.visits)
            .arg(counts.guestsWithoutVisits)
            .arg(counts.openVisits)
            .arg(counts.files),
        Caption, /*defaultNo*/ true);
}

// One unit of work: both erasures are committed together or not at all. Only counts are
// reported; no name is written anywhere.
void PersonalDataDialog::removeOldData()
{
    const RemovalCounts shown = showCounts();  // the question names what is there now
    if (shown.guests == 0 && shown.visits == 0 && shown.files == 0) {
        // Nothing is kept longer than allowed: that check counts as a removal.
        desk_.prompts().message(QStringLiteral("Nie ma danych osobowych sprzed dnia %1.")
                                    .arg(cutOff_.toString(DayFormat)),
                                Caption, controls::Icon::Information);
        storeLastRemoval();
        return;
    }
    if (!questionAnswered(shown))
        return;
    RemovalCounts removed;
    try {
        const QDateTime now = desk_.clock().now();
        removed = removal_.remove(cutOff_, now);
        desk_.noteErasure({now, 0, cutOff_});  // to the ledgers once committed
    } catch (const db::Error& error) {
        desk_.rollbackWork();  // a lost connection is reported there
        if (error.connectionLost())
            return;
        showCounts();
        desk_.prompts().message(
            QStringLiteral("Nie usunięto danych osobowych; nic nie zostało zmienione.\n\n") +
                error.message(),
            Caption, controls::Icon::Error);
        return;
    }
    if (!desk_.commitWork()) {  // reported there, and rolled back
        showCounts();
        return;
    }
    // Only once the database's part is committed; a file that could not go is counted again.
    removed.files = admin::removeFiles(oldFiles());
    const int filesLeft = showCounts().files;
    desk_.prompts().message(QStringLiteral("Usunięto dane osobowe.\n\n"
                                           "Gości: %1\nWizyt: %2\nPlików: %3")
                                    .arg(removed.guests)
                                    .arg(removed.visits)
                                    .arg(removed.files) +
                                (filesLeft > 0 ? QStringLiteral("\n\nNie udało się usunąć "
                                                                "plików: %1")
                                                     .arg(filesLeft)
                                               : QString()),
                            Caption,
                            filesLeft > 0 ? controls::Icon::Warning : controls::Icon::Information);
    storeLastRemoval();  // after the report: a settings file that cannot be written is told apart
}

void PersonalDataDialog::storeLastRemoval()
{
    desk_.storeSettingsValue(admin::RemovalSection, admin::LastRemovalKey,
                             desk_.clock().today().toString(Qt::ISODate));
    showLastRemoval();
}

void PersonalDataDialog::storeRetention()
{
    const QString months = QString::number(monthsSpin->value());
    if (desk_.settingsValue(admin::RemovalSection, admin::RetentionMonthsKey) != months)
        desk_.storeSettingsValue(admin::RemovalSection, admin::RetentionMonthsKey, months);
}

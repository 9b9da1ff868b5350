#include "admin/PersonalDataDialog.h"

#include "admin/BackgroundWork.h"
#include "admin/DatabasePurge.h"
#include "controls/Accessibility.h"
#include "controls/Clock.h"
#include "controls/DialogButtons.h"
#include "controls/Prompts.h"
#include "db/Error.h"
#include "desk/Desk.h"
#include "mail/Courier.h"

#include <QApplication>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

using admin::RemovalCounts;

namespace {

const QString Caption = QStringLiteral("Usuwanie danych osobowych");
const QString DayFormat = QStringLiteral("dd-MM-yyyy");
const QString TimeFormat = QStringLiteral("dd-MM-yyyy HH:mm");

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
        "importu i eksporty programu w folderze ustawień, starsze wiadomości e-mail poczty "
        "wychodzącej oraz zakazy wstępu tych gości zostaną usunięte."));
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
    lastPurgeLabel = dataLabel("lastPurgeLabel", QStringLiteral("Ostatnie oczyszczenie pliku"));
    waitingLabel =
        dataLabel("waitingLabel", QStringLiteral("Usunięcia czekające na oczyszczenie pliku"));
    purgeDaysSpin = new QSpinBox;
    purgeDaysSpin->setObjectName(QStringLiteral("purgeDaysSpin"));
    purgeDaysSpin->setRange(admin::MinPurgeIntervalDays, admin::MaxPurgeIntervalDays);
    purgeDaysSpin->setAccessibleName(QStringLiteral("Oczyszczanie pliku najpóźniej po dniach"));

    auto* fields = new QFormLayout;
    fields->setFieldGrowthPolicy(QFormLayout::FieldsStayAtSizeHint);
    fields->addRow(QStringLiteral("Okres przechowywania (miesiące):"), monthsSpin);
    fields->addRow(QStringLiteral("Dzień graniczny:"), cutOffLabel);
    fields->addRow(QStringLiteral("Goście widziani ostatnio przed nim:"), guestsLabel);
    fields->addRow(QStringLiteral("Wizyty sprzed niego:"), visitsLabel);
    fields->addRow(QStringLiteral("Ostatnie usuwanie:"), lastRemovalLabel);
    fields->addRow(QStringLiteral("Ostatnie oczyszczenie pliku:"), lastPurgeLabel);
    fields->addRow(QStringLiteral("Usunięcia czekające na oczyszczenie:"), waitingLabel);
    fields->addRow(QStringLiteral("Oczyszczanie pliku najpóźniej po (dni):"), purgeDaysSpin);
    purgeLog = new QPlainTextEdit;
    purgeLog->setObjectName(QStringLiteral("purgeLog"));
    purgeLog->setReadOnly(true);
    purgeLog->setLineWrapMode(QPlainTextEdit::NoWrap);
    purgeLog->setAccessibleName(QStringLiteral("Dziennik oczyszczania"));
    controls::nameScrollBars(purgeLog, QStringLiteral("Dziennik oczyszczania"));

    removeButton = controls::namedButton("removeButton", QStringLiteral("Usuń dane osobowe"));
    closeButton = controls::namedButton("closeButton", QStringLiteral("Zamknij"));
    auto* buttons = new QHBoxLayout;
    purgeButton = controls::namedButton("purgeButton", QStringLiteral("Oczyść plik bazy danych"));
    buttons->addWidget(removeButton);
    buttons->addWidget(purgeButton);
    buttons->addStretch();
    buttons->addWidget(closeButton);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(explanation);
    layout->addLayout(fields);
    layout->addWidget(purgeLog, 1);
    layout->addLayout(buttons);

    connect(monthsSpin, &QSpinBox::valueChanged, this,
            [this] { desk_.prompts().guarded([this] { showCounts(); }); });
    connect(removeButton, &QPushButton::clicked, this,
            [this] { desk_.prompts().guarded([this] { removeOldData(); }); });
    connect(purgeButton, &QPushButton::clicked, this,
            [this] { desk_.prompts().guarded([this] { purgeFile(); }); });
    connect(purgeDaysSpin, &QSpinBox::valueChanged, this,
            [this] { desk_.prompts().guarded([this] { showPurgeStatus(); }); });
    connect(closeButton, &QPushButton::clicked, this, &QDialog::reject);
    // The retention time given stays for the next time, however the window closes.
    connect(this, &QDialog::finished, this,
            [this] { desk_.prompts().guarded([this] { storeRetention(); }); });
    connect(this, &QDialog::finished, this,
            [this] { desk_.prompts().guarded([this] { storePurgeInterval(); }); });
    resize(560, 460);
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
    const QSignalBlocker quietDays(purgeDaysSpin);
    monthsSpin->setValue(admin::retentionMonths(
        desk_.settingsValue(admin::RemovalSection, admin::RetentionMonthsKey)));
    purgeDaysSpin->setValue(admin::purgeIntervalDays(
        desk_.settingsValue(admin::RemovalSection, admin::PurgeIntervalKey)));
    purgeLog->clear();
    showLastRemoval();
    showPurgeStatus();
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
                       "Pliki programu sprzed tego dnia (logi importu, eksporty): %6\n"
                       "Wiadomości e-mail sprzed tego dnia (poczta wychodząca): %7\n"
                       "Zakazy wstępu tych gości: %8\n\n"
                       "Pozostają goście bez wizyt (nie ma daty): %4\n"
                       "i wizyty z wejściem bez wyjścia (gość może być w budynku): %5\n\n"
                       "Tej operacji nie można cofnąć. Następnie plik bazy danych zostanie "
                       "oczyszczony (kopia i odtworzenie), aby usuniętych danych nie dało się "
                       "z niego odczytać.")
            .arg(cutOff_.toString(DayFormat))
            .arg(counts.guests)
            .arg(counts.visits)
            .arg(counts.guestsWithoutVisits)
            .arg(counts.openVisits)
            .arg(counts.files)
            .arg(counts.messages)
            .arg(counts.marks),
        Caption, /*defaultNo*/ true);
}

// One unit of work: both erasures are committed together or not at all. Only counts are
// reported; no name is written anywhere.
void PersonalDataDialog::removeOldData()
{
    const RemovalCounts shown = showCounts();  // the question names what is there now
    if (shown.guests == 0 && shown.visits == 0 && shown.files == 0 && shown.messages == 0 &&
        shown.marks == 0) {
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
                                           "Gości: %1\nWizyt: %2\nPlików: %3\n"
                                           "Wiadomości e-mail: %4\nZakazów wstępu: %5")
                                    .arg(removed.guests)
                                    .arg(removed.visits)
                                    .arg(removed.files)
                                    .arg(removed.messages)
                                    .arg(removed.marks) +
                                (filesLeft > 0 ? QStringLiteral("\n\nNie udało się usunąć "
                                                                "plików: %1")
                                                     .arg(filesLeft)
                                               : QString()),
                            Caption,
                            filesLeft > 0 ? controls::Icon::Warning : controls::Icon::Information);
    storeLastRemoval();  // after the report: a settings file that cannot be written is told apart
    purgeFile();
}

void PersonalDataDialog::showPurgeStatus()
{
    admin::PurgeStatus status;
    try {
        status = admin::DatabasePurge::status(desk_.database());
    } catch (const db::Error& error) {
        if (error.connectionLost())
            throw;
        // A database made before erasures were recorded: the removal stays usable.
        lastPurgeLabel->setText(QStringLiteral("nieznane (baza danych wymaga aktualizacji)"));
        waitingLabel->setText(QStringLiteral("nieznane"));
        return;
    }
    lastPurgeLabel->setText(status.lastPurge.isValid() ? status.lastPurge.toString(TimeFormat)
                                                       : QStringLiteral("nigdy"));
    if (status.waiting == 0) {
        waitingLabel->setText(QStringLiteral("brak"));
        return;
    }
    QString text = QStringLiteral("%1, najstarsze z %2")
                       .arg(status.waiting)
                       .arg(status.oldestWaiting.toString(TimeFormat));
    if (status.overdue(desk_.clock().now(), purgeDaysSpin->value()))
        text += QStringLiteral(" (czeka dłużej niż %1 dni)").arg(purgeDaysSpin->value());
    waitingLabel->setText(text);
}

// The purge needs the database to itself: the desks still attached are named, and the
// administrator may check again once they have closed the program.
bool PersonalDataDialog::otherDesksGone()
{
    for (;;) {
        const mail::Courier* courier = desk_.courier();
        const QStringList others = admin::DatabasePurge::otherDesks(
            desk_.database(), courier ? courier->attachmentId() : 0);
        if (others.isEmpty())
            return true;
        const QString names = QStringLiteral("- ") + others.join(QStringLiteral("\n- "));
        if (!desk_.prompts().question(
                QStringLiteral("Z bazą danych są połączone inne stanowiska:\n%1\n\n"
                               "Oczyszczenie pliku wymaga bazy danych na wyłączność. Zamknij "
                               "program na tych stanowiskach.\n\nCzy sprawdzić ponownie?")
                    .arg(names),
                Caption, /*defaultNo*/ true)) {
            desk_.prompts().message(
                QStringLiteral("Nie oczyszczono pliku bazy danych: z bazą danych są połączone "
                               "inne stanowiska:\n%1")
                    .arg(names),
                Caption, controls::Icon::Warning);
            return false;
        }
    }
}

// The purge runs with the connection closed, on a thread of its own; the window shows its
// lines and says how it ended.
void PersonalDataDialog::purgeFile()
{
    if (!otherDesksGone())
        return;
    purgeLog->clear();
    const admin::ServiceJob job = admin::DatabasePurge::jobFor(desk_.database());
    const QDateTime now = desk_.clock().now();
    std::optional<QString> failure;
    purgeButton->setEnabled(false);
    removeButton->setEnabled(false);
    purging_ = true;
    const bool connected = desk_.withConnectionClosed([&] {
        failure = admin::runInBackground(
            [job, now](const admin::LineSink& sink) {
                admin::DatabasePurge::purge(job, now, sink);
            },
            [this](const QString& line) { purgeLog->appendPlainText(line); });
    });
    purging_ = false;
    purgeButton->setEnabled(true);
    removeButton->setEnabled(true);
    if (failure) {
        desk_.prompts().beep();
        purgeLog->appendPlainText(*failure);
    }
    if (!connected) {  // reported where the connection is made
        reject();
        return;
    }
    showCounts();
    showPurgeStatus();
    if (failure)
        desk_.prompts().message(*failure, Caption, controls::Icon::Error);
    else
        desk_.prompts().message(QStringLiteral("Plik bazy danych został oczyszczony: usuniętych "
                                               "danych nie można już z niego odczytać."),
                                Caption, controls::Icon::Information);
}

void PersonalDataDialog::storeLastRemoval()
{
    desk_.storeSettingsValue(admin::RemovalSection, admin::LastRemovalKey,
                             desk_.clock().today().toString(Qt::ISODate));
    showLastRemoval();
}

void PersonalDataDialog::reject()
{
    if (!purging_ || desk_.closingWindows())
        QDialog::reject();
}

void PersonalDataDialog::storePurgeInterval()
{
    const QString days = QString::number(purgeDaysSpin->value());
    if (desk_.settingsValue(admin::RemovalSection, admin::PurgeIntervalKey) != days)
        desk_.storeSettingsValue(admin::RemovalSection, admin::PurgeIntervalKey, days);
}

void PersonalDataDialog::storeRetention()
{
    const QString months = QString::number(monthsSpin->value());
    if (desk_.settingsValue(admin::RemovalSection, admin::RetentionMonthsKey) != months)
        desk_.storeSettingsValue(admin::RemovalSection, admin::RetentionMonthsKey, months);
}

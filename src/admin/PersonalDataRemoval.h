#pragma once
// The removal of guests' personal data older than the retention time, without widgets: the
// cut-off day, what lies before it, the erasure in the connection's one transaction, and
// whether the administrator should be reminded to run it.
#include <QDate>
#include <QDateTime>
#include <QString>
#include <QStringList>

namespace db {
class Database;
}

namespace admin {

// Halvane.ini's section and keys of the removal.
extern const QString RemovalSection;      // "RODO"
extern const QString RetentionMonthsKey;  // "Miesiace"
extern const QString LastRemovalKey;      // "Ostatnio", yyyy-MM-dd
constexpr int DefaultRetentionMonths = 24;
constexpr int MinRetentionMonths = 1;
constexpr int MaxRetentionMonths = 120;

// The stored retention time; anything outside 1..120 or not a number gives the default.
int retentionMonths(const QString& stored);
// Today minus the months (the last day of a shorter month where the day does not exist).
QDate cutOffDay(const QDate& today, int months);

// Whether the last removal (ISO date, empty when it never ran) is more than 31 days ago.
bool removalReminderDue(const QString& lastRemoval, const QDate& today);
// The start-up reminder of the status bar.
QString removalReminderText();

// A visit dates from its arrival, or from its other times where it has none. Guests and
// visits that may still be in the building (an entry and no exit) are never erased, nor is
// a guest without any visit: nothing tells since when they are known.
struct RemovalCounts {
    int guests = 0;    // with visits, every one of them before the cut-off day and closed
    int visits = 0;    // before the cut-off day and closed
    int messages = 0;  // e-mails of the outbox created before the cut-off day, sent or not
    int marks = 0;     // "Zakaz wstępu" of those guests (and of guests no longer registered)
    // Left alone, counted only (never by remove()):
    int guestsWithoutVisits = 0;
    int openVisits = 0;  // before the cut-off day, with an entry and no exit
    int files = 0;       // oldProgramFiles(), counted and deleted by the window
};

// The files the program wrote that hold personal data, last written before the cut-off
// day: its import logs ("log_importu_*.txt", in the program folder or the settings
// folder) and the exports it names itself in the settings folder (a guest's report, the
// personnel list, the overview's pages). A file of any other name is never touched; an
// empty folder (an installed program has none of its own) is skipped.
QStringList oldProgramFiles(const QString& programFolder, const QString& settingsFolder,
                            const QDate& cutOff);
// Deletes the files; how many went.
int removeFiles(const QStringList& files);

// A visit's copy of the employee's name goes with the guest's data of that visit: a deleted
// employee's name must not outlive the retention time either. Rows already erased (nothing
// but the erased names and empty fields) are neither counted nor written again.
class PersonalDataRemoval {
public:
    explicit PersonalDataRemoval(db::Database& database) : database_(database) {}

    RemovalCounts count(const QDate& cutOff) const;
    // Erases what count() finds, in the connection's transaction, and records the removal
    // as done at `now`; the caller commits, or rolls back when this throws. What was written.
    RemovalCounts remove(const QDate& cutOff, const QDateTime& now);
    // The erasure of remove() alone, not recorded (the caller records it where it can).
    RemovalCounts erase(const QDate& cutOff);

private:
    db::Database& database_;
};

}  // namespace admin

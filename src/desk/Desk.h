#pragma once
// What every window is given: the one connection and its one transaction, the prompts and
// the clock, the settings' folders, the pointers of the department tree, and the windows of
// other folders behind small functions. The application implements it; a test hands a
// window a small one of its own.
#include "controls/Icons.h"
#include "desk/PersonalData.h"
#include "mail/Message.h"

#include <QDate>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QCursor;
class QWidget;
namespace db {
class Database;
class Error;
class Transaction;
}  // namespace db
namespace controls {
class Clock;
class Prompts;
}  // namespace controls
namespace mail {
class Courier;
}

namespace desk {

class LiveUpdates;

// The kinds of value the typed input box takes.
enum class ValueType { Text, Currency };

struct ValueRequest {
    QString title;  // the window's caption
    QString label;  // the caption above the box
    QString value;  // what the box shows first
    ValueType type = ValueType::Text;
    int maxLength = 0;  // 0: no limit
};

// A company and one of its departments, as the companies editor returns them.
struct CompanyAndDepartment {
    int companyId = 0;
    QString companyName;
    int departmentId = 0;
    QString departmentName;
};

// The employee chosen in the employee search.
struct EmployeeChoice {
    int companyId = 0;
    int departmentId = 0;
    int employeeId = 0;
    QString surnameFirstName;  // NAZWISKO, one blank, IMIE
};

class Desk {
public:
    Desk();
    virtual ~Desk();

    virtual db::Database& database() = 0;
    db::Transaction& transaction();
    virtual controls::Prompts& prompts() = 0;
    virtual const controls::Clock& clock() const = 0;

    // Ends the unit of work with a commit, and the transaction with it (see
    // db::Transaction::commit); a failed commit is rolled back and reported, never raised,
    // and the answer is false.
    bool commitWork();
    // Ends the unit of work, and the transaction, with a rollback. A connection that is gone has
    // had its work dropped by the server: that is reported, never raised.
    void rollbackWork();

    // An erasure of personal data done in the unit of work: commitWork() adds it to the
    // erasure ledgers (desk/ErasureLedger.h) once committed, a rollback forgets it.
    void noteErasure(const Erasure& erasure) { pendingErasures_.push_back(erasure); }
    // Puts an e-mail into the outbox in the unit of work (mail/Outbox.h) and gives its ID;
    // once commitWork() has committed it, the courier is woken; a rollback drops it with the
    // rest of the work.
    int queueMail(const mail::Message& message, mail::Kind kind, int visitId = 0);
    // This desk's courier while mail is set up here, else null: its signals say what went.
    virtual mail::Courier* courier() { return nullptr; }

    // The ledgers this desk writes: the settings folder's, and the one in the folder of the
    // last backup when the database is on this computer.
    QStringList erasureLedgers() const;

    // A database error says the connection is gone (the server stopped, the network
    // failed): said once, and the application shows the connection as lost and closes
    // every open window as cancelled.
    void reportConnectionLost(const db::Error& error);
    // A new connection is up: a later loss is said again.
    void connectionRestored() { lossReported_ = false; }
    // While true, open windows close as cancelled without their questions: the program is
    // ending, or its connection is gone.
    bool closingWindows() const { return closingWindows_; }
    void setClosingWindows(bool closing) { closingWindows_ = closing; }

    // What this desk and the others commit, for the lists to be read again; the application
    // starts it with the connection and stops it before the connection goes.
    LiveUpdates& liveUpdates() { return *liveUpdates_; }

    // Both end with a separator; the program folder is empty for an installed program,
    // whose folder is not written.
    virtual QString programFolder() const = 0;
    virtual QString settingsFolder() const = 0;
    // One value of the settings file (a section of its own, e.g. "RODO"); empty when missing.
    virtual QString settingsValue(const QString& section, const QString& key) const = 0;
    // Stores one value there, leaving every other line of the file as it was; throws
    // db::Error when the file cannot be written.
    virtual void storeSettingsValue(const QString& section, const QString& key,
                                    const QString& value) = 0;
    // Where a CSV file is offered: the folder of the last one saved, else the user's
    // documents folder.
    QString csvFolder() const;
    // Remembers the folder of a CSV file just saved; a settings file that cannot be written
    // only loses the memory.
    void rememberCsvFolder(const QString& fileName);
    // The pointer shown while a department is dragged over the tree.
    virtual QCursor treeCursor(controls::TreeCursor kind) const = 0;

    // Runs `work` with the program's connection closed (the lists closed with it), then
    // connects again; false when the connection did not come back (that is reported).
    virtual bool withConnectionClosed(const std::function<void()>& work) = 0;

    // Windows of other folders; each gives nothing back when the user cancelled.
    virtual std::optional<QString> askValue(const ValueRequest& request) = 0;
    // The day picked in the month view that opens on `shown` below `anchor` (at the mouse
    // pointer when null).
    virtual std::optional<QDate> pickDate(const QDate& shown, QWidget* anchor) = 0;
    // The companies editor as a picker, opened at a company and department; what it
    // changed stays in the caller's unit of work.
    virtual std::optional<CompanyAndDepartment> pickCompanyAndDepartment(int companyId,
                                                                         int departmentId) = 0;
    // The employee search; the employee chosen there.
    virtual std::optional<EmployeeChoice> findEmployee() = 0;
    // The visit editor on one stored visit; true once it stored the visit and committed.
    virtual bool editVisit(int visitId) = 0;

protected:
    // After reportConnectionLost() has told the user; the application lets the connection
    // go and closes its windows.
    virtual void onConnectionLost() {}
    // Mail queued in the unit of work was committed: the application wakes its courier.
    virtual void onMailCommitted() {}

private:
    void writeErasureLedgers();

    std::unique_ptr<LiveUpdates> liveUpdates_;
    std::vector<Erasure> pendingErasures_;
    bool mailQueued_ = false;
    bool closingWindows_ = false;
    // Told once per connection: what the windows' callers still try after their windows
    // closed finds the same lost connection.
    bool lossReported_ = false;
};

}  // namespace desk

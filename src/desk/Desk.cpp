#include "desk/Desk.h"

#include "controls/Prompts.h"
#include "db/Database.h"
#include "db/Error.h"
#include "desk/ErasureLedger.h"
#include "desk/LiveUpdates.h"
#include "mail/Outbox.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <utility>

namespace desk {

namespace {
const QString CsvSection = QStringLiteral("CSV");
const QString LastCsvDirKey = QStringLiteral("LastCsvDir");
const QString ConnectionSection = QStringLiteral("FB");
const QString HostKey = QStringLiteral("Host");
const QString LastBackupDirKey = QStringLiteral("LastBackupDir");
}  // namespace

Desk::Desk() : liveUpdates_(std::make_unique<LiveUpdates>()) {}

Desk::~Desk() = default;

db::Transaction& Desk::transaction()
{
    return database().transaction();
}

bool Desk::commitWork()
{
    try {
        transaction().commit();
        writeErasureLedgers();
        if (std::exchange(mailQueued_, false))
            onMailCommitted();
        return true;
    } catch (const db::Error& error) {
        pendingErasures_.clear();  // rolled back with the work
        mailQueued_ = false;
        if (error.connectionLost()) {
            reportConnectionLost(error);
            return false;
        }
        try {
            transaction().rollback();
        } catch (const db::Error&) {
            // the report below says what went wrong first
        }
        prompts().message(QStringLiteral("Błąd zatwierdzenia danych:\n") + error.message(), {},
                          controls::Icon::Error);
        return false;
    }
}

// A database made before the outbox refuses the message in words the desk can show.
int Desk::queueMail(const mail::Message& message, mail::Kind kind, int visitId)
{
    int id = 0;
    try {
        id = mail::queue(database(), message, kind, visitId);
    } catch (const db::Error& error) {
        if (error.connectionLost() || hasOutbox(database()))
            throw;
        throw db::Error(QStringLiteral("Wiadomość e-mail nie może zostać wysłana: baza danych nie "
                                       "ma poczty wychodzącej (tabeli POCZTA). Administrator "
                                       "uzupełni bazę w menu Dodatki > Aktualizacja bazy danych."),
                        error.codes());
    }
    mailQueued_ = true;
    return id;
}

void Desk::rollbackWork()
{
    pendingErasures_.clear();
    mailQueued_ = false;
    try {
        transaction().rollback();
    } catch (const db::Error& error) {
        if (!error.connectionLost())
            throw;
        reportConnectionLost(error);
    }
}

QStringList Desk::erasureLedgers() const
{
    QStringList ledgers{settingsFolder() + LedgerFileName};
    const QString host = settingsValue(ConnectionSection, HostKey);
    QString backups = settingsValue(ConnectionSection, LastBackupDirKey);
    if ((host.isEmpty() || host == QLatin1String("localhost")) && !backups.isEmpty() &&
        QFileInfo(backups).isDir()) {
        if (!backups.endsWith(u'/'))
            backups += u'/';
        if (QDir(backups).canonicalPath() != QDir(settingsFolder()).canonicalPath())
            ledgers << backups + LedgerFileName;
    }
    return ledgers;
}

// The erasures are in the database already: a ledger that cannot be written is told, and the
// work stays committed.
void Desk::writeErasureLedgers()
{
    const QList<Erasure> erasures(pendingErasures_.begin(), pendingErasures_.end());
    pendingErasures_.clear();
    if (erasures.isEmpty())
        return;
    for (const QString& ledger : erasureLedgers()) {
        try {
            addToLedger(ledger, database().databaseName(), erasures);
        } catch (const db::Error& error) {
            prompts().message(error.message(), {}, controls::Icon::Warning);
        }
    }
}

void Desk::reportConnectionLost(const db::Error& error)
{
    if (closingWindows_ || lossReported_)
        return;  // said once; the windows are closing or closed already
    closingWindows_ = true;
    lossReported_ = true;
    prompts().message(QStringLiteral("Utracono połączenie z bazą danych. Zmiany, które nie "
                                     "zostały zatwierdzone, serwer wycofał; otwarte okna "
                                     "zostaną zamknięte.\n\n") +
                          error.message(),
                      {}, controls::Icon::Error);
    onConnectionLost();
}

QString Desk::csvFolder() const
{
    const QString last = settingsValue(CsvSection, LastCsvDirKey);
    if (!last.isEmpty() && QFileInfo(last).isDir())
        return QDir(last).absolutePath() + u'/';
    return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation) + u'/';
}

void Desk::rememberCsvFolder(const QString& fileName)
{
    try {
        storeSettingsValue(CsvSection, LastCsvDirKey, QFileInfo(fileName).absolutePath());
    } catch (const db::Error&) {
        // the file is saved; only the next suggestion starts elsewhere
    }
}

}  // namespace desk

#include "admin/DatabasePurge.h"

#include "controls/PrivateFiles.h"
#include "db/Attach.h"
#include "db/Database.h"
#include "db/DateTimeText.h"
#include "db/Error.h"
#include "db/Statement.h"
#include "desk/RetentionTime.h"

#include <QFile>
#include <QFileInfo>
#include <ibase.h>

namespace admin {

const QString PurgeIntervalKey = QStringLiteral("Oczyszczanie");
const QString LastPurgeSetting = QStringLiteral("OCZYSZCZENIE");

namespace {

// What waits for the purge and when the last one ran, in one reading (it is looked at every
// start).
constexpr auto SelectWaiting = R"(select count(*), min(DTUSUNIECIA),
  (select WARTOSC from USTAWIENIA where KLUCZ = :klucz)
from USUNIECIA
where DTOCZYSZCZENIA is null)";
// Engine's own attachments (the garbage collector, the cache writer) carry the system flag.
constexpr auto SelectOtherDesks = R"(select
  MON$REMOTE_HOST, MON$REMOTE_ADDRESS, MON$REMOTE_PROCESS, MON$REMOTE_PID, MON$USER,
  MON$REMOTE_OS_USER
from MON$ATTACHMENTS
where MON$ATTACHMENT_ID <> current_connection
  and MON$ATTACHMENT_ID <> :OWN
  and coalesce(MON$SYSTEM_FLAG, 0) = 0
order by MON$ATTACHMENT_ID)";
constexpr auto MarkPurged = R"(update USUNIECIA
set DTOCZYSZCZENIA = :teraz
where DTOCZYSZCZENIA is null)";
constexpr auto StoreLastPurge = R"(update or insert into USTAWIENIA (KLUCZ, WARTOSC)
values (:klucz, :wartosc)
matching (KLUCZ))";

QString sql(const char* text)
{
    return QString::fromUtf8(text);
}

std::vector<db::Values> rowsOf(db::Database& database, const char* text,
                               const db::ParamSource& params = {})
{
    db::Statement statement(database, sql(text));
    std::vector<db::Values> rows;
    statement.execute(
        params ? params : [](const QString&) { return QVariant(); }, &rows);
    return rows;
}

QString trimmed(const QVariant& value)
{
    return value.toString().trimmed();
}

// "komputer recepcja-2 (192.168.1.20), program /usr/bin/halvane (4711), użytkownik SYSDBA
// (jan)"; an attachment without a remote side is the engine's on this computer.
QString deskName(const db::Values& row)
{
    const QString host = trimmed(row[0]);
    QString address = trimmed(row[1]);
    // "192.168.1.20/51234": the port changes with every connection and tells nobody anything.
    if (const qsizetype slash = address.lastIndexOf(u'/'); slash > 0)
        address = address.left(slash);
    QStringList parts;
    if (host.isEmpty() && address.isEmpty())
        parts << QStringLiteral("ten komputer (bez serwera)");
    else if (host.isEmpty() || address.isEmpty() || host == address)
        parts << QStringLiteral("komputer ") + (host.isEmpty() ? address : host);
    else
        parts << QStringLiteral("komputer %1 (%2)").arg(host, address);
    const QString process = trimmed(row[2]);
    if (!process.isEmpty())
        parts << QStringLiteral("program %1").arg(process) +
                     (row[3].isNull() ? QString() : QStringLiteral(" (%1)").arg(row[3].toInt()));
    const QString user = trimmed(row[4]);
    const QString osUser = trimmed(row[5]);
    if (!user.isEmpty())
        parts << QStringLiteral("użytkownik ") + user +
                     (osUser.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(osUser));
    return parts.join(QStringLiteral(", "));
}

// Marks, in the restored database, the erasures whose values it no longer holds and the
// time of the purge. It runs again on the database itself on a server: the second time
// finds nothing waiting and stores the same time.
void markPurged(const ServiceJob& restored, const QDateTime& now)
{
    db::Database database;
    database.setDatabaseName(BackupService::clientName(restored));
    QStringList params;
    if (!restored.userName.isEmpty())
        params << QStringLiteral("user_name=") + restored.userName;
    if (!restored.password.isEmpty())
        params << QStringLiteral("password=") + restored.password;
    params << QStringLiteral("lc_ctype=WIN1250");
    database.setParams(params);
    database.open();
    try {
        db::Statement mark(database, sql(MarkPurged));
        mark.execute([&now](const QString&) -> QVariant { return now; });
        db::Statement store(database, sql(StoreLastPurge));
        store.execute([&now](const QString& name) -> QVariant {
            return name == QLatin1String("klucz") ? QVariant(LastPurgeSetting)
                                                  : QVariant(now.toString(Qt::ISODate));
        });
        database.transaction().commit();
    } catch (...) {
        database.close();
        throw;
    }
    database.close();
}

QByteArray bytesOf(const db::fb::Builder& block, db::fb::Status& st)
{
    const unsigned length = block->getBufferLength(&st);
    st.check();
    const unsigned char* buffer = block->getBuffer(&st);
    st.check();
    return QByteArray(reinterpret_cast<const char*>(buffer), int(length));
}

// The engine's own guarantee that no desk comes in while the file is rewritten (a change
// committed then would be lost with the old file): the database is shut down for all but
// one attachment of its owner (the services' own), which the engine refuses at once while
// another desk is attached; or it is brought back online.
void setExclusive(const ServiceJob& job, bool exclusive)
{
    db::fb::Status st([](const QByteArray& bytes) { return QString::fromLocal8Bit(bytes); });
    db::fb::Builder attach(Firebird::IXpbBuilder::SPB_ATTACH, st);
    if (!job.userName.isEmpty())
        attach->insertString(&st, isc_spb_user_name, job.userName.toUtf8().constData());
    if (!job.password.isEmpty())
        attach->insertString(&st, isc_spb_password, job.password.toUtf8().constData());
    attach->insertInt(&st, isc_spb_connect_timeout, db::fb::AttachTimeout);
    st.check();
    db::fb::Builder start(Firebird::IXpbBuilder::SPB_START, st);
    start->insertTag(&st, isc_action_svc_properties);
    start->insertString(&st, isc_spb_dbname, job.database.toUtf8().constData());
    if (exclusive) {
        const unsigned char single = isc_spb_prp_sm_single;
        start->insertBytes(&st, isc_spb_prp_shutdown_mode, &single, 1);
        start->insertInt(&st, isc_spb_prp_attachments_shutdown, 0);
    } else {
        const unsigned char normal = isc_spb_prp_sm_normal;
        start->insertBytes(&st, isc_spb_prp_online_mode, &normal, 1);
    }
    st.check();
    const QByteArray startBlock = bytesOf(start, st);
    db::fb::Ref<Firebird::IService> service(db::fb::attachServiceManager(
        BackupService::serviceName(job).toUtf8(), bytesOf(attach, st)));
    service->start(&st, unsigned(startBlock.size()),
                   reinterpret_cast<const unsigned char*>(startBlock.constData()));
    // The action has ended when its (empty) output has.
    const unsigned char receive[] = {isc_info_svc_line};
    unsigned char buffer[1024];
    while (!st.failed()) {
        service->query(&st, 0, nullptr, sizeof receive, receive, sizeof buffer, buffer);
        if (st.failed() || buffer[0] != isc_info_svc_line || (buffer[1] | buffer[2] << 8) == 0)
            break;
    }
    const bool failed = st.failed();
    const QString reason = failed ? st.text() : QString();
    const std::vector<long> codes = failed ? st.codes() : std::vector<long>();
    service->detach(&st);
    if (!st.failed())
        service.forget();
    if (failed)
        throw db::Error(reason, codes);
}

// A file written for the engine of this program is the user's alone before anything goes
// into it (the engine keeps the mode of a file it overwrites).
void prepareBackupFile(const ServiceJob& job)
{
    if (job.protocol == Protocol::Local)
        controls::preparePrivate(job.backupFile);
}

// Deletes the purge's backup; false where this computer cannot (a server elsewhere, or a
// file of the server's user in a folder this user may not write).
bool removeBackup(const ServiceJob& job)
{
    if (!BackupService::onThisComputer(job))
        return false;
    if (QFile::remove(job.backupFile))
        return true;
    // Not there, as far as a folder this user may look into tells.
    const QFileInfo folder(QFileInfo(job.backupFile).absolutePath());
    return folder.isReadable() && folder.isExecutable() && !QFileInfo::exists(job.backupFile);
}

QString failed(const QString& reason)
{
    return QStringLiteral(
               "Nie oczyszczono pliku bazy danych; baza danych pozostała bez "
               "zmian.\n\n") +
           reason;
}

}  // namespace

int purgeIntervalDays(const QString& stored)
{
    return desk::numberInRange(stored, MinPurgeIntervalDays, MaxPurgeIntervalDays,
                               DefaultPurgeIntervalDays);
}

bool PurgeStatus::overdue(const QDateTime& now, int intervalDays) const
{
    return waiting > 0 && oldestWaiting.isValid() && oldestWaiting.addDays(intervalDays) < now;
}

QString purgeReminderText()
{
    return QStringLiteral(
        "Usunięte dane osobowe czekają na oczyszczenie pliku bazy danych "
        "dłużej niż pozwalają ustawienia (Dodatki > Usuwanie danych "
        "osobowych).");
}

PurgeStatus DatabasePurge::status(db::Database& database)
{
    const db::Database::ListReading reading(database);
    PurgeStatus status;
    const auto waiting = rowsOf(database, SelectWaiting,
                                [](const QString&) -> QVariant { return LastPurgeSetting; });
    if (!waiting.empty()) {
        status.waiting = waiting.front()[0].toInt();
        if (!waiting.front()[1].isNull())
            status.oldestWaiting = db::toDateTime(waiting.front()[1].toDouble());
        if (!waiting.front()[2].isNull())
            status.lastPurge = QDateTime::fromString(trimmed(waiting.front()[2]), Qt::ISODate);
    }
    return status;
}

QStringList DatabasePurge::otherDesks(db::Database& database, qint64 ownToo)
{
    // The monitoring tables hold still for a transaction: each look has one of its own.
    const db::Database::ListReading reading(database);
    QStringList desks;
    for (const db::Values& row :
         rowsOf(database, SelectOtherDesks, [ownToo](const QString&) { return QVariant(ownToo); }))
        desks << deskName(row);
    return desks;
}

ServiceJob DatabasePurge::jobFor(const db::Database& database)
{
    ServiceJob job;
    const QString name = database.databaseName();
    const qsizetype colon = name.indexOf(u':');
    // "host:path" reaches a server; a path of this computer (or a drive letter) does not.
    if (colon > 1 && !name.startsWith(u'/')) {
        job.protocol = Protocol::Tcp;
        job.server = name.left(colon);
        job.database = name.mid(colon + 1);
    } else {
        job.database = name;
    }
    job.backupFile = backupFileFor(job.database);
    job.userName = database.param(QStringLiteral("user_name"));
    job.password = database.param(QStringLiteral("password"));
    return job;
}

QString DatabasePurge::backupFileFor(const QString& database)
{
    return database + QStringLiteral(".oczyszczanie.fbk");
}

void DatabasePurge::purge(const ServiceJob& job, const QDateTime& now,
                          const BackupService::LineSink& sink)
{
    try {
        setExclusive(job, true);
    } catch (const db::Error& error) {
        throw db::Error(failed(QStringLiteral("Nie można zamknąć bazy danych dla innych "
                                              "stanowisk:\n") +
                               error.message()),
                        error.codes());
    }
    sink(QStringLiteral("Baza danych zamknięta dla innych stanowisk na czas oczyszczania."));
    sink(QStringLiteral("Kopia bazy danych przed oczyszczeniem: ") + job.backupFile);
    try {
        prepareBackupFile(job);
        BackupService::backUp(job, sink);
        BackupService::restore(job, sink,
                               [&now](const ServiceJob& restored) { markPurged(restored, now); });
    } catch (const db::Error& error) {
        // The backup holds what was erased: it goes whatever happened.
        if (!removeBackup(job))
            sink(QStringLiteral("Nie można usunąć kopii z tego komputera: ") + job.backupFile);
        QString reason = error.message();
        try {
            setExclusive(job, false);
        } catch (const db::Error& online) {
            reason += QStringLiteral("\n\nBaza danych pozostała zamknięta dla stanowisk: ") +
                      online.message();
        }
        throw db::Error(failed(reason), error.codes());
    }
    // The restored database is a new file, open to every desk.
    if (removeBackup(job)) {
        sink(QStringLiteral("Usunięto kopię sprzed oczyszczenia."));
        return;
    }
    // A server elsewhere: its file is overwritten with what no longer holds the erased values.
    sink(
        QStringLiteral("Kopii sprzed oczyszczenia nie można usunąć z tego komputera; "
                       "zastępuje ją kopia oczyszczonej bazy danych."));
    try {
        BackupService::backUp(job, sink);
        sink(QStringLiteral("Kopia sprzed oczyszczenia została zastąpiona kopią oczyszczonej "
                            "bazy danych: ") +
             job.backupFile);
    } catch (const db::Error& error) {
        // The purge itself is done; the file on the server is for its administrator.
        sink(QStringLiteral("Nie udało się zastąpić kopii sprzed oczyszczenia (%1); usuń na "
                            "serwerze plik: %2")
                 .arg(error.message(), job.backupFile));
    }
}

}  // namespace admin

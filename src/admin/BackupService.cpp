#include "admin/BackupService.h"

#include "controls/PrivateFiles.h"
#include "db/Attach.h"
#include "db/Error.h"
#include "db/Firebird.h"

#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <ibase.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace admin {
namespace {

using db::fb::Builder;
using db::fb::Ref;
using db::fb::Status;

// Messages and output of the service come in the system's encoding (UTF-8 here).
QString decode(const QByteArray& bytes)
{
    return QString::fromLocal8Bit(bytes);
}

QByteArray bytesOf(const Builder& block, Status& st)
{
    const unsigned length = block->getBufferLength(&st);
    st.check();
    const unsigned char* buffer = block->getBuffer(&st);
    st.check();
    return QByteArray(reinterpret_cast<const char*>(buffer), int(length));
}

// The user, the password and the connect timeout, for the service manager (SPB_ATTACH) or
// a database (DPB): the tags are the same in both.
QByteArray credentials(unsigned kind, const ServiceJob& job, Status& st)
{
    Builder block(kind, st);
    if (!job.userName.isEmpty()) {
        block->insertString(&st, isc_spb_user_name, job.userName.toUtf8().constData());
        st.check();
    }
    if (!job.password.isEmpty()) {
        block->insertString(&st, isc_spb_password, job.password.toUtf8().constData());
        st.check();
    }
    block->insertInt(&st, isc_spb_connect_timeout, db::fb::AttachTimeout);
    st.check();
    return bytesOf(block, st);
}

enum class Action { Backup, Restore };

QByteArray startBlock(Action action, const ServiceJob& job, Status& st)
{
    Builder spb(Firebird::IXpbBuilder::SPB_START, st);
    const QByteArray database = job.database.toUtf8();
    const QByteArray backupFile = job.backupFile.toUtf8();
    if (action == Action::Backup) {
        spb->insertTag(&st, isc_action_svc_backup);
        st.check();
        spb->insertString(&st, isc_spb_dbname, database.constData());
        st.check();
        spb->insertString(&st, isc_spb_bkp_file, backupFile.constData());
        st.check();
    } else {
        spb->insertTag(&st, isc_action_svc_restore);
        st.check();
        spb->insertString(&st, isc_spb_bkp_file, backupFile.constData());
        st.check();
        spb->insertString(&st, isc_spb_dbname, database.constData());
        st.check();
        spb->insertInt(&st, isc_spb_options, isc_spb_res_replace);
        st.check();
    }
    spb->insertTag(&st, isc_spb_verbose);
    st.check();
    return bytesOf(spb, st);
}

int lengthAt(const unsigned char* p)
{
    return p[0] | (p[1] << 8);
}

// gbak reports some failures only in its output, with the service itself ending well: a
// backup file cut short ends in "ERROR: Backup incomplete".
bool isErrorLine(const QString& line)
{
    const QString text = line.trimmed();
    return text.startsWith(QLatin1String("ERROR:")) ||
           text.contains(QLatin1String("gbak: ERROR:")) ||
           text.contains(QLatin1String("gbak:ERROR:"));
}

void run(Action action, const ServiceJob& job, const BackupService::LineSink& sink)
{
    Status st(decode);
    const QByteArray attach = credentials(Firebird::IXpbBuilder::SPB_ATTACH, job, st);
    const QByteArray start = startBlock(action, job, st);

    Ref<Firebird::IService> service(
        db::fb::attachServiceManager(BackupService::serviceName(job).toUtf8(), attach));

    // Detaches however the run ends; a failed detach lets the interface go all the same.
    struct Detach {
        Ref<Firebird::IService>& service;
        ~Detach()
        {
            Status st;
            service->detach(&st);
            if (st.failed())
                service.reset();
            else
                service.forget();
        }
    } detach{service};

    service->start(&st, unsigned(start.size()),
                   reinterpret_cast<const unsigned char*>(start.constData()));
    st.check();

    const unsigned char receive[] = {isc_info_svc_line};
    std::vector<unsigned char> buffer(16 * 1024);
    QByteArray pending;  // a line longer than the buffer arrives in pieces
    QStringList errors;
    bool finishedWell = false;
    const QLatin1String closingLine = action == Action::Backup
                                          ? QLatin1String("closing file, committing, and finishing")
                                          : QLatin1String("finishing, closing, and going home");
    const auto deliver = [&] {
        const QString line = decode(pending);
        pending.clear();
        if (isErrorLine(line))
            errors << line.trimmed();
        finishedWell = finishedWell || line.contains(closingLine);
        sink(line);
    };
    for (;;) {
        service->query(&st, 0, nullptr, sizeof receive, receive, unsigned(buffer.size()),
                       buffer.data());
        st.check();
        const unsigned char* p = buffer.data();
        const unsigned char* end = p + buffer.size();
        bool finished = false;
        bool truncated = false;
        while (p < end && *p != isc_info_end) {
            const unsigned char item = *p++;
            if (item == isc_info_svc_line) {
                if (end - p < 2)
                    throw db::Error(QStringLiteral("Nieczytelna odpowiedź menedżera usług."));
                const int length = lengthAt(p);
                p += 2;
                if (length > end - p)
                    throw db::Error(QStringLiteral("Nieczytelna odpowiedź menedżera usług."));
                if (length == 0 && pending.isEmpty()) {
                    finished = true;  // the output has ended
                } else {
                    pending.append(reinterpret_cast<const char*>(p), length);
                }
                p += length;
            } else if (item == isc_info_truncated) {
                truncated = true;
                break;
            } else if (item == isc_info_data_not_ready || item == isc_info_svc_timeout) {
                continue;
            } else {
                break;
            }
        }
        if (finished)
            break;
        if (!truncated && !pending.isEmpty())
            deliver();
    }
    if (!errors.isEmpty())
        throw db::Error(errors.join(u'\n'));
    // gbak's closing line is the proof that it went to the end: the embedded engine's gbak
    // prints the error of a backup file cut short to the console, not into the output.
    if (!finishedWell)
        throw db::Error(action == Action::Backup
                            ? QStringLiteral("Kopia nie została dokończona: usługa zakończyła "
                                             "pracę przed jej końcem.")
                            : QStringLiteral("Odtwarzanie nie zostało dokończone: usługa "
                                             "zakończyła pracę przed jego końcem."));
}

// The file a restore is written into first, next to the database, so that the database is
// replaced only by a restore that has finished.
QString stagingName(const QString& database)
{
    return database + QStringLiteral(".odtwarzanie.tmp");
}

// Removes a staging database left by a restore, through the engine that wrote it.
void dropStaging(const ServiceJob& job, const QString& staging)
{
    if (job.protocol == Protocol::Local) {
        QFile::remove(staging);
        return;
    }
    try {
        Status st;
        const QByteArray block = credentials(Firebird::IXpbBuilder::DPB, job, st);
        Ref<Firebird::IAttachment> attachment(
            db::fb::attachDatabase((job.server + u':' + staging).toUtf8(), block));
        attachment->dropDatabase(&st);
        if (!st.failed())
            attachment.forget();
    } catch (const db::Error&) {
        // nothing was left there
    }
}

// The database is not open elsewhere: a server, or another program's engine, holds it.
void checkNotInUse(const QString& database)
{
    if (!QFileInfo::exists(database))
        return;
    try {
        Status st;
        const QByteArray block = bytesOf(Builder(Firebird::IXpbBuilder::DPB, st), st);
        Ref<Firebird::IAttachment> attachment(db::fb::attachDatabase(database.toUtf8(), block));
        attachment->detach(&st);
        if (!st.failed())
            attachment.forget();
    } catch (const db::Error& error) {
        if (error.has(isc_already_opened) || error.has(isc_lock_conflict))
            throw db::Error(QStringLiteral("Baza danych jest w użyciu; nie można jej zastąpić.\n") +
                                error.message(),
                            error.codes());
        // a database that does not open is what a restore is for
    }
}

// Puts the finished restore in place of the database: locally a rename in the same folder,
// which replaces the file at once; otherwise (a server, whose services cannot rename) a
// second restore straight into the database, now that the backup is known to restore whole.
void putInPlace(const ServiceJob& job, const QString& staging, const BackupService::LineSink& sink,
                const BackupService::RestoredCheck& beforePutInPlace)
{
    if (job.protocol == Protocol::Local && QFileInfo::exists(staging)) {
        // The database is left as it was: the staging copy goes with the refusal.
        try {
            checkNotInUse(job.database);
        } catch (const db::Error&) {
            QFile::remove(staging);
            throw;
        }
        if (QFileInfo::exists(job.database))
            QFile::setPermissions(staging, QFile::permissions(job.database));
        const QByteArray from = QFile::encodeName(staging);
        const QByteArray to = QFile::encodeName(job.database);
        if (std::rename(from.constData(), to.constData()) != 0) {
            const QString reason = QString::fromLocal8Bit(std::strerror(errno));
            QFile::remove(staging);
            throw db::Error(
                QStringLiteral("Nie można zastąpić bazy danych odtworzoną kopią: %1").arg(reason));
        }
        return;
    }
    sink(QStringLiteral("Kopia odtwarza się w całości; odtwarzanie do bazy danych: ") +
         job.database);
    try {
        run(Action::Restore, job, sink);
        if (beforePutInPlace)
            beforePutInPlace(job);
    } catch (const db::Error& error) {
        // What the backup held is still whole in the staging file.
        throw db::Error(
            error.message() + QStringLiteral("\nOdtworzona kopia pozostała w pliku: ") + staging,
            error.codes());
    }
    dropStaging(job, staging);
}

// A local database reached through a symbolic link is restored beside the file the link
// names, and that file is replaced: the link stays, and the staging file is renamed within
// one folder.
QString realDatabase(const ServiceJob& job)
{
    const QFileInfo info(job.database);
    if (job.protocol != Protocol::Local || !info.isSymLink())
        return job.database;
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? info.symLinkTarget() : canonical;
}

}  // namespace

QString BackupService::serviceName(const ServiceJob& job)
{
    if (job.protocol == Protocol::Local)
        return QStringLiteral("service_mgr");
    return job.server + QStringLiteral(":service_mgr");
}

QString BackupService::clientName(const ServiceJob& job)
{
    return job.protocol == Protocol::Tcp ? job.server + u':' + job.database : job.database;
}

bool BackupService::onThisComputer(const ServiceJob& job)
{
    return job.protocol == Protocol::Local || job.server == QLatin1String("localhost") ||
           job.server == QLatin1String("127.0.0.1") || job.server == QLatin1String("::1");
}

void BackupService::backUp(const ServiceJob& job, const LineSink& sink)
{
    run(Action::Backup, job, sink);
    // The embedded engine writes it with the process's umask; a server's file is the
    // server's to protect.
    if (job.protocol == Protocol::Local && !controls::makePrivate(job.backupFile))
        throw db::Error(QStringLiteral("Nie można ograniczyć dostępu do kopii zapasowej %1 "
                                       "do właściciela.")
                            .arg(job.backupFile));
}

void BackupService::restore(const ServiceJob& requested, const LineSink& sink,
                            const RestoredCheck& beforePutInPlace)
{
    ServiceJob job = requested;
    job.database = realDatabase(requested);
    ServiceJob staged = job;
    staged.database = stagingName(job.database);
    sink(QStringLiteral("Odtwarzanie do pliku tymczasowego: ") + staged.database);
    try {
        run(Action::Restore, staged, sink);
        if (beforePutInPlace)
            beforePutInPlace(staged);
    } catch (const db::Error&) {
        dropStaging(job, staged.database);
        throw;
    }
    putInPlace(job, staged.database, sink, beforePutInPlace);
}

}  // namespace admin

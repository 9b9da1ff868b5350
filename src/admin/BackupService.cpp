#include "admin/BackupService.h"

#include "db/Error.h"
#include "db/Firebird.h"

#include <QStringList>
#include <ibase.h>

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

QByteArray attachBlock(const ServiceJob& job, Status& st)
{
    Builder spb(Firebird::IXpbBuilder::SPB_ATTACH, st);
    if (!job.userName.isEmpty()) {
        spb->insertString(&st, isc_spb_user_name, job.userName.toUtf8().constData());
        st.check();
    }
    if (!job.password.isEmpty()) {
        spb->insertString(&st, isc_spb_password, job.password.toUtf8().constData());
        st.check();
    }
    const unsigned length = spb->getBufferLength(&st);
    st.check();
    const unsigned char* buffer = spb->getBuffer(&st);
    st.check();
    return QByteArray(reinterpret_cast<const char*>(buffer), int(length));
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
    const unsigned length = spb->getBufferLength(&st);
    st.check();
    const unsigned char* buffer = spb->getBuffer(&st);
    st.check();
    return QByteArray(reinterpret_cast<const char*>(buffer), int(length));
}

int lengthAt(const unsigned char* p)
{
    return p[0] | (p[1] << 8);
}

void run(Action action, const ServiceJob& job, const BackupService::LineSink& sink)
{
    Status st(decode);
    const QByteArray attach = attachBlock(job, st);
    const QByteArray start = startBlock(action, job, st);

    Ref<Firebird::IProvider> provider(db::fb::master()->getDispatcher());
    Ref<Firebird::IService> service(provider->attachServiceManager(
        &st, BackupService::serviceName(job).toUtf8().constData(), unsigned(attach.size()),
        reinterpret_cast<const unsigned char*>(attach.constData())));
    st.check();

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
        if (!truncated && !pending.isEmpty()) {
            sink(decode(pending));
            pending.clear();
        }
    }
}

}  // namespace

QString BackupService::serviceName(const ServiceJob& job)
{
    if (job.protocol == Protocol::Local)
        return QStringLiteral("service_mgr");
    return job.server + QStringLiteral(":service_mgr");
}

void BackupService::backUp(const ServiceJob& job, const LineSink& sink)
{
    run(Action::Backup, job, sink);
}

void BackupService::restore(const ServiceJob& job, const LineSink& sink)
{
    run(Action::Restore, job, sink);
}

}  // namespace admin

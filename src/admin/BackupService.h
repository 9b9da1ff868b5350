#pragma once
// The server's backup and restore services, reached through the Firebird client's service
// manager: locally through the embedded engine, or on a server over TCP. No widgets.
#include <QString>
#include <functional>

namespace admin {

enum class Protocol { Local, Tcp };

struct ServiceJob {
    QString server;      // empty for the local service manager
    QString database;    // the database path as the server sees it
    QString backupFile;  // the backup file as the server sees it
    Protocol protocol = Protocol::Local;
    QString userName;  // an empty value is not sent
    QString password;  // an empty value is not sent
};

class BackupService {
public:
    using LineSink = std::function<void(const QString& line)>;
    // Work done on a restored database before it takes the place of the old one (what was
    // erased after the backup is erased again). It gets the job whose `database` names the
    // restored file; throwing db::Error stops the restore with that message and leaves the
    // old database as it was. It runs on the restore's thread and must be idempotent: on a
    // server, which restores the backup once more straight into the database, it runs
    // again there.
    using RestoredCheck = std::function<void(const ServiceJob& restored)>;

    // The service manager's name: "service_mgr" locally, "host:service_mgr" over TCP.
    static QString serviceName(const ServiceJob& job);
    // The job's database as a client attaches to it: "server:path" over TCP, the path
    // itself locally.
    static QString clientName(const ServiceJob& job);
    // Whether the job's files are on this computer: the embedded engine's, or a server's
    // reached as localhost.
    static bool onThisComputer(const ServiceJob& job);

    // Backs the database up into the backup file (no options, verbose). Each line of the
    // service's output reaches `sink` as it comes. Throws db::Error with the server's
    // message when attaching (bounded in time), starting or reading fails, when the
    // service ends with an error, or when its output reports one. Always detaches. Safe
    // to call on any thread (the sink runs on the caller's).
    static void backUp(const ServiceJob& job, const LineSink& sink);
    // Restores the backup file into the database (verbose). The restore goes into a new
    // file next to the database first; only a restore that finished replaces the
    // database, so a damaged backup leaves it as it was. A local database reached through
    // a symbolic link is restored beside the file the link names and replaces that file.
    // A restore refused (the database in use) or failed leaves no staging file behind
    // locally.
    static void restore(const ServiceJob& job, const LineSink& sink,
                        const RestoredCheck& beforePutInPlace = {});
};

}  // namespace admin

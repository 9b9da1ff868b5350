#pragma once
// Backup and restore of the database through the server's services, with the service's
// output in a log. Local mode (the database on this computer) picks the backup file in
// a file dialog; remote mode names it by a folder and a file name as the server sees
// them. It works with the program's connection closed.
#include "admin/BackupService.h"
#include "desk/PersonalData.h"

#include <QDialog>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

class QEventLoop;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
namespace desk {
class Desk;
}

namespace admin {

// The settings the window reads; it changes only the last backup folder.
struct BackupSettings {
    QString host;
    QString dir;
    QString file;
    QString lastBackupDir;
};

}  // namespace admin

class BackupDialog : public QDialog {
    Q_OBJECT
public:
    explicit BackupDialog(desk::Desk& desk, QWidget* parent = nullptr);
    // Shows the window; gives back the last backup folder after it closed.
    QString backUpOrRestore(const admin::BackupSettings& settings);
    // The same window, returning at once.
    void open(const admin::BackupSettings& settings);
    const QString& lastBackupDir() const { return lastBackupDir_; }
    // True while a backup or restore runs.
    bool busy() const { return busy_; }

    void reject() override;
    // Closed from outside while a service runs (the program ends): the window stops
    // waiting for it, without a question.
    void done(int result) override;

private:
    void prepareForShowing(const admin::BackupSettings& settings);
    void updateButtons();
    void backUp();
    void restore();
    enum class Operation { Backup, Restore };
    bool run(Operation operation, const QString& server, const QString& backupFile,
             admin::Protocol protocol);
    void log(const QString& line);
    QString defaultBackupName() const;
    // The database as the program's connection names it: "path" locally (an empty host is
    // local here), "host:path" on a server.
    QString databaseName() const;
    // The erasures the restore must find done: those recorded in the database it replaces
    // and in the ledgers (beside the backup file, and the desk's).
    QList<desk::Erasure> erasuresToKeep(const QString& backupFile);
    // The work done on the restored file before it replaces the database, on the
    // restore's thread, its lines to the log.
    using RestoredWork =
        std::function<void(const admin::ServiceJob&, const admin::BackupService::LineSink&)>;
    RestoredWork erasuresDoneAgain(const QList<desk::Erasure>& wanted, const QString& backupFile);
    void updateLedgerBeside(const QString& backupFile);

    desk::Desk& desk_;
    admin::BackupSettings settings_;
    QString lastBackupDir_;
    bool local_ = true;
    bool busy_ = false;
    QEventLoop* waiting_ = nullptr;  // while a service runs
    RestoredWork restoredWork_;      // for the restore that runs
    bool restoreDeclined_ = false;
    QStringList restoreNotes_;  // for the log of the restore about to run   // the question about
                                // an older backup answered No

    QLineEdit* serverEdit;
    QLineEdit* databaseEdit;
    QLabel* folderLabel;
    QLineEdit* folderEdit;
    QLabel* fileLabel;
    QLineEdit* fileEdit;
    QPushButton* backupButton;
    QPushButton* restoreButton;
    QPlainTextEdit* logEdit;
};

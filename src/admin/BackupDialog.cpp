#include "admin/BackupDialog.h"
#include "admin/DatabasePurge.h"

#include "admin/PersonalDataRemoval.h"
#include "controls/Accessibility.h"
#include "controls/Clock.h"
#include "controls/Prompts.h"
#include "db/Database.h"
#include "db/Error.h"
#include "desk/Desk.h"
#include "desk/ErasureLedger.h"

#include <QApplication>
#include <QEventLoop>
#include <QFileInfo>
#include <QFont>
#include <QFontDatabase>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QThread>
#include <QVBoxLayout>
#include <algorithm>
#include <atomic>
#include <memory>
#include <optional>
#include <utility>

namespace {

// Both cases: the program's own names end in ".FBK", and file names here are
// case-sensitive.
const char* const BackupFilter = "Kopie bazy danych FBK (*.fbk *.FBK);;Wszystkie pliki (*)";

// Everything up to and including the last separator, of either kind: the server may be
// a Windows one.
QString folderOf(const QString& path)
{
    const qsizetype last = qMax(path.lastIndexOf(u'/'), path.lastIndexOf(u'\\'));
    return path.left(last + 1);
}

QLineEdit* lineEdit(const char* name)
{
    auto* edit = new QLineEdit;
    edit->setObjectName(QLatin1String(name));
    return edit;
}

}  // namespace

BackupDialog::BackupDialog(desk::Desk& desk, QWidget* parent) : QDialog(parent), desk_(desk)
{
    setObjectName(QStringLiteral("BackupDialog"));
    setWindowTitle(QStringLiteral("Kopia bazy danych"));
    setMinimumSize(593, 572);

    serverEdit = lineEdit("serverEdit");
    serverEdit->setReadOnly(true);
    serverEdit->setEnabled(false);
    databaseEdit = lineEdit("databaseEdit");
    databaseEdit->setReadOnly(true);
    databaseEdit->setEnabled(false);
    folderLabel = new QLabel;
    folderLabel->setObjectName(QStringLiteral("folderLabel"));
    folderEdit = lineEdit("folderEdit");
    fileLabel = new QLabel(QStringLiteral("Nazwa pliku backupu na zdalnym komputerze:"));
    fileLabel->setObjectName(QStringLiteral("fileLabel"));
    fileEdit = lineEdit("fileEdit");
    backupButton = new QPushButton(QStringLiteral("Wykonaj kopię bazy danych"));
    backupButton->setObjectName(QStringLiteral("backupButton"));
    backupButton->setAutoDefault(false);
    restoreButton = new QPushButton(QStringLiteral("Odtwórz bazę danych z kopii"));
    restoreButton->setObjectName(QStringLiteral("restoreButton"));
    restoreButton->setAutoDefault(false);
    logEdit = new QPlainTextEdit;
    logEdit->setObjectName(QStringLiteral("logEdit"));
    logEdit->setReadOnly(true);
    logEdit->setLineWrapMode(QPlainTextEdit::NoWrap);
    logEdit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    logEdit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QFont courier(QStringLiteral("Courier New"));
    courier.setStyleHint(QFont::TypeWriter);
    logEdit->setFont(QFontInfo(courier).fixedPitch()
                         ? courier
                         : QFontDatabase::systemFont(QFontDatabase::FixedFont));

    auto* fields = new QGridLayout;
    serverEdit->setAccessibleName(QStringLiteral("Serwer"));
    databaseEdit->setAccessibleName(QStringLiteral("Baza danych"));
    fileEdit->setAccessibleName(fileLabel->text().chopped(1));
    logEdit->setAccessibleName(QStringLiteral("Dziennik"));
    controls::nameScrollBars(logEdit, QStringLiteral("Dziennik"));
    fields->addWidget(new QLabel(QStringLiteral("Serwer:")), 0, 0);
    fields->addWidget(serverEdit, 0, 1);
    fields->addWidget(new QLabel(QStringLiteral("Baza danych:")), 1, 0);
    fields->addWidget(databaseEdit, 1, 1);
    fields->addWidget(folderLabel, 2, 0, 1, 2);
    fields->addWidget(folderEdit, 3, 0, 1, 2);
    fields->addWidget(fileLabel, 4, 0, 1, 2);
    fields->addWidget(fileEdit, 5, 0, 1, 2);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addWidget(backupButton);
    layout->addWidget(restoreButton);
    layout->addWidget(logEdit, 1);

    connect(folderEdit, &QLineEdit::textChanged, this, &BackupDialog::updateButtons);
    connect(fileEdit, &QLineEdit::textChanged, this, &BackupDialog::updateButtons);
    connect(backupButton, &QPushButton::clicked, this, &BackupDialog::backUp);
    connect(restoreButton, &QPushButton::clicked, this, &BackupDialog::restore);
    resize(593, 572);
}

QString BackupDialog::backUpOrRestore(const admin::BackupSettings& settings)
{
    prepareForShowing(settings);
    exec();
    return lastBackupDir_;
}

void BackupDialog::open(const admin::BackupSettings& settings)
{
    prepareForShowing(settings);
    QDialog::open();
}

void BackupDialog::prepareForShowing(const admin::BackupSettings& settings)
{
    settings_ = settings;
    lastBackupDir_ = settings.lastBackupDir;
    serverEdit->setText(settings.host);
    databaseEdit->setText(settings.dir + settings.file);
    folderEdit->setText(lastBackupDir_);
    logEdit->clear();

    local_ = settings.host == QLatin1String("localhost") || settings.host.isEmpty();
    folderLabel->setText(local_ ? QStringLiteral("Domyślny katalog plików backupu:")
                                : QStringLiteral("Zdalny katalog plików backupu:"));
    folderEdit->setAccessibleName(folderLabel->text().chopped(1));
    folderEdit->setEnabled(!local_);
    fileLabel->setEnabled(!local_);
    fileEdit->setEnabled(!local_);
    fileEdit->setText(local_ ? QString() : defaultBackupName());
    updateButtons();
}

QString BackupDialog::defaultBackupName() const
{
    return QStringLiteral("MR_Kopia_") +
           desk_.clock().now().toString(QStringLiteral("yyyy-MM-dd_HHmm")) + QStringLiteral(".FBK");
}

void BackupDialog::updateButtons()
{
    const bool enabled =
        !busy_ && (local_ || (!folderEdit->text().isEmpty() && !fileEdit->text().isEmpty()));
    backupButton->setEnabled(enabled);
    restoreButton->setEnabled(enabled);
}

void BackupDialog::backUp()
{
    if (busy_)
        return;
    if (local_) {
        QString chosen = desk_.prompts().saveFileName(
            QStringLiteral("Kopia bazy danych"), lastBackupDir_ + defaultBackupName(),
            QLatin1String(BackupFilter), QStringLiteral("fbk"));
        if (!chosen.isEmpty()) {
            if (QFileInfo(chosen).suffix().isEmpty())
                chosen += QStringLiteral(".fbk");
            if (run(Operation::Backup, {}, chosen, admin::Protocol::Local)) {
                lastBackupDir_ = folderOf(chosen);
                updateLedgerBeside(chosen);
            }
        }
    } else {
        const QString folder = folderEdit->text();
        if (run(Operation::Backup, settings_.host, folder + fileEdit->text(), admin::Protocol::Tcp))
            lastBackupDir_ = folder;
    }
    folderEdit->setText(lastBackupDir_);
}

void BackupDialog::restore()
{
    if (busy_)
        return;
    QString backupFile;
    if (local_) {
        backupFile = desk_.prompts().openFileName(QStringLiteral("Odtworzenie bazy danych"),
                                                  lastBackupDir_, QLatin1String(BackupFilter));
    } else {
        backupFile = folderEdit->text() + fileEdit->text();
    }
    // The restore replaces the live database: once more, with No the safe answer.
    if (!backupFile.isEmpty() &&
        desk_.prompts().question(
            QStringLiteral("Baza danych '%1' zostanie zastąpiona kopią '%2'.\n"
                           "Wszystkie zmiany wprowadzone po wykonaniu tej kopii zostaną "
                           "utracone.\n\nCzy na pewno odtworzyć bazę danych z kopii?")
                .arg(settings_.dir + settings_.file, backupFile),
            QStringLiteral("Odtworzenie bazy danych"), true)) {
        restoredWork_ = erasuresDoneAgain(erasuresToKeep(backupFile), backupFile);
        const bool restored =
            run(Operation::Restore, local_ ? QString() : settings_.host, backupFile,
                local_ ? admin::Protocol::Local : admin::Protocol::Tcp);
        restoredWork_ = {};
        if (restored)
            lastBackupDir_ = folderOf(backupFile);
    }
    folderEdit->setText(lastBackupDir_);
}

QString BackupDialog::databaseName() const
{
    const QString path = settings_.dir + settings_.file;
    return local_ ? path : settings_.host + u':' + path;
}

QList<desk::Erasure> BackupDialog::erasuresToKeep(const QString& backupFile)
{
    QList<desk::Erasure> wanted;
    try {
        db::Database replaced;
        replaced.setDatabaseName(databaseName());
        replaced.setParams(desk_.database().params());
        replaced.open();
        wanted = desk::recordedErasures(replaced);
        replaced.close();
    } catch (const db::Error& error) {
        // A damaged database is what a restore is for: the ledgers stand in for it.
        restoreNotes_ << QStringLiteral("Nie odczytano usunięć danych z zastępowanej bazy: ") +
                             error.message();
    }
    QStringList ledgers = desk_.erasureLedgers();
    if (local_)
        ledgers.prepend(folderOf(backupFile) + desk::LedgerFileName);
    for (const QString& ledger : ledgers)
        wanted += desk::readLedger(ledger, databaseName());
    return desk::erasuresMissing(wanted, {});
}

// Each erasure the restored file does not hold is done again there by its own rule, recorded
// with its own time (the file still needs a purge: nothing says it was purged). A backup that
// lacks erasures was made before them: it is restored only once the administrator agrees, and
// on a server, where this runs twice, the question is asked once.
BackupDialog::RestoredWork BackupDialog::erasuresDoneAgain(const QList<desk::Erasure>& wanted,
                                                           const QString& backupFile)
{
    const QDate backupDay = local_ ? QFileInfo(backupFile).lastModified().date() : QDate();
    const QStringList params = desk_.database().params();
    const QDateTime now = desk_.clock().now();
    auto agreed = std::make_shared<bool>(false);
    QPointer<BackupDialog> window(this);
    return [=](const admin::ServiceJob& restored, const admin::BackupService::LineSink& sink) {
        db::Database database;
        database.setDatabaseName(admin::BackupService::clientName(restored));
        database.setParams(params);
        database.open();
        QList<desk::Erasure> missing =
            desk::erasuresMissing(wanted, desk::recordedErasures(database));
        std::sort(missing.begin(), missing.end(),
                  [](const desk::Erasure& a, const desk::Erasure& b) { return a.at < b.at; });
        if (!missing.isEmpty() && !*agreed) {
            const QString text =
                QStringLiteral(
                    "Kopia '%1'%2 jest starsza niż ostatnie usunięcie danych "
                    "osobowych (%3).\nUsunięcia, których kopia nie zawiera, zostaną "
                    "wykonane ponownie na odtworzonej bazie danych: %4.\n\n"
                    "Czy odtworzyć bazę danych z tej kopii?")
                    .arg(backupFile,
                         backupDay.isValid()
                             ? QStringLiteral(" (plik z dnia %1)")
                                   .arg(backupDay.toString(QStringLiteral("dd.MM.yyyy")))
                             : QString(),
                         missing.last().at.toString(QStringLiteral("dd.MM.yyyy")))
                    .arg(missing.size());
            bool yes = false;
            QMetaObject::invokeMethod(
                qApp,
                [&] {
                    // A window given up or closed meanwhile answers No.
                    yes = window && window->isVisible() &&
                          window->desk_.prompts().question(
                              text, QStringLiteral("Odtworzenie bazy danych"), true);
                    if (window && !yes)
                        window->restoreDeclined_ = true;
                },
                Qt::BlockingQueuedConnection);
            if (!yes)
                throw db::Error(QStringLiteral("Odtwarzanie przerwane."));
            *agreed = true;
        }
        // A backup of a database older than the erasures' table gets the erasures without
        // their record: the ledgers keep them for the next restore.
        const bool recorded = desk::recordsErasures(database);
        for (const desk::Erasure& erasure : missing) {
            if (erasure.guestId != 0)
                desk::eraseGuestRows(database, erasure.guestId);
            else
                admin::PersonalDataRemoval(database).erase(erasure.cutOff);
            if (recorded)
                desk::recordErasure(database, erasure);
        }
        database.transaction().commit();
        database.close();
        sink(QStringLiteral("Usunięcia danych osobowych wykonane ponownie na odtworzonej bazie "
                            "danych: %1")
                 .arg(missing.size()));
        // What was erased again is still in the restored file's old record versions: a file
        // on this computer is purged before it takes the database's place; elsewhere the
        // purge waits for the administrator, who is reminded of it.
        if (missing.isEmpty())
            return;
        if (restored.protocol == admin::Protocol::Local && recorded) {
            admin::ServiceJob purge = restored;
            purge.backupFile = admin::DatabasePurge::backupFileFor(restored.database);
            admin::DatabasePurge::purge(purge, now, sink);
        } else {
            sink(
                QStringLiteral("Plik bazy danych wymaga oczyszczenia "
                               "(Dodatki > Usuwanie danych osobowych)."));
        }
    };
}

// The ledger beside a backup made here holds every erasure of the database, this desk's and
// the others': its own lines and what the database recorded.
void BackupDialog::updateLedgerBeside(const QString& backupFile)
{
    try {
        db::Database database;
        database.setDatabaseName(databaseName());
        database.setParams(desk_.database().params());
        database.open();
        const QList<desk::Erasure> recorded = desk::recordedErasures(database);
        database.close();
        desk::addToLedger(folderOf(backupFile) + desk::LedgerFileName, databaseName(), recorded);
    } catch (const db::Error& error) {
        log(QStringLiteral("Nie zapisano rejestru usunięć danych osobowych: ") + error.message());
    }
}

void BackupDialog::log(const QString& line)
{
    logEdit->appendPlainText(line);
}

bool BackupDialog::run(Operation operation, const QString& server, const QString& backupFile,
                       admin::Protocol protocol)
{
    const bool backup = operation == Operation::Backup;
    logEdit->clear();
    log(backup ? QStringLiteral("BACKUP - Wykonanie kopii bezpieczeństwa")
               : QStringLiteral("RESTORE - Odtworzenie bazy danych z kopii"));
    log(QStringLiteral("Serwer:      ") +
        (server.isEmpty() ? QStringLiteral("localhost") : server));
    log(QStringLiteral("Baza danych: ") + settings_.dir + settings_.file);
    log(QStringLiteral("Plik kopii:  ") + backupFile);
    log(QString());
    for (const QString& note : std::exchange(restoreNotes_, {}))
        log(note);

    admin::ServiceJob job;
    job.server = server;
    job.database = settings_.dir + settings_.file;
    job.backupFile = backupFile;
    job.protocol = protocol;
    job.userName = desk_.database().param(QStringLiteral("user_name"));
    job.password = desk_.database().param(QStringLiteral("password"));

    busy_ = true;
    updateButtons();
    folderEdit->setReadOnly(true);
    fileEdit->setReadOnly(true);
    QApplication::setOverrideCursor(Qt::BusyCursor);

    // The service runs on a thread of its own; its lines come back to this window as they
    // arrive, and the window keeps repainting meanwhile. What the thread shares with the
    // window outlives both, since a service that hangs may be given up and left to end
    // on its own.
    struct Run {
        std::atomic<bool> finished{false};
        // Read and written on this thread only.
        bool givenUp = false;
        QPointer<BackupDialog> window;
        std::optional<QString> failure;
    };
    auto state = std::make_shared<Run>();
    state->window = this;
    restoreDeclined_ = false;
    QThread* worker = QThread::create([state, job, backup, work = restoredWork_] {
        const auto sink = [state](const QString& line) {
            QMetaObject::invokeMethod(
                qApp,
                [state, line] {
                    if (state->window && !state->givenUp)
                        state->window->log(line);
                },
                Qt::QueuedConnection);
        };
        try {
            if (backup)
                admin::BackupService::backUp(job, sink);
            else
                admin::BackupService::restore(job, sink, [&](const admin::ServiceJob& restored) {
                    if (work)
                        work(restored, sink);
                });
        } catch (const db::Error& error) {
            state->failure = error.message();
        } catch (const std::exception& error) {
            state->failure = QString::fromLocal8Bit(error.what());
        }
        state->finished = true;
    });
    connect(worker, &QThread::finished, worker, &QObject::deleteLater);
    QEventLoop waiting;
    waiting_ = &waiting;
    connect(worker, &QThread::finished, &waiting, &QEventLoop::quit);
    worker->start();
    waiting.exec();
    waiting_ = nullptr;
    if (!state->finished) {
        // Given up: the window closes, and the service's thread ends when the server lets it.
        state->givenUp = true;
        QApplication::restoreOverrideCursor();
        folderEdit->setReadOnly(false);
        fileEdit->setReadOnly(false);
        busy_ = false;
        updateButtons();
        return false;
    }
    QCoreApplication::sendPostedEvents(qApp, QEvent::MetaCall);  // the last lines

    const std::optional<QString> failure = state->failure;
    if (failure && restoreDeclined_) {
        log(QStringLiteral("Nie odtworzono bazy danych z kopii: baza danych pozostała bez zmian."));
    } else if (failure) {
        desk_.prompts().beep();
        log(backup ? QStringLiteral("Błąd w trakcie wykonywania kopii bazy danych:")
                   : QStringLiteral("Błąd w trakcie odtwarzania bazy danych z kopii:"));
        log(*failure);
    } else {
        log(backup ? QStringLiteral("Poprawnie wykonano kopię bazy danych.")
                   : QStringLiteral("Poprawnie odtworzono bazę danych z kopii"));
    }
    QApplication::restoreOverrideCursor();
    folderEdit->setReadOnly(false);
    fileEdit->setReadOnly(false);
    busy_ = false;
    updateButtons();
    return !failure;
}

void BackupDialog::reject()
{
    if (busy_) {
        // A service that does not end (a server that stopped answering) may be given up.
        if (!waiting_ ||
            !desk_.prompts().question(
                QStringLiteral("Usługa serwera jeszcze pracuje. Przerwanie oczekiwania nie "
                               "zatrzyma jej na serwerze, a wynik kopii lub odtworzenia "
                               "pozostanie nieznany.\n\nCzy na pewno przerwać oczekiwanie "
                               "i zamknąć okno?"),
                QStringLiteral("Przerwanie oczekiwania"), true))
            return;
        waiting_->quit();
    }
    QDialog::done(Rejected);
}

void BackupDialog::done(int result)
{
    if (busy_ && !desk_.closingWindows())
        return;  // the user's way out while busy is reject(), which asks
    if (busy_ && waiting_)
        waiting_->quit();
    QDialog::done(result);
}

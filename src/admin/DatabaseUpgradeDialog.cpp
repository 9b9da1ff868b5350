#include "admin/DatabaseUpgradeDialog.h"

#include "admin/BackgroundWork.h"

#include "admin/DatabaseUpgrade.h"
#include "controls/Accessibility.h"
#include "controls/Clock.h"
#include "controls/DialogButtons.h"
#include "controls/Prompts.h"
#include "db/Database.h"
#include "db/Error.h"
#include "desk/Desk.h"

#include <QFontDatabase>
#include <QLabel>
#include <QPlainTextEdit>
#include <QVBoxLayout>
#include <optional>

namespace {

QPlainTextEdit* textBox(const char* name, const QString& caption)
{
    auto* edit = new QPlainTextEdit;
    edit->setObjectName(QLatin1String(name));
    edit->setReadOnly(true);
    edit->setAccessibleName(caption);
    controls::nameScrollBars(edit, caption);
    return edit;
}

QString withSeparator(const QString& folder)
{
    if (folder.endsWith(u'/') || folder.endsWith(u'\\'))
        return folder;
    return folder + (folder.contains(u'\\') ? u'\\' : u'/');
}

}  // namespace

DatabaseUpgradeDialog::DatabaseUpgradeDialog(desk::Desk& desk, QWidget* parent)
    : QDialog(parent), desk_(desk)
{
    setObjectName(QStringLiteral("DatabaseUpgradeDialog"));
    setWindowTitle(QStringLiteral("Aktualizacja bazy danych"));
    missingEdit = textBox("missingEdit", QStringLiteral("Czego brakuje w bazie danych"));
    upgradeButton = controls::namedButton("upgradeButton", QStringLiteral("Aktualizuj"),
                                          QStringLiteral("Aktualizuj bazę danych"));
    closeButton = controls::namedButton("closeButton", QStringLiteral("Zamknij"));
    logEdit = textBox("logEdit", QStringLiteral("Dziennik"));
    logEdit->setLineWrapMode(QPlainTextEdit::NoWrap);
    logEdit->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));

    auto* missingLabel = new QLabel(QStringLiteral("Czego brakuje w bazie danych:"));
    missingLabel->setBuddy(missingEdit);
    auto* logLabel = new QLabel(QStringLiteral("Dziennik:"));
    logLabel->setBuddy(logEdit);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(upgradeButton);
    buttons->addStretch();
    buttons->addWidget(closeButton);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(missingLabel);
    layout->addWidget(missingEdit, 1);
    layout->addLayout(buttons);
    layout->addWidget(logLabel);
    layout->addWidget(logEdit, 2);

    connect(upgradeButton, &QPushButton::clicked, this,
            [this] { desk_.prompts().guarded([this] { run(); }); });
    connect(closeButton, &QPushButton::clicked, this, &DatabaseUpgradeDialog::reject);
    resize(640, 520);
}

void DatabaseUpgradeDialog::upgrade(const admin::BackupSettings& settings)
{
    settings_ = settings;
    logEdit->clear();
    readWhatIsMissing();
    exec();
}

void DatabaseUpgradeDialog::reject()
{
    if (!busy_)  // an upgrade runs to its commit or rollback
        QDialog::reject();
}

void DatabaseUpgradeDialog::readWhatIsMissing()
{
    missingEdit->clear();
    upgradeButton->setEnabled(false);
    std::vector<admin::SchemaAddition> missing;
    try {
        db::Database database;
        database.setDatabaseName(desk_.database().databaseName());
        database.setParams(desk_.database().params());
        database.open();
        missing = admin::DatabaseUpgrade::missing(database);
    } catch (const db::Error& error) {
        log(QStringLiteral("Nie udało się odczytać bazy danych:"));
        log(error.message());
        return;
    }
    if (missing.empty()) {
        missingEdit->setPlainText(
            QStringLiteral("Niczego: baza danych ma wszystko, czego "
                           "potrzebuje program."));
        return;
    }
    missingEdit->setPlainText(QStringLiteral("Do czasu aktualizacji gorzej działa:\n") +
                              admin::DatabaseUpgrade::describe(missing));
    upgradeButton->setEnabled(true);
}

void DatabaseUpgradeDialog::log(const QString& line)
{
    logEdit->appendPlainText(line);
}

void DatabaseUpgradeDialog::run()
{
    const bool local = settings_.host.isEmpty() || settings_.host == QLatin1String("localhost");
    admin::UpgradeJob job;
    job.databaseName = desk_.database().databaseName();
    job.params = desk_.database().params();
    job.backup.protocol = local ? admin::Protocol::Local : admin::Protocol::Tcp;
    job.backup.server = local ? QString() : settings_.host;
    job.backup.database = settings_.dir + settings_.file;
    job.backup.backupFile =
        withSeparator(settings_.lastBackupDir.isEmpty() ? settings_.dir : settings_.lastBackupDir) +
        admin::DatabaseUpgrade::backupFileName(desk_.clock().now());
    job.backup.userName = desk_.database().param(QStringLiteral("user_name"));
    job.backup.password = desk_.database().param(QStringLiteral("password"));

    logEdit->clear();
    log(QStringLiteral("Aktualizacja bazy danych ") + job.backup.database);
    busy_ = true;
    upgradeButton->setEnabled(false);
    closeButton->setEnabled(false);
    const std::optional<QString> failure = admin::runInBackground(
        [job](const admin::LineSink& sink) { admin::DatabaseUpgrade::upgrade(job, sink); },
        [this](const QString& line) { log(line); });
    busy_ = false;
    closeButton->setEnabled(true);
    if (failure) {
        desk_.prompts().beep();
        log(QStringLiteral("Błąd aktualizacji bazy danych:"));
        log(*failure);
    }
    readWhatIsMissing();
}

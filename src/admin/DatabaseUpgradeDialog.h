#pragma once
// "Aktualizacja bazy danych": what the database lacks of what the program needs, which
// feature works less well meanwhile, and "Aktualizuj", which backs the database up and adds
// it all, the steps in a log. It works with the program's connection closed.
#include "admin/BackupDialog.h"

#include <QDialog>

class QPlainTextEdit;
class QPushButton;
namespace desk {
class Desk;
}

class DatabaseUpgradeDialog : public QDialog {
    Q_OBJECT
public:
    explicit DatabaseUpgradeDialog(desk::Desk& desk, QWidget* parent = nullptr);
    // Shows the window for the database of the settings (the desk's connection names it and
    // its parameters); its backup goes to the last backup folder, else beside the database.
    void upgrade(const admin::BackupSettings& settings);

    void reject() override;

private:
    void readWhatIsMissing();
    void run();
    void log(const QString& line);

    desk::Desk& desk_;
    admin::BackupSettings settings_;
    bool busy_ = false;

    QPlainTextEdit* missingEdit;
    QPushButton* upgradeButton;
    QPushButton* closeButton;
    QPlainTextEdit* logEdit;
};

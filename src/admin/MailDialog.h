#pragma once
// "Poczta": how this desk reaches the building's mail server (Halvane.ini, section Poczta, the
// password apart in poczta.db), a test message sent with the values typed before they are
// stored, and the outbox of every desk: what waits, what is being sent and what the server
// refused, to be sent again or dropped. OK stores the settings; the outbox's changes are
// committed at once, each in a unit of work of its own.
#include "mail/MailSettings.h"
#include "mail/Outbox.h"

#include <QDialog>
#include <vector>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTableWidget;
namespace desk {
class Desk;
}

class MailDialog : public QDialog {
    Q_OBJECT
public:
    explicit MailDialog(desk::Desk& desk, QWidget* parent = nullptr);
    // Reads the stored settings and the outbox, shows the window and waits; Accepted once
    // the settings were stored.
    int exec() override;
    // The same, returning at once.
    void open() override;

private:
    void accept() override;
    // Asks before typed settings are lost; not while a test message is being sent.
    void reject() override;
    bool changed() const;
    void prepareForShowing();
    void showSettings(const mail::MailSettings& settings);
    mail::MailSettings shownSettings() const;
    bool settingsValidOrSaid();
    bool refused(QWidget* field, const QString& text);
    void onSecurityChanged();
    void chooseCaFile();
    void sendTestMessage();

    void readOutbox();
    void showEntries();
    int selectedEntry() const;
    void updateOutboxButtons();
    void sendAgain();
    void dropMessage();
    void changeEntry(void (*change)(db::Database&, int), int id);

    desk::Desk& desk_;
    mail::MailSettings read_;  // as stored, with the stored password never shown
    mail::Security shownSecurity_ = mail::Security::StartTls;
    bool sending_ = false;
    std::vector<mail::OutboxEntry> entries_;

    QLineEdit* serverEdit;
    QLineEdit* portEdit;
    QComboBox* securityBox;
    QLineEdit* userEdit;
    QLineEdit* passwordEdit;
    QLineEdit* senderAddressEdit;
    QLineEdit* senderNameEdit;
    QPlainTextEdit* wardensEdit;
    QPlainTextEdit* buildingAddressEdit;
    QCheckBox* notifyCheck;
    QLineEdit* caFileEdit;
    QPushButton* caFileButton;
    QLineEdit* testAddressEdit;
    QPushButton* testButton;
    QLabel* outboxStateLabel;
    QTableWidget* outboxTable;
    QPushButton* sendAgainButton;
    QPushButton* dropButton;
    QPushButton* refreshButton;
    QPushButton* okButton;
    QPushButton* cancelButton;
};

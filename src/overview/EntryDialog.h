#pragma once
// The badge and card handed to a guest who goes in now.
#include <QDialog>
#include <optional>

class QLabel;
class QLineEdit;

class EntryDialog : public QDialog {
    Q_OBJECT
public:
    struct HandedOut {
        QString badge;
        QString card;
    };

    explicit EntryDialog(QWidget* parent = nullptr);
    // Shows the guest's name and the badge and card already noted; what OK gave.
    std::optional<HandedOut> ask(const QString& guestName, const QString& badge,
                                 const QString& card);

private:
    QLabel* guestLabel = nullptr;
    QLineEdit* badgeEdit = nullptr;
    QLineEdit* cardEdit = nullptr;
};

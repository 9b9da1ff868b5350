#include "overview/EntryDialog.h"

#include "controls/Accessibility.h"
#include "controls/DialogButtons.h"

#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace {
constexpr int HandedOutLength = 64;  // IDENTYFIKATOR and NRKARTY
}

EntryDialog::EntryDialog(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("EntryDialog"));
    setWindowTitle(QStringLiteral("Wejście gościa"));
    guestLabel = new QLabel;
    guestLabel->setObjectName(QStringLiteral("guestLabel"));
    controls::markDataLabel(guestLabel, QStringLiteral("Gość"));
    auto makeEdit = [](const char* name, const QString& accessibleName) {
        auto* edit = new QLineEdit;
        edit->setObjectName(QString::fromLatin1(name));
        edit->setAccessibleName(accessibleName);
        edit->setMaxLength(HandedOutLength);
        return edit;
    };
    badgeEdit = makeEdit("badgeEdit", QStringLiteral("Identyfikator"));
    cardEdit = makeEdit("cardEdit", QStringLiteral("Nr karty"));
    QPushButton* ok = nullptr;
    QPushButton* cancel = nullptr;
    QHBoxLayout* buttons = controls::okCancelButtons(ok, cancel);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Gość:"), guestLabel);
    form->addRow(QStringLiteral("&Identyfikator:"), badgeEdit);
    form->addRow(QStringLiteral("Nr &karty:"), cardEdit);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(buttons);
}

std::optional<EntryDialog::HandedOut> EntryDialog::ask(const QString& guestName,
                                                       const QString& badge, const QString& card)
{
    guestLabel->setText(guestName);
    badgeEdit->setText(badge);
    cardEdit->setText(card);
    badgeEdit->setFocus();
    badgeEdit->selectAll();
    if (exec() != QDialog::Accepted)
        return std::nullopt;
    return HandedOut{badgeEdit->text(), cardEdit->text()};
}

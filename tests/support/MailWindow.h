#pragma once
// Fills the "Poczta" window's settings as the administrator types them.
#include "mail/MailSettings.h"
#include "support/Find.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>

namespace testsupport {

inline void typeMailSettings(QWidget* window, const mail::MailSettings& settings)
{
    auto* security = child<QComboBox>(window, "securityBox");
    security->setCurrentIndex(security->findData(int(settings.security)));
    child<QLineEdit>(window, "serverEdit")->setText(settings.server);
    child<QLineEdit>(window, "portEdit")->setText(QString::number(settings.port));
    child<QLineEdit>(window, "userEdit")->setText(settings.user);
    child<QLineEdit>(window, "passwordEdit")->setText(settings.password);
    child<QLineEdit>(window, "senderAddressEdit")->setText(settings.senderAddress);
    child<QLineEdit>(window, "senderNameEdit")->setText(settings.senderName);
    child<QPlainTextEdit>(window, "wardensEdit")->setPlainText(settings.wardens.join(u'\n'));
    child<QCheckBox>(window, "notifyCheck")->setChecked(settings.notifyAutomatically);
    child<QLineEdit>(window, "caFileEdit")->setText(settings.caFile);
}

}  // namespace testsupport

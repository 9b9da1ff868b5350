#pragma once
// The mail settings of this desk: the settings file's section "Poczta" and the password file
// beside it.
#include "mail/MailSettings.h"

namespace desk {

class Desk;

mail::MailSettings readMailSettings(const Desk& desk);
// A server and a sender are set (MailSettings::isSetUp()), read without the password.
bool mailIsSetUp(const Desk& desk);
// Throws db::Error when a file cannot be written; the password is stored apart from the rest.
void storeMailSettings(Desk& desk, const mail::MailSettings& settings);

}  // namespace desk

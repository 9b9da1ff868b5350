#pragma once
// The mail server's password, kept out of Halvane.ini and never in clear text: in
// "poczta.db" of the settings folder, readable by its owner only, encrypted (AES-256-GCM,
// OpenSSL) with a key made from this computer's identity and the user's, so that a copy of the
// file elsewhere does not give the password away.
#include <QString>

namespace mail {

extern const char* const PasswordFileName;  // "poczta.db"

// The stored password; empty when none is stored, or when the file was written on another
// computer or by another user (then `unreadable` is set, and the administrator types it again).
QString readPassword(const QString& settingsFolder, bool* unreadable = nullptr);
// Stores the password (an empty one removes the file). Throws db::Error, leaving the stored
// one as it was, when the file cannot be written.
void writePassword(const QString& settingsFolder, const QString& password);

}  // namespace mail

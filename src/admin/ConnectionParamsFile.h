#pragma once
// The connection parameter file params.db of the settings folder: the user name, the
// password and the character set of the connection, scrambled three bytes a character.
#include <QString>

namespace admin {

extern const char* const DefaultConnectionParams;
extern const char* const ConnectionParamsFileName;

// The unscrambled content of params.db, or the built-in default when there is none.
QString readConnectionParams(const QString& settingsFolder);
// Writes the text scrambled to params.db, replacing the file, readable by its owner
// only (it holds a password). Throws db::Error when the file cannot be written.
void writeConnectionParams(const QString& settingsFolder, const QString& text);

QByteArray scramble(const QString& text);
QString unscramble(const QByteArray& bytes);

}  // namespace admin

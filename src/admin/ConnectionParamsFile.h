#pragma once
// The connection parameter file params.db of the settings folder: the user name, the
// password and the character set of the connection, scrambled three bytes a character.
#include <QString>

namespace admin {

extern const char* const DefaultConnectionParams;
extern const char* const ConnectionParamsFileName;

// The unscrambled content of params.db, or the built-in default when there is none.
// Throws db::Error for a file that cannot be read or is larger than 64 KiB.
QString readConnectionParams(const QString& settingsFolder);
// Writes the text scrambled to params.db, replacing the file, readable by its owner
// only (it holds a password). Throws db::Error, writing nothing, when a character of
// the text does not fit in Windows-1250 or the file cannot be written.
void writeConnectionParams(const QString& settingsFolder, const QString& text);

QByteArray scramble(const QString& text);
QString unscramble(const QByteArray& bytes);

}  // namespace admin

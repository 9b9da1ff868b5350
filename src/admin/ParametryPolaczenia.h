#pragma once
// The connection parameter file params.db of the settings folder: the user name, the
// password and the character set of the connection, scrambled three bytes a character.
#include <QString>

namespace admin {

extern const char* const kDomyslneParametry;
extern const char* const kPlikParametrow;

// The unscrambled content of params.db, or the built-in default when there is none.
QString ParametryPolaczenia(const QString& katalogUstawien);
// Writes the text scrambled to params.db, replacing the file, readable by its owner
// only (it holds a password). Throws db::Error when the file cannot be written.
void ZapiszPlikParametrow(const QString& katalogUstawien, const QString& text);

QByteArray scramble(const QString& text);
QString unscramble(const QByteArray& bytes);

}  // namespace admin

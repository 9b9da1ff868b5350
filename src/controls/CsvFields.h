#pragma once
// How the program's CSV files write their fields: Windows-1250 bytes, ";" between fields,
// CR LF after every line. The personnel file never quotes a field (its import splits a line
// at every ";"), so a ";" inside one becomes ",". The lists and reports quote as RFC 4180
// does, so that every value, line breaks and all, is read back as it was written.
#include <QByteArray>
#include <QString>
#include <algorithm>

namespace controls::csv {

inline constexpr char Separator = ';';
inline constexpr char LineEnd[] = "\r\n";

// The text in Windows-1250; a character the code page lacks becomes "?".
QByteArray encode(const QString& text);

// Appends a field's bytes (already Windows-1250) to a line, without the separator.
inline void appendField(QByteArray& line, const QByteArray& field)
{
    const qsizetype start = line.size();
    line.append(field);
    std::replace(line.begin() + start, line.end(), Separator, ',');
}

// Appends a field of a list or report to a line, without the separator: quoted ("" for a
// quote inside) when it holds ";", a quote, CR or LF, or when a spreadsheet would take it for
// a formula. Such a value (beginning with "=", "+", "-", "@", a tab or CR) gets an apostrophe
// before it, inside the quotes: the guard OWASP advises against CSV injection, which a
// spreadsheet shows as the text itself.
void appendQuotedField(QByteArray& line, const QString& text);

}  // namespace controls::csv

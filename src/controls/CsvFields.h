#pragma once
// How the program's CSV files write their fields: Windows-1250 bytes, ";" between fields,
// CR LF after every line. Fields are never quoted, so a ";" inside one becomes ",", and a
// line always splits into the fields it was written from.
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

}  // namespace controls::csv

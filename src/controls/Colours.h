#pragma once
// The colours every list of the program shares, given as Windows colour values
// 0x00BBGGRR.
#include <QColor>

namespace controls {

constexpr QColor windowsColor(unsigned bgr)
{
    return QColor(int(bgr & 0xFF), int((bgr >> 8) & 0xFF), int((bgr >> 16) & 0xFF));
}

namespace colours {
constexpr unsigned CurrentFocused = 0xF0CAA6;   // current row or node, control focused
constexpr unsigned CurrentUnfocused = 0xCCCCCC;  // current row or node, no focus
constexpr unsigned OddRow = 0xF5F5F5; // rows with an odd record number
constexpr unsigned InactiveBox = 0xEEEEEE;    // disabled or read-only input boxes
constexpr unsigned NotFound = 0x8080FF;     // number box without its record, reversed dates
constexpr unsigned NoMatch = 0xB9B9FF;   // a search text that matches nothing
constexpr unsigned Banned = 0x0000C0;    // the text of a guest marked "Zakaz wstępu"
}  // namespace colours

// Background of a list row: the current row by focus, then odd record numbers grey.
QColor rowBackground(bool current, bool focused, int recNo, const QColor& window);

}  // namespace controls

#pragma once
// The one reader and writer of numbers as text. The Polish form is what the user types
// and sees ("1,5"); the C form is what parameters and files carry ("1.5").
#include <QString>
#include <optional>

namespace db {

enum class NumberForm { Polish, C };

// A finite decimal number, blanks around it allowed, no thousands separators, an
// exponent allowed ("1e3"). The C form takes only "." as the decimal separator; the
// Polish form takes "," and also "." (a full stop typed on the numeric keypad), which
// cannot be mistaken for grouping because grouping is never accepted.
std::optional<double> parseNumber(const QString& text, NumberForm form);
// A whole number in digits with an optional sign that fits in 64 bits.
std::optional<qint64> parseWholeNumber(const QString& text);

// The number rounded to the nearest whole number when that fits in a signed integer of
// `bits` bits (16, 32 or 64); nothing for a value out of range, infinite or not a number.
std::optional<qint64> roundToWhole(double value, int bits);
bool fitsInBits(qint64 value, int bits);

// Without grouping, so that parseNumber reads it back.
QString formatNumber(double value, NumberForm form);

}  // namespace db

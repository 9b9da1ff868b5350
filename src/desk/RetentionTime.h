#pragma once
// How long guests' personal data is kept: Halvane.ini's section RODO, key Miesiace, read by
// the removal of old data and told to the guests in the information clause.
#include <QString>

namespace desk {

extern const QString PersonalDataSection;  // "RODO"
extern const QString RetentionMonthsKey;   // "Miesiace"
constexpr int DefaultRetentionMonths = 24;
constexpr int MinRetentionMonths = 1;
constexpr int MaxRetentionMonths = 120;

// A stored whole number within min..max; anything else (outside, not a number) gives the
// fallback. Settings that the administrator may have typed into the file.
int numberInRange(const QString& stored, int min, int max, int fallback);

// The stored retention time; anything outside 1..120 or not a number gives the default.
int retentionMonths(const QString& stored);

// "1 miesiąc", "3 miesiące", "24 miesiące", "12 miesięcy": the number with its Polish form.
QString monthsText(int months);

}  // namespace desk

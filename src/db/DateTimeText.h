#pragma once
// Date-time values of the program: a day count since 30 December 1899 with the time
// of day as the fraction; the value 0 stands for "no date".
#include <QDate>
#include <QDateTime>
#include <QString>
#include <QVariant>

namespace db {

using DayCount = double;

DayCount fromDate(const QDate& date);
DayCount fromDateTime(const QDateTime& dateTime);
QDate toDate(DayCount value);
QDateTime toDateTime(DayCount value);
// A column's value as read (a day count, or null): a null gives an invalid date.
QDate dateOf(const QVariant& value);
QDateTime dateTimeOf(const QVariant& value);

// A finite value within the days a TIMESTAMP can hold (years 1 to 9999).
bool isValidDayCount(DayCount value);

// Firebird's own halves of a TIMESTAMP: days since 17 November 1858 and
// ten-thousandths of a second since midnight.
struct IscTimestamp {
    int date;
    unsigned time;
};
IscTimestamp toIsc(DayCount value);
DayCount fromIsc(int iscDate, unsigned iscTime);

// "DD-MM-YYYY" to a date; 0 for anything else or a day that does not exist.
DayCount parseDate(const QString& text);
// "HH:NN" to a time of day (a fraction of a day); -1 for anything else.
double parseTime(const QString& text);

}  // namespace db

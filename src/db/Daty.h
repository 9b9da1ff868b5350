#pragma once
// Date-time values of the program: a day count since 30 December 1899 with the time
// of day as the fraction; the value 0 stands for "no date".
#include <QDate>
#include <QDateTime>
#include <QString>

namespace db {

using DataCzas = double;

DataCzas fromDate(const QDate& date);
DataCzas fromDateTime(const QDateTime& dateTime);
QDate toDate(DataCzas value);
QDateTime toDateTime(DataCzas value);

// Firebird's own halves of a TIMESTAMP: days since 17 November 1858 and
// ten-thousandths of a second since midnight.
struct IscTimestamp {
    int date;
    unsigned time;
};
IscTimestamp toIsc(DataCzas value);
DataCzas fromIsc(int iscDate, unsigned iscTime);

// "DD-MM-YYYY" to a date; 0 for anything else or a day that does not exist.
DataCzas ParsujDate(const QString& text);
// "HH:NN" to a time of day (a fraction of a day); -1 for anything else.
double ParsujCzas(const QString& text);

}  // namespace db

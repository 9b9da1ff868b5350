#include "db/DateTimeText.h"

#include <cmath>

namespace db {
namespace {

constexpr qint64 kTicksPerDay = 864000000;  // 1/10000 s
constexpr int kMjdOfOrigin = 15018;         // 30 December 1899 as a day since 17 November 1858
const QDate kOrigin(1899, 12, 30);

// A part made only of decimal digits, else `fallback`.
int digitsOr(const QString& part, int fallback)
{
    if (part.isEmpty())
        return fallback;
    for (QChar c : part)
        if (c < u'0' || c > u'9')
            return fallback;
    return part.toInt();
}

}  // namespace

DayCount fromDate(const QDate& date)
{
    return date.isValid() ? double(kOrigin.daysTo(date)) : 0.0;
}

DayCount fromDateTime(const QDateTime& dateTime)
{
    if (!dateTime.isValid())
        return 0.0;
    const double days = fromDate(dateTime.date());
    const double fraction = dateTime.time().msecsSinceStartOfDay() / 86400000.0;
    return days >= 0 ? days + fraction : days - fraction;
}

QDate toDate(DayCount value)
{
    return kOrigin.addDays(qint64(std::trunc(value)));
}

QDate dateOf(const QVariant& value)
{
    return value.isNull() ? QDate() : toDate(value.toDouble());
}

QDateTime dateTimeOf(const QVariant& value)
{
    return value.isNull() ? QDateTime() : toDateTime(value.toDouble());
}

QDateTime toDateTime(DayCount value)
{
    const IscTimestamp isc = toIsc(value);
    return QDateTime(kOrigin.addDays(isc.date - kMjdOfOrigin),
                     QTime::fromMSecsSinceStartOfDay(int(isc.time / 10)));
}

bool isValidDayCount(DayCount value)
{
    static const double first = fromDate(QDate(1, 1, 1));
    static const double last = fromDate(QDate(9999, 12, 31));
    // A negative value counts its fraction away from zero: the day is its whole part.
    return std::isfinite(value) && std::trunc(value) >= first && std::trunc(value) <= last;
}

IscTimestamp toIsc(DayCount value)
{
    qint64 days = qint64(std::trunc(value));
    qint64 ticks = std::llround(std::fabs(value - double(days)) * double(kTicksPerDay));
    if (ticks >= kTicksPerDay) {  // rounding reached the next midnight
        ticks -= kTicksPerDay;
        ++days;
    }
    return {int(days + kMjdOfOrigin), unsigned(ticks)};
}

DayCount fromIsc(int iscDate, unsigned iscTime)
{
    const double days = iscDate - kMjdOfOrigin;
    const double fraction = double(iscTime) / double(kTicksPerDay);
    return days >= 0 ? days + fraction : days - fraction;
}

DayCount parseDate(const QString& text)
{
    if (text.size() != 10 || text[2] != u'-' || text[5] != u'-')
        return 0;
    const int day = digitsOr(text.mid(0, 2), 0);
    const int month = digitsOr(text.mid(3, 2), 0);
    const int year = digitsOr(text.mid(6, 4), 0);
    if (year < 1900)
        return 0;
    const QDate date(year, month, day);
    return date.isValid() ? fromDate(date) : 0;
}

double parseTime(const QString& text)
{
    if (text.size() != 5 || text[2] != u':')
        return -1;
    const int hour = digitsOr(text.mid(0, 2), -1);
    const int minute = digitsOr(text.mid(3, 2), -1);
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59)
        return -1;
    return hour / 24.0 + minute / 1440.0;
}

}  // namespace db

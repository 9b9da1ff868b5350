#include "calendar/PublicHolidays.h"

namespace {

constexpr int FirstYear = 1;
constexpr int LastYear = 9999;

const char* const FixedHolidays[] = {
    "01.01=Nowy Rok",
    "01.05=Święto Pracy",
    "03.05=Konstytucji 3 Maja",
    "15.08=Wniebowzięcie NMP",
    "01.11=Wszystkich Świętych",
    "11.11=Święto Niepodległości",
    "25.12=Boże Narodzenie - 1 dzień",
    "26.12=Boże Narodzenie - 2 dzień",
};

struct MovableHoliday {
    int daysAfterEaster;
    const char* name;
};

const MovableHoliday MovableHolidays[] = {
    {0, "Wielkanoc"},
    {1, "Poniedziałek Wielkanocny"},
    {49, "Zesłanie Ducha Św."},
    {60, "Boże Ciało"},
};

QString dayMonthKey(const QDate& day)
{
    return QString::asprintf("%02d.%02d", day.day(), day.month());
}

}  // namespace

QDate easterSunday(int year)
{
    // Outside 1..9999 there is no date to give, and for some years before 1 the method would
    // divide by zero.
    if (year < FirstYear || year > LastYear)
        return QDate();
    // C++ division truncates toward zero and % keeps the dividend's sign, as the method assumes.
    const int g = year % 19;
    const int c = year / 100;
    const int h = (c - c / 4 - (8 * c + 13) / 25 + 19 * g + 15) % 30;
    const int i = h - (h / 28) * (1 - ((29 / (h + 1)) * (21 - g)) / 11);
    const int j = (year + year / 4 + i + 2 - c + c / 4) % 7;
    const int l = i - j;
    const int month = 3 + (l + 40) / 44;
    const int day = l + 28 - 31 * (month / 4);
    return QDate(year, month, day);
}

void PublicHolidays::computeYear(int year)
{
    lines_.clear();
    if (year < FirstYear || year > LastYear)
        return;
    for (const char* line : FixedHolidays)
        lines_.append(QString::fromUtf8(line));

    const QDate easter = easterSunday(year);
    for (const MovableHoliday& holiday : MovableHolidays)
        lines_.append(dayMonthKey(easter.addDays(holiday.daysAfterEaster)) + QLatin1Char('=') +
                      QString::fromUtf8(holiday.name));
}

QString PublicHolidays::name(const QString& dayMonthKey) const
{
    for (const QString& line : lines_) {
        const int equals = line.indexOf(QLatin1Char('='));
        if (equals < 0)
            continue;
        if (QStringView(line).left(equals).compare(dayMonthKey, Qt::CaseInsensitive) == 0)
            return line.mid(equals + 1);
    }
    return QString();
}

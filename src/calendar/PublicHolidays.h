#pragma once
// The statutory public holidays of one year, as "DD.MM=name" lines.
#include <QDate>
#include <QString>
#include <QStringList>

// Easter Sunday of a Gregorian year (Oudin's integer method); invalid outside years 1..9999.
QDate easterSunday(int year);

class PublicHolidays {
public:
    // Replaces the list with the 12 holidays of `year`: the 8 fixed ones, then the 4 movable
    // ones; outside years 1..9999 the list is left empty.
    void computeYear(int year);
    // The holiday's name for a "DD.MM" key, or the empty text when the day is no holiday.
    QString name(const QString& dayMonthKey) const;

    // Insertion order, no sorting, no year: only the last computed year is described.
    const QStringList& lines() const { return lines_; }

private:
    QStringList lines_;
};

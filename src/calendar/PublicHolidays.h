#pragma once
// The statutory public holidays of one year, as "DD.MM=name" lines.
#include <QDate>
#include <QString>
#include <QStringList>

// Easter Sunday of a Gregorian year (Oudin's integer method).
QDate easterSunday(int rok);

class PublicHolidays {
public:
    PublicHolidays() = default;

    // Replaces the list with the 12 holidays of `rok`: the 8 fixed ones, then the 4 movable ones.
    void Wyznacz(int rok);
    // The holiday's name for a "DD.MM" key, or the empty text when the day is no holiday.
    QString Nazwa(const QString& klucz) const;

    // Insertion order, no sorting, no year: only the last computed year is described.
    QStringList Lista;
};

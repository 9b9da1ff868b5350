#include <QSet>
#include <QTest>
#include <limits>

#include "calendar/PublicHolidays.h"
#include "support/testmain.h"

namespace {

// The anonymous Gregorian algorithm (Meeus/Jones/Butcher), independent of the program's method.
QDate meeusEaster(int year)
{
    const int a = year % 19, b = year / 100, c = year % 100, d = b / 4, e = b % 4;
    const int f = (b + 8) / 25, g = (b - f + 1) / 3, h = (19 * a + b - d - g + 15) % 30;
    const int i = c / 4, k = c % 4, l = (32 + 2 * e + 2 * i - h - k) % 7;
    const int m = (a + 11 * h + 22 * l) / 451;
    return QDate(year, (h + l - 7 * m + 114) / 31, (h + l - 7 * m + 114) % 31 + 1);
}

QString key(const QDate& day)
{
    return day.toString(QStringLiteral("dd.MM"));
}

const QStringList FixedLines{"01.01=Nowy Rok",
                             "01.05=Święto Pracy",
                             "03.05=Konstytucji 3 Maja",
                             "15.08=Wniebowzięcie NMP",
                             "01.11=Wszystkich Świętych",
                             "11.11=Święto Niepodległości",
                             "25.12=Boże Narodzenie - 1 dzień",
                             "26.12=Boże Narodzenie - 2 dzień"};

QStringList movableLines(const char* easter, const char* easterMonday, const char* pentecost,
                         const char* corpusChristi)
{
    return {QString::fromLatin1(easter) + "=Wielkanoc",
            QString::fromLatin1(easterMonday) + "=Poniedziałek Wielkanocny",
            QString::fromLatin1(pentecost) + "=Zesłanie Ducha Św.",
            QString::fromLatin1(corpusChristi) + "=Boże Ciało"};
}

}  // namespace

class PublicHolidaysTest : public QObject {
    Q_OBJECT

private slots:
    void everyYearHasTwelveDistinctDaysAroundEaster()
    {
        PublicHolidays holidays;
        for (int year = 1; year <= 9999; ++year) {
            holidays.computeYear(year);
            const QByteArray where = QByteArray::number(year);
            // Years before 1583 follow the same Gregorian rule.
            const QDate easter = meeusEaster(year);
            QVERIFY2(easterSunday(year) == easter, where);
            QVERIFY2(holidays.lines().mid(0, 8) == FixedLines, where);
            QVERIFY2(holidays.lines().mid(8) ==
                         QStringList({key(easter) + "=Wielkanoc",
                                      key(easter.addDays(1)) + "=Poniedziałek Wielkanocny",
                                      key(easter.addDays(49)) + "=Zesłanie Ducha Św.",
                                      key(easter.addDays(60)) + "=Boże Ciało"}),
                     where);
            QSet<QString> keys;
            for (const QString& line : holidays.lines())
                keys.insert(line.left(5));
            QVERIFY2(keys.size() == 12, where);
        }
    }

    void linesOfYear_data()
    {
        QTest::addColumn<int>("year");
        QTest::addColumn<QStringList>("movable");
        QTest::newRow("2024") << 2024 << movableLines("31.03", "01.04", "19.05", "30.05");
        QTest::newRow("2025") << 2025 << movableLines("20.04", "21.04", "08.06", "19.06");
        QTest::newRow("2000 century leap year")
            << 2000 << movableLines("23.04", "24.04", "11.06", "22.06");
        QTest::newRow("2008") << 2008 << movableLines("23.03", "24.03", "11.05", "22.05");
        QTest::newRow("2038 latest Easter")
            << 2038 << movableLines("25.04", "26.04", "13.06", "24.06");
        QTest::newRow("2285 earliest Easter")
            << 2285 << movableLines("22.03", "23.03", "10.05", "21.05");
    }

    void linesOfYear()
    {
        QFETCH(int, year);
        QFETCH(QStringList, movable);
        PublicHolidays holidays;
        holidays.computeYear(year == 2025 ? 2024 : 1999);  // an earlier year leaves nothing behind
        holidays.computeYear(year);
        QCOMPARE(holidays.lines(), FixedLines + movable);
    }

    void nameIsFoundByDayAndMonth()
    {
        PublicHolidays holidays;
        QCOMPARE(holidays.name("03.05"), QString());  // nothing computed yet
        holidays.computeYear(2024);
        QCOMPARE(holidays.name("03.05"), QStringLiteral("Konstytucji 3 Maja"));
        QCOMPARE(holidays.name("26.12"), QStringLiteral("Boże Narodzenie - 2 dzień"));
        QCOMPARE(holidays.name("30.05"), QStringLiteral("Boże Ciało"));
        QCOMPARE(holidays.name("15.08"), QStringLiteral("Wniebowzięcie NMP"));  // the Assumption
        for (const char* none :
             {"24.12", "06.01", "02.05", "", "3.5", "03", "03.05=Konstytucji 3 Maja", "Nowy Rok"})
            QVERIFY2(holidays.name(QString::fromUtf8(none)).isEmpty(), none);
    }

    void yearsOutsideTheCalendarHaveNoHolidays()
    {
        PublicHolidays holidays;
        holidays.computeYear(2024);
        // Year -2991 is one where the method divides by zero.
        QList<int> years;
        for (int year = 0; year >= -3000; --year)
            years << year << 10000 - year;
        years << std::numeric_limits<int>::min() << std::numeric_limits<int>::max();
        for (int year : years) {
            holidays.computeYear(year);
            QVERIFY2(holidays.lines().isEmpty(), QByteArray::number(year));
            QVERIFY2(!easterSunday(year).isValid(), QByteArray::number(year));
        }
        QCOMPARE(holidays.name("01.01"), QString());
    }
};

HALVANE_TEST(PublicHolidaysTest);

#include "PublicHolidaysTest.moc"

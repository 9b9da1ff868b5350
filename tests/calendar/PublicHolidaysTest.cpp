#include <QSet>
#include <QTest>

#include "calendar/PublicHolidays.h"
#include "support/testmain.h"

namespace {

// The anonymous Gregorian algorithm (Meeus/Jones/Butcher), independent of the program's method.
QDate WielkanocMeeus(int rok)
{
    const int a = rok % 19, b = rok / 100, c = rok % 100, d = b / 4, e = b % 4;
    const int f = (b + 8) / 25, g = (b - f + 1) / 3, h = (19 * a + b - d - g + 15) % 30;
    const int i = c / 4, k = c % 4, l = (32 + 2 * e + 2 * i - h - k) % 7;
    const int m = (a + 11 * h + 22 * l) / 451;
    return QDate(rok, (h + l - 7 * m + 114) / 31, (h + l - 7 * m + 114) % 31 + 1);
}

QString Klucz(const QDate& dzien) { return dzien.toString(QStringLiteral("dd.MM")); }

const QStringList kStale{
    "01.01=Nowy Rok", "01.05=Święto Pracy", "03.05=Konstytucji 3 Maja",
    "15.08=Wniebowstąpienie NMP", "01.11=Wszystkich Świętych", "11.11=Święto Niepodległości",
    "25.12=Boże Narodzenie - 1 dzień", "26.12=Boże Narodzenie - 2 dzień"};

QStringList Ruchome(const char* wielkanoc, const char* poniedzialek, const char* zeslanie, const char* cialo)
{
    return {QString::fromLatin1(wielkanoc) + "=Wielkanoc", QString::fromLatin1(poniedzialek) + "=Poniedziałek Wielkanocny",
            QString::fromLatin1(zeslanie) + "=Zesłanie Ducha Św.", QString::fromLatin1(cialo) + "=Boże Ciało"};
}

}  // namespace

class SwietaTest : public QObject {
    Q_OBJECT

private slots:
    void everyYearHasTwelveDistinctDaysAroundEaster()
    {
        PublicHolidays swieta;
        for (int rok = 1; rok <= 9999; ++rok) {
            swieta.Wyznacz(rok);
            const QByteArray blad = QByteArray::number(rok);
            // Years before 1583 follow the same Gregorian rule.
            const QDate wielkanoc = WielkanocMeeus(rok);
            QVERIFY2(easterSunday(rok) == wielkanoc, blad);
            QVERIFY2(swieta.Lista.mid(0, 8) == kStale, blad);
            QVERIFY2(swieta.Lista.mid(8) == QStringList({Klucz(wielkanoc) + "=Wielkanoc",
                         Klucz(wielkanoc.addDays(1)) + "=Poniedziałek Wielkanocny",
                         Klucz(wielkanoc.addDays(49)) + "=Zesłanie Ducha Św.",
                         Klucz(wielkanoc.addDays(60)) + "=Boże Ciało"}), blad);
            QSet<QString> klucze;
            for (const QString& linia : swieta.Lista)
                klucze.insert(linia.left(5));
            QVERIFY2(klucze.size() == 12, blad);
        }
    }

    void linesOfYear_data()
    {
        QTest::addColumn<int>("rok");
        QTest::addColumn<QStringList>("ruchome");
        QTest::newRow("2024") << 2024 << Ruchome("31.03", "01.04", "19.05", "30.05");
        QTest::newRow("2025") << 2025 << Ruchome("20.04", "21.04", "08.06", "19.06");
        QTest::newRow("2000 century leap year") << 2000 << Ruchome("23.04", "24.04", "11.06", "22.06");
        QTest::newRow("2008") << 2008 << Ruchome("23.03", "24.03", "11.05", "22.05");
        QTest::newRow("2038 latest Easter") << 2038 << Ruchome("25.04", "26.04", "13.06", "24.06");
        QTest::newRow("2285 earliest Easter") << 2285 << Ruchome("22.03", "23.03", "10.05", "21.05");
    }

    void linesOfYear()
    {
        QFETCH(int, rok);
        QFETCH(QStringList, ruchome);
        PublicHolidays swieta;
        swieta.Wyznacz(rok == 2025 ? 2024 : 1999);  // an earlier year must leave nothing behind
        swieta.Wyznacz(rok);
        QCOMPARE(swieta.Lista, kStale + ruchome);
    }

    void nameOfKey()
    {
        PublicHolidays swieta;
        QCOMPARE(swieta.Nazwa("03.05"), QString());  // nothing computed yet
        swieta.Wyznacz(2024);
        QCOMPARE(swieta.Nazwa("03.05"), QStringLiteral("Konstytucji 3 Maja"));
        QCOMPARE(swieta.Nazwa("26.12"), QStringLiteral("Boże Narodzenie - 2 dzień"));
        QCOMPARE(swieta.Nazwa("30.05"), QStringLiteral("Boże Ciało"));
        for (const char* zaden : {"24.12", "06.01", "02.05", "", "3.5", "03", "03.05=Konstytucji 3 Maja", "Nowy Rok"})
            QVERIFY2(swieta.Nazwa(QString::fromUtf8(zaden)).isEmpty(), zaden);
        swieta.Lista = QStringList{"07.07=a=b", "07.07=drugie"};
        QCOMPARE(swieta.Nazwa("07.07"), QStringLiteral("a=b"));
    }
};

HALVANE_TEST(SwietaTest);

#include "PublicHolidaysTest.moc"

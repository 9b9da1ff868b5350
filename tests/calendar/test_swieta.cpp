#include <QDate>
#include <QSet>
#include <QTest>

#include "calendar/Unit_klasy.h"
#include "support/testmain.h"

namespace {

// The anonymous Gregorian algorithm (Meeus/Jones/Butcher), independent of the program's method.
QDate WielkanocMeeus(int rok)
{
    const int a = rok % 19;
    const int b = rok / 100;
    const int c = rok % 100;
    const int d = b / 4;
    const int e = b % 4;
    const int f = (b + 8) / 25;
    const int g = (b - f + 1) / 3;
    const int h = (19 * a + b - d - g + 15) % 30;
    const int i = c / 4;
    const int k = c % 4;
    const int l = (32 + 2 * e + 2 * i - h - k) % 7;
    const int m = (a + 11 * h + 22 * l) / 451;
    const int miesiac = (h + l - 7 * m + 114) / 31;
    const int dzien = (h + l - 7 * m + 114) % 31 + 1;
    return QDate(rok, miesiac, dzien);
}

QString Klucz(const QDate& dzien)
{
    return dzien.toString(QStringLiteral("dd.MM"));
}

QStringList StaleLinie()
{
    return {
        QStringLiteral("01.01=Nowy Rok"),
        QStringLiteral("01.05=Święto Pracy"),
        QStringLiteral("03.05=Konstytucji 3 Maja"),
        QStringLiteral("15.08=Wniebowstąpienie NMP"),
        QStringLiteral("01.11=Wszystkich Świętych"),
        QStringLiteral("11.11=Święto Niepodległości"),
        QStringLiteral("25.12=Boże Narodzenie - 1 dzień"),
        QStringLiteral("26.12=Boże Narodzenie - 2 dzień"),
    };
}

QStringList RuchomeLinie(const QString& wielkanoc, const QString& poniedzialek,
                         const QString& zeslanie, const QString& bozeCialo)
{
    return {
        wielkanoc + QStringLiteral("=Wielkanoc"),
        poniedzialek + QStringLiteral("=Poniedziałek Wielkanocny"),
        zeslanie + QStringLiteral("=Zesłanie Ducha Św."),
        bozeCialo + QStringLiteral("=Boże Ciało"),
    };
}

}  // namespace

class SwietaTest : public QObject {
    Q_OBJECT

private slots:
    void easterMatchesMeeusForEveryGregorianYear()
    {
        SWIETA swieta;
        for (int rok = 1583; rok <= 9999; ++rok) {
            swieta.Wyznacz(rok);
            const QDate wielkanoc = WielkanocMeeus(rok);
            const QString blad = QStringLiteral("rok %1").arg(rok);
            QVERIFY2(swieta.Lista.size() == 12, qPrintable(blad));
            QVERIFY2(swieta.Lista.at(8) == Klucz(wielkanoc) + QStringLiteral("=Wielkanoc"), qPrintable(blad));
            QVERIFY2(swieta.Lista.at(9).startsWith(Klucz(wielkanoc.addDays(1)) + QLatin1Char('=')),
                     qPrintable(blad));
            QVERIFY2(swieta.Lista.at(10).startsWith(Klucz(wielkanoc.addDays(49)) + QLatin1Char('=')),
                     qPrintable(blad));
            QVERIFY2(swieta.Lista.at(11).startsWith(Klucz(wielkanoc.addDays(60)) + QLatin1Char('=')),
                     qPrintable(blad));
            QVERIFY2(DataWielkanocy(rok) == wielkanoc, qPrintable(blad));
        }
    }

    void earlyYearsFollowTheGregorianRuleToo()
    {
        for (int rok = 1; rok < 1583; ++rok)
            QVERIFY2(DataWielkanocy(rok) == WielkanocMeeus(rok), qPrintable(QString::number(rok)));
        // Worked by hand: the Gregorian rule, not the Julian one, for an early year.
        QCOMPARE(DataWielkanocy(1000), QDate(1000, 3, 30));
    }

    void keysAreUniqueAndEasterStaysInItsWindow()
    {
        SWIETA swieta;
        for (int rok = 1; rok <= 9999; ++rok) {
            swieta.Wyznacz(rok);
            QSet<QString> klucze;
            for (const QString& linia : swieta.Lista)
                klucze.insert(linia.left(5));
            QVERIFY2(klucze.size() == 12, qPrintable(QString::number(rok)));
            const QDate wielkanoc = DataWielkanocy(rok);
            QVERIFY2(wielkanoc >= QDate(rok, 3, 22) && wielkanoc <= QDate(rok, 4, 25),
                     qPrintable(QString::number(rok)));
        }
    }

    void linesOfYear_data()
    {
        QTest::addColumn<int>("rok");
        QTest::addColumn<QStringList>("ruchome");
        QTest::newRow("2024, Easter 31 March") << 2024
            << RuchomeLinie("31.03", "01.04", "19.05", "30.05");
        QTest::newRow("2025, Easter 20 April") << 2025
            << RuchomeLinie("20.04", "21.04", "08.06", "19.06");
        QTest::newRow("2000, century leap year") << 2000
            << RuchomeLinie("23.04", "24.04", "11.06", "22.06");
        QTest::newRow("2008, Easter 23 March") << 2008
            << RuchomeLinie("23.03", "24.03", "11.05", "22.05");
        QTest::newRow("2038, latest Easter") << 2038
            << RuchomeLinie("25.04", "26.04", "13.06", "24.06");
        QTest::newRow("2285, earliest Easter") << 2285
            << RuchomeLinie("22.03", "23.03", "10.05", "21.05");
    }

    void linesOfYear()
    {
        QFETCH(int, rok);
        QFETCH(QStringList, ruchome);
        SWIETA swieta;
        swieta.Wyznacz(rok);
        QCOMPARE(swieta.Lista, StaleLinie() + ruchome);
    }

    void secondComputationReplacesTheFirst()
    {
        SWIETA swieta;
        swieta.Wyznacz(2024);
        swieta.Wyznacz(2025);
        QCOMPARE(swieta.Lista.size(), 12);
        QCOMPARE(swieta.Lista, StaleLinie() + RuchomeLinie("20.04", "21.04", "08.06", "19.06"));
        QCOMPARE(swieta.Nazwa(QStringLiteral("31.03")), QString());
        QCOMPARE(swieta.Nazwa(QStringLiteral("20.04")), QStringLiteral("Wielkanoc"));
    }

    void nameOfKey_data()
    {
        QTest::addColumn<QString>("klucz");
        QTest::addColumn<QString>("nazwa");
        QTest::newRow("Constitution Day") << "03.05" << "Konstytucji 3 Maja";
        QTest::newRow("New Year") << "01.01" << "Nowy Rok";
        QTest::newRow("second day of Christmas") << "26.12" << "Boże Narodzenie - 2 dzień";
        QTest::newRow("Corpus Christi 2024") << "30.05" << "Boże Ciało";
        QTest::newRow("Christmas Eve") << "24.12" << "";
        QTest::newRow("Epiphany") << "06.01" << "";
        QTest::newRow("ordinary day") << "02.05" << "";
        QTest::newRow("empty key") << "" << "";
        QTest::newRow("no leading zeros") << "3.5" << "";
        QTest::newRow("whole line as key") << "03.05=Konstytucji 3 Maja" << "";
        QTest::newRow("prefix of a key") << "03" << "";
        QTest::newRow("name instead of key") << "Nowy Rok" << "";
    }

    void nameOfKey()
    {
        QFETCH(QString, klucz);
        QFETCH(QString, nazwa);
        SWIETA swieta;
        swieta.Wyznacz(2024);
        QCOMPARE(swieta.Nazwa(klucz), nazwa);
    }

    void nameBeforeAnyComputationIsEmpty()
    {
        SWIETA swieta;
        QVERIFY(swieta.Lista.isEmpty());
        QCOMPARE(swieta.Nazwa(QStringLiteral("03.05")), QString());
        QCOMPARE(swieta.Nazwa(QStringLiteral("01.01")), QString());
    }

    void nameIsEverythingAfterTheFirstEqualsSign()
    {
        SWIETA swieta;
        swieta.Lista << QStringLiteral("07.07=a=b") << QStringLiteral("07.07=drugie");
        QCOMPARE(swieta.Nazwa(QStringLiteral("07.07")), QStringLiteral("a=b"));
    }
};

HALVANE_TEST(SwietaTest);

#include "test_swieta.moc"

// Date and time parsers, the date-time value and the named-parameter translation:
// rules that need no database.
#include "db/DateTimeText.h"
#include "db/NamedParams.h"
#include "db/NumberText.h"
#include "support/testmain.h"

#include <QTest>

using namespace db;

class TextRulesTest : public QObject {
    Q_OBJECT
private slots:
    void parseDateTakesOnlyExistingDaysAsDdMmYyyy_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QDate>("expected");  // invalid = no date (0)
        QTest::newRow("plain") << "05-03-2024" << QDate(2024, 3, 5);
        QTest::newRow("leap day") << "29-02-2024" << QDate(2024, 2, 29);
        QTest::newRow("first allowed year") << "01-01-1900" << QDate(1900, 1, 1);
        QTest::newRow("nine characters") << "5-03-2024" << QDate();
        QTest::newRow("slashes") << "05/03/2024" << QDate();
        QTest::newRow("31 February") << "31-02-2024" << QDate();
        QTest::newRow("day 0") << "00-01-2024" << QDate();
        QTest::newRow("month 13") << "01-13-2024" << QDate();
        QTest::newRow("year 1899") << "01-01-1899" << QDate();
        QTest::newRow("no leap year") << "29-02-2023" << QDate();
        QTest::newRow("letters") << "ab-cd-efgh" << QDate();
        QTest::newRow("blank day") << " 5-03-2024" << QDate();
        QTest::newRow("empty") << "" << QDate();
        QTest::newRow("eleven characters") << "05-03-20241" << QDate();
    }
    void parseDateTakesOnlyExistingDaysAsDdMmYyyy()
    {
        QFETCH(QString, text);
        QFETCH(QDate, expected);
        const DayCount value = parseDate(text);
        if (expected.isValid()) {
            QCOMPARE(toDate(value), expected);
            QCOMPARE(value, std::trunc(value));  // a date carries no time of day
        } else {
            QCOMPARE(value, 0.0);
        }
    }

    void parseTimeTakesOnlyRealTimesAsHhNn_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("minutes");  // -1 = no time
        QTest::newRow("09:05") << "09:05" << 9 * 60 + 5;
        QTest::newRow("midnight is a time") << "00:00" << 0;
        QTest::newRow("23:59") << "23:59" << 23 * 60 + 59;
        QTest::newRow("24:00") << "24:00" << -1;
        QTest::newRow("12:60") << "12:60" << -1;
        QTest::newRow("short") << "9:05" << -1;
        QTest::newRow("dash") << "12-30" << -1;
        QTest::newRow("letters") << "ab:cd" << -1;
        QTest::newRow("empty") << "" << -1;
    }
    void parseTimeTakesOnlyRealTimesAsHhNn()
    {
        QFETCH(QString, text);
        QFETCH(int, minutes);
        const double value = parseTime(text);
        if (minutes < 0)
            QCOMPARE(value, -1.0);
        else
            QCOMPARE(qRound(value * 1440.0), minutes);
    }

    void numbersReadInTheFormTheirSourceWrites_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("polish");        // else the C form
        QTest::addColumn<QVariant>("expected");  // null = not a number
        QTest::newRow("Polish comma") << " -2,25 " << true << QVariant(-2.25);
        QTest::newRow("keypad full stop in Polish") << "1.5" << true << QVariant(1.5);
        QTest::newRow("comma in C") << "1,5" << false << QVariant();
        QTest::newRow("full stop in C") << "1.5" << false << QVariant(1.5);
        QTest::newRow("exponent") << "1e300" << false << QVariant(1e300);
        QTest::newRow("grouping, Polish") << "1.500,5" << true << QVariant();
        QTest::newRow("grouping, C") << "1,500.5" << false << QVariant();
        QTest::newRow("blank group") << "1 500" << true << QVariant();
        QTest::newRow("too large") << "1e400" << false << QVariant();
        QTest::newRow("infinity") << "inf" << false << QVariant();
        QTest::newRow("not a number") << "nan" << true << QVariant();
        QTest::newRow("empty") << "" << true << QVariant();
    }
    void numbersReadInTheFormTheirSourceWrites()
    {
        QFETCH(QString, text);
        QFETCH(bool, polish);
        QFETCH(QVariant, expected);
        const NumberForm form = polish ? NumberForm::Polish : NumberForm::C;
        const std::optional<double> number = parseNumber(text, form);
        QCOMPARE(number.has_value(), !expected.isNull());
        if (number) {
            QCOMPARE(*number, expected.toDouble());
            QCOMPARE(parseNumber(formatNumber(*number, form), form), number);
        }
    }

    void dateTimeValueRoundTripsThroughFirebirdHalves()
    {
        const QDateTime samples[] = {
            QDateTime(QDate(1899, 12, 30), QTime(0, 0)),
            QDateTime(QDate(2024, 5, 3), QTime(23, 59, 59)),
            QDateTime(QDate(2000, 2, 29), QTime(12, 0, 0, 500)),
            QDateTime(QDate(1858, 11, 17), QTime(6, 0)),
            QDateTime(QDate(1899, 12, 29), QTime(18, 0)),
        };
        for (const QDateTime& when : samples) {
            const DayCount value = fromDateTime(when);
            const IscTimestamp isc = toIsc(value);
            QCOMPARE(toDateTime(fromIsc(isc.date, isc.time)), when);
            QCOMPARE(toDate(value), when.date());
        }
        // Firebird counts days from 17 November 1858.
        QCOMPARE(toIsc(fromDate(QDate(1858, 11, 17))).date, 0);
        QCOMPARE(toIsc(fromDate(QDate(2024, 1, 1))).date, 60310);
        // 23:59:59.99996 rounds to the next midnight, not to a 24th hour.
        const IscTimestamp carried = toIsc(1.0 - 1e-10);
        QCOMPARE(carried.time, 0u);
        QCOMPARE(carried.date, 15018 + 1);
    }

    void namedParametersBecomePositional()
    {
        const PositionalSql p = toPositional(QStringLiteral(
            "select * from DZIALY\nwhere FIRMA_ID = :firma_id and POPID = :popid\norder by KOLEJ"));
        QCOMPARE(p.names, QStringList({"firma_id", "popid"}));
        QCOMPARE(p.text,
                 QStringLiteral(
                     "select * from DZIALY\nwhere FIRMA_ID = ? and POPID = ?\norder by KOLEJ"));

        const PositionalSql update =
            toPositional(QStringLiteral("update FIRMY set ID = :ID where ID = :OLD_ID"));
        QCOMPARE(update.names, QStringList({"ID", "OLD_ID"}));
    }

    void colonsInLiteralsIdentifiersAndCommentsAreText()
    {
        const PositionalSql p =
            toPositional(QStringLiteral("select 'godz. 10:30 :nie', \"KOL:UMNA\" -- uwaga :x\n"
                                        "from T /* :y */ where A = :a and B = 'it''s :z'"));
        QCOMPARE(p.names, QStringList({"a"}));
        QCOMPARE(p.text, QStringLiteral("select 'godz. 10:30 :nie', \"KOL:UMNA\" -- uwaga :x\n"
                                        "from T /* :y */ where A = ? and B = 'it''s :z'"));
        // A lone colon is no parameter either.
        QCOMPARE(toPositional(QStringLiteral("select a : b")).names, QStringList());
    }
};

HALVANE_TEST(TextRulesTest);
#include "TextRulesTest.moc"

// The data layer against a real database file: keys from generators, the retaining
// unit of work, the company cascade, texts, locate and two desks at once.
#include "controls/Prompts.h"
#include "db/DataSet.h"
#include "db/DateTimeText.h"
#include "db/Error.h"
#include "db/RecordRules.h"
#include "support/AnsweringPrompts.h"
#include "support/TestDatabase.h"
#include "support/testmain.h"

#include <QScopeGuard>
#include <QSignalSpy>
#include <QTest>
#include <memory>

using namespace db;
using testsupport::TestDatabase;

namespace {

std::unique_ptr<DataSet> companies(Database& database)
{
    auto set = std::make_unique<DataSet>(database);
    set->setSelectSql("select *\nfrom FIRMY\norder by ID");
    set->setInsertSql("insert into FIRMY\n  (ID, NAZWA)\nvalues\n  (:ID, :NAZWA)");
    set->setModifySql("update FIRMY\nset\n  ID = :ID,\n  NAZWA = :NAZWA\nwhere\n  ID = :OLD_ID");
    set->setDeleteSql("delete from FIRMY\nwhere\n  ID = :OLD_ID");
    set->setRefreshSql("Select \n  ID,\n  NAZWA\nfrom FIRMY \nwhere\n  ID = :ID");
    set->setGenerator("GEN_FIRMY_ID", "ID", GeneratorApply::OnPost);
    return set;
}

std::unique_ptr<DataSet> guests(Database& database)
{
    auto set = std::make_unique<DataSet>(database);
    set->setSelectSql("select *\nfrom GOSCIE\norder by NAZWA");
    return set;
}

void addCompany(DataSet& set, const QString& name)
{
    set.append();
    set.field("NAZWA").setAsString(name);
    set.post();
}

}  // namespace

class DataSetTest : public QObject {
    Q_OBJECT
private slots:
    void keysComeFromTheGeneratorAtPost()
    {
        TestDatabase t;
        auto set = companies(t.db());
        set->open();
        QVERIFY(set->isEmpty());
        QCOMPARE(set->recNo(), 0);

        addCompany(*set, "Pierwsza");
        QCOMPARE(set->field("ID").asInteger(), 1);
        set->append();
        set->field("NAZWA").setAsString("Porzucona");
        QVERIFY(set->field("ID").isNull());  // no number yet
        set->cancel();
        QCOMPARE(set->recordCount(), 1);
        addCompany(*set, "Druga");
        QCOMPARE(set->field("ID").asInteger(), 2);  // the cancelled row consumed none
        QCOMPARE(set->recNo(), 2);
        QCOMPARE(t.scalar("select gen_id(GEN_FIRMY_ID, 0) from RDB$DATABASE").toInt(), 2);
    }

    void importSetsTakeTheirKeyWhenTheRowStarts()
    {
        TestDatabase t;
        auto set = companies(t.db());
        set->setGenerator("GEN_FIRMY_ID", "ID", GeneratorApply::OnNewRecord);
        set->open();
        set->append();
        QCOMPARE(set->field("ID").asInteger(), 1);
        set->cancel();
        set->append();
        QCOMPARE(set->field("ID").asInteger(), 2);
        set->field("NAZWA").setAsString("Z importu");
        set->post();
        QCOMPARE(set->field("ID").asInteger(), 2);
    }

    void commitRetainingKeepsTheSetAndItsCurrentRow()
    {
        TestDatabase t;
        auto set = companies(t.db());
        set->open();
        for (const char* name : {"A", "B", "C"})
            addCompany(*set, name);
        set->setRecNo(2);
        t.db().transaction().commitRetaining();
        QVERIFY(set->active());
        QCOMPARE(set->recordCount(), 3);
        QCOMPARE(set->recNo(), 2);
        QCOMPARE(set->field("NAZWA").asString(), QString("B"));
        QCOMPARE(t.scalar("select count(*) from FIRMY").toInt(), 3);  // another desk sees them

        // The transaction goes on: the next change is a new unit of work.
        set->edit();
        set->field("NAZWA").setAsString("B2");
        set->post();
        QCOMPARE(t.scalar("select NAZWA from FIRMY where ID = 2").toString(), QString("B"));
        t.db().transaction().commitRetaining();
        QCOMPARE(t.scalar("select NAZWA from FIRMY where ID = 2").toString(), QString("B2"));
    }

    void aRowRolledBackAfterItsPostIsStoredAgainAsNew()
    {
        TestDatabase t;
        auto set = companies(t.db());
        set->open();
        addCompany(*set, "Pierwsza");
        const int id = set->field("ID").asInteger();
        t.db().transaction().rollbackRetaining();  // a commit that failed was rolled back
        QCOMPARE(t.scalar("select count(*) from FIRMY").toInt(), 0);
        set->reinsertCurrent();
        QCOMPARE(set->state(), DataSetState::Insert);
        QCOMPARE(set->field("NAZWA").asString(), QString("Pierwsza"));
        set->post();
        t.db().transaction().commitRetaining();
        QCOMPARE(t.scalar("select count(*) from FIRMY").toInt(), 1);
        QCOMPARE(t.scalar("select ID from FIRMY").toInt(), id);
        // Only a stored row can become new again.
        set->append();
        QVERIFY_THROWS_EXCEPTION(Error, set->reinsertCurrent());
        set->cancel();
    }

    void rollbackRetainingUndoesTheUnitOfWorkOnly()
    {
        TestDatabase t;
        auto set = companies(t.db());
        set->open();
        addCompany(*set, "Zatwierdzona");
        t.db().transaction().commitRetaining();
        addCompany(*set, "Wycofana");
        set->first();
        set->edit();
        set->field("NAZWA").setAsString("Zmieniona");
        set->post();

        t.db().transaction().rollbackRetaining();
        QVERIFY(set->active());
        QCOMPARE(set->recordCount(), 2);  // the fetched rows stay until the set is reopened
        set->close();
        set->open();
        QCOMPARE(set->recordCount(), 1);
        QCOMPARE(set->field("NAZWA").asString(), QString("Zatwierdzona"));
        // The generator is outside transactions: the rolled back number stays used.
        addCompany(*set, "Następna");
        QCOMPARE(set->field("ID").asInteger(), 3);
    }

    void deletingACompanyTakesItsDepartmentsAndStaff()
    {
        TestDatabase t;
        t.run({"insert into FIRMY (ID, NAZWA) values (1, 'Usuwana')",
               "insert into FIRMY (ID, NAZWA) values (2, 'Zostaje')",
               "insert into DZIALY (ID, FIRMA_ID, POPID, KOLEJ, NAZWA) values (1, 1, 0, 0, 'A')",
               "insert into DZIALY (ID, FIRMA_ID, POPID, KOLEJ, NAZWA) values (2, 1, 1, 1, 'B')",
               "insert into DZIALY (ID, FIRMA_ID, POPID, KOLEJ, NAZWA) values (3, 2, 0, 0, 'C')",
               "insert into PERSONEL (ID, FIRMA_ID, DZIAL_ID, NAZWISKO) values (1, 1, 1, 'a')",
               "insert into PERSONEL (ID, FIRMA_ID, DZIAL_ID, NAZWISKO) values (2, 1, 1, 'b')",
               "insert into PERSONEL (ID, FIRMA_ID, DZIAL_ID, NAZWISKO) values (3, 1, 2, 'c')",
               "insert into PERSONEL (ID, FIRMA_ID, DZIAL_ID, NAZWISKO) values (4, 1, 2, 'd')",
               "insert into PERSONEL (ID, FIRMA_ID, DZIAL_ID, NAZWISKO) values (5, 1, 0, 'e')",
               "insert into PERSONEL (ID, FIRMA_ID, DZIAL_ID, NAZWISKO) values (6, 2, 3, 'f')"});
        auto set = companies(t.db());
        set->open();
        // Renaming a company with departments rewrites its key with the same value.
        set->edit();
        set->field("NAZWA").setAsString("Usuwana sp. z o.o.");
        set->post();
        set->remove();
        t.db().transaction().commitRetaining();
        QCOMPARE(t.scalar("select count(*) from DZIALY where FIRMA_ID = 1").toInt(), 0);
        QCOMPARE(t.scalar("select count(*) from PERSONEL where FIRMA_ID = 1").toInt(), 0);
        QCOMPARE(t.scalar("select count(*) from DZIALY").toInt(), 1);
        QCOMPARE(t.scalar("select count(*) from PERSONEL").toInt(), 1);
        QCOMPARE(set->recordCount(), 1);
        QCOMPARE(set->field("NAZWA").asString(), QString("Zostaje"));
    }

    void textsAreCutToTheColumnAndEmptyMeansNull()
    {
        TestDatabase t;
        auto set = companies(t.db());
        set->open();
        QCOMPARE(set->field("NAZWA").size(), 128);
        addCompany(*set, QString(200, u'ż'));
        QCOMPARE(set->field("NAZWA").asString(), QString(128, u'ż'));
        addCompany(*set, "");
        QVERIFY(set->field("NAZWA").isNull());
        t.db().transaction().commitRetaining();
        QCOMPARE(t.scalar("select char_length(NAZWA) from FIRMY where ID = 1").toInt(), 128);
        QCOMPARE(t.scalar("select count(*) from FIRMY where NAZWA is null").toInt(), 1);

        // A number field takes a text only when it reads as a number.
        set->edit();
        set->field("ID").setAsString("  ");
        QVERIFY(set->field("ID").isNull());
        QVERIFY_THROWS_EXCEPTION(Error, set->field("ID").setAsString("12a"));
        set->cancel();
        QCOMPARE(set->field("ID").asInteger(), 2);
    }

    void polishTextRoundTripsThroughTheServer()
    {
        TestDatabase t;
        auto set = companies(t.db());
        set->open();
        addCompany(*set, "Zażółć gęślą jaźń");
        addCompany(*set, "ŁÓDŹ");
        t.db().transaction().commitRetaining();
        set->close();
        set->open();
        QCOMPARE(set->field("NAZWA").asString(), QString("Zażółć gęślą jaźń"));
        set->next();
        QCOMPARE(set->field("NAZWA").asString(), QString("ŁÓDŹ"));
        QCOMPARE(t.scalar("select lower(NAZWA) from FIRMY where ID = 2").toString(),
                 QString("łódź"));
        QCOMPARE(t.scalar("select upper(NAZWA) from FIRMY where ID = 1").toString(),
                 QString("ZAŻÓŁĆ GĘŚLĄ JAŹŃ"));
        // A parameter carries the letters to the server as well.
        DataSet query(t.db());
        query.setSelectSql("select ID from FIRMY where NAZWA = :nazwa");
        query.setParam("nazwa", QString("ŁÓDŹ"));
        query.open();
        QCOMPARE(query.field("ID").asInteger(), 2);
    }

    void fieldsTakeThePolishFormAndParametersTheCForm()
    {
        TestDatabase t;
        // The forms are the program's own, whatever the machine's locale says.
        const QLocale machine;
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        const auto restore = qScopeGuard([&] { QLocale::setDefault(machine); });
        DataSet query(t.db());
        query.setSelectSql("select cast(:x as double precision) as X from RDB$DATABASE");
        query.setParam("x", "1500.5");
        query.open();
        QCOMPARE(query.field("X").asFloat(), 1500.5);
        QCOMPARE(query.field("X").asString(), QString("1500,5"));
        query.edit();
        query.field("X").setAsString("2,75");  // as typed into a box
        QCOMPARE(query.field("X").asFloat(), 2.75);
        QVERIFY_THROWS_EXCEPTION(Error, query.field("X").setAsString("2,5.1"));
        query.cancel();
        query.close();
        query.setParam("x", "1,5");  // not a number in the C form: the server refuses the text
        QVERIFY_THROWS_EXCEPTION(Error, query.open());
    }

    void valuesOutsideTheColumnAreRefused_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<QVariant>("stored");  // null = refused
        const QVariant refused;
        QTest::newRow("largest INTEGER") << "I" << QVariant("2147483647") << QVariant(2147483647);
        QTest::newRow("smallest INTEGER")
            << "I" << QVariant("-2147483648") << QVariant(-2147483647 - 1);
        QTest::newRow("text past INTEGER") << "I" << QVariant("3000000000") << refused;
        QTest::newRow("text wrapping to 12") << "I" << QVariant("4294967308") << refused;
        QTest::newRow("number past INTEGER") << "I" << QVariant(3000000000LL) << refused;
        QTest::newRow("huge exponent") << "I" << QVariant("1e300") << refused;
        QTest::newRow("huge double") << "I" << QVariant(1e300) << refused;
        QTest::newRow("fraction") << "I" << QVariant("12,5") << refused;
        QTest::newRow("past SMALLINT") << "S" << QVariant("32768") << refused;
        QTest::newRow("largest BIGINT exactly")
            << "B" << QVariant("9223372036854775807") << QVariant(Q_INT64_C(9223372036854775807));
        QTest::newRow("past BIGINT") << "B" << QVariant("9223372036854775808") << refused;
        QTest::newRow("past FLOAT") << "F" << QVariant(1e39) << refused;
        QTest::newRow("infinite DOUBLE") << "D" << QVariant(qInf()) << refused;
        QTest::newRow("large DOUBLE") << "D" << QVariant("1e300") << QVariant(1e300);
        QTest::newRow("date NaN") << "T" << QVariant(qQNaN()) << refused;
        QTest::newRow("date infinite") << "T" << QVariant(-qInf()) << refused;
        QTest::newRow("year past 9999") << "T" << QVariant(1e7) << refused;
        QTest::newRow("a real day") << "T" << QVariant(45000.5) << QVariant(45000.5);
    }
    void valuesOutsideTheColumnAreRefused()
    {
        QFETCH(QString, field);
        QFETCH(QVariant, value);
        QFETCH(QVariant, stored);
        DataSet row(readOnlyDatabase().db());
        row.setSelectSql(
            "select cast(7 as integer) as I, cast(7 as smallint) as S, "
            "cast(7 as bigint) as B, cast(7 as float) as F, "
            "cast(7 as double precision) as D, cast('2024-05-03' as timestamp) as T "
            "from RDB$DATABASE");
        row.open();
        row.edit();
        Field& f = row.field(field);
        const QVariant before = f.value();
        if (stored.isNull()) {
            try {
                f.setValue(value);
                QFAIL("the value was taken");
            } catch (const Error& e) {
                QVERIFY2(e.message().contains(field), qPrintable(e.message()));
            }
            QCOMPARE(f.value(), before);
        } else {
            f.setValue(value);
            QCOMPARE(f.value(), stored);
        }
    }

    void parametersOutsideTheirTypeAreRefused_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<QVariant>("result");  // null = refused
        const QString guest = "select count(*) from GOSCIE where ID = :id";
        QTest::newRow("guest 12") << guest << QVariant("12") << QVariant(1);
        QTest::newRow("text wrapping to 12") << guest << QVariant("4294967308") << QVariant();
        QTest::newRow("number wrapping to 12") << guest << QVariant(4294967308LL) << QVariant();
        QTest::newRow("huge exponent") << guest << QVariant("1e300") << QVariant();
        const QString cast = "select cast(:id as %1) from RDB$DATABASE";
        QTest::newRow("past SMALLINT") << cast.arg("smallint") << QVariant(40000) << QVariant();
        QTest::newRow("BIGINT exactly") << cast.arg("bigint") << QVariant("9223372036854775807")
                                        << QVariant(Q_INT64_C(9223372036854775807));
        QTest::newRow("past FLOAT") << cast.arg("float") << QVariant(1e39) << QVariant();
        QTest::newRow("DOUBLE NaN")
            << cast.arg("double precision") << QVariant(qQNaN()) << QVariant();
        QTest::newRow("date NaN") << cast.arg("timestamp") << QVariant(qQNaN()) << QVariant();
        QTest::newRow("date infinite") << cast.arg("timestamp") << QVariant(qInf()) << QVariant();
        QTest::newRow("invalid QDate") << cast.arg("date") << QVariant(QDate()) << QVariant();
    }
    void parametersOutsideTheirTypeAreRefused()
    {
        QFETCH(QString, sql);
        QFETCH(QVariant, value);
        QFETCH(QVariant, result);
        DataSet query(readOnlyDatabase().db());
        query.setSelectSql(sql);
        query.setParam("id", value);
        if (result.isNull()) {
            try {
                query.open();
                QFAIL(qPrintable("the parameter was bound as " + query.value(0, 0).toString()));
            } catch (const Error& e) {
                QVERIFY2(e.message().contains(":id"), qPrintable(e.message()));
            }
        } else {
            query.open();
            QCOMPARE(query.value(0, 0), result);
        }
    }

    void everyByteOfTheCodePageReadsAsItsCharacter()
    {
        TestDatabase t;
        QByteArray everyByte;
        for (int byte = 0; byte < 256; ++byte)
            everyByte.append(char(byte));
        const QString text = t.db().decode(everyByte);
        QCOMPARE(text, QStringDecoder("windows-1250").decode(everyByte));
        QCOMPARE(text.size(), 256);
        QCOMPARE(t.db().decode("\xa3\xf3\x64\x9f \xb9\x9c"), QString("Łódź ąś"));
        QCOMPARE(t.db().decode(QByteArray()), QString());
    }

    void textTheCodePageCannotHoldIsRefusedBeforeAnythingIsWritten()
    {
        TestDatabase t;
        auto set = companies(t.db());
        set->open();
        set->append();
        try {
            set->field("NAZWA").setAsString("Жук sp. z o.o.");
            QFAIL("the text was taken");
        } catch (const Error& e) {
            QCOMPARE(
                e.message(),
                QString("Znak „Ж” w polu NAZWA nie mieści się w stronie kodowej Windows-1250."));
        }
        QVERIFY(set->field("NAZWA").isNull());
        set->cancel();
        addCompany(*set, "Győr Kft.");  // Hungarian letters are in the code page

        DataSet query(t.db());
        query.setSelectSql("select count(*) from FIRMY where NAZWA = :nazwa");
        query.setParam("nazwa", "Győr Kft.");
        query.open();
        QCOMPARE(query.value(0, 0).toInt(), 1);
        query.close();
        query.setParam("nazwa", "Ørsted 😀");
        try {
            query.open();
            QFAIL("the parameter was sent");
        } catch (const Error& e) {
            QVERIFY2(e.message().contains("„Ø” w parametrze :nazwa"), qPrintable(e.message()));
        }
        QVERIFY_THROWS_EXCEPTION(Error, t.db().execute("update FIRMY set NAZWA = 'Ж'"));
        t.db().transaction().commitRetaining();
        QCOMPARE(t.scalar("select list(NAZWA) from FIRMY").toString(), QString("Győr Kft."));
    }

    void dateTimesRoundTripExactly()
    {
        TestDatabase t;
        const DayCount arrival = fromDateTime(QDateTime(QDate(2024, 5, 3), QTime(9, 41, 7, 250)));
        DataSet visits(t.db());
        visits.setSelectSql(
            "select * from WIZYTY where DTPRZYBYCIA >= :data1 and DTPRZYBYCIA <= :data2");
        visits.setInsertSql(
            "insert into WIZYTY (ID, DTPRZYBYCIA, DTWEJSCIA) values (:ID, :DTPRZYBYCIA, "
            ":DTWEJSCIA)");
        visits.setGenerator("GEN_WIZYTY_ID", "ID", GeneratorApply::OnPost);
        visits.setParam("data1", fromDate(QDate(2024, 5, 3)));
        visits.setParam("data2", fromDate(QDate(2024, 5, 3)) + (86399.0 / 86400.0));
        visits.open();
        visits.append();
        visits.field("DTPRZYBYCIA").setAsDateTime(arrival);
        visits.post();
        visits.close();
        visits.open();
        QCOMPARE(visits.recordCount(), 1);
        QCOMPARE(toDateTime(visits.field("DTPRZYBYCIA").asDateTime()),
                 QDateTime(QDate(2024, 5, 3), QTime(9, 41, 7, 250)));
        QVERIFY(visits.field("DTWEJSCIA").isNull());
        QCOMPARE(visits.field("DTPRZYBYCIA").type(), FieldType::DateTime);
        // The day before holds nothing.
        visits.close();
        visits.setParam("data1", fromDate(QDate(2024, 5, 2)));
        visits.setParam("data2", fromDate(QDate(2024, 5, 2)) + (86399.0 / 86400.0));
        visits.open();
        QVERIFY(visits.isEmpty());
    }

    void calculatedNameIsComputedForEveryRow()
    {
        TestDatabase t;
        t.run({"insert into FIRMY (ID, NAZWA) values (1, 'F')",
               "insert into PERSONEL (ID, FIRMA_ID, DZIAL_ID, IMIE, NAZWISKO) values (1, 1, 0, "
               "'Anna', 'Nowak')",
               "insert into PERSONEL (ID, FIRMA_ID, DZIAL_ID, IMIE, NAZWISKO) values (2, 1, 0, "
               "null, 'Żak')",
               "insert into PERSONEL (ID, FIRMA_ID, DZIAL_ID, IMIE, NAZWISKO) values (3, 1, 0, "
               "'Ewa', null)"});
        DataSet staff(t.db());
        staff.setSelectSql("select * from PERSONEL order by ID");
        staff.setModifySql("update PERSONEL set IMIE = :IMIE where ID = :OLD_ID");
        addSurnameFirstName(staff);
        staff.open();
        const int name = staff.field("_nazwisko_imie").index();
        QCOMPARE(staff.value(0, name).toString(), QString("Nowak Anna"));
        QCOMPARE(staff.value(1, name).toString(), QString("Żak "));
        QCOMPARE(staff.value(2, name).toString(), QString(" Ewa"));
        staff.setRecNo(2);
        staff.edit();
        staff.field("IMIE").setAsString("Jan");
        QCOMPARE(staff.field("_nazwisko_imie").asString(), QString("Żak Jan"));
        staff.post();
        QCOMPARE(staff.value(1, name).toString(), QString("Żak Jan"));
    }

    void calculatedNameFollowsASelectWhoseColumnsMoved()
    {
        TestDatabase t;
        t.run({"insert into FIRMY (ID, NAZWA) values (1, 'F')",
               "insert into PERSONEL (ID, FIRMA_ID, DZIAL_ID, IMIE, NAZWISKO, STANOWISKO) values "
               "(1, 1, 0, 'Anna', 'Nowak', 'Kadrowa')"});
        DataSet staff(t.db());
        addSurnameFirstName(staff);
        staff.setSelectSql("select ID, NAZWISKO, IMIE from PERSONEL");
        staff.open();
        QCOMPARE(staff.field("_nazwisko_imie").asString(), QString("Nowak Anna"));
        staff.close();
        staff.setSelectSql("select IMIE, STANOWISKO, NAZWISKO from PERSONEL");
        staff.open();
        QCOMPARE(staff.field("_nazwisko_imie").asString(), QString("Nowak Anna"));
        staff.close();
        staff.setSelectSql("select STANOWISKO as NAZWISKO, IMIE from PERSONEL");
        staff.open();
        QCOMPARE(staff.field("_nazwisko_imie").asString(), QString("Kadrowa Anna"));
    }

    void locateFollowsTheMatchingRules()
    {
        TestDatabase t;
        t.run({"insert into GOSCIE (ID, NAZWA) values (120, 'Adamczyk')",
               "insert into GOSCIE (ID, NAZWA) values (12, 'Łukasiewicz Ewa')",
               "insert into GOSCIE (ID, NAZWA) values (7, null)",
               "insert into GOSCIE (ID, NAZWA) values (3, 'łukaszewski')",
               "insert into GOSCIE (ID, NAZWA) values (5, 'Łukasz')"});
        auto set = guests(t.db());
        set->open();  // by name: null(7), Adamczyk(120), Łukasiewicz(12), Łukasz(5), łukaszewski(3)
        const LocateOptions search = CaseInsensitive | PartialKey;

        QVERIFY(set->locate("ID", "12", search));
        QCOMPARE(set->field("ID").asInteger(), 12);  // never 120
        set->first();
        QVERIFY(set->locate("ID", "012", search));
        QCOMPARE(set->field("ID").asInteger(), 12);
        QVERIFY(!set->locate("ID", "1", search));    // no partial numbers
        QVERIFY(!set->locate("ID", "abc", search));  // not a number: matches no number column
        QCOMPARE(set->field("ID").asInteger(), 12);  // a failed locate leaves the row

        QVERIFY(set->locate("NAZWA", "ŁUKASZ", search));
        QCOMPARE(set->field("ID").asInteger(), 5);
        QVERIFY(set->locate("NAZWA", "łukasz", search, true));  // after the current row
        QCOMPARE(set->field("ID").asInteger(), 3);
        QVERIFY(!set->locate("NAZWA", "łukasz", search, true));
        QCOMPARE(set->field("ID").asInteger(), 3);

        QVERIFY(!set->locate("NAZWA", "kasz", search));  // from the beginning, not anywhere
        QCOMPARE(set->field("ID").asInteger(), 3);

        QVERIFY(set->locate("NAZWA", "", search));    // an empty key starts every text,
        QCOMPARE(set->field("ID").asInteger(), 120);  // but the null one before it is skipped

        QVERIFY(!set->locate("NAZWA", "łukasz", 0));  // exact: case and length count
        QVERIFY(set->locate("NAZWA", "Łukasz", 0));
        QCOMPARE(set->field("ID").asInteger(), 5);
        QVERIFY(set->locate("ID", 7, 0));
        QCOMPARE(set->recNo(), 1);
    }

    void aChangedKeyIsStoredOverTheRowsOldKey()
    {
        TestDatabase t;
        t.run({"insert into FIRMY (ID, NAZWA) values (1, 'A')",
               "insert into FIRMY (ID, NAZWA) values (2, 'B')"});
        auto set = companies(t.db());
        set->open();
        set->edit();
        set->field("ID").setAsInteger(10);
        set->field("NAZWA").setAsString("A10");
        set->post();
        set->next();
        set->remove();  // deleted by its own old key
        t.db().transaction().commitRetaining();
        QCOMPARE(t.scalar("select list(ID || '=' || NAZWA) from FIRMY").toString(),
                 QString("10=A10"));
    }

    void theOldKeyOutlivesEditsThatWereCancelledOrStored()
    {
        TestDatabase t;
        t.run({"insert into FIRMY (ID, NAZWA) values (1, 'A')",
               "insert into FIRMY (ID, NAZWA) values (2, 'B')",
               "insert into FIRMY (ID, NAZWA) values (3, 'C')"});
        auto set = companies(t.db());
        set->open();

        // Fetched, edited twice over and cancelled: the row is still stored by key 1.
        set->edit();
        set->field("ID").setAsInteger(10);
        set->edit();
        set->field("ID").setAsInteger(11);
        set->cancel();
        QCOMPARE(set->field("ID").asInteger(), 1);
        set->edit();
        set->field("ID").setAsInteger(20);
        set->field("NAZWA").setAsString("A20");
        set->post();

        // After a stored change the old key is the stored one, through a cancelled edit.
        set->edit();
        set->field("ID").setAsInteger(30);
        set->cancel();
        set->edit();
        set->field("NAZWA").setAsString("A21");
        set->post();

        // Deleting in the middle of an edit of the key deletes by the key read.
        set->next();
        set->edit();
        set->field("ID").setAsInteger(99);
        set->remove();
        QCOMPARE(set->field("ID").asInteger(), 3);

        t.db().transaction().commitRetaining();
        QCOMPARE(t.scalar("select list(ID || '=' || NAZWA) from (select * from FIRMY order by ID)")
                     .toString(),
                 QString("3=C,20=A21"));
    }

    void editingAnEmptySetStartsNoRow()
    {
        TestDatabase t;
        auto set = companies(t.db());
        set->open();
        QVERIFY_THROWS_EXCEPTION(Error, set->edit());
        QCOMPARE(set->state(), DataSetState::Browse);
        QCOMPARE(set->recordCount(), 0);
        QVERIFY_THROWS_EXCEPTION(Error, set->field("NAZWA").setAsString("nic"));
    }

    void rowStatesAndNotifications()
    {
        TestDatabase t;
        t.run({"insert into FIRMY (ID, NAZWA) values (1, 'A')",
               "insert into FIRMY (ID, NAZWA) values (2, 'B')",
               "insert into FIRMY (ID, NAZWA) values (3, 'C')"});
        t.run({"alter sequence GEN_FIRMY_ID restart with 3"});
        auto set = companies(t.db());
        QSignalSpy scrolls(set.get(), &DataSet::afterScroll);
        set->open();
        QCOMPARE(scrolls.count(), 1);
        QCOMPARE(set->state(), DataSetState::Browse);
        set->next();
        QCOMPARE(scrolls.count(), 2);
        set->edit();
        set->field("NAZWA").setAsString("X");
        set->cancel();
        QCOMPARE(set->field("NAZWA").asString(), QString("B"));
        QCOMPARE(scrolls.count(), 2);

        set->append();  // a new row is a change of row
        QCOMPARE(scrolls.count(), 3);
        QCOMPARE(set->recNo(), 4);
        QCOMPARE(set->state(), DataSetState::Insert);
        set->cancel();  // and so is abandoning it
        QCOMPARE(scrolls.count(), 4);
        QCOMPARE(set->recNo(), 2);

        set->append();
        set->field("NAZWA").setAsString("D");
        set->post();  // posting is not
        QCOMPARE(scrolls.count(), 5);
        QCOMPARE(set->field("ID").asInteger(), 4);

        set->setRecNo(2);
        set->edit();
        set->field("NAZWA").setAsString("B!");
        set->next();  // moving on stores the pending change
        QCOMPARE(set->state(), DataSetState::Browse);
        QCOMPARE(t.db().transaction().active(), true);
        set->remove();  // deleting C makes D current
        QCOMPARE(set->field("NAZWA").asString(), QString("D"));
        set->remove();  // deleting the last row makes the one before current
        QCOMPARE(set->field("NAZWA").asString(), QString("B!"));
        t.db().transaction().commitRetaining();
        QCOMPARE(t.scalar("select list(NAZWA, ',') from (select NAZWA from FIRMY order by ID)")
                     .toString(),
                 QString("A,B!"));

        // Field values need edit or insert state.
        QVERIFY_THROWS_EXCEPTION(Error, set->field("NAZWA").setAsString("bez edycji"));
        // Going through the rows.
        QStringList names;
        for (set->first(); !set->eof(); set->next())
            names << set->field("NAZWA").asString();
        QCOMPARE(names, QStringList({"A", "B!"}));
    }

    void aQueryBuiltAtRunTime()
    {
        TestDatabase t;
        t.run({"insert into FIRMY (ID, NAZWA) values (1, 'A')",
               "insert into DZIALY (ID, FIRMA_ID, POPID, KOLEJ) values (1, 1, 0, 0)",
               "insert into DZIALY (ID, FIRMA_ID, POPID, KOLEJ) values (2, 1, 0, 5)"});
        DataSet query(t.db());
        query.sql().clear();
        query.sql() << "select count(*) as ILOSC"
                    << "from PERSONEL"
                    << "where DZIAL_ID = 1";
        query.open();
        QCOMPARE(query.field("ILOSC").asInteger(), 0);
        query.close();
        query.sql().clear();
        query.sql() << "select max(KOLEJ)"
                    << "from DZIALY"
                    << "where FIRMA_ID = 1";
        query.open();
        QCOMPARE(query.field("MAX").asInteger(), 5);
        query.close();
        query.sql().clear();
        query.sql() << "select max(KOLEJ)"
                    << "from DZIALY"
                    << "where FIRMA_ID = 2";
        query.open();
        QVERIFY(query.field("MAX").isNull());
        QCOMPARE(query.field("MAX").asInteger(), 0);
        QVERIFY_THROWS_EXCEPTION(Error, query.field("NIEMA"));
    }

    void closingTheConnectionRollsBackAndClosesEverySet()
    {
        TestDatabase t;
        auto other = t.connect();
        auto set = companies(*other);
        set->open();
        addCompany(*set, "Niezatwierdzona");
        other->close();
        QVERIFY(!other->connected());
        QVERIFY(!set->active());
        QCOMPARE(t.scalar("select count(*) from FIRMY").toInt(), 0);
        // Reconnected, the same set works again.
        other->open();
        set->open();
        QVERIFY(set->isEmpty());
        addCompany(*set, "Po ponownym połączeniu");
        other->transaction().commitRetaining();
        QCOMPARE(t.scalar("select count(*) from FIRMY").toInt(), 1);
    }

    void secondDeskFailsAtOnceOnAnUncommittedRowAndThenSeesTheCommit()
    {
        TestDatabase t;
        t.run({"insert into FIRMY (ID, NAZWA) values (1, 'Stara nazwa')"});
        auto desk2 = t.connect();
        auto first = companies(t.db());
        auto second = companies(*desk2);
        first->open();
        second->open();

        first->edit();
        first->field("NAZWA").setAsString("Pierwsze biurko");
        first->post();  // written, not committed

        second->edit();
        second->field("NAZWA").setAsString("Drugie biurko");
        try {
            second->post();
            QFAIL("the second desk wrote over an uncommitted change");
        } catch (const Error& e) {
            QVERIFY2(e.message().contains("conflict", Qt::CaseInsensitive),
                     qPrintable(e.message()));
        }
        QCOMPARE(second->state(), DataSetState::Edit);  // the failed row stays to be dealt with
        second->cancel();

        // Record versions: the second desk reads the last committed value meanwhile.
        second->close();
        second->open();
        QCOMPARE(second->field("NAZWA").asString(), QString("Stara nazwa"));

        t.db().transaction().commitRetaining();
        second->close();
        second->open();  // same transaction of the second desk, now sees the commit
        QCOMPARE(second->field("NAZWA").asString(), QString("Pierwsze biurko"));
        second->edit();
        second->field("NAZWA").setAsString("Drugie biurko");
        second->post();
        desk2->transaction().commitRetaining();
        QCOMPARE(t.scalar("select NAZWA from FIRMY").toString(), QString("Drugie biurko"));
    }

    void aRowDeletedByAnotherDeskIsNotSilentlyStored()
    {
        TestDatabase t;
        t.run({"insert into FIRMY (ID, NAZWA) values (1, 'Znikająca')",
               "insert into FIRMY (ID, NAZWA) values (2, 'Druga')"});
        auto set = companies(t.db());
        set->open();
        auto desk2 = t.connect();
        desk2->execute("delete from FIRMY");
        desk2->transaction().commitRetaining();

        set->edit();
        set->field("NAZWA").setAsString("Nowa nazwa");
        QVERIFY_THROWS_EXCEPTION(Error, set->post());
        QCOMPARE(set->state(), DataSetState::Edit);
        set->cancel();
        set->next();
        QVERIFY_THROWS_EXCEPTION(Error, set->remove());
        QCOMPARE(set->recordCount(), 2);  // the list says what the user saw, until reopened
    }

    void serverErrorsArriveAsOneErrorWithTheServersText()
    {
        TestDatabase t;
        auto expectError = [](const std::function<void()>& operation, const QString& part) {
            try {
                operation();
            } catch (const Error& e) {
                return e.message().contains(part, Qt::CaseInsensitive) ? QString() : e.message();
            }
            return QStringLiteral("no error");
        };
        DataSet query(t.db());
        query.setSelectSql("select * from NIE_MA_TAKIEJ");
        QCOMPARE(expectError([&] { query.open(); }, "NIE_MA_TAKIEJ"), QString());
        QVERIFY(!query.active());

        auto set = companies(t.db());
        set->setGenerator("GEN_NIEISTNIEJACY", "ID", GeneratorApply::OnPost);
        set->open();
        set->append();
        set->field("NAZWA").setAsString("x");
        QCOMPARE(expectError([&] { set->post(); }, "GEN_NIEISTNIEJACY"), QString());
        QCOMPARE(set->state(), DataSetState::Insert);
        set->cancel();
        QVERIFY(set->isEmpty());

        // A duplicate key: the second insert fails and the row stays unposted.
        auto keyed = companies(t.db());
        keyed->open();
        keyed->append();
        keyed->field("ID").setAsInteger(1);
        keyed->post();
        keyed->append();
        keyed->field("ID").setAsInteger(1);
        QCOMPARE(expectError([&] { keyed->post(); }, "PK_FIRMY"), QString());

        Database missing;
        missing.setDatabaseName(t.folder() + "BRAK.FDB");
        missing.setParamsText(testsupport::kTestParams);
        QCOMPARE(expectError([&] { missing.open(); }, "BRAK.FDB"), QString());
        QVERIFY(!missing.connected());

        Database polishPath;  // the path comes back in the form it was sent in
        polishPath.setDatabaseName(t.folder() + "Łódź/Żółw.FDB");
        polishPath.setParamsText(testsupport::kTestParams);
        QCOMPARE(expectError([&] { polishPath.open(); }, "Łódź/Żółw.FDB"), QString());

        Database garbled;
        garbled.setDatabaseName(t.path());
        garbled.setParamsText(QString::fromLatin1("u\x01\x7fser=?\r\npassword"));
        QCOMPARE(expectError([&] { garbled.open(); }, "parametr"), QString());
        QVERIFY(!garbled.connected());

        Database noServer;  // nothing listens on this port
        noServer.setDatabaseName("127.0.0.1/1:" + t.path());
        noServer.setParamsText(testsupport::kTestParams);
        QCOMPARE(expectError([&] { noServer.open(); }, "127.0.0.1"), QString());

        Database closed;
        DataSet orphan(closed);
        orphan.setSelectSql("select * from FIRMY");
        QCOMPARE(expectError([&] { orphan.open(); }, "połączenia"), QString());
    }

private:
    // One file for the data-driven rows that change nothing in it.
    TestDatabase& readOnlyDatabase()
    {
        if (!readOnly_) {
            readOnly_ = std::make_unique<TestDatabase>();
            readOnly_->run({"insert into GOSCIE (ID, NAZWA) values (12, 'Dwunasty')"});
        }
        return *readOnly_;
    }
    std::unique_ptr<TestDatabase> readOnly_;
};

HALVANE_TEST(DataSetTest);
#include "DataSetTest.moc"

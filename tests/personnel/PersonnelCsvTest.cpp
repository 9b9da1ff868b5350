// The staff list's CSV export and import over a fresh database: the file's bytes, the
// reader's line rules, what each line does to the tables, the log, the window's handlers,
// a differential check of the indexed look-ups against a plain walk of the tables, and
// random input.
#include "db/DataSet.h"
#include "db/Error.h"
#include "db/NumberText.h"
#include "personnel/PersonnelCsv.h"
#include "personnel/PersonnelDialog.h"
#include "support/Find.h"
#include "support/TestDatabase.h"
#include "support/TestDesk.h"
#include "support/testmain.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPushButton>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QStringEncoder>
#include <QTest>

using testsupport::child;
using testsupport::TestDatabase;
using testsupport::TestDesk;

namespace {

const QStringList kRows = {
    "insert into FIRMY (ID, NAZWA) values (1, 'Alfa')",
    "insert into FIRMY (ID, NAZWA) values (2, 'Beta Łódź')",
    "insert into DZIALY (ID, FIRMA_ID, POPID, KOLEJ, NAZWA) values (1, 1, 0, 0, 'Kadry')",
    "insert into DZIALY (ID, FIRMA_ID, POPID, KOLEJ, NAZWA) values (2, 1, 1, 4, 'Płace')",
    "insert into DZIALY (ID, FIRMA_ID, POPID, KOLEJ, NAZWA) values (3, 2, 0, 0, 'Zarząd')",
    // A second department of the same name: lines naming it go to the first.
    "insert into DZIALY (ID, FIRMA_ID, POPID, KOLEJ, NAZWA) values (4, 2, 0, 1, 'Zarząd')",
    "insert into PERSONEL (ID, FIRMA_ID, DZIAL_ID, IMIE, NAZWISKO, STANOWISKO, POKOJ, INFO) "
    "values (7, 1, 1, 'Jan', 'Nowak', 'Kadrowy; starszy', '(null)12', 'notatka')",
    "insert into PERSONEL (ID, FIRMA_ID, DZIAL_ID, IMIE, NAZWISKO, EMAIL) "
    "values (8, 2, 3, 'Żaneta', 'Wiśniewska-Ćwik', 'zw@beta.pl')",
    "insert into PERSONEL (ID, FIRMA_ID, DZIAL_ID, IMIE, NAZWISKO) values (9, 1, 2, 'Ewa', 'Lis')",
    // No department: not exported.
    "insert into PERSONEL (ID, FIRMA_ID, DZIAL_ID, IMIE, NAZWISKO) values (10, 1, 0, 'Olaf', "
    "'Bez')",
    "set generator GEN_FIRMY_ID to 20",
    "set generator GEN_DZIALY_ID to 30",
    "set generator GEN_PERSONEL_ID to 40",
};

QByteArray cp1250(const QString& text)
{
    QStringEncoder encoder("windows-1250");
    return encoder.encode(text);
}

QByteArray crlf(const QStringList& lines)
{
    QByteArray bytes;
    for (const QString& line : lines)
        bytes += cp1250(line) + "\r\n";
    return bytes;
}

const QString kHeader = QString::fromLatin1(personnelcsv::Header);

// Every row of a table as text, in ID order, seen inside the test's own unit of work.
QStringList dump(db::Database& database, const QString& table)
{
    db::DataSet set(database);
    set.setSelectSql("select * from " + table + " order by ID");
    set.open();
    QStringList rows;
    for (set.first(); !set.eof(); set.next()) {
        QStringList values;
        for (const auto& field : set.fields())
            values << (field->isNull() ? QStringLiteral("<null>") : field->asString());
        rows << values.join('|');
    }
    return rows;
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

int logLineCount(const QByteArray& log)
{
    return int(log.count("\r\n"));
}

struct Window {
    TestDatabase t;
    TestDesk desk{t.db()};
    PersonnelDialog dialog{desk};

    Window()
    {
        t.run(kRows);
        dialog.open({1, "Alfa", 1, "Kadry", 7});
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
    }
    QString path(const QString& name) { return desk.settingsFolder() + name; }
    bool okEnabled() { return child<QPushButton>(&dialog, "okButton")->isEnabled(); }
};

// The reference: each look-up walks the data set from its first row, as the program did
// before its hash indexes. The same rules otherwise (names cut to their columns, lines
// without a company or department refused).
struct NaiveImport {
    db::DataSet companies, departments, staff;
    explicit NaiveImport(db::Database& database)
        : companies(database), departments(database), staff(database)
    {
        companies.setSelectSql("select *\nfrom FIRMY");
        companies.setInsertSql("insert into FIRMY (ID, NAZWA) values (:ID, :NAZWA)");
        companies.setGenerator("GEN_FIRMY_ID", "ID", db::GeneratorApply::OnNewRecord);
        departments.setSelectSql("select *\nfrom DZIALY");
        departments.setInsertSql(
            "insert into DZIALY (ID, FIRMA_ID, POPID, KOLEJ, NAZWA) values "
            "(:ID, :FIRMA_ID, :POPID, :KOLEJ, :NAZWA)");
        departments.setGenerator("GEN_DZIALY_ID", "ID", db::GeneratorApply::OnNewRecord);
        staff.setSelectSql("select *\nfrom PERSONEL");
        staff.setInsertSql(
            "insert into PERSONEL (ID, FIRMA_ID, DZIAL_ID, IMIE, NAZWISKO, STANOWISKO, PIETRO, "
            "POKOJ, TELSTACJ, TELKOM, EMAIL, INFO) values (:ID, :FIRMA_ID, :DZIAL_ID, :IMIE, "
            ":NAZWISKO, :STANOWISKO, :PIETRO, :POKOJ, :TELSTACJ, :TELKOM, :EMAIL, :INFO)");
        staff.setModifySql(
            "update PERSONEL set FIRMA_ID = :FIRMA_ID, DZIAL_ID = :DZIAL_ID, "
            "IMIE = :IMIE, NAZWISKO = :NAZWISKO, STANOWISKO = :STANOWISKO, "
            "PIETRO = :PIETRO, POKOJ = :POKOJ, TELSTACJ = :TELSTACJ, TELKOM = "
            ":TELKOM, EMAIL = :EMAIL, INFO = :INFO where ID = :OLD_ID");
        staff.setGenerator("GEN_PERSONEL_ID", "ID", db::GeneratorApply::OnNewRecord);
        companies.open();
        departments.open();
        staff.open();
    }
    int company(const QString& name)
    {
        if (companies.locate("NAZWA", name.left(128), 0))
            return companies.field("ID").asInteger();
        companies.append();
        companies.field("NAZWA").setAsString(name);
        companies.post();
        return companies.field("ID").asInteger();
    }
    int department(int companyId, const QString& name)
    {
        const QString stored = name.left(64);
        int highest = 0;
        for (departments.first(); !departments.eof(); departments.next()) {
            if (departments.field("FIRMA_ID").asInteger() != companyId)
                continue;
            if (departments.field("NAZWA").asString() == stored &&
                !departments.field("NAZWA").isNull())
                return departments.field("ID").asInteger();
            highest = qMax(highest, departments.field("KOLEJ").asInteger());
        }
        departments.append();
        departments.field("FIRMA_ID").setAsInteger(companyId);
        departments.field("POPID").setAsInteger(0);
        departments.field("KOLEJ").setAsInteger(highest + 1);
        departments.field("NAZWA").setAsString(stored);
        departments.post();
        return departments.field("ID").asInteger();
    }
    QString line(const QString& text)
    {
        if (text.count(';') != 10)
            return "error";
        const QStringList f = text.split(';');
        if (f[3].isEmpty() || f[4].isEmpty())
            return "error";
        const int companyId = company(f[3]);
        const int departmentId = department(companyId, f[4]);
        const bool found = staff.locate("ID", f[0], 0);
        found ? staff.edit() : staff.append();
        staff.field("FIRMA_ID").setAsInteger(companyId);
        staff.field("DZIAL_ID").setAsInteger(departmentId);
        const char* columns[] = {"ID",     "NAZWISKO", "IMIE",     "",       "",     "STANOWISKO",
                                 "PIETRO", "POKOJ",    "TELSTACJ", "TELKOM", "EMAIL"};
        for (int i = 1; i < 11; ++i)
            if (*columns[i])
                staff.field(columns[i]).setAsString(f[i]);
        staff.post();
        return found ? "updated" : "added";
    }
};

QString randomText(QRandomGenerator& random, const QStringList& pool)
{
    return pool[int(random.bounded(pool.size()))];
}

}  // namespace

class PersonnelCsvTest : public QObject {
    Q_OBJECT
private slots:
    void exportWritesTheHeaderAndEveryEmployeeInWindows1250()
    {
        Window w;
        const QString chosen = w.path("lista");  // typed without an extension
        w.desk.answers.fileNames.enqueue(chosen);
        testsupport::trigger(&w.dialog, "exportAction");
        QCOMPARE(w.desk.answers.shown.size(), 1);
        QCOMPARE(w.desk.answers.shown[0].kind, QString("save"));
        QCOMPARE(w.desk.answers.shown[0].text,
                 QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation) +
                     "/lista_personelu_2026-03-05.csv");
        QCOMPARE(w.desk.answers.shown[0].detail, QString("csv"));  // the dialog's own suffix
        QVERIFY(!QFile::exists(chosen));
        QCOMPARE(testsupport::modeOf(chosen + ".csv"), QString("600"));
        // Ordered by company, department, surname; ";" becomes ","; "(null)" vanishes.
        QCOMPARE(readFile(chosen + ".csv"),
                 crlf({kHeader, "7;Nowak;Jan;Alfa;Kadry;Kadrowy, starszy;;12;;;",
                       "9;Lis;Ewa;Alfa;Płace;;;;;;",
                       "8;Wiśniewska-Ćwik;Żaneta;Beta Łódź;Zarząd;;;;;;zw@beta.pl"}));
        QVERIFY(readFile(chosen + ".csv")
                    .contains("\xa3\xf3"
                              "d\x9f"));  // "Łódź" in Windows-1250
        QVERIFY(!w.okEnabled());          // an export changes nothing
        QVERIFY(w.desk.answers.messages().isEmpty());

        // Cancelled: nothing written, nothing shown.
        w.desk.answers.clear();
        testsupport::trigger(&w.dialog, "exportAction");
        QCOMPARE(w.desk.answers.shown.size(), 1);
    }

    void reImportingAnExportUpdatesEveryLineAndChangesOnlySemicolons()
    {
        Window w;
        const QString file = w.path("round.csv");
        w.desk.answers.fileNames.enqueue(file);
        testsupport::trigger(&w.dialog, "exportAction");
        const QStringList staffBefore = dump(w.t.db(), "PERSONEL");
        const QStringList companiesBefore = dump(w.t.db(), "FIRMY");
        const QStringList departmentsBefore = dump(w.t.db(), "DZIALY");

        w.desk.fixedClock.time = QDateTime(QDate(2026, 3, 5), QTime(14, 7));
        w.desk.answers.fileNames.enqueue(file);
        testsupport::trigger(&w.dialog, "importAction");
        const QString log = w.desk.programFolder() + "log_importu_2026-03-05_1407.txt";
        QCOMPARE(w.desk.answers.messages(),
                 QStringList("Wykonano import listy personelu z pliku CSV.\nDodano: 0\n"
                             "Aktualizowano: 3\nBłędów: 0\n\nLog importu został zapisany w "
                             "pliku:\n'" +
                             log + "'"));
        const QList<QByteArray> logLines = readFile(log).split('\n');
        QCOMPARE(logLines.size(), 5);
        QCOMPARE(testsupport::modeOf(log), QString("600"));
        QVERIFY(logLines[0].startsWith("STATUS          ;ID;NAZWISKO"));
        for (int i = 1; i < 4; ++i)
            QVERIFY2(logLines[i].startsWith("aktualizowano:  ;"), logLines[i].constData());

        QStringList expected = staffBefore;
        expected.replaceInStrings("Kadrowy; starszy", "Kadrowy, starszy");
        expected.replaceInStrings("|(null)12|", "|12|");
        QCOMPARE(dump(w.t.db(), "PERSONEL"), expected);
        QVERIFY(expected.join('\n').contains("notatka"));  // INFO kept
        QCOMPARE(dump(w.t.db(), "FIRMY"), companiesBefore);
        QCOMPARE(dump(w.t.db(), "DZIALY"), departmentsBefore);
        QVERIFY(w.okEnabled());
    }

    void linesEndAtCrLfOrCrLfAndTheFileAtAZeroByte_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QList<QByteArray>>("lines");
        using L = QList<QByteArray>;
        QTest::newRow("crlf, last ended") << QByteArray("a\r\nb\r\n") << L{"a", "b"};
        QTest::newRow("lf, last open") << QByteArray("a\nb") << L{"a", "b"};
        QTest::newRow("cr") << QByteArray("a\rb\r") << L{"a", "b"};
        QTest::newRow("lf cr is two breaks") << QByteArray("a\n\rb") << L{"a", "", "b"};
        QTest::newRow("blank line kept") << QByteArray("a\r\n\r\nb") << L{"a", "", "b"};
        QTest::newRow("only a break") << QByteArray("\r\n") << L{""};
        QTest::newRow("empty") << QByteArray() << L{};
        QTest::newRow("zero byte ends") << QByteArray("a\r\nb\0c\r\nd", 10) << L{"a", "b"};
        QTest::newRow("zero first") << QByteArray("\0a", 2) << L{};
    }
    void linesEndAtCrLfOrCrLfAndTheFileAtAZeroByte()
    {
        QFETCH(QByteArray, file);
        QFETCH(QList<QByteArray>, lines);
        QList<QByteArray> read;
        for (QByteArrayView line : personnelcsv::splitLines(file))
            read << line.toByteArray();
        QCOMPARE(read, lines);
    }

    void theLogShowsEachLineAsReadWithItsStatus()
    {
        TestDatabase t;
        t.run(kRows);
        const QByteArray tooLong(70, 'x');
        const QByteArray file = crlf({kHeader, "07;Nowak;Janusz;Alfa;Kadry; pok ;\"1\";;;;", "",
                                      "x;A;B;Alfa;Kadry;;;;;;;", ";Zając;Ola;;Kadry;;;;;;",
                                      "abc;Zając;Ola;Alfa;Zarząd;;;;;;"}) +
                                cp1250("12;") + tooLong + cp1250(";Ą;Alfa;Kadry;;;;;;\r\n") +
                                "7;Nowak;Janusz;Alfa;Kadry; pok ;\"1\";;;;";
        const personnelcsv::ImportReport report = personnelcsv::importStaff(t.db(), file);
        QVERIFY(report.headerMatched);
        QCOMPARE(report.added, 2);
        QCOMPARE(report.updated, 2);
        QCOMPARE(report.errors, 3);
        QCOMPARE(report.log,
                 cp1250("STATUS          ;") + cp1250(kHeader) + "\r\n" +
                     cp1250("aktualizowano:  ;07;Nowak;Janusz;Alfa;Kadry; pok ;\"1\";;;;\r\n") +
                     cp1250("błąd:           ;\r\n") +
                     cp1250("błąd:           ;x;A;B;Alfa;Kadry;;;;;;;\r\n") +
                     cp1250("błąd:           ;;Zając;Ola;;Kadry;;;;;;\r\n") +
                     cp1250("dodano:         ;abc;Zając;Ola;Alfa;Zarząd;;;;;;\r\n") +
                     cp1250("dodano:         ;12;") + tooLong + cp1250(";Ą;Alfa;Kadry;;;;;;\r\n") +
                     cp1250("aktualizowano:  ;7;Nowak;Janusz;Alfa;Kadry; pok ;\"1\";;;;\r\n"));
        // Not trimmed, not unquoted; INFO kept; a department named in another company is
        // created there as a new top-level one.
        db::DataSet check(t.db());
        check.setSelectSql(
            "select STANOWISKO || '|' || PIETRO || '|' || INFO from PERSONEL "
            "where ID = 7");
        check.open();
        QCOMPARE(check.fields().front()->asString(), QString(" pok |\"1\"|notatka"));
        QCOMPARE(dump(t.db(), "PERSONEL").filter(QRegularExpression("^4[12]\\|")),
                 QStringList({"41|1|31|Ola|Zając|<null>|<null>|<null>|<null>|<null>|<null>|<null>",
                              "42|1|1|Ą|" + QString(64, 'x') +
                                  "|<null>|<null>|<null>|<null>|<null>|<null>|<null>"}));
        QCOMPARE(dump(t.db(), "DZIALY").last(), QString("31|1|0|5|Zarząd|<null>"));
    }

    void aMissingHeaderOrAByteOrderMarkImportsNothing_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::newRow("bom") << "\xef\xbb\xbf" + crlf({kHeader, "1;A;B;Alfa;Kadry;;;;;;"});
        QTest::newRow("lower case") << crlf({kHeader.toLower(), "1;A;B;Alfa;Kadry;;;;;;"});
        QTest::newRow("no header") << crlf({"1;A;B;Alfa;Kadry;;;;;;"});
        QTest::newRow("trailing blank") << crlf({kHeader + " ", "1;A;B;Alfa;Kadry;;;;;;"});
        QTest::newRow("no lines") << QByteArray();
    }
    void aMissingHeaderOrAByteOrderMarkImportsNothing()
    {
        QFETCH(QByteArray, file);
        TestDatabase t;
        t.run(kRows);
        const QStringList before = dump(t.db(), "PERSONEL");
        const personnelcsv::ImportReport report = personnelcsv::importStaff(t.db(), file);
        QVERIFY(!report.headerMatched);
        QVERIFY(report.log.isEmpty());
        QCOMPARE(report.added + report.updated + report.errors, 0);
        QCOMPARE(dump(t.db(), "PERSONEL"), before);
    }

    void newCompaniesAndDepartmentsAreCreatedOnceAndFoundByLaterLines()
    {
        TestDatabase t;
        t.run(kRows);
        const QString longCompany = QString(130, u'Ż');
        const QString longDepartment = QString(66, u'd');
        const personnelcsv::ImportReport report = personnelcsv::importStaff(
            t.db(),
            crlf({kHeader, ";A;;Gamma;Biuro;;;;;;", ";B;;Gamma;Biuro;;;;;;",
                  ";C;;Gamma;Sklep;;;;;;", ";D;;" + longCompany + ";" + longDepartment + ";;;;;;",
                  ";E;;" + longCompany + "!;" + longDepartment + "?;;;;;;", ";F;;Alfa;Płace;;;;;;",
                  ";G;;alfa;Kadry;;;;;;", ";H;;Beta Łódź;Zarząd;;;;;;"}));
        QCOMPARE(report.added, 8);
        QCOMPARE(dump(t.db(), "FIRMY"), QStringList({"1|Alfa", "2|Beta Łódź", "21|Gamma",
                                                     "22|" + QString(128, u'Ż'), "23|alfa"}));
        // Gamma's first department gets KOLEJ 1, the next 2; Alfa's department named in
        // the file already existed (a sub-department); "alfa" is another company.
        QCOMPARE(
            dump(t.db(), "DZIALY").mid(4),
            QStringList({"31|21|0|1|Biuro|<null>", "32|21|0|2|Sklep|<null>",
                         "33|22|0|1|" + QString(64, u'd') + "|<null>", "34|23|0|1|Kadry|<null>"}));
        QCOMPARE(
            t.scalar("select count(*) from PERSONEL where FIRMA_ID = 21 and DZIAL_ID = 31").toInt(),
            0);  // not committed: the other connection sees nothing
        db::DataSet placed(t.db());
        placed.setSelectSql(
            "select list(NAZWISKO || ':' || FIRMA_ID || '/' || DZIAL_ID, ' ') "
            "from (select * from PERSONEL where ID > 40 order by ID)");
        placed.open();
        QCOMPARE(placed.fields().front()->asString(),
                 QString("A:21/31 B:21/31 C:21/32 D:22/33 E:22/33 F:1/2 G:23/34 H:2/3"));
    }

    void cancellingTheWindowAfterAnImportRollsItBack()
    {
        Window w;
        const QStringList companies = dump(w.t.db(), "FIRMY");
        const QStringList staff = dump(w.t.db(), "PERSONEL");
        QFile file(w.path("in.csv"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(crlf({kHeader, "7;Nowy;;Omega;Dział;;;;;;", ";Nowa;;Omega;Dział;;;;;;"}));
        file.close();
        w.desk.answers.fileNames.enqueue(file.fileName());
        testsupport::trigger(&w.dialog, "importAction");
        QCOMPARE(dump(w.t.db(), "FIRMY").size(), companies.size() + 1);
        QVERIFY(w.okEnabled());

        w.desk.answers.answers.enqueue(true);
        child<QPushButton>(&w.dialog, "cancelButton")->click();
        QVERIFY(!w.dialog.isVisible());
        QCOMPARE(dump(w.t.db(), "FIRMY"), companies);
        QCOMPARE(dump(w.t.db(), "PERSONEL"), staff);
        QCOMPARE(dump(w.t.db(), "DZIALY").size(), 4);
    }

    void cancellingTheOpenDialogStillWritesAnEmptyLogAndEnablesOk()
    {
        Window w;
        testsupport::trigger(&w.dialog, "importAction");
        const QString log = w.desk.programFolder() + "log_importu_2026-03-05_1030.txt";
        QVERIFY(QFile::exists(log));
        QCOMPARE(readFile(log), QByteArray());
        QVERIFY(w.desk.answers.messages().last().startsWith(
            "Wykonano import listy personelu z pliku CSV.\nDodano: 0\nAktualizowano: 0\nBłędów: "
            "0"));
        QVERIFY(w.okEnabled());
    }

    void aLogThatCannotGoToTheProgramFolderGoesToTheSettingsFolder()
    {
        QTemporaryDir settings;
        const QString missing = settings.path() + "/no/such/folder/";
        const QString there = settings.path() + '/';
        personnelcsv::LogPlace place =
            personnelcsv::writeLog("abc\r\n", "log.txt", {missing, there});
        QCOMPARE(place.path, there + "log.txt");
        QCOMPARE(readFile(place.path), QByteArray("abc\r\n"));
        place = personnelcsv::writeLog("abc\r\n", "log.txt", {missing});
        QVERIFY(place.path.isEmpty());
        QVERIFY(!place.error.isEmpty());
    }

    void aDatabaseFailureStopsAtItsLineAndKeepsTheLogSoFar()
    {
        TestDatabase t;
        t.run(kRows);
        t.run(
            {"alter table PERSONEL add constraint CK_POKOJ check (POKOJ is null or POKOJ <> 'X')"});
        const QByteArray file = crlf(
            {kHeader, ";A;;Alfa;Kadry;;;;;;", ";B;;Alfa;Kadry;;;X;;;", ";C;;Alfa;Kadry;;;;;;"});
        const personnelcsv::ImportReport report = personnelcsv::importStaff(t.db(), file);
        QCOMPARE(report.stoppedAtLine, 3);
        QVERIFY(report.failure.contains("CK_POKOJ"));
        QVERIFY(!report.cancelled);
        QCOMPARE(report.log,
                 crlf({"STATUS          ;" + kHeader, "dodano:         ;;A;;Alfa;Kadry;;;;;;",
                       "błąd:           ;;B;;Alfa;Kadry;;;X;;;"}));
        // The row stored before stays pending in the transaction.
        QCOMPARE(dump(t.db(), "PERSONEL").filter("|A|").size(), 1);
    }

    void aBlockRefusedHalfwayKeepsItsLinesBeforeTheFaultyOneAndNothingAfter()
    {
        TestDatabase t;
        t.run(kRows);
        t.run(
            {"alter table PERSONEL add constraint CK_POKOJ check (POKOJ is null or POKOJ <> 'X')"});
        const int faulty = personnelcsv::LinesPerBlock * 3 / 2;  // amid the second block
        QStringList lines = {kHeader};
        for (int i = 1; i <= personnelcsv::LinesPerBlock * 2 + 10; ++i)  // the faulty line also
            lines << (i == faulty ? ";F;;Omega;Nowy;;;X;;;" : ";N;;Alfa;Kadry;;;;;;");  // adds
        const personnelcsv::ImportReport report = personnelcsv::importStaff(t.db(), crlf(lines));
        QCOMPARE(report.stoppedAtLine, faulty + 1);
        QString alone;  // the server's message for the faulty row sent on its own
        try {
            t.db().execute("insert into PERSONEL (ID, POKOJ) values (999, 'X')");
        } catch (const db::Error& error) {
            alone = error.message();
        }
        QVERIFY2(alone.contains("CK_POKOJ"), qPrintable(alone));
        QCOMPARE(report.failure, alone);
        QCOMPARE(report.added, faulty - 1);
        QCOMPARE(logLineCount(report.log), faulty + 1);
        QVERIFY(report.log.endsWith(cp1250("błąd:           ;;F;;Omega;Nowy;;;X;;;\r\n")));
        QCOMPARE(dump(t.db(), "PERSONEL").filter("|N|").size(), faulty - 1);
        QCOMPARE(dump(t.db(), "PERSONEL").filter("|F|").size(), 0);
        QCOMPARE(dump(t.db(), "FIRMY").size(), 2);  // nor its company, nor its department
        QCOMPARE(dump(t.db(), "DZIALY").size(), 4);
    }

    void hostileTextsOfAFileAreStoredAsTheirBytesCutToTheColumns_data()
    {
        QTest::addColumn<QByteArray>("bytes");  // every text field of the line holds them
        for (const char* text : {"'", "' or '1'='1", "%", "_", "\\", ";--", "ZAŻÓŁĆ gęślą jaźń"})
            QTest::newRow(text) << cp1250(text);
        QTest::newRow("10,000 characters") << cp1250(QString("Łódź ").repeated(2000));
        // A file written in UTF-8 reads as Windows-1250 letters, byte for byte.
        QTest::newRow("UTF-8 outside Windows-1250") << QString("Ж€😀中").toUtf8();
    }
    void hostileTextsOfAFileAreStoredAsTheirBytesCutToTheColumns()
    {
        QFETCH(QByteArray, bytes);
        TestDatabase t;
        t.run(kRows);
        QByteArray line;
        for (int field = 1; field < 11; ++field)
            line += ';' + bytes;
        const personnelcsv::ImportReport report =
            personnelcsv::importStaff(t.db(), cp1250(kHeader) + "\r\n" + line + "\r\n");
        QVERIFY2(report.failure.isEmpty(), qPrintable(report.failure));
        // A ";" in a text splits it into more fields than a line has.
        const bool splits = bytes.contains(';');
        QCOMPARE(report.errors, splits ? 1 : 0);
        QCOMPARE(report.added, splits ? 0 : 1);
        if (splits)
            return;
        db::DataSet stored(t.db());
        stored.setSelectSql(
            "select P.NAZWISKO, P.IMIE, F.NAZWA as FIRMA, D.NAZWA as DZIAL, "
            "P.STANOWISKO, P.PIETRO, P.POKOJ, P.TELSTACJ, P.TELKOM, P.EMAIL "
            "from PERSONEL P join FIRMY F on F.ID = P.FIRMA_ID "
            "join DZIALY D on D.ID = P.DZIAL_ID where P.ID > 40");
        stored.open();
        QCOMPARE(stored.recordCount(), 1);
        const int widths[] = {64, 32, 128, 64, 64, 16, 16, 64, 64, 64};
        for (int i = 0; i < 10; ++i)
            QCOMPARE(t.db().encode(stored.fields()[size_t(i)]->asString()), bytes.left(widths[i]));
    }

    void aGeneratorPast32BitsIsRefusedNotCut_data()
    {
        QTest::addColumn<QString>("generator");
        QTest::addColumn<QString>("line");
        QTest::newRow("employee") << "GEN_PERSONEL_ID"
                                  << ";A;;Alfa;Kadry;;;;;;";
        QTest::newRow("company") << "GEN_FIRMY_ID"
                                 << ";A;;Nowa;Kadry;;;;;;";
        QTest::newRow("department") << "GEN_DZIALY_ID"
                                    << ";A;;Alfa;Nowy;;;;;;";
    }
    void aGeneratorPast32BitsIsRefusedNotCut()
    {
        QFETCH(QString, generator);
        QFETCH(QString, line);
        TestDatabase t;
        t.run(kRows);
        t.run({"set generator " + generator + " to 2147483647"});
        const personnelcsv::ImportReport report =
            personnelcsv::importStaff(t.db(), crlf({kHeader, line}));
        QCOMPARE(report.added, 0);
        QCOMPARE(report.stoppedAtLine, 2);
        QVERIFY2(report.failure.contains("2147483648"), qPrintable(report.failure));
        QVERIFY(report.log.endsWith(cp1250("błąd:           ;" + line + "\r\n")));
        for (const char* table : {"FIRMY", "DZIALY", "PERSONEL"})
            QCOMPARE(dump(t.db(), table).filter(QRegularExpression("^-")), QStringList());
    }

    void aStoppedImportKeepsWhatItPostedAndLogsUpToThatLine()
    {
        TestDatabase t;
        t.run(kRows);
        const QByteArray file =
            crlf({kHeader, ";A;;Alfa;Kadry;;;;;;", ";B;;Alfa;Kadry;;;;;;", ";C;;Alfa;Kadry;;;;;;"});
        const personnelcsv::ImportReport report =
            personnelcsv::importStaff(t.db(), file, [](int lines) { return lines < 2; });
        QVERIFY(report.cancelled);
        QCOMPARE(report.stoppedAtLine, 3);
        QCOMPARE(report.added, 2);
        QCOMPARE(logLineCount(report.log), 3);
        QCOMPARE(dump(t.db(), "PERSONEL").size(), 6);
    }

    void indexedLookUpsGiveWhatAWalkOfTheTablesGives()
    {
        TestDatabase indexed, walked;
        indexed.run(kRows);
        walked.run(kRows);
        QRandomGenerator random(20260305);
        const QStringList companies = {"Alfa",
                                       "Beta Łódź",
                                       "Gamma",
                                       "gamma",
                                       "Delta",
                                       " Alfa",
                                       QString(129, u'Ś'),
                                       QString(129, u'Ś') + "x",
                                       ""};
        const QStringList departments = {"Kadry", "Płace",   "Zarząd",          "IT",
                                         "it",    "Dział ą", QString(70, u'ó'), ""};
        const QStringList ids = {"",   "7",  "07", "8",  "9",           "10", "x",
                                 "-3", "41", "45", "50", "99999999999", " 9"};
        QStringList lines = {kHeader};
        for (int i = 0; i < 600; ++i) {
            QStringList f = {randomText(random, ids),
                             "N" + QString::number(i),
                             randomText(random, {"Jan", "Ewa", ""}),
                             randomText(random, companies),
                             randomText(random, departments),
                             "S",
                             QString::number(random.bounded(5)),
                             "",
                             "",
                             "",
                             "e"};
            if (random.bounded(20) == 0)
                f.removeLast();
            lines << f.join(';');
        }
        const QByteArray file = crlf(lines);
        const personnelcsv::ImportReport report = personnelcsv::importStaff(indexed.db(), file);
        NaiveImport naive(walked.db());
        const QList<QByteArray> logLines = report.log.split('\n');
        for (int i = 1; i < lines.size(); ++i) {
            const QString expected = naive.line(lines[i]);
            const QByteArray logged = logLines[i];
            const QByteArray status = expected == "error"   ? cp1250("błąd:")
                                      : expected == "added" ? QByteArray("dodano:")
                                                            : QByteArray("aktualizowano:");
            QVERIFY2(logged.startsWith(status), qPrintable(QString::number(i) + ": " + lines[i]));
        }
        QVERIFY(report.added > 50 && report.updated > 50 && report.errors > 50);
        for (const QString table : {"FIRMY", "DZIALY", "PERSONEL"})
            QCOMPARE(dump(indexed.db(), table), dump(walked.db(), table));
    }

    void randomInputNeverCrashesAndLogsEveryLine()
    {
        TestDatabase t;
        t.run(kRows);
        QRandomGenerator random(1250);
        const QByteArray header = QByteArray(personnelcsv::Header) + "\r\n";
        QElapsedTimer running;
        running.start();
        int inputs = 0;
        qint64 linesSeen = 0;
        while (running.elapsed() < 3000) {
            QByteArray body;
            const int lineCount = 1 + int(random.bounded(8));
            for (int l = 0; l < lineCount; ++l) {
                QByteArray line;
                switch (random.bounded(5)) {
                    case 0:  // random bytes other than the line breaks and zero
                        for (int i = int(random.bounded(200)); i > 0; --i) {
                            char c = char(1 + random.bounded(255));
                            line += (c == '\r' || c == '\n') ? 'x' : c;
                        }
                        break;
                    case 1:  // thousands of separators
                        line = QByteArray(int(random.bounded(5000)), ';');
                        break;
                    case 2:  // a huge line
                        line = QByteArray(int(100000 + random.bounded(100000)), 'q');
                        break;
                    default: {  // ten separators around bytes that are no letter of the page
                        const char odd[] = {'\x81', '\x83', '\x88', '\x90', '\x98', '\xff', '\x01'};
                        for (int f = 0; f < 11; ++f) {
                            if (f)
                                line += ';';
                            for (int i = int(random.bounded(80)); i > 0; --i)
                                line += random.bounded(2) ? odd[random.bounded(7)]
                                                          : char('a' + random.bounded(26));
                        }
                    }
                }
                body += line + (random.bounded(3) ? "\r\n" : "\n");
                ++linesSeen;
            }
            const personnelcsv::ImportReport report =
                personnelcsv::importStaff(t.db(), header + body);
            QVERIFY2(report.failure.isEmpty(), qPrintable(report.failure));
            QCOMPARE(logLineCount(report.log), lineCount + 1);
            QCOMPARE(report.added + report.updated + report.errors, lineCount);
            ++inputs;
        }
        qInfo("random inputs: %d files, %lld lines", inputs, linesSeen);
        QVERIFY(inputs > 10);
    }
};

HALVANE_TEST(PersonnelCsvTest);
#include "PersonnelCsvTest.moc"

// The removal of old personal data: what the window counts before it asks, exactly which
// values the removal writes (every other value of every table stays), a refused write
// leaving everything as it was, the retention time and the last removal in the settings,
// and when the start-up reminder is due; the purge of the file, after which no erased text
// can be read from it, and its refusal while another desk is attached to the server.
#include "admin/DatabasePurge.h"
#include "admin/PersonalDataDialog.h"
#include "admin/PersonalDataRemoval.h"
#include "desk/PersonalData.h"
#include "support/AccessibleNames.h"
#include "support/Find.h"
#include "support/Screenshot.h"
#include "support/ServerDatabase.h"
#include "support/TableSnapshot.h"
#include "support/TestDatabase.h"
#include "support/TestDesk.h"
#include "support/testmain.h"

#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>

using testsupport::child;
using testsupport::Null;
using testsupport::TableSnapshot;

namespace {

const QString Erased = QStringLiteral("(usunięto)");

// Today is 05-03-2026 (the test clock); 24 months give the cut-off day 05-03-2024.
// Guest 1 was seen yesterday and long ago, 2 never, 3 only long ago (the last time a minute
// before the cut-off day), 4 on the cut-off day itself, 5 was erased before. Visit 15 has
// no guest but a message; 16 was erased save the employee. Guest 2 (no visit to date by) and 6
// (inside since visit 17) are kept; visit 18 has no arrival but old times.
const QStringList kRows = {
    "insert into FIRMY (ID, NAZWA) values (1, 'Tervik sp. z o.o.')",
    "insert into DZIALY (ID, FIRMA_ID, POPID, KOLEJ, NAZWA, LOKALIZACJA) values "
    "(1, 1, 0, 1, 'Recepcja', 'parter')",
    "insert into PERSONEL (ID, FIRMA_ID, DZIAL_ID, IMIE, NAZWISKO, STANOWISKO, EMAIL, INFO) "
    "values (1, 1, 1, 'Anna', 'Nowak', 'kierownik', 'a.nowak@tervik.pl', 'pokój 12')",
    "insert into GOSCIE (ID, NAZWA, DOKUM, INFO) values "
    "(1, 'Adamski Jan', 'dowód AAA111', 'stały gość')",
    "insert into GOSCIE (ID, NAZWA, DOKUM) values (2, 'Bielska Ewa', 'paszport EB2')",
    "insert into GOSCIE (ID, NAZWA, DOKUM, INFO) values "
    "(3, 'Cieślak Piotr', 'dowód CCC333', 'alergia na koty')",
    "insert into GOSCIE (ID, NAZWA, DOKUM) values (4, 'Dudek Anna', 'dowód DDD444')",
    "insert into GOSCIE (ID, NAZWA) values (5, '(usunięto)')",
    "insert into GOSCIE (ID, NAZWA, DOKUM) values (6, 'Ejsmont Olga', 'dowód EEE666')",
    "insert into WIZYTY values (10, 1, 1, 1, 'Adamski Jan', 'dowód AAA111', 1, 'Nowak Anna', "
    "'2023-01-10 09:00', '2023-01-10 09:05', '2023-01-10 11:00', 'ID-10', 'K-10', "
    "'Proszę oddzwonić', '2023-01-10 12:00')",
    "insert into WIZYTY values (11, 1, 1, 1, 'Adamski Jan', 'dowód AAA111', 1, 'Nowak Anna', "
    "'2026-03-04 14:00', '2026-03-04 14:05', '2026-03-04 15:00', 'ID-11', 'K-11', "
    "'Paczka', '2026-03-04 16:00')",
    "insert into WIZYTY values (12, 1, 1, 3, 'Cieślak Piotr', 'dowód CCC333', 1, 'Nowak Anna', "
    "'2022-06-01 10:00', '2022-06-01 10:01', '2022-06-01 10:30', 'ID-12', 'K-12', "
    "'Faktura', '2022-06-01 11:00')",
    "insert into WIZYTY values (13, 1, 1, 3, 'Cieślak Piotr', 'dowód CCC333', 1, 'Nowak Anna', "
    "'2024-03-04 23:59', '2024-03-05 00:01', '2024-03-05 01:00', 'ID-13', 'K-13', null, null)",
    "insert into WIZYTY values (14, 1, 1, 4, 'Dudek Anna', 'dowód DDD444', 1, 'Nowak Anna', "
    "'2024-03-05 08:00', '2024-03-05 08:10', '2024-03-05 09:00', 'ID-14', 'K-14', "
    "'Klucze', '2024-03-05 10:00')",
    "insert into WIZYTY values (15, 1, 1, null, null, null, 1, 'Nowak Anna', "
    "'2021-05-05 12:00', null, null, null, null, 'Kurier zostawił paczkę dla Nowak', null)",
    "insert into WIZYTY values (16, 1, 1, 5, '(usunięto)', null, 1, 'Nowak Anna', "
    "'2020-01-01 08:00', '2020-01-01 08:05', '2020-01-01 09:00', 'ID-16', 'K-16', null, null)",
    "insert into WIZYTY values (17, 1, 1, 6, 'Ejsmont Olga', 'dowód EEE666', 1, 'Nowak Anna', "
    "'2023-11-20 08:00', '2023-11-20 08:05', null, 'ID-17', 'K-17', 'Klucz do sali', null)",
    "insert into WIZYTY values (18, 1, 1, 3, 'Cieślak Piotr', 'dowód CCC333', 1, 'Nowak Anna', "
    "null, '2022-06-02 10:00', '2022-06-02 11:00', 'ID-18', 'K-18', 'Legitymacja', "
    "'2022-06-02 12:00')",
    // The outbox: a notice made a minute before the cut-off day goes, one made on it stays.
    "insert into POCZTA (ID, DTUTWORZENIA, RODZAJ, WIZYTA_ID, ADRESAT, TEMAT, TRESC) values "
    "(1, '2024-03-04 23:59', 1, 13, 'a.nowak@tervik.pl', 'Gość w recepcji: Cieślak Piotr', "
    "'Cieślak Piotr czeka w recepcji.')",
    "insert into POCZTA (ID, DTUTWORZENIA, RODZAJ, WIZYTA_ID, ADRESAT, TEMAT) values "
    "(2, '2024-03-05 00:00', 1, 14, 'a.nowak@tervik.pl', 'Gość w recepcji: Dudek Anna')",
    // Marks "Zakaz wstępu": guest 3's and 5's go with the old data, guest 99 is gone from the
    // registry, guests 1 and 6 were seen lately.
    "insert into ZAKAZY_WSTEPU values (3, 'Groził ochronie', '2022-06-02')",
    "insert into ZAKAZY_WSTEPU values (5, 'Kradzież', '2020-01-01')",
    "insert into ZAKAZY_WSTEPU values (99, 'Awantura', '2021-01-01')",
    "insert into ZAKAZY_WSTEPU values (1, 'Wulgarny', '2026-03-04')",
    "insert into ZAKAZY_WSTEPU values (6, 'Zakłócanie', '2024-01-01')",
};

// Files the program may have written (in its folder, or "s/" the settings folder), each last
// written on a day: those before the cut-off day go when the program names them so.
const std::pair<const char*, const char*> kFiles[] = {
    {"log_importu_2024-03-04_2359.txt", "2024-03-04T23:59"},  // goes
    {"log_importu_2024-03-05_0800.txt", "2024-03-05T08:00"},  // the cut-off day: stays
    {"Dane_goscia_3.csv", "2023-01-01T10:00"},  // an export only in the settings folder
    {"s/log_importu_2022-01-01_1000.txt", "2022-01-01T10:00"},  // goes
    {"s/W budynku.csv", "2023-05-01T10:00"},                    // goes
    {"s/Dane_goscia_3.csv.bak", "2020-01-01T10:00"},  // not a name of the program's: stays
};

struct Removal {
    testsupport::TestDatabase database;
    testsupport::TestDesk desk{database.db()};
    PersonalDataDialog dialog{desk};

    Removal()
    {
        database.run(kRows);
        desk.settingsFolderPath = desk.programFolder() + "s/";
        QDir().mkpath(desk.settingsFolderPath);
        for (const auto& [name, written] : kFiles) {
            QFile file(desk.programFolder() + name);
            file.open(QIODevice::WriteOnly);  // a file not made or not dated fails present()
            file.setFileTime(QDateTime::fromString(written, Qt::ISODate),
                             QFile::FileModificationTime);
        }
    }
    // Which of kFiles are there, 1 or 0 in their order.
    QString present()
    {
        QString marks;
        for (const auto& [name, written] : kFiles)
            marks += QFile::exists(desk.programFolder() + name) ? u'1' : u'0';
        return marks;
    }
    ~Removal()
    {
        if (dialog.isVisible())
            dialog.reject();
    }
    QString label(const char* name) { return child<QLabel>(&dialog, name)->text(); }
    QStringList shownCounts()
    {
        return {label("cutOffLabel"), label("guestsLabel"), label("visitsLabel")};
    }
    void clickRemove()
    {
        QTest::mouseClick(child<QPushButton>(&dialog, "removeButton"), Qt::LeftButton);
    }
    const testsupport::Shown& lastShown() { return desk.answers.shown.last(); }
};

// What the removal leaves of the rows it erases.
QMap<QString, TableSnapshot> erasedFrom(QMap<QString, TableSnapshot> tables,
                                        const QList<int>& guests, const QList<int>& visits)
{
    for (int id : guests)
        tables["GOSCIE"] = tables["GOSCIE"]
                               .with(id, "NAZWA", Erased)
                               .with(id, "DOKUM", Null)
                               .with(id, "INFO", Null);
    for (int id : visits)
        tables["WIZYTY"] = tables["WIZYTY"]
                               .with(id, "GOSC_NAZWA", Erased)
                               .with(id, "GOSC_DOKUM", Null)
                               .with(id, "WIADOMOSC", Null)
                               .with(id, "PERSON_NAZWA", Erased);
    return tables;
}

const QString Purged = QStringLiteral(
    "Plik bazy danych został oczyszczony: usuniętych danych nie można już z niego odczytać.");

// Texts of guest 3 and its visits, none of which stays anywhere else.
QStringList erasedTextsIn(const QString& path)
{
    return testsupport::textsReadableIn(path,
                                        {"Piotr", "alergia na koty", "Faktura", "Legitymacja"});
}

void compareTables(const QMap<QString, TableSnapshot>& actual,
                   const QMap<QString, TableSnapshot>& expected)
{
    for (const QString& table : testsupport::ProgramTables) {
        QCOMPARE(actual[table].columns, expected[table].columns);
        QCOMPARE(actual[table].lines(), expected[table].lines());
    }
}

}  // namespace

class PersonalDataDialogTest : public QObject {
    Q_OBJECT
private slots:
    void removalErasesExactlyThePersonalDataBeforeTheCutOff()
    {
        Removal r;
        const auto before = testsupport::snapshotAll(r.database);
        QVERIFY(before["WIZYTY"].rows.size() == 9 && before["GOSCIE"].rows.size() == 6);
        r.dialog.open();
        QCOMPARE(child<QSpinBox>(&r.dialog, "monthsSpin")->value(), 24);
        QCOMPARE(r.shownCounts(), QStringList({"05-03-2024", "1", "6"}));
        QCOMPARE(r.label("lastRemovalLabel"), QStringLiteral("nigdy"));
        QVERIFY(testsupport::saveScreenshot(r.dialog, "usuwanie_danych_osobowych.png"));
        QCOMPARE(testsupport::unnamedControls(r.dialog), QStringList());

        // No, the default answer, changes nothing.
        r.clickRemove();
        QCOMPARE(r.lastShown().kind, QStringLiteral("question"));
        QCOMPARE(r.lastShown().detail, QStringLiteral("Nie"));
        QCOMPARE(r.lastShown().text,
                 QStringLiteral("Usunąć dane osobowe sprzed dnia 05-03-2024?\n\n"
                                "Goście widziani ostatnio przed tym dniem: 1\n"
                                "Wizyty sprzed tego dnia: 6\n"
                                "Pliki programu sprzed tego dnia (logi importu, eksporty): 3\n"
                                "Wiadomości e-mail sprzed tego dnia (poczta wychodząca): 1\n"
                                "Zakazy wstępu tych gości: 3\n\n"
                                "Pozostają goście bez wizyt (nie ma daty): 1\n"
                                "i wizyty z wejściem bez wyjścia (gość może być w budynku): 1\n\n"
                                "Tej operacji nie można cofnąć. Następnie plik bazy danych "
                                "zostanie oczyszczony (kopia i odtworzenie), aby usuniętych "
                                "danych nie dało się z niego odczytać."));
        compareTables(testsupport::snapshotAll(r.database), before);
        QCOMPARE(r.present(), QString("111111"));
        QCOMPARE(r.desk.ledgerText(), QString());

        // Yes: committed (another connection reads it), and only counts are reported.
        r.desk.answers.answers.enqueue(true);
        r.clickRemove();
        compareTables(testsupport::snapshotAll(r.database),
                      erasedFrom(before, {3}, {10, 12, 13, 15, 16, 18}));
        QCOMPARE(r.desk.answers.shown.at(r.desk.answers.shown.size() - 2).text,
                 QStringLiteral("Usunięto dane osobowe.\n\nGości: 1\nWizyt: 6\nPlików: 3\n"
                                "Wiadomości e-mail: 1\nZakazów wstępu: 3"));
        QCOMPARE(r.database.scalar("select list(ID) from POCZTA").toString(), QString("2"));
        QCOMPARE(
            r.database.scalar("select list(GOSC_ID) from (select * from ZAKAZY_WSTEPU order by 1)")
                .toString(),
            QString("1,6"));
        QCOMPARE(r.present(), QString("011001"));
        // The file is purged at once.
        QCOMPARE(r.lastShown().text, Purged);
        QCOMPARE(r.label("lastPurgeLabel"), QStringLiteral("05-03-2026 10:30"));
        QCOMPARE(r.label("waitingLabel"), QStringLiteral("brak"));
        QCOMPARE(erasedTextsIn(r.database.path()), QStringList());
        QCOMPARE(r.desk.settingsValues.value("RODO/Ostatnio"), QStringLiteral("2026-03-05"));
        QCOMPARE(r.desk.ledgerText(),
                 "2026-03-05T10:30:00.000\tgranica\t2024-03-05\t" + r.database.path() + '\n');
        QCOMPARE(r.shownCounts(), QStringList({"05-03-2024", "0", "0"}));
        QCOMPARE(r.label("lastRemovalLabel"), QStringLiteral("05-03-2026"));
        for (const testsupport::Shown& shown : r.desk.answers.shown)
            for (const char* name : {"Adamski", "Bielska", "Cieślak", "Dudek", "Ejsmont", "AAA111"})
                QVERIFY2(!shown.text.contains(QString::fromUtf8(name)), qPrintable(shown.text));

        // Erased rows are not counted again: nothing is left to ask about.
        r.desk.answers.clear();
        r.desk.answers.answers.enqueue(true);
        r.clickRemove();
        QCOMPARE(r.desk.answers.shown.size(), 1);
        QCOMPARE(r.lastShown().text,
                 QStringLiteral("Nie ma danych osobowych sprzed dnia 05-03-2024."));
        compareTables(testsupport::snapshotAll(r.database),
                      erasedFrom(before, {3}, {10, 12, 13, 15, 16, 18}));
        r.dialog.reject();
        QCOMPARE(r.desk.settingsValues.value("RODO/Miesiace"), QStringLiteral("24"));
    }

    // A guest erased on request waits for the purge: shown with its time, overdue after the
    // interval, readable from the file until the purge and gone after it.
    void anErasedGuestIsReadableFromTheFileUntilItIsPurged_data()
    {
        QTest::addColumn<QString>("interval");
        QTest::addColumn<int>("daysLater");
        QTest::addColumn<QString>("waiting");
        const QString erased = QStringLiteral("1, najstarsze z 05-03-2026 10:30");
        QTest::newRow("the same day") << "" << 0 << erased;
        QTest::newRow("7 days, default") << "" << 7 << erased;
        QTest::newRow("8 days") << "" << 8 << erased + " (czeka dłużej niż 7 dni)";
        QTest::newRow("8 days of 10") << "10" << 8 << erased;
        QTest::newRow("3 days of 2") << "2" << 3 << erased + " (czeka dłużej niż 2 dni)";
    }
    void anErasedGuestIsReadableFromTheFileUntilItIsPurged()
    {
        QFETCH(QString, interval);
        QFETCH(int, daysLater);
        QFETCH(QString, waiting);
        Removal r;
        QCOMPARE(desk::eraseGuestData(r.desk, 3).marks, 1);
        QVERIFY(r.desk.commitWork());
        r.desk.fixedClock.time = r.desk.fixedClock.time.addDays(daysLater);
        if (!interval.isEmpty())
            r.desk.settingsValues.insert("RODO/Oczyszczanie", interval);
        r.dialog.open();
        QCOMPARE(r.label("lastPurgeLabel"), QStringLiteral("nigdy"));
        QCOMPARE(r.label("waitingLabel"), waiting);
        QCOMPARE(erasedTextsIn(r.database.path()),
                 QStringList({"Piotr", "alergia na koty", "Faktura", "Legitymacja"}));

        QTest::mouseClick(child<QPushButton>(&r.dialog, "purgeButton"), Qt::LeftButton);
        QCOMPARE(r.lastShown().text, Purged);
        QCOMPARE(erasedTextsIn(r.database.path()), QStringList());
        QCOMPARE(r.label("lastPurgeLabel"),
                 r.desk.fixedClock.time.toString(QStringLiteral("dd-MM-yyyy HH:mm")));
        QCOMPARE(r.label("waitingLabel"), QStringLiteral("brak"));
        // The purge's backup, which held the erased texts, is gone; the file is the user's.
        QVERIFY(!QFileInfo::exists(r.database.path() + ".oczyszczanie.fbk"));
        QVERIFY(!QFileInfo::exists(r.database.path() + ".odtwarzanie.tmp"));
        QCOMPARE(r.database.scalar("select count(*) from GOSCIE where NAZWA = 'Adamski Jan'"), 1);
        r.dialog.reject();
        QCOMPARE(r.desk.settingsValues.value("RODO/Oczyszczanie"),
                 interval.isEmpty() ? QStringLiteral("7") : interval);
    }

    // On the server the purge needs the database to itself: a desk attached is named, may be
    // waited for, and refuses the purge with the database untouched until it has gone.
    void anotherDeskAttachedRefusesThePurgeByName()
    {
        REQUIRE_FIREBIRD_SERVER();
        testsupport::ServerDatabase server;
        auto own = testsupport::connectTo(server.name());
        auto other = testsupport::connectTo(server.name());
        testsupport::TestDesk desk(*own);
        desk.setUpMail({"127.0.0.1", 25, mail::Security::None, {}, {}, "recepcja@tervik.pl"});
        QTRY_VERIFY(desk.courier()->attachmentId() != 0);  // this desk's, never named
        desk::eraseGuestData(desk, 1);
        QVERIFY(desk.commitWork());
        const QStringList before = testsupport::allRows(server.name());
        PersonalDataDialog dialog(desk);
        dialog.open();
        const QString waiting = child<QLabel>(&dialog, "waitingLabel")->text();
        QVERIFY2(waiting.startsWith("1, "), qPrintable(waiting));

        desk.answers.answers.enqueue(true);  // check again: still attached; then No
        QTest::mouseClick(child<QPushButton>(&dialog, "purgeButton"), Qt::LeftButton);
        const auto& shown = desk.answers.shown;
        QCOMPARE(shown.size(), 3);
        QCOMPARE(shown[0].kind, QStringLiteral("question"));
        QCOMPARE(shown[1].text, shown[0].text);
        QVERIFY2(shown[2].text.startsWith("Nie oczyszczono pliku bazy danych: z bazą danych są "
                                          "połączone inne stanowiska:\n- komputer "),
                 qPrintable(shown[2].text));
        const QString program = QFileInfo(QCoreApplication::applicationFilePath()).fileName();
        for (const testsupport::Shown& asked : shown)
            QVERIFY2(asked.text.contains(program) && asked.text.contains("użytkownik SYSDBA") &&
                         asked.text.count("\n- ") == 1,
                     qPrintable(asked.text));
        // Past the window's look, the engine itself refuses: nothing is rewritten.
        const auto refusalOf = [&own](admin::ServiceJob job) {
            own->close();
            QString refusal;
            try {
                admin::DatabasePurge::purge(job, {}, [](const QString&) {});
            } catch (const db::Error& error) {
                refusal = error.message();
            }
            own->open();  // the database is open to the desks again
            return refusal;
        };
        QVERIFY2(refusalOf(admin::DatabasePurge::jobFor(*own))
                     .startsWith("Nie oczyszczono pliku bazy danych; baza danych pozostała bez "
                                 "zmian.\n\nNie można zamknąć bazy danych dla innych stanowisk"),
                 "not refused by the engine");
        QCOMPARE(testsupport::allRows(server.name()), before);
        QCOMPARE(child<QLabel>(&dialog, "waitingLabel")->text(), waiting);

        other.reset();
        admin::ServiceJob broken = admin::DatabasePurge::jobFor(*own);
        broken.backupFile = server.folder() + "/brak/kopia.fbk";
        QVERIFY(!refusalOf(broken).isEmpty());
        QCOMPARE(testsupport::allRows(server.name()), before);
        desk.answers.clear();
        QTest::mouseClick(child<QPushButton>(&dialog, "purgeButton"), Qt::LeftButton);
        QCOMPARE(desk.answers.shown.last().text, Purged);
        QCOMPARE(desk.answers.shown.size(), 1);
        QCOMPARE(child<QLabel>(&dialog, "waitingLabel")->text(), QStringLiteral("brak"));
        QCOMPARE(testsupport::allRows(server.name()), before);
        QVERIFY(!QFileInfo::exists(server.path() + ".oczyszczanie.fbk"));
        dialog.reject();
    }

    void aRefusedVisitUpdateLeavesEverythingAsItWas()
    {
        Removal r;
        r.database.run(
            {"alter table WIZYTY add constraint CK_NO_ERASURE "
             "check (GOSC_NAZWA is distinct from '(usunięto)')"});
        const auto before = testsupport::snapshotAll(r.database);
        r.dialog.open();
        r.desk.answers.answers.enqueue(true);
        r.clickRemove();
        QCOMPARE(r.lastShown().kind, QStringLiteral("message"));
        QVERIFY2(r.lastShown().text.startsWith(
                     "Nie usunięto danych osobowych; nic nie zostało zmienione.\n\n"),
                 qPrintable(r.lastShown().text));
        QVERIFY2(r.lastShown().text.contains("CK_NO_ERASURE"), qPrintable(r.lastShown().text));
        compareTables(testsupport::snapshotAll(r.database), before);
        QCOMPARE(r.present(), QString("111111"));
        // The program's own connection sees the guests' rows as they were, too.
        QCOMPARE(r.shownCounts(), QStringList({"05-03-2024", "1", "6"}));
        QVERIFY(!r.desk.settingsValues.contains("RODO/Ostatnio"));
    }

    void theRetentionTimeComesFromTheSettings_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<int>("months");
        QTest::addColumn<QStringList>("shown");
        QTest::newRow("12 months") << "12" << 12 << QStringList{"05-03-2025", "2", "7"};
        QTest::newRow("none") << "" << 24 << QStringList{"05-03-2024", "1", "6"};
        QTest::newRow("0") << "0" << 24 << QStringList{"05-03-2024", "1", "6"};
        QTest::newRow("121") << "121" << 24 << QStringList{"05-03-2024", "1", "6"};
        QTest::newRow("not a number") << "dwa lata" << 24 << QStringList{"05-03-2024", "1", "6"};
        QTest::newRow("120 months") << "120" << 120 << QStringList{"05-03-2016", "0", "0"};
    }
    void theRetentionTimeComesFromTheSettings()
    {
        QFETCH(QString, stored);
        QFETCH(int, months);
        QFETCH(QStringList, shown);
        Removal r;
        if (!stored.isEmpty())
            r.desk.settingsValues.insert("RODO/Miesiace", stored);
        r.dialog.open();
        QCOMPARE(child<QSpinBox>(&r.dialog, "monthsSpin")->value(), months);
        QCOMPARE(r.shownCounts(), shown);
        // A value given in the window is counted at once and kept when it closes.
        child<QSpinBox>(&r.dialog, "monthsSpin")->setValue(1);
        QCOMPARE(r.label("cutOffLabel"), QStringLiteral("05-02-2026"));
        QCOMPARE(r.label("guestsLabel"), QStringLiteral("2"));
        r.dialog.reject();
        QCOMPARE(r.desk.settingsValues.value("RODO/Miesiace"), QStringLiteral("1"));
    }

    void theReminderIsDueOnlyAfterMoreThan31Days_data()
    {
        QTest::addColumn<QString>("lastRemoval");
        QTest::addColumn<bool>("due");
        const QDate today(2026, 3, 5);
        QTest::newRow("never") << QString() << true;
        QTest::newRow("not a date") << "wczoraj" << true;
        QTest::newRow("30 days") << today.addDays(-30).toString(Qt::ISODate) << false;
        QTest::newRow("31 days") << today.addDays(-31).toString(Qt::ISODate) << false;
        QTest::newRow("32 days") << today.addDays(-32).toString(Qt::ISODate) << true;
        QTest::newRow("a year") << "2025-03-05" << true;
        QTest::newRow("today") << "2026-03-05" << false;
    }
    void theReminderIsDueOnlyAfterMoreThan31Days()
    {
        QFETCH(QString, lastRemoval);
        QFETCH(bool, due);
        QCOMPARE(admin::removalReminderDue(lastRemoval, QDate(2026, 3, 5)), due);
    }
};

HALVANE_TEST(PersonalDataDialogTest);
#include "PersonalDataDialogTest.moc"

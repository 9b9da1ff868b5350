// A guest's personal data in the guest list: the report of everything kept about the guest
// (shown, saved as PDF and CSV) in both modes, and the erasure of one guest's data in
// Mode::Edit, which leaves every other guest and visit as it was.
#include "support/AccessibleNames.h"
#include "support/Find.h"
#include "support/Modal.h"
#include "support/PdfPages.h"
#include "support/Screenshot.h"
#include "support/TableSnapshot.h"
#include "support/TestDatabase.h"
#include "support/TestDesk.h"
#include "support/testmain.h"
#include "visitors/GuestsDialog.h"

#include <QApplication>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QPushButton>
#include <QStringDecoder>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

using testsupport::child;
using testsupport::Null;
using Mode = GuestsDialog::Mode;

namespace {

const QStringList kRows = {
    "insert into FIRMY (ID, NAZWA) values (1, 'Tervik sp. z o.o.')",
    "insert into FIRMY (ID, NAZWA) values (2, 'Łąkowa SA')",
    "insert into DZIALY (ID, FIRMA_ID, POPID, KOLEJ, NAZWA) values (5, 1, 0, 0, 'Księgowość')",
    "insert into PERSONEL (ID, FIRMA_ID, DZIAL_ID, IMIE, NAZWISKO) values (1, 1, 0, 'Anna', "
    "'Nowak')",
    "insert into PERSONEL (ID, FIRMA_ID, DZIAL_ID, IMIE, NAZWISKO) values (2, 2, 0, 'Piotr', "
    "'Żuk')",
    "insert into GOSCIE (ID, NAZWA, DOKUM, INFO) values "
    "(1, 'Adamski Jan', 'dowód AAA111', 'stały gość, wtorki')",
    "insert into GOSCIE (ID, NAZWA, DOKUM, INFO) values "
    "(2, 'Bielska Ewa', 'paszport EB2', 'uczulona')",
    "insert into GOSCIE (ID, NAZWA) values (3, 'Cieślak Piotr')",
    "insert into WIZYTY values (10, 1, 5, 1, 'Adamski Jan', 'dowód AAA111', 1, 'Nowak Anna', "
    "'2023-01-10 09:00', '2023-01-10 09:05', '2023-01-10 11:00', 'ID-10', 'K-10', "
    "'Proszę oddzwonić', '2023-01-10 12:00')",
    "insert into WIZYTY values (11, 2, 0, 1, 'Adamski J.', 'dowód AAA110', 2, 'Żuk Piotr', "
    "'2026-03-04 14:00', '2026-03-04 14:05', null, 'ID-11', 'K-11', null, null)",
    "insert into WIZYTY values (12, 1, 0, 2, 'Bielska Ewa', 'paszport EB2', 1, 'Nowak Anna', "
    "'2025-07-01 10:00', '2025-07-01 10:01', '2025-07-01 10:30', 'ID-12', 'K-12', "
    "'Oddzwonić do Bielskiej', '2025-07-01 11:00')",
    "insert into ZAKAZY_WSTEPU values (1, 'Groził ochronie', '2026-01-10')",
    "insert into ZAKAZY_WSTEPU values (2, 'Inny powód Bielskiej', '2026-02-01')",
};

struct Registry {
    testsupport::TestDatabase database;
    testsupport::TestDesk desk{database.db()};
    GuestsDialog window{desk};

    Registry() { database.run(kRows); }
    ~Registry()
    {
        if (window.isVisible())
            window.reject();
    }
    bool show(Mode mode, int guestId)
    {
        window.open(mode, guestId);
        if (!QTest::qWaitForWindowExposed(&window))
            return false;
        QApplication::setActiveWindow(&window);
        return QTest::qWaitForWindowActive(&window);
    }
    QAction* action(const char* name) { return child<QAction>(&window, name); }
};

QString csvFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QStringDecoder decoder("windows-1250");
    return decoder(file.readAll());
}

// The file as Python's csv module, an RFC 4180 reader, reads it: records of fields.
QJsonArray readByPython(const QString& path)
{
    QProcess python;
    python.start("python3", {"-c",
                             "import csv,json,sys; print(json.dumps(list(csv.reader(open(sys"
                             ".argv[1], encoding='cp1250', newline=''), delimiter=';'))))",
                             path});
    python.waitForFinished();
    return QJsonDocument::fromJson(python.readAll()).array();
}

}  // namespace

class GuestPersonalDataTest : public QObject {
    Q_OBJECT
private slots:
    // Whatever visit 11's message holds, it comes back from the CSV file.
    void theReportHoldsEveryVisitOfTheGuestAndNothingOfAnother_data()
    {
        QTest::addColumn<Mode>("mode");
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("guarded");  // read back with the apostrophe before it
        QTest::newRow("EDYCJA") << Mode::Edit << "Proszę\noddzwonić" << false;
        QTest::newRow("WYBOR") << Mode::Pick << "Paczka\r\nna dole" << false;
        QTest::newRow(";") << Mode::Edit << "Biuro; pokój 3" << false;
        QTest::newRow("quotes") << Mode::Edit << "\"Ćma\" \"\"" << false;
        QTest::newRow("=SUM") << Mode::Edit << "=SUM(A1:A9)" << true;
        QTest::newRow("+1") << Mode::Edit << "+1" << true;
        QTest::newRow("-1") << Mode::Edit << "-1" << true;
        QTest::newRow("@x") << Mode::Edit << "@x" << true;
    }
    void theReportHoldsEveryVisitOfTheGuestAndNothingOfAnother()
    {
        QFETCH(Mode, mode);
        QFETCH(QString, message);
        QFETCH(bool, guarded);
        Registry r;
        r.database.run({"update WIZYTY set WIADOMOSC = '" + QString(message).replace("'", "''") +
                            "' where ID = 11",
                        "insert into USTAWIENIA values ('KLAUZULA_CELE', 'Ochrona biurowca')"});
        QVERIFY(r.show(mode, 1));
        QCOMPARE(r.action("eraseDataAction")->isVisible(), mode == Mode::Edit);
        QCOMPARE(r.action("eraseDataAction")->isEnabled(), mode == Mode::Edit);
        const QTemporaryDir folder;
        const QString pdf = folder.filePath("dane.pdf");
        const QString csv = folder.filePath("dane.csv");
        r.desk.answers.printFiles.enqueue(pdf);
        r.desk.answers.fileNames.enqueue(csv);
        QVERIFY(QFile(csv).open(QIODevice::WriteOnly));  // an older file, readable by others
        int shownRows = 0;
        bool pictured = false;
        QStringList unnamed = {"not shown"};
        testsupport::ModalScript script(
            {{"GuestDataDialog", [&](QDialog* report) {
                  shownRows = child<QTableWidget>(report, "dataTable")->rowCount();
                  pictured = testsupport::saveScreenshot(*report, "goscie_dane_osobowe.png");
                  unnamed = testsupport::unnamedControls(*report);
                  child<QPushButton>(report, "pdfButton")->click();
                  child<QPushButton>(report, "csvButton")->click();
                  report->reject();
              }}});
        QTest::keyClick(child<QWidget>(&r.window, "guestGrid"), Qt::Key_D, Qt::ControlModifier);
        QVERIFY(script.finished());
        // Name, document, notes, the mark, the count, two visits; what the guest is told, in six.
        QCOMPARE(shownRows, 13);
        QVERIFY(pictured);
        QCOMPARE(unnamed, QStringList());

        // In the order the cells are drawn, a cell's wrapped lines one after the other.
        const QString printed =
            testsupport::runTool("pdftotext", {"-raw", "-enc", "UTF-8", pdf, "-"}).simplified();
        const QString saved = csvFile(csv);
        QCOMPARE(testsupport::modeOf(pdf) + testsupport::modeOf(csv), QString("600600"));
        QVERIFY(testsupport::pageSizeMm(pdf).width() > 290);  // A4 across: twelve columns
        QVERIFY(!testsupport::firstPage(
                     pdf, testsupport::screenshotFolder() + "goscie_dane_osobowe_raport.png", 60)
                     .isNull());
        for (const QString& text : {printed, saved}) {
            for (const char* kept :
                 {"Adamski Jan", "dowód AAA111", "stały gość, wtorki", "ID-10", "K-10",
                  "10-01-2023 09:00", "10-01-2023 09:05", "10-01-2023 11:00", "10-01-2023 12:00",
                  "Proszę oddzwonić", "Nowak Anna", "Tervik sp. z o.o.", "Adamski J.",
                  "dowód AAA110", "ID-11", "K-11", "04-03-2026 14:00", "Żuk Piotr", "Łąkowa SA"})
                QVERIFY2(text.contains(QString::fromUtf8(kept)), kept);
            QVERIFY(text.contains("Zakaz wstępu: od 10-01-2026, powód: Groził ochronie"));
            // What the guest is told beside the data, the purposes as the desks store them.
            for (const char* told : {"Cele przetwarzania: Ochrona biurowca", "Odbiorcy danych:",
                                     "przez 24 miesiące", "Źródło danych:", "prawo dostępu",
                                     "Prezesa Urzędu Ochrony Danych Osobowych"})
                QVERIFY2(text.contains(QString::fromUtf8(told)), told);
            for (const char* other : {"Bielska", "EB2", "uczulona", "ID-12", "K-12", "Cieślak",
                                      "01-07-2025", "Inny powód"})
                QVERIFY2(!text.contains(QString::fromUtf8(other)), other);
        }
        // The header line, the record's three lines, the mark, the count, one line per visit
        // and six of what the guest is told.
        const QJsonArray records = readByPython(csv);
        QCOMPARE(records.size(), 14);
        const QVariantList header = records[0].toArray().toVariantList();
        const QVariantList visit11 = records[7].toArray().toVariantList();
        QCOMPARE(visit11.value(header.indexOf("Wiadomość")).toString(),
                 guarded ? "'" + message : message);
        QCOMPARE(records[6].toArray()[header.indexOf("Dział")].toString(), QString("Księgowość"));
        QVERIFY(printed.contains(QString("Księgowość")));
    }

    void erasingOneGuestLeavesEveryOtherValueAsItWas()
    {
        Registry r;
        const auto before = testsupport::snapshotAll(r.database);
        QVERIFY(r.show(Mode::Edit, 1));
        r.action("eraseDataAction")->trigger();  // No, the default answer
        QCOMPARE(r.desk.answers.shown.last().text,
                 QStringLiteral("Na pewno usunąć dane osobowe gościa: 'Adamski Jan' i jego "
                                "wizyt (2)?\n\nTej operacji nie można cofnąć."));
        QCOMPARE(r.desk.answers.shown.last().detail, QStringLiteral("Nie"));
        QCOMPARE(testsupport::snapshotAll(r.database)["GOSCIE"].lines(), before["GOSCIE"].lines());

        // The erasure reaches the ledgers: the settings folder's and the backups' one.
        r.desk.settingsValues.insert("FB/Host", "localhost");
        r.desk.settingsValues.insert("FB/LastBackupDir", r.database.folder());
        r.desk.answers.answers.enqueue(true);
        r.action("eraseDataAction")->trigger();
        for (const QString& folder : {QString(), r.database.folder()})
            QCOMPARE(r.desk.ledgerText(folder),
                     "2026-03-05T10:30:00.000\tgosc\t1\t" + r.database.path() + '\n');
        auto expected = before;
        const QString erased = QStringLiteral("(usunięto)");
        expected["GOSCIE"] =
            before["GOSCIE"].with(1, "NAZWA", erased).with(1, "DOKUM", Null).with(1, "INFO", Null);
        for (int visit : {10, 11})
            expected["WIZYTY"] = expected["WIZYTY"]
                                     .with(visit, "GOSC_NAZWA", erased)
                                     .with(visit, "GOSC_DOKUM", Null)
                                     .with(visit, "WIADOMOSC", Null);
        const auto after = testsupport::snapshotAll(r.database);  // committed: read elsewhere
        for (const QString& table : testsupport::ProgramTables)
            QCOMPARE(after[table].lines(), expected[table].lines());
        // The guest's mark went with the data; the other guest's stays.
        QCOMPARE(r.database.scalar("select list(GOSC_ID) from ZAKAZY_WSTEPU").toString(),
                 QString("2"));
        // The list shows what is stored now, on the same guest.
        auto* guests = child<db::DataSet>(&r.window, "guests");
        QCOMPARE(guests->field("ID").asInteger(), 1);
        QCOMPARE(guests->field("NAZWA").asString(), erased);
    }
};

HALVANE_TEST(GuestPersonalDataTest);
#include "GuestPersonalDataTest.moc"

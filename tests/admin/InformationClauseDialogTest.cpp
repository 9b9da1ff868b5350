// The information clause given to guests: filled in at one desk and read, shown and printed
// at another on the same server, the short form's setting, and a save over another desk's
// newer clause refused with the typed texts kept.
#include "admin/InformationClauseDialog.h"
#include "db/Error.h"
#include "support/AccessibleNames.h"
#include "support/Find.h"
#include "support/PdfPages.h"
#include "support/ServerDatabase.h"
#include "support/TestDatabase.h"
#include "support/TestDesk.h"
#include "support/testmain.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

using testsupport::child;

namespace {

// One desk on the server: its own connection, settings and window.
struct Station {
    std::unique_ptr<db::Database> connection;
    testsupport::TestDesk desk{*connection};
    InformationClauseDialog window{desk};

    explicit Station(const testsupport::ServerDatabase& server)
        : connection(testsupport::connectTo(server.name()))
    {}
    ~Station() { desk.setClosingWindows(true), window.reject(); }
    void open() { window.open(); }
    template <class T>
    T* control(const char* name)
    {
        return child<T>(&window, name);
    }
    void type(const char* name, const QString& text)
    {
        auto* box = control<QWidget>(name);
        box->setFocus();
        QTest::keyClicks(box, text);
    }
};

const QString Controller = "Zarząd Budynku Wola Park sp. z o.o.\nul. Górczewska 124, Warszawa";

QString storedPurposes(const testsupport::ServerDatabase& server)
{
    Station reader(server);
    return desk::readInformationClause(reader.desk).purposes;
}

}  // namespace

class InformationClauseDialogTest : public QObject {
    Q_OBJECT
private slots:
    void theClauseFilledInAtOneDeskIsShownAndPrintedAtAnother()
    {
        REQUIRE_FIREBIRD_SERVER();
        testsupport::ServerDatabase server;
        Station first(server);
        first.open();
        first.control<QPushButton>("okButton")->click();  // nobody named yet: refused
        QCOMPARE(first.desk.answers.messages(),
                 QStringList{"Podaj administratora danych i kontakt z nim."});
        QVERIFY(first.window.isVisible());
        first.control<QPlainTextEdit>("controllerEdit")->setPlainText(Controller);
        first.type("contactEdit", "rodo@wolapark.pl");
        first.type("officerEdit", "iod@wolapark.pl");
        first.control<QCheckBox>("onPassCheck")->click();
        first.control<QPushButton>("okButton")->click();
        QVERIFY(!first.window.isVisible());
        QCOMPARE(first.desk.settingsValue("RODO", "KlauzulaNaPrzepustce"), QString("1"));

        Station second(server);
        second.desk.storeSettingsValue("RODO", "Miesiace", "12");
        second.open();
        QCOMPARE(second.control<QPlainTextEdit>("controllerEdit")->toPlainText(), Controller);
        QCOMPARE(second.control<QLineEdit>("officerEdit")->text(), QString("iod@wolapark.pl"));
        QVERIFY(!second.control<QCheckBox>("onPassCheck")->isChecked());  // a desk's own setting
        QVERIFY(second.control<QLabel>("retentionLabel")->text().startsWith("12 miesięcy"));
        QCOMPARE(testsupport::unnamedControls(second.window), QStringList());
        const QTemporaryDir folder;
        const QString pdf = folder.filePath("klauzula.pdf");
        second.desk.answers.printFiles.enqueue(pdf);
        second.control<QPushButton>("printButton")->click();
        QCOMPARE(testsupport::pageCount(pdf), 1);
        QCOMPARE(testsupport::pageSizeMm(pdf).toSize(), QSize(210, 297));
        const QString printed = testsupport::pdfText(pdf).simplified();
        for (const char* expected : {"Klauzula informacyjna dla gości budynku",
                                     "Zarząd Budynku Wola Park sp. z o.o., "
                                     "ul. Górczewska 124, Warszawa",
                                     "rodo@wolapark.pl", "iod@wolapark.pl",
                                     "art. 6 ust. 1 lit. f RODO", "przez 12 miesięcy", "sprzeciwu",
                                     "Prezesa Urzędu Ochrony Danych Osobowych", "Źródło danych"})
            QVERIFY2(printed.contains(QString::fromUtf8(expected)), expected);
    }

    // The other desk stored a clause after this one read it, or is storing one now.
    void aSaveOverAnotherDesksNewerClauseIsRefusedAndTheTypedTextsStay_data()
    {
        QTest::addColumn<bool>("storedBefore");  // a clause was stored before both read it
        QTest::addColumn<bool>("otherCommitted");
        QTest::newRow("a newer clause") << true << true;
        QTest::newRow("the first clause") << false << true;
        QTest::newRow("a clause being stored") << true << false;
    }
    void aSaveOverAnotherDesksNewerClauseIsRefusedAndTheTypedTextsStay()
    {
        QFETCH(bool, storedBefore);
        QFETCH(bool, otherCommitted);
        REQUIRE_FIREBIRD_SERVER();
        testsupport::ServerDatabase server;
        Station mine(server), other(server);
        desk::InformationClause clause = desk::InformationClause::defaults();
        clause.controller = "Wola Park", clause.contact = "rodo@wolapark.pl";
        if (storedBefore) {
            desk::storeInformationClause(*other.connection, clause);
            QVERIFY(other.desk.commitWork());
        }
        mine.open();
        clause = desk::readInformationClause(other.desk);
        clause.controller = "Wola Park", clause.contact = "rodo@wolapark.pl";
        clause.purposes = "Cel drugiego stanowiska";
        desk::storeInformationClause(*other.connection, clause);
        if (otherCommitted)
            QVERIFY(other.desk.commitWork());

        mine.control<QPlainTextEdit>("controllerEdit")->setPlainText("Wola Park");
        mine.type("contactEdit", "rodo@wolapark.pl");
        mine.control<QPlainTextEdit>("purposesEdit")->setPlainText("Cel tego stanowiska");
        mine.control<QPushButton>("okButton")->click();
        QVERIFY(mine.window.isVisible());
        QCOMPARE(mine.desk.answers.messages().size(), 1);
        QVERIFY2(mine.desk.answers.messages().front().contains("inne stanowisko") ||
                     mine.desk.answers.messages().front().contains("innym stanowisku"),
                 qPrintable(mine.desk.answers.messages().front()));
        QCOMPARE(mine.control<QPlainTextEdit>("purposesEdit")->toPlainText(),
                 QString("Cel tego stanowiska"));
        if (!otherCommitted)
            QVERIFY(other.desk.commitWork());
        QCOMPARE(storedPurposes(server), QString("Cel drugiego stanowiska"));
        mine.control<QPushButton>("okButton")->click();  // still older than the stored one
        QCOMPARE(storedPurposes(server), QString("Cel drugiego stanowiska"));
    }

    // A database made before the shared texts: guests are told the ready wordings, the pass
    // has no back, and storing says what the database needs.
    void aDatabaseWithoutTheSharedTextsGivesTheReadyWordingsAndSaysHowToStore()
    {
        testsupport::TestDatabase database;
        database.run({"drop table USTAWIENIA"});
        testsupport::TestDesk reception(database.db());
        reception.storeSettingsValue("RODO", "KlauzulaNaPrzepustce", "1");
        QCOMPARE(desk::readInformationClause(reception).purposes,
                 desk::InformationClause::defaults().purposes);
        QCOMPARE(desk::passBackText(reception), QString());
        InformationClauseDialog window(reception);
        window.open();
        child<QPlainTextEdit>(&window, "controllerEdit")->setPlainText("Wola Park");
        child<QLineEdit>(&window, "contactEdit")->setText("rodo@wolapark.pl");
        child<QPushButton>(&window, "okButton")->click();
        QVERIFY(window.isVisible());
        QCOMPARE(reception.answers.messages().size(), 1);
        QVERIFY(reception.answers.messages().front().contains("Aktualizacja bazy danych"));
        reception.setClosingWindows(true);
        window.reject();
    }
};

HALVANE_TEST(InformationClauseDialogTest);
#include "InformationClauseDialogTest.moc"

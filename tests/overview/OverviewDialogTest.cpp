// The reception overview on a fresh database with visits over several days: what each page
// lists and in which order, closing a visit, letting a waiting guest in, passing a message
// on, the history's counts, the visit editor opened from a page, and the files and prints
// made from the pages.
#include "controls/Colours.h"
#include "controls/DataGrid.h"
#include "db/DataSet.h"
#include "db/DateTimeText.h"
#include "desk/LiveUpdates.h"
#include "overview/OverviewDialog.h"
#include "support/Find.h"
#include "support/MailServer.h"
#include "support/Modal.h"
#include "support/PdfPages.h"
#include "support/Screenshot.h"
#include "support/TestDatabase.h"
#include "support/TestDesk.h"
#include "support/testmain.h"

#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QStringEncoder>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>
#include <QUrl>
#include <memory>

using testsupport::child;

namespace {

const QDate Today(2026, 3, 5);

// Company 1 Alfa with Nowak Anna (an e-mail address), company 2 Beta with Kowal Piotr
// (none). Visits, by what they show:
//   1  came in yesterday and never left, badge and card    inside (marked), badges
//   2  came in today, badge only                            inside, badges
//   3  came in and left today                               history only
//   4  came in today with neither badge nor card            inside
//   5  waits in the lobby today, message waiting            waiting, messages
//   6  expected tomorrow                                    waiting
//   7  expected two days ago and never came, message        messages
//   8  message passed on                                    history only
//   9  an exit with no entry                                history only
const QStringList kRows = {
    "insert into FIRMY (ID, NAZWA) values (1, 'Alfa')",
    "insert into FIRMY (ID, NAZWA) values (2, 'Beta')",
    "insert into PERSONEL (ID, FIRMA_ID, DZIAL_ID, IMIE, NAZWISKO, PIETRO, POKOJ, EMAIL) "
    "values (7, 1, 0, 'Anna', 'Nowak', '2', '201', 'anna.nowak@alfa.pl')",
    "insert into PERSONEL (ID, FIRMA_ID, DZIAL_ID, IMIE, NAZWISKO, PIETRO, POKOJ) "
    "values (8, 2, 0, 'Piotr', 'Kowal', '3', '305')",
    "insert into WIZYTY (ID, FIRMA_ID, GOSC_ID, GOSC_NAZWA, GOSC_DOKUM, PERSON_ID, PERSON_NAZWA, "
    "DTPRZYBYCIA, DTWEJSCIA, IDENTYFIKATOR, NRKARTY) values (1, 1, 11, 'Zieliński Łukasz', "
    "'ABC123456', 7, 'Nowak Anna', timestamp '2026-03-04 14:55', timestamp '2026-03-04 15:00', "
    "'G-1', '101')",
    "insert into WIZYTY (ID, FIRMA_ID, GOSC_ID, GOSC_NAZWA, GOSC_DOKUM, PERSON_ID, PERSON_NAZWA, "
    "DTPRZYBYCIA, DTWEJSCIA, IDENTYFIKATOR) values (2, 2, 12, 'Świątek Iga', 'XYZ 987', 8, "
    "'Kowal Piotr', timestamp '2026-03-05 08:00', timestamp '2026-03-05 08:05', 'G-2')",
    "insert into WIZYTY (ID, FIRMA_ID, GOSC_NAZWA, PERSON_ID, PERSON_NAZWA, DTPRZYBYCIA, "
    "DTWEJSCIA, DTWYJSCIA, IDENTYFIKATOR) values (3, 1, 'Wyszedł Adam', 7, 'Nowak Anna', "
    "timestamp '2026-03-05 09:00', timestamp '2026-03-05 09:01', timestamp '2026-03-05 09:30', "
    "'G-3')",
    "insert into WIZYTY (ID, FIRMA_ID, GOSC_NAZWA, PERSON_ID, PERSON_NAZWA, DTPRZYBYCIA, "
    "DTWEJSCIA) values (4, 2, 'Kowalski Jan', 8, 'Kowal Piotr', timestamp '2026-03-05 10:00', "
    "timestamp '2026-03-05 10:10')",
    "insert into WIZYTY (ID, FIRMA_ID, GOSC_NAZWA, GOSC_DOKUM, PERSON_ID, PERSON_NAZWA, "
    "DTPRZYBYCIA, WIADOMOSC) values (5, 1, 'Wiśniewska Ewa', 'DOK-5', 7, 'Nowak Anna', "
    "timestamp '2026-03-05 10:20', 'Proszę oddzwonić')",
    "insert into WIZYTY (ID, FIRMA_ID, GOSC_NAZWA, PERSON_ID, PERSON_NAZWA, DTPRZYBYCIA) "
    "values (6, 2, 'Jutrzejszy Jerzy', 8, 'Kowal Piotr', timestamp '2026-03-06 09:00')",
    "insert into WIZYTY (ID, FIRMA_ID, GOSC_NAZWA, PERSON_ID, PERSON_NAZWA, DTPRZYBYCIA, "
    "WIADOMOSC) values (7, 1, 'Nieobecny Karol', 7, 'Nowak Anna', "
    "timestamp '2026-03-03 08:00', 'Paczka w recepcji')",
    "insert into WIZYTY (ID, FIRMA_ID, GOSC_NAZWA, PERSON_ID, PERSON_NAZWA, DTPRZYBYCIA, "
    "DTWEJSCIA, DTWYJSCIA, WIADOMOSC, DTODEBRWIADOM) values (8, 2, 'Dawny Damian', 8, "
    "'Kowal Piotr', timestamp '2026-03-02 11:00', timestamp '2026-03-02 11:05', "
    "timestamp '2026-03-02 12:00', 'Odebrana', timestamp '2026-03-02 13:00')",
    "insert into WIZYTY (ID, FIRMA_ID, GOSC_NAZWA, PERSON_ID, PERSON_NAZWA, DTPRZYBYCIA, "
    "DTWYJSCIA) values (9, 1, 'Bez Wejścia', 7, 'Nowak Anna', timestamp '2026-03-05 07:00', "
    "timestamp '2026-03-05 07:30')",
};

struct Overview {
    testsupport::TestDatabase database;
    testsupport::TestDesk desk{database.db()};
    std::unique_ptr<OverviewDialog> window;
    QTabWidget* tabs = nullptr;

    explicit Overview(const QStringList& more = {})
    {
        database.run(kRows + more);
        desk.fixedClock.time = QDateTime(Today, QTime(10, 30));
        window = std::make_unique<OverviewDialog>(desk);
        tabs = child<QTabWidget>(window.get(), "pageTabs");
        window->open();
        if (!QTest::qWaitForWindowExposed(window.get()))
            qWarning("the overview was not shown");
    }
    ~Overview()
    {
        if (window->isVisible())
            window->reject();
    }

    QWidget* show(const char* pageName)
    {
        QWidget* page = child<QWidget>(window.get(), QString::fromLatin1(pageName));
        tabs->setCurrentWidget(page);
        return page;
    }
    static db::DataSet* visitsOf(QWidget* page) { return child<db::DataSet>(page, "visits"); }
    static QList<int> listed(QWidget* page)
    {
        const db::DataSet* visits = visitsOf(page);
        QList<int> ids;
        for (int row = 0; row < visits->recordCount(); ++row)
            ids << visits->value(row, visits->field("ID").index()).toInt();
        return ids;
    }
    static int current(QWidget* page)
    {
        const db::DataSet* visits = visitsOf(page);
        return visits->isEmpty() ? 0 : visits->field("ID").asInteger();
    }
    static void select(QWidget* page, int visitId)
    {
        QVERIFY(visitsOf(page)->locate("ID", visitId, 0));
    }
    static QString cell(QWidget* page, int row, int column)
    {
        auto* grid = child<controls::DataGrid>(page, "visitGrid");
        return grid->model()->index(row, column).data().toString();
    }
    QString tabText(QWidget* page) const { return tabs->tabText(tabs->indexOf(page)); }
    // What another connection reads of a visit: committed work only.
    QVariant stored(const QString& column, int visitId)
    {
        return database.scalar(QStringLiteral("select %1 from WIZYTY where ID = %2")
                                   .arg(column)
                                   .arg(visitId));
    }
    QDateTime storedTime(const QString& column, int visitId)
    {
        const QVariant value = stored(column, visitId);
        return value.isNull() ? QDateTime() : db::toDateTime(value.toDouble());
    }
};

}  // namespace

class OverviewDialogTest : public QObject {
    Q_OBJECT
private slots:
    void eachPageListsExactlyItsVisitsInOrder_data()
    {
        QTest::addColumn<QString>("page");
        QTest::addColumn<QList<int>>("visits");
        QTest::addColumn<QString>("title");
        QTest::newRow("inside") << "insidePage" << QList<int>{1, 2, 4} << "W budynku (3)";
        QTest::newRow("waiting") << "waitingPage" << QList<int>{5, 6} << "Oczekujący (2)";
        QTest::newRow("badges") << "badgesPage" << QList<int>{1, 2} << "Identyfikatory (2)";
        QTest::newRow("messages") << "messagesPage" << QList<int>{7, 5} << "Wiadomości (2)";
        // The current month up to today, by arrival.
        QTest::newRow("history") << "historyPage" << QList<int>{8, 7, 1, 9, 2, 3, 4, 5}
                                 << "Historia (8)";
    }
    void eachPageListsExactlyItsVisitsInOrder()
    {
        QFETCH(QString, page);
        QFETCH(QList<int>, visits);
        QFETCH(QString, title);
        Overview o;
        QWidget* shown = o.show(page.toLatin1().constData());
        QCOMPARE(Overview::listed(shown), visits);
        QCOMPARE(o.tabText(shown), title);
    }

    void insideMarksAVisitEnteredOnAnEarlierDayAndAMarkedGuestInWords()
    {
        Overview o({"insert into ZAKAZY_WSTEPU values (12, 'Groził ochronie', '2026-01-10')"});
        QWidget* inside = o.show("insidePage");
        QCOMPARE(Overview::cell(inside, 0, 0), QString("04-03-2026  15:00"));
        QCOMPARE(Overview::cell(inside, 0, 9), QString("niezamknięta z 04-03-2026"));
        QCOMPARE(Overview::cell(inside, 1, 9), QString());
        // The employee's floor and room come with the visit.
        QCOMPARE(Overview::cell(inside, 1, 6), QString("3 / 305"));
        // Świątek Iga is marked: said in its column, the row red, in the printout too.
        QCOMPARE(Overview::cell(inside, 1, 2), QString("ZAKAZ WSTĘPU"));
        QCOMPARE(Overview::cell(inside, 0, 2), QString());
        auto* grid = child<controls::DataGrid>(inside, "visitGrid");
        QCOMPARE(grid->model()->index(1, 1).data(Qt::ForegroundRole).value<QColor>(),
                 controls::windowsColor(controls::colours::Banned));
        QCOMPARE(grid->model()->index(0, 1).data(Qt::ForegroundRole).value<QColor>(),
                 QColor(Qt::black));
        QVERIFY(testsupport::saveScreenshot(*o.window, "przeglad_zakaz_wstepu.png"));
    }

    // "Wejście" of a marked guest (listed so), or of a visit with a marked guest's document,
    // asks first; a database without the watchlist lists and lets in as before.
    void aMarkedGuestIsLetInOnlyWhenConfirmed_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<bool>("yes");
        QTest::addColumn<QString>("listed");  // visit 5's column "Zakaz"
        const QString byGuest = "update WIZYTY set GOSC_ID = 15 where ID = 5";
        QTest::newRow("guest, No") << byGuest << false << "ZAKAZ WSTĘPU";
        QTest::newRow("guest, Yes") << byGuest << true << "ZAKAZ WSTĘPU";
        QTest::newRow("document, No") << "" << false << "";
        QTest::newRow("older database") << "drop table ZAKAZY_WSTEPU" << true << "";
    }
    void aMarkedGuestIsLetInOnlyWhenConfirmed()
    {
        QFETCH(QString, change);
        QFETCH(bool, yes);
        QFETCH(QString, listed);
        const bool older = change.startsWith("drop");
        QStringList rows{"insert into GOSCIE (ID, NAZWA, DOKUM) values (15, 'Ewa', 'dok -5')",
                         "insert into ZAKAZY_WSTEPU values (15, 'Groził ochronie', '2026-01-10')"};
        if (older)
            rows << "drop trigger TR_ZAKAZY_WSTEPU_ZMIANY";
        Overview o(change.isEmpty() ? rows : rows << change);
        QWidget* waiting = o.show("waitingPage");
        QCOMPARE(Overview::cell(waiting, 0, 2), listed);
        Overview::select(waiting, 5);
        o.desk.answers.answers.enqueue(yes);
        testsupport::ModalAction entry(
            [](QWidget* d) { child<QPushButton>(d, "okButton")->click(); });
        child<QPushButton>(waiting, "entryButton")->click();
        QCOMPARE(o.stored("DTWEJSCIA", 5).isNull(), !yes);
        QCOMPARE(o.desk.answers.shown.size(), older ? 0 : 1);
        QVERIFY(older || o.desk.answers.shown[0].text.contains("Wpuścić gościa mimo to?"));
    }

    void closingAVisitAsksThenStoresTheExitNow()
    {
        Overview o;
        QWidget* inside = o.show("insidePage");
        auto* close = child<QPushButton>(inside, "closeVisitButton");
        Overview::select(inside, 1);
        close->click();  // answered No
        QVERIFY(o.stored("DTWYJSCIA", 1).isNull());
        QCOMPARE(Overview::listed(inside), QList<int>({1, 2, 4}));
        QVERIFY(o.desk.answers.shown.last().text.contains("Zieliński Łukasz"));

        o.desk.answers.answers.enqueue(true);
        close->click();
        QCOMPARE(o.storedTime("DTWYJSCIA", 1), QDateTime(Today, QTime(10, 30)));
        QCOMPARE(Overview::listed(inside), QList<int>({2, 4}));
        QCOMPARE(o.tabText(inside), QString("W budynku (2)"));
        QVERIFY(Overview::current(inside) != 0);
        // Its badge is back.
        QCOMPARE(Overview::listed(o.show("badgesPage")), QList<int>({2}));
    }

    void lettingAWaitingGuestInStoresTheEntryBadgeAndCard()
    {
        // Card 101 handed out twice before, on visits 1 and 4: both are marked.
        Overview o({"update WIZYTY set NRKARTY = '101' where ID = 4"});
        QWidget* waiting = o.show("waitingPage");
        Overview::select(waiting, 5);
        testsupport::ModalAction entry([](QWidget* dialog) {
            QCOMPARE(dialog->objectName(), QString("EntryDialog"));
            child<QLineEdit>(dialog, "badgeEdit")->setText("g-2");  // Świątek Iga's, handed over
            child<QLineEdit>(dialog, "cardEdit")->setText("707");
            child<QPushButton>(dialog, "okButton")->click();
        });
        o.desk.answers.answers.enqueue(true);
        child<QPushButton>(waiting, "entryButton")->click();
        QVERIFY(entry.acted());
        QVERIFY(o.desk.answers.shown.value(0).text.contains("Świątek Iga"));
        QCOMPARE(o.storedTime("DTWYJSCIA", 2), QDateTime(Today, QTime(10, 30)));
        QCOMPARE(o.storedTime("DTWEJSCIA", 5), QDateTime(Today, QTime(10, 30)));
        QCOMPARE(o.stored("IDENTYFIKATOR", 5).toString(), QString("g-2"));
        QCOMPARE(o.stored("NRKARTY", 5).toString(), QString("707"));
        QCOMPARE(Overview::listed(waiting), QList<int>({6}));
        QCOMPARE(Overview::listed(o.show("insidePage")), QList<int>({1, 4, 5}));
        QWidget* badges = o.show("badgesPage");
        QCOMPARE(Overview::listed(badges), QList<int>({1, 4, 5}));
        QCOMPARE(Overview::cell(badges, 0, 7), QString("ta sama karta: Kowalski Jan"));
        QCOMPARE(Overview::cell(badges, 2, 7), QString());
    }

    // The scanner types the code and Enter at once; an invitation lets its guest in through
    // the entry dialog, a pass sees its guest out; anything else beeps and says why.
    void aScannedCodeLetsInSeesOutOrSaysWhy_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("visit");
        QTest::addColumn<QString>("stored");  // the column given the clock's time, if any
        QTest::addColumn<QString>("said");
        QTest::addColumn<QStringList>("more");  // rows of the row: a mark answered No
        const QStringList none;
        QTest::newRow("invitation") << "WEJDZ567" << 5 << "DTWEJSCIA"
                                    << "Wejście: Wiśniewska Ewa 10:32" << none;
        QTest::newRow("invitation, no watchlist yet")
            << "WEJDZ567" << 5 << "DTWEJSCIA"
            << "Wejście: Wiśniewska Ewa 10:32" << QStringList{"drop table ZAKAZY_WSTEPU"};
        QTest::newRow("pass inside") << "P-4" << 4 << "DTWYJSCIA"
                                     << "Wyjście: Kowalski Jan 10:32" << none;
        QTest::newRow("expired")
            << "WYGASZKA" << 7 << ""
            << "Kod zaproszenia WYGASZKA wygasł: zaproszenie było na 03-03-2026." << none;
        QTest::newRow("used") << "UZYTY234" << 3 << ""
                              << "Kod zaproszenia UZYTY234 został już użyty: Wyszedł Adam "
                                 "wyszedł(a) o 09:30."
                              << none;
        QTest::newRow("early") << "JUTRZE22" << 6 << ""
                               << "Kod zaproszenia JUTRZE22 jest ważny dopiero 06-03-2026." << none;
        QTest::newRow("unknown") << "ZZZZZZZZ" << 5 << ""
                                 << "Nieznany kod: ZZZZZZZZ." << none;
        QTest::newRow("pass not inside")
            << "P-5" << 5 << ""
            << "Przepustka P-5: Wiśniewska Ewa nie ma zapisanego wejścia." << none;
        QTest::newRow("pass used")
            << "P-3" << 3 << ""
            << "Przepustka P-3 jest już nieważna: Wyszedł Adam wyszedł(a) o 09:30." << none;
        const QString ban = "insert into ZAKAZY_WSTEPU values (16, 'Awantura', '2026-02-01')";
        QTest::newRow("marked guest")
            << "WEJDZ567" << 5 << ""
            << "Nie zapisano wejścia: Wiśniewska Ewa."
            << QStringList{"insert into GOSCIE (ID, NAZWA) values (16, 'Wiśniewska Ewa')",
                           "update WIZYTY set GOSC_ID = 16 where ID = 5", ban};
        QTest::newRow("marked document")
            << "WEJDZ567" << 5 << ""
            << "Nie zapisano wejścia: Wiśniewska Ewa."
            << QStringList{"insert into GOSCIE (ID, NAZWA, DOKUM) values (16, 'E', 'dok -5')", ban};
    }
    void aScannedCodeLetsInSeesOutOrSaysWhy()
    {
        QFETCH(QString, typed);
        QFETCH(int, visit);
        QFETCH(QString, stored);
        QFETCH(QStringList, more);
        Overview o(more +
                   QStringList{"insert into ZAPROSZENIA select ID, decode(ID, 5, 'WEJDZ567', "
                               "7, 'WYGASZKA', 3, 'UZYTY234', 'JUTRZE22'), current_timestamp "
                               "from WIZYTY where ID in (3, 5, 6, 7)"});
        QWidget* insidePage = o.show("insidePage");
        QList<int> inside = Overview::listed(insidePage);
        const QDateTime entry = o.storedTime("DTWEJSCIA", visit),
                        exit = o.storedTime("DTWYJSCIA", visit);
        o.desk.fixedClock.time = QDateTime(Today, QTime(10, 32));
        o.window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(o.window.get()));
        auto* scanEdit = child<QLineEdit>(o.window.get(), "scanEdit");
        child<QWidget>(insidePage, "visitGrid")->setFocus();
        QTest::keyClick(o.window.get(), Qt::Key_F2);
        QVERIFY(scanEdit->hasFocus());
        testsupport::ModalAction entryDialog([](QWidget* dialog) {
            QCOMPARE(child<QLabel>(dialog, "guestLabel")->text(), QString("Wiśniewska Ewa"));
            child<QLineEdit>(dialog, "badgeEdit")->setText("G-7");
            QTest::keyClick(dialog, Qt::Key_Return);
        });
        o.desk.answers.answers.enqueue(typed.startsWith("P-"));  // the exit's question
        QTest::keyClicks(scanEdit, typed + "\r");                // with Enter, as a scanner types
        const QDateTime now = o.desk.fixedClock.time;
        QCOMPARE(o.storedTime("DTWEJSCIA", visit), stored == "DTWEJSCIA" ? now : entry);
        QCOMPARE(o.storedTime("DTWYJSCIA", visit), stored == "DTWYJSCIA" ? now : exit);
        QTEST(child<QLabel>(o.window.get(), "scanMessageLabel")->text(), "said");
        QCOMPARE(entryDialog.acted(), stored == "DTWEJSCIA");
        QCOMPARE(o.desk.answers.beeps, stored.isEmpty() && more.isEmpty() ? 1 : 0);
        QVERIFY(o.desk.answers.messages().isEmpty());
        if (stored == "DTWEJSCIA")
            inside << visit;
        inside.removeOne(stored == "DTWYJSCIA" ? visit : 0);
        QCOMPARE(Overview::listed(insidePage), inside);  // at once
        QTRY_VERIFY(scanEdit->hasFocus());               // once the window is active again
        // Text not stored is selected: the next scan replaces it.
        QCOMPARE(scanEdit->selectedText(), stored.isEmpty() ? typed : QString());
        if (stored == "DTWEJSCIA")
            QCOMPARE(o.stored("IDENTYFIKATOR", visit).toString(), QString("G-7"));
        // Whose pass it is, asked with Yes for Enter; or the watchlist's reason.
        const testsupport::Shown asked = o.desk.answers.shown.value(0);
        if (stored == "DTWYJSCIA")
            QVERIFY(asked.text.contains("Kowal Piotr") && asked.detail == "Tak");
        else if (stored.isEmpty())
            QCOMPARE(asked.text.contains("Powód: Awantura"), !more.isEmpty());
        // The look-up kept prepared goes with its connection: on a new one the same code is
        // read afresh, and is used now.
        if (stored.isEmpty())
            return;
        QVERIFY(o.desk.withConnectionClosed([] {}));
        QTest::keyClicks(scanEdit, typed + "\r");
        QVERIFY(child<QLabel>(o.window.get(), "scanMessageLabel")
                    ->text()
                    .contains(typed.startsWith("P-") ? "jest już nieważna" : "został już użyty"));
    }

    void passingAMessageOnStoresTheTimeAndTakesItOffThePage()
    {
        Overview o;
        QWidget* messages = o.show("messagesPage");
        QCOMPARE(Overview::cell(messages, 0, 1), QString("2 dni"));
        QCOMPARE(Overview::cell(messages, 1, 1), QString("10 min"));
        Overview::select(messages, 7);
        child<QPushButton>(messages, "passedOnButton")->click();
        // Committed: another connection sees it.
        QCOMPARE(o.storedTime("DTODEBRWIADOM", 7), QDateTime(Today, QTime(10, 30)));
        QCOMPARE(Overview::listed(messages), QList<int>({5}));
        QCOMPARE(Overview::current(messages), 5);
        QVERIFY(o.stored("DTODEBRWIADOM", 5).isNull());
    }

    void historyCountsVisitsPerCompanyAndPerDay()
    {
        Overview o;
        QWidget* history = o.show("historyPage");
        auto counts = [history](const char* setName, const char* nameField) {
            const auto* set = child<db::DataSet>(history, setName);
            QStringList lines;
            for (int row = 0; row < set->recordCount(); ++row)
                lines << QStringLiteral("%1 %2").arg(
                    set->value(row, set->field(nameField).index()).toString(),
                    set->value(row, set->field("LICZBA").index()).toString());
            return lines;
        };
        QCOMPARE(counts("companyCounts", "FIRMA"), QStringList({"Alfa 5", "Beta 3"}));
        QCOMPARE(counts("dayCounts", "DZIEN_TEKST"),
                 QStringList({"02-03-2026 1", "03-03-2026 1", "04-03-2026 1", "05-03-2026 5"}));

        auto* company = child<QComboBox>(history, "companyBox");
        company->setCurrentIndex(company->findText("Beta"));
        QCOMPARE(Overview::listed(history), QList<int>({8, 2, 4}));
        QCOMPARE(counts("companyCounts", "FIRMA"), QStringList({"Beta 3"}));
        QCOMPARE(counts("dayCounts", "DZIEN_TEKST"), QStringList({"02-03-2026 1", "05-03-2026 2"}));

        // The first day from the calendar.
        o.desk.dateAnswer = [](const QDate& shown, QWidget*) {
            return shown == QDate(2026, 3, 1) ? std::optional<QDate>(QDate(2026, 3, 4))
                                              : std::optional<QDate>();
        };
        child<QToolButton>(history, "fromPickButton")->click();
        QCOMPARE(Overview::listed(history), QList<int>({2, 4}));
        QCOMPARE(counts("dayCounts", "DZIEN_TEKST"), QStringList({"05-03-2026 2"}));
        QCOMPARE(o.tabText(history), QString("Historia (2)"));
    }

    void aVisitOpenedFromAPageIsReadAgainAfterTheEditorAndStaysSelected()
    {
        Overview o;
        QWidget* inside = o.show("insidePage");
        o.desk.visitAnswer = [&o](int visitId) {
            o.database.db().execute(
                QStringLiteral("update WIZYTY set IDENTYFIKATOR = 'G-44' where ID = %1").arg(visitId));
            return o.desk.commitWork();
        };
        auto* grid = child<controls::DataGrid>(inside, "visitGrid");
        const QRect row = grid->visualRect(grid->model()->index(2, 1));
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, row.center());
        QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, row.center());
        QCOMPARE(o.desk.visitsEdited, QList<int>({4}));
        QCOMPARE(Overview::current(inside), 4);
        QCOMPARE(Overview::cell(inside, 2, 7), QString("G-44"));
        // Now with a badge, it is among the badges too.
        QCOMPARE(Overview::listed(o.show("badgesPage")), QList<int>({1, 2, 4}));
    }

    void aPageIsSavedAsCsvInThePersonnelFilesConventions()
    {
        Overview o;
        o.show("badgesPage");
        const QString file = o.database.folder() + "identyfikatory.csv";
        o.desk.answers.fileNames.enqueue(file);
        child<QPushButton>(o.window.get(), "csvButton")->click();
        QFile saved(file);
        QVERIFY(saved.open(QIODevice::ReadOnly));
        QStringEncoder windows1250("windows-1250");
        const QByteArray expected = windows1250.encode(
            QStringLiteral("Dzień;Identyfikator;Nr karty;Gość;Pracownik;Firma;Wejście;Uwagi\r\n"
                           "04-03-2026;G-1;101;Zieliński Łukasz;Nowak Anna;Alfa;15:00;\r\n"
                           "05-03-2026;G-2;;Świątek Iga;Kowal Piotr;Beta;08:05;\r\n"));
        QCOMPARE(saved.readAll(), expected);
        QCOMPARE(testsupport::modeOf(file), QString("600"));
        QVERIFY(o.desk.answers.messages().isEmpty());
        // Offered first in the documents folder, then where the last file went.
        QVERIFY(o.desk.answers.shown.front().text.startsWith(
            QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation) +
            "/Identyfikatory"));
        child<QPushButton>(o.window.get(), "csvButton")->click();  // cancelled
        QCOMPARE(o.desk.answers.shown.last().text, o.database.folder() + "Identyfikatory.csv");
    }

    void theEvacuationListAndAPassArePrintedAndThePassHoldsNoDocument()
    {
        Overview o;
        QWidget* inside = o.show("insidePage");
        const QString list = o.database.folder() + "ewakuacja.pdf";
        o.desk.answers.printFiles.enqueue(list);
        child<QPushButton>(o.window.get(), "printButton")->click();
        const QString listText = testsupport::pdfText(list);
        for (const char* expected : {"Lista ewakuacyjna", "Zieliński Łukasz", "Świątek Iga",
                                     "Kowalski Jan", "Podpis", "05-03-2026 10:30"})
            QVERIFY2(listText.contains(QString::fromUtf8(expected)), expected);
        QVERIFY(!listText.contains("Wyszedł Adam"));
        const QImage listPage = testsupport::firstPage(
            list, testsupport::screenshotFolder() + "przeglad_lista_ewakuacyjna.png", 60);
        QVERIFY(testsupport::inkShare(listPage) > 0.005);

        Overview::select(inside, 1);
        const QString pass = o.database.folder() + "przepustka.pdf";
        o.desk.answers.printFiles.enqueue(pass);
        child<QPushButton>(o.window.get(), "passButton")->click();
        const QString passText = testsupport::pdfText(pass);
        for (const char* expected : {"Zieliński Łukasz", "Alfa", "Nowak Anna", "G-1", "04-03-2026"})
            QVERIFY2(passText.contains(QString::fromUtf8(expected)), expected);
        QVERIFY(!passText.contains("ABC123456"));
        const QString passPng = testsupport::screenshotFolder() + "przeglad_przepustka.png";
        QVERIFY(testsupport::inkShare(testsupport::firstPage(pass, passPng, 150)) > 0.005);
        QCOMPARE(testsupport::runTool("zbarimg", {"-q", "--raw", passPng}), QString("P-1\n"));
        QCOMPARE(testsupport::modeOf(list) + testsupport::modeOf(pass), QString("600600"));
        QCOMPARE(testsupport::pageCount(pass), 1);

        // With the setting on, the back carries the short information clause.
        o.database.run({"insert into USTAWIENIA values ('KLAUZULA_ADMINISTRATOR', 'Wola Park')",
                        "insert into USTAWIENIA values ('KLAUZULA_KONTAKT', 'rodo@wp.pl')"});
        o.desk.storeSettingsValue("RODO", "KlauzulaNaPrzepustce", "1");
        const QString backed = o.database.folder() + "przepustka_z_klauzula.pdf";
        o.desk.answers.printFiles.enqueue(backed);
        child<QPushButton>(o.window.get(), "passButton")->click();
        QCOMPARE(testsupport::pageCount(backed), 2);
        const QString backText = testsupport::pdfText(backed).simplified();
        for (const char* expected : {"Zieliński Łukasz", "Wola Park", "rodo@wp.pl", "24 miesiące",
                                     "w recepcji i na tablicy ogłoszeń"})
            QVERIFY2(backText.contains(QString::fromUtf8(expected)), expected);
    }

    void theEmployeeIsToldByMailAndOnlyWithAnAddress()
    {
        Overview o;
        QWidget* waiting = o.show("waitingPage");
        auto* notify = child<QPushButton>(waiting, "notifyButton");
        Overview::select(waiting, 6);  // Kowal Piotr has no address
        QVERIFY(!notify->isEnabled());
        Overview::select(waiting, 5);
        QVERIFY(notify->isEnabled());
        notify->click();
        const testsupport::Shown& shown = o.desk.answers.shown.last();
        QCOMPARE(shown.kind, QString("url"));
        QVERIFY2(shown.text.startsWith("mailto:anna.nowak@alfa.pl?subject=Go%C5%9B%C4%87%20w%20"
                                       "recepcji%3A%20Wi%C5%9Bniewska%20Ewa&body="),
                 qPrintable(shown.text));
        QVERIFY(QUrl::fromPercentEncoding(shown.text.toLatin1()).contains("05-03-2026 10:20"));
        // A desktop without a mail program: the address is given to copy.
        o.desk.answers.urlsOpen = false;
        notify->click();
        QCOMPARE(o.desk.answers.messages(),
                 QStringList("Nie udało się otworzyć programu "
                             "pocztowego.\nAdres pracownika: anna.nowak@alfa.pl"));
        testsupport::MailServer server;  // by e-mail: committed, and delivered, at once
        o.desk.setUpMail(server.settings());
        notify->click();
        QTRY_VERIFY_WITH_TIMEOUT(server.messages().value(0)["body"].toString().contains(
                                     "Firma: Alfa.\nPrzybycie: 05-03-2026 10:20."),
                                 10000);
        Overview::select(waiting, 6);  // expected tomorrow: invited, committed at once
        o.desk.valueAnswer = [](const desk::ValueRequest&) { return QString("jj@beta.pl"); };
        child<QPushButton>(waiting, "inviteButton")->click();
        QTRY_COMPARE_WITH_TIMEOUT(server.messages().value(1)["subject"].toString(),
                                  QString("Zaproszenie: Beta, 06-03-2026 09:00"), 10000);
    }

    // One message to each warden, the printed list attached, the deliveries counted.
    void theEvacuationListGoesToEveryWarden_data()
    {
        QTest::addColumn<QStringList>("wardens");
        QTest::addColumn<QString>("refusal");  // what is to be set in "Dodatki > Poczta"
        QTest::newRow("two wardens") << QStringList{"a@halvane.test", " b@halvane.test"} << "";
        QTest::newRow("no wardens") << QStringList() << "Nie podano adresów osób";
        QTest::newRow("no mail") << QStringList{"a@halvane.test"} << "Poczta nie jest";
    }
    void theEvacuationListGoesToEveryWarden()
    {
        QFETCH(QStringList, wardens);
        QFETCH(QString, refusal);
        testsupport::MailServer server;
        mail::MailSettings settings = server.settings();
        settings.wardens = wardens;
        settings.server = refusal.startsWith("Poczta") ? QString() : settings.server;
        Overview o;
        o.desk.setUpMail(settings);
        auto* send = child<QPushButton>(o.show("insidePage"), "evacuationButton");
        QTest::keyClick(o.window.get(), Qt::Key_E, Qt::ControlModifier);  // a click soon
        QTRY_VERIFY(refusal.isEmpty() ||
                    (o.desk.answers.messages().value(0).startsWith(refusal) &&
                     o.desk.answers.messages()[0].endsWith("\"Dodatki > Poczta\".")));
        if (!refusal.isEmpty())
            return;
        QTRY_COMPARE_WITH_TIMEOUT(send->text(), QString("Wyślij listę ewakuacyjną – wysłano 2 z 2"),
                                  15000);
        const QList<QJsonObject> sent = server.messages();  // in the order queued
        QCOMPARE(sent[0]["to"][0].toString() + " " + sent[1]["to"][0].toString(),
                 QString("a@halvane.test b@halvane.test"));
        QCOMPARE(sent[1]["subject"].toString() + sent[1]["attachments"][0]["name"].toString(),
                 "Lista ewakuacyjna – 05-03-2026 10:30" +
                     QString("Lista ewakuacyjna 05-03-2026 10.30.pdf"));
        QVERIFY(sent[1]["body"].toString().contains(
            "Liczba osób w budynku: 3.\n\n1. Zieliński Łukasz (Alfa)\n2. Świątek Iga (Beta)\n"
            "3. Kowalski Jan (Beta)\n"));
        const QString pdf = testsupport::MailServer::attachmentText(sent[0]);
        QVERIFY(pdf.contains("Zieliński Łukasz") && pdf.contains("Kowalski Jan") &&
                !pdf.contains("Wyszedł Adam"));
    }

    void aVisitClosedAtAnotherDeskLeavesThePageWithinASecond()
    {
        Overview o;
        o.desk.liveUpdates().start(o.database.db());
        QWidget* inside = o.show("insidePage");
        Overview::select(inside, 4);
        auto other = o.database.connect();
        other->execute("update WIZYTY set DTWYJSCIA = timestamp '2026-03-05 10:29' where ID = 2");
        other->transaction().commit();
        QTRY_COMPARE_WITH_TIMEOUT(Overview::listed(inside), QList<int>({1, 4}), 1000);
        QCOMPARE(Overview::current(inside), 4);
        QCOMPARE(o.tabText(inside), QString("W budynku (2)"));
        // A guest marked at another desk is shown marked as soon.
        other->execute("insert into ZAKAZY_WSTEPU values (11, 'Groził ochronie', '2026-03-05')");
        other->transaction().commit();
        QTRY_COMPARE_WITH_TIMEOUT(Overview::cell(inside, 0, 2), QString("ZAKAZ WSTĘPU"), 1000);
        o.desk.liveUpdates().stop();
    }

    void withoutChangeEventsThePageIsReadAgainOnATimer()
    {
        // A database made before the triggers that post the change events.
        Overview o({"drop trigger TR_FIRMY_ZMIANY", "drop trigger TR_DZIALY_ZMIANY",
                    "drop trigger TR_PERSONEL_ZMIANY", "drop trigger TR_GOSCIE_ZMIANY",
                    "drop trigger TR_WIZYTY_ZMIANY"});
        desk::LiveUpdates& live = o.desk.liveUpdates();
        QSignalSpy polling(&live, &desk::LiveUpdates::pollingInstead);
        live.setPollInterval(std::chrono::milliseconds(300));
        live.start(o.database.db());
        QVERIFY(!live.followsEvents());
        QTRY_COMPARE(polling.count(), 1);
        QWidget* inside = o.show("insidePage");
        auto other = o.database.connect();
        other->execute("update WIZYTY set DTWYJSCIA = timestamp '2026-03-05 10:29' where ID = 2");
        other->transaction().commit();
        QTRY_COMPARE_WITH_TIMEOUT(Overview::listed(inside), QList<int>({1, 4}), 3000);
        QCOMPARE(polling.count(), 1);
        live.stop();
    }
};

HALVANE_TEST(OverviewDialogTest);
#include "OverviewDialogTest.moc"

// The visit editor on the register's own row over a fresh database: a new visit from its
// guest to the stored row, the overwrite-only date and time boxes, the checks in their
// order, the optional timestamps, the names of deleted guests and employees, the close
// check, the register following a stored visit, and the pass and e-mail of the visit shown.
#include "db/DataSet.h"
#include "db/Database.h"
#include "db/DateTimeText.h"
#include "support/AccessibleNames.h"
#include "support/Find.h"
#include "support/MailServer.h"
#include "support/Modal.h"
#include "support/PdfPages.h"
#include "support/TestDatabase.h"
#include "support/TestDesk.h"
#include "support/Typing.h"
#include "support/testmain.h"
#include "visitors/GuestsDialog.h"
#include "visitors/VisitDialog.h"
#include "visitors/VisitsDialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QSysInfo>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <memory>

using testsupport::child;
using testsupport::trigger;
using Mode = VisitDialog::Mode;

namespace {

const QDateTime Now(QDate(2026, 3, 5), QTime(14, 5, 37));

// Guest 99 and employee 98 of visit 2 have since been deleted from the registry.
const QStringList kRows = {
    "insert into FIRMY (ID, NAZWA) values (3, 'Firma')",
    "insert into PERSONEL (ID, FIRMA_ID, DZIAL_ID, NAZWISKO, IMIE, PIETRO, POKOJ, EMAIL) values "
    "(7, 3, 4, 'Nowak', 'Anna', '3', '312', 'anna.nowak@firma.pl')",
    "insert into PERSONEL (ID, FIRMA_ID, DZIAL_ID, NAZWISKO) values (8, 3, 0, 'Żółkiewski')",
    "insert into GOSCIE (ID, NAZWA, DOKUM) values (12, 'Łukasz Ząbek', 'dowód 12')",
    "insert into GOSCIE (ID, NAZWA, DOKUM) values (13, 'Kowalski Jan', 'paszport 13')",
    "insert into WIZYTY (ID, FIRMA_ID, DZIAL_ID, GOSC_ID, GOSC_NAZWA, GOSC_DOKUM, PERSON_ID, "
    "PERSON_NAZWA, DTPRZYBYCIA, DTWEJSCIA, DTWYJSCIA, IDENTYFIKATOR, NRKARTY, WIADOMOSC, "
    "DTODEBRWIADOM) values (1, 3, 4, 12, 'Łukasz Ząbek', 'dowód 12', 7, 'Nowak Anna', "
    "timestamp '2026-03-05 08:00', timestamp '2026-03-05 08:10', timestamp '2026-03-05 09:00', "
    "'G-1', '100', 'Oddzwonić', timestamp '2026-03-05 09:30')",
    "insert into WIZYTY (ID, FIRMA_ID, DZIAL_ID, GOSC_ID, GOSC_NAZWA, GOSC_DOKUM, PERSON_ID, "
    "PERSON_NAZWA, DTPRZYBYCIA, DTWEJSCIA) values (2, 3, 4, 99, 'Stary Gość', 'dowód 99', 98, "
    "'Dawny Pracownik', timestamp '2026-03-05 09:00', timestamp '2026-03-05 09:05')",
    "insert into WIZYTY (ID, FIRMA_ID, DZIAL_ID, GOSC_ID, GOSC_NAZWA, PERSON_ID, PERSON_NAZWA, "
    "DTPRZYBYCIA, WIADOMOSC) values (3, 3, 4, 12, 'Łukasz Ząbek', 7, 'Nowak Anna', "
    "timestamp '2026-03-05 10:00', 'Proszę oddzwonić')",
    "alter sequence GEN_WIZYTY_ID restart with 20",
};

// Chooses guest `id` in the guest list, or closes it with Anuluj when `id` is 0.
void answerGuestList(QWidget* list, int id)
{
    if (id != 0) {
        auto* guests = child<db::DataSet>(list, "guests");
        QVERIFY(guests->locate("ID", id, 0));
        child<QPushButton>(list, "okButton")->click();
    } else {
        child<QPushButton>(list, "cancelButton")->click();
    }
}

// The register open on 5 March, and its editor working on the register's row as the
// register's own Insert and Enter would hand it over.
struct Editor {
    testsupport::TestDatabase database;
    testsupport::TestDesk desk{database.db()};
    std::unique_ptr<VisitsDialog> visitsRegister;
    db::DataSet* visits = nullptr;
    VisitDialog* dialog = nullptr;

    explicit Editor(const QStringList& more = {})
    {
        database.run(kRows + more);
        desk.fixedClock.time = Now;
        visitsRegister = std::make_unique<VisitsDialog>(desk);
        visits = child<db::DataSet>(visitsRegister.get(), "visits");
        dialog = child<VisitDialog>(visitsRegister.get(), "visitDialog");
        visitsRegister->open({3, 4, 7});
    }
    ~Editor()
    {
        if (dialog->isVisible()) {
            desk.answers.answers.enqueue(true);
            dialog->reject();
        }
        visitsRegister->reject();
    }

    // A new visit as the register starts it; the guest list that opens at once chooses
    // `guestId` (0: Anuluj).
    bool add(int guestId)
    {
        visits->append();
        visits->field("FIRMA_ID").setAsInteger(3);
        visits->field("DZIAL_ID").setAsInteger(4);
        visits->field("PERSON_ID").setAsInteger(7);
        visits->field("DTPRZYBYCIA").setAsDateTime(db::fromDateTime(Now));
        testsupport::ModalAction list([guestId](QWidget* w) { answerGuestList(w, guestId); },
                                      dialog);
        dialog->open(Mode::Add);
        if (!QTest::qWaitForWindowExposed(dialog))
            return false;
        for (int i = 0; i < 100 && !list.acted(); ++i)
            QTest::qWait(10);
        // The offscreen platform gives the activation back to no window by itself.
        QApplication::setActiveWindow(dialog);
        return list.acted() && !list.timedOut() && dialog->isVisible() &&
               QTest::qWaitForWindowActive(dialog);
    }
    bool edit(int visitId)
    {
        if (!visits->locate("ID", visitId, 0))
            return false;
        visits->edit();
        dialog->open(Mode::Edit);
        if (!QTest::qWaitForWindowExposed(dialog))
            return false;
        QApplication::setActiveWindow(dialog);
        return QTest::qWaitForWindowActive(dialog);
    }

    template <class T = QLineEdit>
    T* control(const QString& name)
    {
        return child<T>(dialog, name);
    }
    QCheckBox* check(const QString& name) { return control<QCheckBox>(name); }
    QString text(const QString& name) { return control(name)->text(); }
    QString label(const QString& name) { return control<QLabel>(name)->text(); }
    // Replaces what a bound box holds, as a user selecting all and typing would.
    void retype(const QString& name, const QString& typed)
    {
        QLineEdit* box = control(name);
        box->setFocus();
        box->selectAll();
        QTest::keyClick(box, Qt::Key_Delete);
        testsupport::type(box, typed);
    }
    void ok() { control<QPushButton>("okButton")->click(); }
    QWidget* page() { return control<QTabWidget>("pages")->currentWidget(); }
    QVariant stored(int id, const QString& column)
    {
        return database.scalar(QString("select %1 from WIZYTY where ID = %2").arg(column).arg(id));
    }
    int visitCount() { return database.scalar("select count(*) from WIZYTY").toInt(); }
    bool numberBoxRed(const QString& name)
    {
        return control(name)->palette().color(QPalette::Base) == QColor(0xFF, 0x80, 0x80);
    }
};

QString stamp(const QVariant& value)
{
    // Timestamps come as the program's day counts.
    return value.isNull() ? QString()
                          : db::toDateTime(value.toDouble()).toString("dd-MM-yyyy hh:mm:ss.zzz");
}

}  // namespace

class VisitDialogTest : public QObject {
    Q_OBJECT
private slots:
    void aNewVisitChoosesItsGuestAndIsStoredWithTheRegistryNames()
    {
        Editor e;
        QVERIFY(e.add(12));
        // The guest list opened at once; the main window's employee is named 200 ms later.
        QCOMPARE(e.text("guestNumberEdit"), QString("12"));
        QCOMPARE(e.label("guestNameText"), QString("Łukasz Ząbek"));
        QCOMPARE(e.label("guestDocumentText"), QString("dowód 12"));
        QCOMPARE(e.text("employeeNumberEdit"), QString("7"));
        QCOMPARE(e.label("employeeNameText"), QString());
        QTRY_COMPARE_WITH_TIMEOUT(e.label("employeeNameText"), QString("Nowak Anna"), 1000);
        QCOMPARE(e.text("arrivalDateEdit"), QString("05-03-2026"));
        QCOMPARE(e.text("arrivalTimeEdit"), QString("14:05"));
        // After the opening choice the arrival date is next; a later choice returns to
        // the guest's number.
        QCOMPARE(e.dialog->focusWidget(), e.control("arrivalDateEdit"));
        {
            testsupport::ModalAction list([](QWidget* w) { answerGuestList(w, 12); }, e.dialog);
            e.control<QPushButton>("guestPickButton")->click();
            QVERIFY(list.acted());
        }
        QCOMPARE(e.dialog->focusWidget(), e.control("guestNumberEdit"));
        QApplication::setActiveWindow(e.dialog);  // the offscreen platform does not
        QVERIFY(QTest::qWaitForWindowActive(e.dialog));
        QVERIFY(!e.check("entryCheck")->isChecked());
        QVERIFY(!e.check("messagePassedCheck")->isEnabled());  // no message yet

        // An employee without a first name still gets his surname copied.
        e.retype("employeeNumberEdit", "8");
        QTRY_COMPARE_WITH_TIMEOUT(e.label("employeeNameText"), QString("Żółkiewski "), 1000);
        e.ok();
        QVERIFY(!e.dialog->isVisible());
        QCOMPARE(e.dialog->result(), int(QDialog::Accepted));
        // Committed: another connection sees it, stored to the minute.
        QCOMPARE(stamp(e.stored(21, "DTPRZYBYCIA")), QString("05-03-2026 14:05:00.000"));
        QCOMPARE(e.stored(21, "GOSC_NAZWA").toString(), QString("Łukasz Ząbek"));
        QCOMPARE(e.stored(21, "GOSC_DOKUM").toString(), QString("dowód 12"));
        QCOMPARE(e.stored(21, "PERSON_ID").toInt(), 8);
        QCOMPARE(e.stored(21, "PERSON_NAZWA").toString(), QString("Żółkiewski "));
        QCOMPARE(e.stored(21, "FIRMA_ID").toInt(), 3);
        QCOMPARE(e.stored(21, "DZIAL_ID").toInt(), 4);
        QVERIFY(e.stored(21, "DTWEJSCIA").isNull());
    }

    void aRefusedCommitKeepsTheNewVisitForAnotherOk()
    {
        Editor e;
        QVERIFY(e.add(12));
        const int before = e.visitCount();
        // A unique index over guests that repeat is built, and refused, only at the commit.
        e.database.db().execute("create unique index UX_WIZYTY_GOSC on WIZYTY (GOSC_ID)");
        e.ok();
        QVERIFY(e.dialog->isVisible());
        QVERIFY(e.desk.answers.messages().last().startsWith("Błąd zatwierdzenia danych:"));
        QCOMPARE(e.visitCount(), before);
        QCOMPARE(e.text("guestNumberEdit"), QString("12"));
        e.ok();  // the index went with the rolled-back work: this time the visit holds
        QVERIFY(!e.dialog->isVisible());
        QCOMPARE(e.dialog->result(), int(QDialog::Accepted));
        QCOMPARE(e.visitCount(), before + 1);
    }

    void aCancelAfterARefusedCommitShowsAndKeepsWhatIsStored()
    {
        Editor e;
        QVERIFY(e.edit(1));
        const QString storedBadge = e.stored(1, "IDENTYFIKATOR").toString();
        e.database.db().execute("create unique index UX_WIZYTY_GOSC on WIZYTY (GOSC_ID)");
        e.retype("badgeEdit", "NOWY-7");
        e.ok();
        QVERIFY(e.dialog->isVisible());
        QVERIFY(e.desk.answers.messages().last().startsWith("Błąd zatwierdzenia danych:"));
        QCOMPARE(e.text("badgeEdit"), QString("NOWY-7"));
        QCOMPARE(storedBadge, QString("G-1"));
        e.desk.answers.answers.enqueue(true);  // "Na pewno anulować ...?"
        e.dialog->reject();
        QVERIFY(!e.dialog->isVisible());
        QCOMPARE(e.visits->field("IDENTYFIKATOR").asString(), storedBadge);

        // Opened again and left with OK and no change: nothing cancelled comes back.
        QVERIFY(e.edit(1));
        e.ok();
        QVERIFY(!e.dialog->isVisible());
        QCOMPARE(e.stored(1, "IDENTYFIKATOR").toString(), storedBadge);
    }

    void theDateAndTimeBoxesOnlyOverwrite_data()
    {
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("start");
        QTest::addColumn<int>("caret");
        QTest::addColumn<QString>("keys");  // \b Backspace, \x7f Delete
        QTest::addColumn<QString>("result");
        QTest::addColumn<int>("selectedFrom");  // the one character selected; -1: none
        QTest::addColumn<int>("beeps");

        QTest::newRow("a digit over the first") << "arrivalDateEdit"
                                                << "05-03-2024" << 0 << "3"
                                                << "35-03-2024" << 1 << 0;
        QTest::newRow("the next digit skips the dash") << "arrivalDateEdit"
                                                       << "05-03-2024" << 0 << "31"
                                                       << "31-03-2024" << 3 << 0;
        QTest::newRow("over the month's dash") << "arrivalDateEdit"
                                               << "05-03-2024" << 3 << "12"
                                               << "05-12-2024" << 6 << 0;
        QTest::newRow("a dash on the dash") << "arrivalDateEdit"
                                            << "05-03-2024" << 2 << "-"
                                            << "05-03-2024" << 3 << 0;
        QTest::newRow("a digit on the dash beeps and steps over") << "arrivalDateEdit"
                                                                  << "05-03-2024" << 2 << "7"
                                                                  << "05-03-2024" << 3 << 1;
        // A refused key leaves the caret where it was, with nothing selected.
        QTest::newRow("a letter") << "arrivalDateEdit"
                                  << "05-03-2024" << 0 << "a"
                                  << "05-03-2024" << -1 << 1;
        QTest::newRow("a letter inside the month") << "arrivalDateEdit"
                                                   << "31-03-2024" << 4 << "a"
                                                   << "31-03-2024" << -1 << 1;
        QTest::newRow("a dash on a digit") << "arrivalDateEdit"
                                           << "31-03-2024" << 3 << "-"
                                           << "31-03-2024" << -1 << 1;
        QTest::newRow("Backspace") << "arrivalDateEdit"
                                   << "05-03-2024" << 4 << "\b"
                                   << "05-03-2024" << -1 << 1;
        QTest::newRow("Delete") << "entryDateEdit"
                                << "05-03-2024" << 4 << "\x7f"
                                << "05-03-2024" << -1 << 1;
        QTest::newRow("the last digit") << "arrivalDateEdit"
                                        << "05-03-2024" << 9 << "5"
                                        << "05-03-2025" << -1 << 0;
        QTest::newRow("past the end") << "arrivalDateEdit"
                                      << "05-03-2024" << 10 << "5"
                                      << "05-03-2024" << -1 << 1;
        QTest::newRow("a short text has nothing to overwrite") << "exitDateEdit"
                                                               << "05-03" << 5 << "-1"
                                                               << "05-03" << -1 << 2;
        QTest::newRow("time: a digit over the first") << "arrivalTimeEdit"
                                                      << "09:05" << 0 << "1"
                                                      << "19:05" << 1 << 0;
        QTest::newRow("time: over the colon") << "arrivalTimeEdit"
                                              << "09:05" << 0 << "124"
                                              << "12:45" << 4 << 0;
        QTest::newRow("time: Enter beeps") << "entryTimeEdit"
                                           << "09:05" << 1 << "\r"
                                           << "09:05" << -1 << 1;
        QTest::newRow("time: a dash") << "arrivalTimeEdit"
                                      << "09:05" << 2 << "-"
                                      << "09:05" << 3 << 1;
        QTest::newRow("time: Backspace at the end") << "exitTimeEdit"
                                                    << "09:05" << 5 << "\b"
                                                    << "09:05" << -1 << 1;
    }
    void theDateAndTimeBoxesOnlyOverwrite()
    {
        QFETCH(QString, box);
        QFETCH(QString, start);
        QFETCH(int, caret);
        QFETCH(QString, keys);
        QFETCH(QString, result);
        QFETCH(int, selectedFrom);
        QFETCH(int, beeps);
        Editor e;
        QVERIFY(e.edit(1));
        QLineEdit* edit = e.control(box);
        edit->setText(start);
        edit->setFocus();
        edit->setCursorPosition(caret);
        e.desk.answers.clear();
        for (const QChar c : keys) {
            if (c == u'\b')
                QTest::keyClick(edit, Qt::Key_Backspace);
            else if (c == u'\x7f')
                QTest::keyClick(edit, Qt::Key_Delete);
            else if (c == u'\r')
                QTest::keyClick(edit, Qt::Key_Return);
            else
                QTest::keyClicks(edit, QString(c));
        }
        QCOMPARE(edit->text(), result);
        QCOMPARE(e.desk.answers.beeps, beeps);
        if (selectedFrom < 0) {
            QVERIFY(!edit->hasSelectedText());
            if (beeps > 0)
                QCOMPARE(edit->cursorPosition(), caret);
        } else {
            QCOMPARE(edit->selectionStart(), selectedFrom);
            QCOMPARE(edit->selectedText().size(), 1);
            QCOMPARE(edit->cursorPosition(), selectedFrom);
        }
        QVERIFY(e.dialog->isVisible());
    }

    void enterInADateBoxOpensTheCalendar_data()
    {
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QDate>("shown");
        QTest::newRow("the box's date") << "arrivalDateEdit"
                                        << "17-02-2026" << QDate(2026, 2, 17);
        QTest::newRow("no date in the box: the stored arrival")
            << "arrivalDateEdit"
            << "31-02-2026" << QDate(2026, 3, 5);
        QTest::newRow("no date and nothing stored: today") << "messagePassedDateEdit"
                                                           << "00-00-0000" << QDate(2026, 3, 5);
    }
    void enterInADateBoxOpensTheCalendar()
    {
        QFETCH(QString, box);
        QFETCH(QString, typed);
        QFETCH(QDate, shown);
        Editor e;
        e.desk.fixedClock.time = QDateTime(QDate(2026, 3, 5), QTime(11, 0));
        QVERIFY(e.edit(3));  // arrival stored 5 March; the message not passed on
        if (box.startsWith("messagePassed")) {
            e.control<QTabWidget>("pages")->setCurrentIndex(1);
            e.check("messagePassedCheck")->setChecked(true);
        }
        QDate asked;
        QWidget* anchor = nullptr;
        e.desk.dateAnswer = [&](const QDate& date, QWidget* below) {
            asked = date;
            anchor = below;
            return std::optional<QDate>(QDate(2026, 1, 9));
        };
        QLineEdit* edit = e.control(box);
        edit->setText(typed);
        edit->setFocus();
        QTest::keyClick(edit, Qt::Key_Return);
        QCOMPARE(asked, shown);
        QCOMPARE(anchor, edit);
        QCOMPARE(edit->text(), QString("09-01-2026"));
        QCOMPARE(edit->selectedText(), QString("09-01-2026"));
        QVERIFY(e.dialog->isVisible());
    }

    void eachFailedCheckNamesItsBoxInOrder_data()
    {
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("onMessagePage");

        QTest::newRow("arrival date") << "arrivalDateEdit"
                                      << "31-02-2024"
                                      << "Błędna data przybycia." << false;
        QTest::newRow("arrival time") << "arrivalTimeEdit"
                                      << "24:00"
                                      << "Błędny czas przybycia." << false;
        QTest::newRow("guest") << "guestNumberEdit"
                               << "404"
                               << "Nie wybrano gościa." << false;
        QTest::newRow("employee") << "employeeNumberEdit"
                                  << "404"
                                  << "Nie wybrano pracownika." << false;
        QTest::newRow("entry date") << "entryDateEdit"
                                    << "29-02-2023"
                                    << "Błędna data wejścia." << false;
        QTest::newRow("entry time") << "entryTimeEdit"
                                    << "12:60"
                                    << "Błędny czas wejścia." << false;
        QTest::newRow("exit date") << "exitDateEdit"
                                   << "01-01-1899"
                                   << "Błędna data wyjścia." << false;
        QTest::newRow("exit time") << "exitTimeEdit"
                                   << "9:05 "
                                   << "Błędny czas wyjścia." << false;
        QTest::newRow("message date") << "messagePassedDateEdit"
                                      << "31-04-2024"
                                      << "Błędna data przekazania wiadomości." << true;
        QTest::newRow("message time") << "messagePassedTimeEdit"
                                      << "ab:cd"
                                      << "Błędny czas przekazania wiadomości." << true;
    }
    void eachFailedCheckNamesItsBoxInOrder()
    {
        QFETCH(QString, box);
        QFETCH(QString, value);
        QFETCH(QString, message);
        QFETCH(bool, onMessagePage);
        Editor e;
        QVERIFY(e.edit(1));  // every part of the visit filled in
        // The box at fault and, after it, one that would fail later.
        if (box.endsWith("NumberEdit"))
            e.retype(box, value);
        else
            e.control(box)->setText(value);
        if (box != "messagePassedTimeEdit")
            e.control("messagePassedTimeEdit")->setText("99:99");
        e.desk.answers.clear();
        e.ok();
        QCOMPARE(e.desk.answers.messages(), QStringList{message});
        QCOMPARE(e.desk.answers.beeps, 1);
        QCOMPARE(e.page()->objectName(), QString(onMessagePage ? "messagePage" : "visitPage"));
        QVERIFY(e.control(box)->hasFocus());
        QVERIFY(e.dialog->isVisible());
        QCOMPARE(e.visits->state(), db::DataSetState::Edit);
        QCOMPARE(e.control(box)->text(), value);  // nothing typed is lost
        QCOMPARE(stamp(e.stored(1, "DTODEBRWIADOM")), QString("05-03-2026 09:30:00.000"));
    }

    void withoutAGuestTheArrivalIsAlreadyRewritten()
    {
        Editor e;
        QVERIFY(e.add(0));
        QVERIFY(e.text("guestNumberEdit").isEmpty());
        e.control("arrivalTimeEdit")->setText("07:45");
        e.desk.answers.clear();
        e.ok();
        QCOMPARE(e.desk.answers.messages(), QStringList{"Nie wybrano gościa."});
        QVERIFY(e.control("guestNumberEdit")->hasFocus());
        QCOMPARE(db::toDateTime(e.visits->field("DTPRZYBYCIA").asDateTime()),
                 QDateTime(QDate(2026, 3, 5), QTime(7, 45)));
        QCOMPARE(e.visitCount(), 3);
    }

    void impossibleDatesTypedThroughTheFilterAreRefused_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::newRow("29 February outside a leap year") << "29022023";
        QTest::newRow("31 April") << "31042024";
        QTest::newRow("all zeros") << "00000000";
        QTest::newRow("before 1900") << "01011899";
    }
    void impossibleDatesTypedThroughTheFilterAreRefused()
    {
        QFETCH(QString, typed);
        Editor e;
        QVERIFY(e.edit(1));
        QLineEdit* box = e.control("arrivalDateEdit");
        box->setFocus();
        box->setCursorPosition(0);
        QTest::keyClicks(box, typed);
        const QString shown = typed.left(2) + '-' + typed.mid(2, 2) + '-' + typed.mid(4);
        QCOMPARE(box->text(), shown);
        e.desk.answers.clear();
        e.ok();
        QCOMPARE(e.desk.answers.messages(), QStringList{"Błędna data przybycia."});
        QCOMPARE(box->text(), shown);
        QCOMPARE(stamp(e.stored(1, "DTPRZYBYCIA")), QString("05-03-2026 08:00:00.000"));
    }

    void aGuestNumberTooLongForANumberIsReportedAndKept()
    {
        Editor e;
        QVERIFY(e.edit(1));
        e.retype("guestNumberEdit", "9999999999");
        QTRY_VERIFY_WITH_TIMEOUT(e.numberBoxRed("guestNumberEdit"), 1000);
        e.desk.answers.clear();
        e.ok();
        QCOMPARE(e.desk.answers.messages().size(), 1);
        QVERIFY(e.desk.answers.messages().front().contains("9999999999"));
        QCOMPARE(e.text("guestNumberEdit"), QString("9999999999"));
        QVERIFY(e.dialog->isVisible());
        QCOMPARE(e.stored(1, "GOSC_ID").toInt(), 12);
    }

    void aVisitOfADeletedGuestAndEmployeeKeepsItsNamesAndCanBeLeft()
    {
        Editor e;
        QVERIFY(e.edit(2));
        // Looked up 200 ms after showing: not in the registry, yet the copies stay.
        QTRY_VERIFY_WITH_TIMEOUT(e.numberBoxRed("guestNumberEdit"), 1000);
        QTRY_VERIFY_WITH_TIMEOUT(e.numberBoxRed("employeeNumberEdit"), 1000);
        QCOMPARE(e.label("guestNameText"), QString("Stary Gość"));
        QCOMPARE(e.label("employeeNameText"), QString("Dawny Pracownik"));
        // Another number that is not there is refused, and the stored one comes back.
        e.retype("guestNumberEdit", "98");
        QTRY_COMPARE_WITH_TIMEOUT(e.label("guestNameText"), QString(), 1000);
        e.retype("guestNumberEdit", "99");
        QTRY_COMPARE_WITH_TIMEOUT(e.label("guestNameText"), QString("Stary Gość"), 1000);
        e.check("exitCheck")->setChecked(true);
        e.desk.answers.clear();
        e.ok();
        QCOMPARE(e.desk.answers.messages(), QStringList());
        QVERIFY(!e.dialog->isVisible());
        QCOMPARE(stamp(e.stored(2, "DTWYJSCIA")), QString("05-03-2026 14:05:00.000"));
        QCOMPARE(e.stored(2, "GOSC_NAZWA").toString(), QString("Stary Gość"));
        QCOMPARE(e.stored(2, "GOSC_DOKUM").toString(), QString("dowód 99"));
        QCOMPARE(e.stored(2, "PERSON_NAZWA").toString(), QString("Dawny Pracownik"));
    }

    void tickingAndUntickingDecidesTheStoredTimestamps()
    {
        Editor e;
        QVERIFY(e.edit(3));  // no entry, no exit, a message not passed on
        QVERIFY(!e.control("badgeEdit")->isEnabled());
        QVERIFY(!e.check("exitCheck")->isEnabled());
        e.check("entryCheck")->click();
        QCOMPARE(e.text("entryDateEdit"), QString("05-03-2026"));
        QCOMPARE(e.text("entryTimeEdit"), QString("14:05"));
        QVERIFY(e.control("badgeEdit")->isEnabled());
        QVERIFY(e.control("cardEdit")->isEnabled());
        QVERIFY(e.check("exitCheck")->isEnabled());
        e.check("exitCheck")->click();
        QCOMPARE(e.text("exitTimeEdit"), QString("14:05"));
        e.retype("badgeEdit", "G-77");

        // Unticking the entry takes the exit with it; the badge stays, greyed.
        e.check("entryCheck")->click();
        QVERIFY(e.text("entryDateEdit").isEmpty());
        QVERIFY(!e.check("exitCheck")->isChecked());
        QVERIFY(!e.check("exitCheck")->isEnabled());
        QVERIFY(e.text("exitDateEdit").isEmpty());
        QVERIFY(!e.control("badgeEdit")->isEnabled());
        QCOMPARE(e.text("badgeEdit"), QString("G-77"));

        // The message is locked once passed on.
        auto* message = e.control<QPlainTextEdit>("messageEdit");
        QVERIFY(e.check("messagePassedCheck")->isEnabled());
        e.check("messagePassedCheck")->click();
        QVERIFY(!message->isEnabled());
        QCOMPARE(e.text("messagePassedTimeEdit"), QString("14:05"));
        e.ok();
        QVERIFY(!e.dialog->isVisible());
        QVERIFY(e.stored(3, "DTWEJSCIA").isNull());
        QVERIFY(e.stored(3, "DTWYJSCIA").isNull());
        QCOMPARE(e.stored(3, "IDENTYFIKATOR").toString(), QString("G-77"));
        QCOMPARE(stamp(e.stored(3, "DTODEBRWIADOM")), QString("05-03-2026 14:05:00.000"));
    }

    void aFullMessageWithPolishLettersIsStoredWhole()
    {
        Editor e;
        QVERIFY(e.edit(1));
        auto* message = e.control<QPlainTextEdit>("messageEdit");
        e.check("messagePassedCheck")->click();  // unlock the message
        QVERIFY(message->isEnabled());
        const QString text = QString("Zażółć gęślą jaźń. ").repeated(60).left(1024);
        message->setFocus();
        message->selectAll();
        testsupport::type(message, text);
        QVERIFY(e.check("messagePassedCheck")->isEnabled());
        e.ok();
        QVERIFY(!e.dialog->isVisible());
        QCOMPARE(e.stored(1, "WIADOMOSC").toString(), text);
        QVERIFY(e.stored(1, "DTODEBRWIADOM").isNull());
        // Emptying the message disables and unticks "Wiadomość przekazano:".
        QVERIFY(e.edit(1));
        e.check("messagePassedCheck")->setChecked(false);
        message->setPlainText(QString());
        QVERIFY(!e.check("messagePassedCheck")->isEnabled());
    }

    void anEditWithoutChangesClosesWithoutAskingANewVisitAsks()
    {
        Editor e;
        QVERIFY(e.edit(1));
        QTest::qWait(300);  // the look-ups refresh the copies, which is no change
        e.dialog->reject();
        QVERIFY(!e.dialog->isVisible());
        QCOMPARE(e.desk.answers.shown.size(), 0);

        QVERIFY(e.edit(1));
        e.control("arrivalTimeEdit")->setFocus();
        e.control("arrivalTimeEdit")->setCursorPosition(0);
        QTest::keyClicks(e.control("arrivalTimeEdit"), "1");
        e.dialog->reject();  // No: stays
        QVERIFY(e.dialog->isVisible());
        QCOMPARE(e.desk.answers.shown.last().text,
                 QString("Na pewno anulować wszystkie wprowadzone zmiany?"));
        QCOMPARE(e.desk.answers.shown.last().caption, QString("Anulowanie zmian"));
        e.desk.answers.answers.enqueue(true);
        e.dialog->reject();
        QVERIFY(!e.dialog->isVisible());
        QCOMPARE(e.visits->state(), db::DataSetState::Browse);
        QCOMPARE(e.visits->field("DTPRZYBYCIA").asDateTime(),
                 db::fromDateTime(QDateTime(QDate(2026, 3, 5), QTime(8, 0))));

        e.desk.answers.clear();
        QVERIFY(e.add(13));
        e.dialog->reject();
        QCOMPARE(e.desk.answers.shown.size(), 1);
        QVERIFY(e.dialog->isVisible());
        e.desk.answers.answers.enqueue(true);
        e.dialog->reject();
        QVERIFY(!e.dialog->isVisible());
        QCOMPARE(e.visitCount(), 3);
    }

    void cancelWithYesRollsBackAGuestAddedInTheGuestList()
    {
        Editor e;
        e.visits->locate("ID", 1, 0);
        e.visits->edit();
        e.dialog->open(Mode::Edit);
        QVERIFY(QTest::qWaitForWindowExposed(e.dialog));
        testsupport::ModalAction list(
            [](QWidget* w) {
                auto* guests = child<db::DataSet>(w, "guests");
                guests->append();
                guests->field("NAZWA").setAsString("Nowy Gość");
                guests->post();
                child<QPushButton>(w, "cancelButton")->click();
            },
            e.dialog);
        e.control<QPushButton>("guestPickButton")->click();
        QVERIFY(list.acted());
        QApplication::setActiveWindow(e.dialog);
        QVERIFY(QTest::qWaitForWindowActive(e.dialog));
        QVERIFY(e.control("guestNumberEdit")->hasFocus());
        e.desk.answers.answers.enqueue(true);
        e.dialog->reject();
        QCOMPARE(e.desk.answers.shown.size(), 1);
        QVERIFY(!e.dialog->isVisible());
        e.desk.commitWork();  // as the next window's OK would
        QCOMPARE(e.database.scalar("select count(*) from GOSCIE").toInt(), 2);
    }

    void theRegisterFollowsAVisitStoredOutsideItsRange()
    {
        Editor e;
        QVERIFY(QTest::qWaitForWindowExposed(e.visitsRegister.get()));
        // The user: guest 13 from the list that opens at once, the arrival moved to 2 February.
        bool guestChosen = false;
        bool stored = false;
        QTimer user;
        QObject::connect(&user, &QTimer::timeout, [&] {
            QWidget* modal = QApplication::activeModalWidget();
            if (!guestChosen && qobject_cast<GuestsDialog*>(modal)) {
                guestChosen = true;
                answerGuestList(modal, 13);
            } else if (guestChosen && !stored && modal == e.dialog) {
                stored = true;
                QLineEdit* date = e.control("arrivalDateEdit");
                date->setFocus();
                date->setCursorPosition(0);
                QTest::keyClicks(date, "0202");
                e.ok();
            }
        });
        user.start(20);
        QTimer watchdog;
        watchdog.setSingleShot(true);
        QObject::connect(&watchdog, &QTimer::timeout, [&] {
            while (auto* open = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
                if (open == e.visitsRegister.get())
                    break;
                e.desk.answers.answers.enqueue(true);
                open->reject();
            }
        });
        watchdog.start(5000);
        trigger(e.visitsRegister.get(), "addAction");
        QVERIFY(guestChosen && stored);
        QVERIFY(!e.dialog->isVisible());
        QCOMPARE(child<QDateEdit>(e.visitsRegister.get(), "fromDateEdit")->date(),
                 QDate(2026, 2, 2));
        QCOMPARE(child<QDateEdit>(e.visitsRegister.get(), "toDateEdit")->date(), QDate(2026, 2, 2));
        QCOMPARE(e.visits->recordCount(), 1);
        QCOMPARE(e.visits->field("ID").asInteger(), 21);
        QCOMPARE(e.stored(21, "GOSC_NAZWA").toString(), QString("Kowalski Jan"));
        QCOMPARE(stamp(e.stored(21, "DTPRZYBYCIA")), QString("02-02-2026 14:05:00.000"));
    }

    void theEmployeeIsToldOfTheGuestAsTheEditorShowsTheVisit()
    {
        Editor e;
        QVERIFY(e.edit(1));
        auto* notify = e.control<QPushButton>("notifyButton");
        QTRY_VERIFY_WITH_TIMEOUT(notify->isEnabled(), 1000);
        // An arrival and a badge typed, not stored.
        e.control("arrivalTimeEdit")->setText("09:15");
        e.retype("badgeEdit", "NOWY-7");
        e.desk.answers.clear();
        notify->click();
        QCOMPARE(e.desk.answers.shown.size(), 1);
        QCOMPARE(e.desk.answers.shown.front().kind, QString("url"));
        QCOMPARE(e.desk.answers.shown.front().text,
                 "mailto:anna.nowak@firma.pl"
                 "?subject=Go%C5%9B%C4%87%20w%20recepcji%3A%20%C5%81ukasz%20Z%C4%85bek"
                 "&body=W%20recepcji%20czeka%20go%C5%9B%C4%87%3A%20%C5%81ukasz%20Z%C4%85bek."
                 "%0D%0APrzybycie%3A%2005-03-2026%2009%3A15.%0D%0AStanowisko%20recepcji%3A%20" +
                     QUrl::toPercentEncoding(QSysInfo::machineHostName()) + ".");
        QCOMPARE(QUrl(e.desk.answers.shown.front().text).query(QUrl::FullyDecoded),
                 QString("subject=Gość w recepcji: Łukasz Ząbek&body=W recepcji czeka gość: "
                         "Łukasz Ząbek.\r\nPrzybycie: 05-03-2026 09:15.\r\nStanowisko recepcji: ") +
                     QSysInfo::machineHostName() + ".");
        QVERIFY(e.dialog->isVisible());
        QCOMPARE(e.visits->state(), db::DataSetState::Edit);
        QCOMPARE(e.stored(1, "IDENTYFIKATOR").toString(), QString("G-1"));

        // An employee without an address cannot be told; the button follows the employee.
        e.retype("employeeNumberEdit", "8");
        QTRY_VERIFY_WITH_TIMEOUT(!notify->isEnabled(), 1000);
        e.retype("employeeNumberEdit", "7");
        QTRY_VERIFY_WITH_TIMEOUT(notify->isEnabled(), 1000);
    }

    // By e-mail: asked for, or automatic for a new visit of a guest not yet let in; once.
    void theHostIsToldByMailOnceWhenTheVisitIsStored_data()
    {
        QTest::addColumn<int>("visitId");  // 0: a new visit
        QTest::addColumn<QString>("steps");
        QTest::addColumn<int>("messages");
        QTest::newRow("asked, new visit") << 0 << "ask" << 1;
        QTest::newRow("asked, cancelled") << 0 << "ask cancel" << 0;
        QTest::newRow("asked, stored visit") << 3 << "ask" << 1;
        QTest::newRow("automatic") << 0 << "automatic" << 1;
        QTest::newRow("automatic and asked") << 0 << "automatic ask" << 1;
        QTest::newRow("automatic, cancelled") << 0 << "automatic cancel" << 0;
        QTest::newRow("automatic, let in") << 0 << "automatic letIn" << 0;
        QTest::newRow("automatic, an edit") << 3 << "automatic" << 0;
        QTest::newRow("automatic, arriving next day") << 0 << "automatic ahead" << 0;
    }
    void theHostIsToldByMailOnceWhenTheVisitIsStored()
    {
        QFETCH(int, visitId);
        QFETCH(QString, steps);
        QFETCH(int, messages);
        testsupport::MailServer server;
        Editor e;
        mail::MailSettings settings = server.settings();
        settings.notifyAutomatically = steps.contains("automatic");
        desk::storeMailSettings(e.desk, settings);
        QVERIFY(visitId == 0 ? e.add(12) : e.edit(visitId));
        QTRY_VERIFY_WITH_TIMEOUT(e.control<QPushButton>("notifyButton")->isEnabled(), 1000);
        if (steps.contains("ask"))
            e.control<QPushButton>("notifyButton")->click();
        if (steps.contains("letIn"))
            e.check("entryCheck")->click();
        if (steps.contains("ahead"))
            e.retype("arrivalDateEdit", "06-03-2026");
        QCOMPARE(e.control<QLabel>("noticeLabel")->isVisible(),
                 messages > 0 || steps.contains("cancel"));
        e.desk.answers.answers.enqueue(true);  // Anuluj: "Na pewno anulować ...?"
        steps.contains("cancel") ? e.dialog->reject() : e.ok();
        QCOMPARE(
            e.database.scalar("select list(RODZAJ || ' ' || WIZYTA_ID) from POCZTA").toString(),
            messages ? QString("1 %1").arg(visitId ? visitId : 21) : QString());
        if (messages == 0)
            return;
        e.desk.setUpMail(settings);  // its courier delivers
        QTRY_COMPARE_WITH_TIMEOUT(server.messages().size(), 1, 10000);
        const QJsonObject sent = server.messages()[0];
        QCOMPARE(sent["to"][0].toString() + ": " + sent["subject"].toString() + "\n" +
                     sent["body"].toString().trimmed(),
                 QString("anna.nowak@firma.pl: Gość w recepcji: Łukasz Ząbek\nW recepcji czeka "
                         "gość: Łukasz Ząbek.\nFirma: Firma.\nPrzybycie: 05-03-2026 %1.\n"
                         "Stanowisko recepcji: %2.")
                     .arg(visitId ? "10:00" : "14:05", QSysInfo::machineHostName()));
    }

    // A visit ahead invites its guest with it; the address is kept nowhere once the mail went.
    void theGuestIsInvitedWithTheStoredVisit_data()
    {
        QTest::addColumn<int>("visitId");  // 0: a new visit
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QString>("shown");  // the message shown
        QTest::newRow("new visit") << 0 << QString() << QString();
        QTest::newRow("after a refused commit") << 0 << "refused"
                                                << "Błąd zatwierdzenia danych";
        QTest::newRow("stored visit") << 3 << "wrong"
                                      << "\"ewa.gosc@\" nie jest poprawnym adresem";
        QTest::newRow("let in since, cancelled") << 0 << "cancel" << QString();
        QTest::newRow("not upgraded") << 0 << "older"
                                      << "Zaproszenie nie może zostać wysłane";
    }
    void theGuestIsInvitedWithTheStoredVisit()
    {
        QFETCH(int, visitId);
        QFETCH(QString, steps);
        QFETCH(QString, shown);
        using testsupport::MailServer;
        MailServer server;
        Editor e(steps == "older" ? QStringList{"drop table ZAPROSZENIA"} : QStringList());
        mail::MailSettings settings = server.settings();
        settings.buildingAddress = "ul. Prosta 51\n00-838 Warszawa";
        desk::storeMailSettings(e.desk, settings);
        QStringList typed{"ewa.gosc@", " ewa.gosc@przyklad.pl"};
        e.desk.valueAnswer = [&](const desk::ValueRequest&) {
            return std::optional<QString>(typed.takeAt(steps == "wrong" ? 0 : typed.size() - 1));
        };
        QVERIFY(visitId == 0 ? e.add(12) : e.edit(visitId));
        auto* invite = e.control<QPushButton>("inviteButton");
        QVERIFY(!invite->isEnabled());  // arriving now, or earlier today
        e.retype("arrivalDateEdit", "06-03-2026");
        invite->click();
        if (steps == "cancel")  // a guest let in needs no invitation
            e.check("entryCheck")->click();
        const bool invited = steps != "cancel" && steps != "older";
        QCOMPARE(invite->isEnabled(), steps != "cancel");
        QCOMPARE(e.control<QLabel>("invitationLabel")->isVisible(), invited);
        if (steps == "refused")  // built, and refused, only at the commit
            e.database.db().execute("create unique index UX_WIZYTY_GOSC on WIZYTY (GOSC_ID)");
        e.desk.answers.answers.enqueue(true);  // Anuluj: "Na pewno anulować ...?"
        steps == "cancel" ? e.dialog->reject() : e.ok();
        QCOMPARE(e.desk.answers.messages().value(0).left(shown.size()), shown);
        const QString storedSql =
            "select list(coalesce(P.RODZAJ, 0) || ' ' || Z.WIZYTA_ID || ' ' || "
            "Z.KOD) from ZAPROSZENIA Z full join POCZTA P on P.WIZYTA_ID = "
            "Z.WIZYTA_ID";
        if (steps == "refused") {  // the rolled-back visit left neither a code nor a mail
            QCOMPARE(e.database.scalar(storedSql).toString(), QString());
            e.ok();
        }
        if (steps == "older")
            return;
        const QStringList stored = e.database.scalar(storedSql).toString().split(' ');
        QCOMPARE(stored.mid(0, 2).join(' '), invited ? QString("4 %1").arg(visitId ?: 21) : "");
        if (!invited)
            return;
        const QString code = stored.value(2);
        e.desk.setUpMail(settings);
        QTRY_COMPARE_WITH_TIMEOUT(server.messages().size(), 1, 10000);
        const QJsonObject sent = server.messages()[0];
        const QString text = sent["to"][0].toString() + ": " + sent["subject"].toString() + "\n" +
                             sent["body"].toString();
        QVERIFY2(text.contains(QString("ewa.gosc@przyklad.pl: Zaproszenie: Firma, 06-03-2026 %1\n"
                                       "Dzień dobry,\n\nzapraszamy na wizytę dnia 06-03-2026 o "
                                       "godz. %1.\nOsoba przyjmująca: Nowak Anna.\nFirma: Firma."
                                       "\nPiętro 3, pokój 312.\n\nAdres budynku:\nul. Prosta 51\n"
                                       "00-838 Warszawa\n\nKod zaproszenia: %2\nProsimy pokazać")
                                   .arg(visitId ? "10:00" : "14:05", code)),
                 qPrintable(text));
        QCOMPARE(sent["attachments"][0]["name"].toString(), "Kod zaproszenia " + code + ".png");
        QTemporaryFile png;  // the QR code as a scanner reads it
        QVERIFY(png.open() && png.write(MailServer::attachmentBytes(sent)) > 0 && png.flush());
        QProcess zbar;
        zbar.start("zbarimg", {"-q", "--raw", png.fileName()});
        QVERIFY(zbar.waitForFinished());
        QCOMPARE(QString(zbar.readAllStandardOutput()).trimmed(), code);
        QTRY_COMPARE_WITH_TIMEOUT(e.database.scalar("select count(*) from POCZTA").toInt(), 0,
                                  5000);  // the message sent is deleted
        QVERIFY(e.database
                    .scalar("select count(*) from WIZYTY W join GOSCIE G on G.ID = W.GOSC_ID "
                            "where W.GOSC_NAZWA || G.NAZWA || G.DOKUM containing 'gosc@'")
                    .toInt() == 0);
        QVERIFY(!QStringList(e.desk.settingsValues.values()).join(' ').contains("ewa.gosc"));
        QCOMPARE(e.desk.settingsValues["Poczta/AdresBudynku"], "ul. Prosta 51\\n00-838 Warszawa");
    }

    // A badge or card still out on a visit that another desk has just stored goes out again
    // only when handed over; that visit then gets its exit now.
    void aBadgeOrCardStillOutIsHandedOverOnlyWhenConfirmed_data()
    {
        QTest::addColumn<QStringList>("handedOut");  // badge, card
        QTest::addColumn<bool>("yes");
        QTest::newRow("badge, No") << QStringList{" g-2 ", "300"} << false;
        QTest::newRow("card, No") << QStringList{"G-3", "200"} << false;
        QTest::newRow("badge, Yes") << QStringList{"G-2", ""} << true;
        QTest::newRow("card, Yes") << QStringList{"", "200"} << true;
    }
    void aBadgeOrCardStillOutIsHandedOverOnlyWhenConfirmed()
    {
        QFETCH(QStringList, handedOut);
        QFETCH(bool, yes);
        Editor e;
        QVERIFY(e.add(13));
        auto other = e.database.connect();
        other->execute("update WIZYTY set IDENTYFIKATOR = 'G-2', NRKARTY = '200' where ID = 2");
        other->transaction().commit();
        e.check("entryCheck")->click();
        e.retype("badgeEdit", handedOut[0]);
        e.retype("cardEdit", handedOut[1]);
        e.desk.answers.answers.enqueue(yes);
        e.ok();
        QVERIFY(!e.desk.answers.shown.isEmpty() &&
                e.desk.answers.shown.last().text.contains("Stary Gość"));
        QCOMPARE(e.visitCount(), yes ? 4 : 3);
        QCOMPARE(stamp(e.stored(2, "DTWYJSCIA")), yes ? "05-03-2026 14:05:00.000" : QString());
    }

    // A marked guest, or a new guest with a marked guest's document (asked in the guest editor
    // too), is asked about once per OK, an entry too; No leaves the editor, nothing stored.
    void aMarkedGuestsVisitIsStoredOnlyWhenConfirmed_data()
    {
        QTest::addColumn<int>("guest");  // 0: a new one, added in the guest list
        QTest::addColumn<bool>("entry");
        QTest::addColumn<QList<bool>>("answers");
        QTest::newRow("Yes") << 13 << false << QList<bool>{true};
        QTest::newRow("No") << 13 << false << QList<bool>{false};
        QTest::newRow("entry, No") << 13 << true << QList<bool>{false};
        QTest::newRow("new, Yes") << 0 << true << QList<bool>{true, true};
        QTest::newRow("new, No") << 0 << false << QList<bool>{true, false};
        QTest::newRow("not marked") << 12 << true << QList<bool>{};
    }
    void aMarkedGuestsVisitIsStoredOnlyWhenConfirmed()
    {
        QFETCH(int, guest);
        QFETCH(bool, entry);
        QFETCH(QList<bool>, answers);
        Editor e;
        e.database.run({"insert into ZAKAZY_WSTEPU values (13, 'Groził ochronie', '2026-01-10')"});
        e.desk.answers.answers << answers;
        QVERIFY(e.add(guest));
        if (guest == 0) {
            testsupport::ModalAction list(
                [](QWidget* w) {
                    testsupport::ModalAction editor(
                        [](QWidget* d) {
                            testsupport::type(child<QLineEdit>(d, "documentEdit"), "Paszport 13");
                            child<QPushButton>(d, "okButton")->click();
                        },
                        w);
                    trigger(w, "addAction");
                    child<QPushButton>(w, "okButton")->click();
                },
                e.dialog);
            e.control<QPushButton>("guestPickButton")->click();
        }
        if (entry)
            e.check("entryCheck")->click();
        e.ok();
        const bool stored = answers.isEmpty() || answers.last();
        QCOMPARE(e.desk.answers.shown.size(), answers.size());
        for (const testsupport::Shown& asked : e.desk.answers.shown)
            QVERIFY(asked.text.contains("Powód: Groził ochronie<br>Od: 10-01-2026") &&
                    asked.detail == "Nie");
        QCOMPARE(e.visitCount(), stored ? 4 : 3);
        QCOMPARE(e.database.scalar("select count(*) from WIZYTY where DTWEJSCIA is null").toInt(),
                 stored && !entry ? 2 : 1);
    }

    // A new visit's pass, printed before it is stored, has the number it is then stored with.
    void thePassShowsTheVisitItsCodeAndNeverTheGuestsDocument_data()
    {
        QTest::addColumn<int>("visit");  // 0: a new one
        QTest::addColumn<QString>("code");
        QTest::newRow("stored visit") << 1 << "P-1";
        QTest::newRow("new visit") << 0 << "P-21";
    }
    void thePassShowsTheVisitItsCodeAndNeverTheGuestsDocument()
    {
        QFETCH(int, visit);
        QFETCH(QString, code);
        Editor e;
        QVERIFY(visit ? e.edit(visit) : e.add(12));
        QCOMPARE(e.label("guestDocumentText"), QString("dowód 12"));
        if (!visit)
            e.check("entryCheck")->click();  // a badge goes out with the entry
        e.retype("badgeEdit", "G-77");
        QTemporaryDir folder;
        const QString pdf = folder.filePath("przepustka.pdf");
        e.desk.answers.printFiles.enqueue(pdf);
        e.desk.answers.clear();
        e.control<QPushButton>("printPassButton")->click();
        QCOMPARE(e.desk.answers.shown.size(), 1);
        QCOMPARE(e.desk.answers.shown.front().kind, QString("print"));
        const QString text = testsupport::pdfText(pdf);
        for (const QString& shown : {"Łukasz Ząbek", "Firma", "Nowak Anna", "Piętro: 3",
                                     "Pokój: 312", "G-77", "05-03-2026"})
            QVERIFY2(text.contains(shown), qPrintable(shown + " in " + text));
        QVERIFY2(!text.contains("dowód"), qPrintable(text));
        const QString png = folder.filePath("przepustka.png");
        testsupport::firstPage(pdf, png, 300);
        QCOMPARE(testsupport::runTool("zbarimg", {"-q", "--raw", png}).trimmed(), code);
        QVERIFY(e.dialog->isVisible());
        QCOMPARE(e.visits->state(), visit ? db::DataSetState::Edit : db::DataSetState::Insert);
        if (!visit)
            e.ok();  // stored with the number on its pass
        QCOMPARE(e.stored(code.mid(2).toInt(), "IDENTYFIKATOR").toString(), visit ? "G-1" : "G-77");
    }

    void everyControlHasAName()
    {
        Editor e;
        QVERIFY(e.edit(1));
        QCOMPARE(testsupport::unnamedControls(*e.dialog), QStringList());
        QCOMPARE(e.dialog->windowTitle(), QString("Wizyty u pracowników :: Edycja"));
    }
};

HALVANE_TEST(VisitDialogTest);
#include "VisitDialogTest.moc"

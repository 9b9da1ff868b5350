// The guest list and its guest dialog on a fresh database: the search fed from the list,
// choosing in Mode::Pick, the keys of both modes, and what each mode commits.
#include "controls/Colours.h"
#include "controls/DataGrid.h"
#include "db/DataSet.h"
#include "support/Find.h"
#include "support/Modal.h"
#include "support/Screenshot.h"
#include "support/ServerDatabase.h"
#include "support/TestDatabase.h"
#include "support/TestDesk.h"
#include "support/Typing.h"
#include "support/testmain.h"
#include "visitors/GuestsDialog.h"

#include <QApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

using testsupport::child;
using testsupport::ModalAction;
using Mode = GuestsDialog::Mode;

namespace {

// In list order (NAZWA): 120 Abramowicz, 7 Ąbczyńska, 3 Kowalski, 12 Łukasz, 312 Żak.
const QStringList kGuests = {
    "insert into GOSCIE (ID, NAZWA, DOKUM, INFO) values (3, 'Kowalski Jan', 'dowód ABC', "
    "'Przychodzi we wtorki')",
    "insert into GOSCIE (ID, NAZWA, DOKUM) values (7, 'Ąbczyńska Róża', '4294967308')",
    "insert into GOSCIE (ID, NAZWA, DOKUM, INFO) values (12, 'Łukasz Ząbek', 'dowód 12', "
    "'Stały gość')",
    "insert into GOSCIE (ID, NAZWA, DOKUM) values (120, 'Abramowicz Ewa', 'paszport EA120')",
    "insert into GOSCIE (ID, NAZWA, DOKUM) values (312, 'Żak Ola', 'ab-312')",
    "alter sequence GEN_GOSCIE_ID restart with 312",
};

struct GuestList {
    testsupport::TestDatabase database;
    testsupport::TestDesk desk{database.db()};
    GuestsDialog window{desk};
    controls::DataGrid* grid = nullptr;
    QLineEdit* search = nullptr;

    explicit GuestList(const QStringList& rows = kGuests)
    {
        database.run(rows);
        grid = child<controls::DataGrid>(&window, "guestGrid");
        search = child<QLineEdit>(&window, "searchEdit");
    }
    ~GuestList()
    {
        if (window.isVisible())
            window.reject();
    }
    bool show(Mode mode, int guestId = 0)
    {
        window.open(mode, guestId);
        if (!QTest::qWaitForWindowExposed(&window))
            return false;
        QApplication::setActiveWindow(&window);
        return QTest::qWaitForWindowActive(&window);
    }
    db::DataSet& guests() { return *child<db::DataSet>(&window, "guests"); }
    int currentId() { return guests().isEmpty() ? 0 : guests().field("ID").asInteger(); }
    QPushButton* button(const QString& name) { return child<QPushButton>(&window, name); }
    QAction* action(const QString& name) { return child<QAction>(&window, name); }
    bool searchIsRed()
    {
        return search->palette().color(QPalette::Base) ==
               controls::windowsColor(controls::colours::NoMatch);
    }
    void key(QWidget* target, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::keyClick(target, key, modifiers);
    }
    // The guest dialog opened by `act`, answered by `inDialog`; false when it never opened.
    bool withGuestDialog(const std::function<void()>& act,
                         const std::function<void(QWidget*)>& inDialog)
    {
        ModalAction dialog(inDialog, &window);
        act();  // the dialog is modal: it has been answered when this returns
        // The offscreen platform gives the activation back to no window by itself.
        QApplication::setActiveWindow(&window);
        return QTest::qWaitForWindowActive(&window) && dialog.acted() && !dialog.timedOut();
    }
    QVariant committed(const QString& sql) { return database.scalar(sql); }
};

const QString StoredMarks =
    "select list(GOSC_ID || '|' || POWOD || '|' || DZIEN) from "
    "(select * from ZAKAZY_WSTEPU order by GOSC_ID)";

void typeIntoDialog(QWidget* dialog, const QString& editName, const QString& text)
{
    auto* edit = child<QLineEdit>(dialog, editName);
    edit->setFocus();
    edit->selectAll();
    testsupport::type(edit, text);
}

void clickOk(QWidget* dialog)
{
    child<QPushButton>(dialog, "okButton")->click();
}

}  // namespace

class GuestsDialogTest : public QObject {
    Q_OBJECT
private slots:
    void searchFindsByNumberThenNameThenDocument_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("found");  // 0: nothing found, the current guest stays
        QTest::newRow("number, not 120 or 312") << "12" << 12;
        QTest::newRow("leading zero") << "012" << 12;
        QTest::newRow("a longer number") << "120" << 120;
        QTest::newRow("name, lower case") << "ab" << 120;
        QTest::newRow("name, upper case") << "AB" << 120;
        QTest::newRow("Polish capital") << "ĄBCZ" << 7;
        QTest::newRow("Polish small") << "łuk" << 12;
        QTest::newRow("Polish first letter, other case") << "żAK" << 312;
        QTest::newRow("document when no name begins so") << "ab-" << 312;
        QTest::newRow("document in any case") << "DOWÓD a" << 3;
        QTest::newRow("beyond 32 bits is no number") << "4294967308" << 7;
        QTest::newRow("beyond 64 bits is no number") << "99999999999999999999" << 0;
        QTest::newRow("nothing begins so") << "qq" << 0;
        QTest::newRow("a plain letter is not its Polish one") << "zak" << 0;
    }
    void searchFindsByNumberThenNameThenDocument()
    {
        QFETCH(QString, typed);
        QFETCH(int, found);
        GuestList list;
        QVERIFY(list.show(Mode::Edit, 3));
        QCOMPARE(list.currentId(), 3);
        testsupport::type(list.grid, typed);  // typed in the list, as the receptionist does
        QCOMPARE(list.search->text(), typed);
        QCOMPARE(list.currentId(), found ? found : 3);
        QCOMPARE(list.searchIsRed(), found == 0);
        QCOMPARE(list.grid->currentIndex().row(), list.guests().recNo() - 1);
    }

    void typingInTheListEditsTheSearchText()
    {
        GuestList list;
        QVERIFY(list.show(Mode::Edit));
        QCOMPARE(list.currentId(), 120);  // the first by name
        list.key(list.grid, Qt::Key_Down);
        list.key(list.grid, Qt::Key_Down);
        QCOMPARE(list.currentId(), 3);
        testsupport::type(list.grid, "ab");
        QCOMPARE(list.search->text(), QString("ab"));
        QCOMPARE(list.currentId(), 120);
        list.key(list.grid, Qt::Key_Backspace);
        QCOMPARE(list.search->text(), QString("a"));
        QCOMPARE(list.currentId(), 120);

        // Characters outside 32..122 and 128..255 of Windows-1250 leave the text alone.
        testsupport::type(list.grid, "{|}~\x7f\t\x1bж");
        QCOMPARE(list.search->text(), QString("a"));
        testsupport::type(list.grid, "ą€");  // 0xB9 and 0x80 in Windows-1250
        QCOMPARE(list.search->text(), QString("aą€"));
        QVERIFY(list.searchIsRed());
        list.key(list.grid, Qt::Key_Backspace);
        list.key(list.grid, Qt::Key_Backspace);
        QCOMPARE(list.search->text(), QString("a"));
        QVERIFY(!list.searchIsRed());

        // Emptying the text neither moves the list nor changes the colour.
        list.key(list.grid, Qt::Key_Backspace);
        QCOMPARE(list.search->text(), QString());
        QCOMPARE(list.currentId(), 120);
        QVERIFY(!list.searchIsRed());
        list.search->setText("qq");
        QVERIFY(list.searchIsRed());
        list.key(list.grid, Qt::Key_Down);
        QCOMPARE(list.currentId(), 7);
        list.search->clear();
        QCOMPARE(list.currentId(), 7);
        QVERIFY(list.searchIsRed());

        // A new showing starts with an empty box in the normal colour.
        list.window.reject();
        QVERIFY(list.show(Mode::Edit));
        QCOMPARE(list.search->text(), QString());
        QVERIFY(!list.searchIsRed());
    }

    void pickReturnsTheCurrentGuest_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("Enter in the list") << "enter";
        QTest::newRow("Enter in the search box") << "search enter";
        QTest::newRow("double click") << "double click";
        QTest::newRow("OK") << "ok";
    }
    void pickReturnsTheCurrentGuest()
    {
        QFETCH(QString, how);
        GuestList list;
        QVERIFY(list.show(Mode::Pick, 12));
        QCOMPARE(list.currentId(), 12);
        QVERIFY(list.button("okButton")->isVisible());
        QCOMPARE(list.button("cancelButton")->text(), QString("Anuluj"));
        if (how == "enter") {
            list.key(list.grid, Qt::Key_Return);
        } else if (how == "search enter") {
            list.search->setFocus();
            list.key(list.search, Qt::Key_Return);
        } else if (how == "double click") {
            const QRect row = list.grid->visualRect(list.grid->currentIndex());
            QTest::mouseDClick(list.grid->viewport(), Qt::LeftButton, {}, row.center());
        } else {
            list.button("okButton")->click();
        }
        QVERIFY(!list.window.isVisible());
        QCOMPARE(list.window.result(), int(QDialog::Accepted));
        const GuestsDialog::Guest guest = list.window.chosen();
        QCOMPARE(guest.id, 12);
        QCOMPARE(guest.name, QString("Łukasz Ząbek"));
        QCOMPARE(guest.document, QString("dowód 12"));

        // Esc on the next showing leaves what was chosen as it was.
        QVERIFY(list.show(Mode::Pick, 3));
        QCOMPARE(list.currentId(), 3);
        list.key(list.grid, Qt::Key_Escape);
        QVERIFY(!list.window.isVisible());
        QCOMPARE(list.window.result(), int(QDialog::Rejected));
        QCOMPARE(list.window.chosen().id, 12);
        QCOMPARE(list.window.chosen().name, QString("Łukasz Ząbek"));
        QCOMPARE(list.window.chosen().document, QString("dowód 12"));
    }

    void enterAfterAFailedSearchDoesNotChoose()
    {
        GuestList list;
        QVERIFY(list.show(Mode::Pick, 12));
        list.search->setFocus();
        testsupport::type(list.search, "qq");
        QVERIFY(list.searchIsRed());
        list.key(list.search, Qt::Key_Return);
        QVERIFY(list.window.isVisible());
        QVERIFY(list.grid->hasFocus());
        QCOMPARE(list.window.chosen().id, 0);
        // A search that finds again makes Enter choose once more.
        list.search->setFocus();
        list.search->clear();
        testsupport::type(list.search, "kow");
        QVERIFY(!list.searchIsRed());
        list.key(list.search, Qt::Key_Return);
        QVERIFY(!list.window.isVisible());
        QCOMPARE(list.window.chosen().id, 3);
    }

    void enterEditsOnlyFromTheListInEditMode()
    {
        GuestList list;
        QVERIFY(list.show(Mode::Edit, 3));
        QVERIFY(!list.button("okButton")->isVisible());
        QCOMPARE(list.button("cancelButton")->text(), QString("Zamknij"));

        QString shownName;
        auto readAndCancel = [&](QWidget* dialog) {
            shownName = child<QLineEdit>(dialog, "nameEdit")->text();
            qobject_cast<QDialog*>(dialog)->reject();
        };
        QVERIFY(list.withGuestDialog([&] { list.key(list.grid, Qt::Key_Return); }, readAndCancel));
        QCOMPARE(shownName, QString("Kowalski Jan"));

        // Ctrl+F goes to the search box, where Enter only goes back to the list...
        list.key(list.grid, Qt::Key_F, Qt::ControlModifier);
        QVERIFY(list.search->hasFocus());
        bool editorOpened = false;
        {
            ModalAction unexpected(
                [&](QWidget* dialog) {
                    editorOpened = true;
                    qobject_cast<QDialog*>(dialog)->reject();
                },
                &list.window);
            list.key(list.search, Qt::Key_Return);
        }
        QVERIFY(!editorOpened);
        QVERIFY(list.grid->hasFocus());
        QVERIFY(list.window.isVisible());
        // ...and Ctrl+Enter edits from anywhere.
        list.key(list.grid, Qt::Key_F3);
        QVERIFY(list.search->hasFocus());
        shownName.clear();
        QVERIFY(list.withGuestDialog(
            [&] { list.key(list.search, Qt::Key_Return, Qt::ControlModifier); }, readAndCancel));
        QCOMPARE(shownName, QString("Kowalski Jan"));
    }

    void ctrlEnterEditsInsteadOfChoosingInPickMode()
    {
        GuestList list;
        QVERIFY(list.show(Mode::Pick, 7));
        QString shownName;
        QVERIFY(
            list.withGuestDialog([&] { list.key(list.grid, Qt::Key_Return, Qt::ControlModifier); },
                                 [&](QWidget* dialog) {
                                     shownName = child<QLineEdit>(dialog, "nameEdit")->text();
                                     qobject_cast<QDialog*>(dialog)->reject();
                                 }));
        QCOMPARE(shownName, QString("Ąbczyńska Róża"));
        QVERIFY(list.window.isVisible());
        QCOMPARE(list.window.chosen().id, 0);
    }

    void editModeCommitsAStoredGuestAndLeavesNoTraceOfACancelledOne()
    {
        GuestList list;
        QVERIFY(list.show(Mode::Edit));
        // Cancelled: no row, no generator value taken.
        QVERIFY(list.withGuestDialog([&] { testsupport::trigger(&list.window, "addAction"); },
                                     [&](QWidget* dialog) {
                                         typeIntoDialog(dialog, "nameEdit", "Porzucony Gość");
                                         qobject_cast<QDialog*>(dialog)->reject();
                                     }));
        QCOMPARE(list.guests().recordCount(), 5);
        QCOMPARE(list.committed("select count(*) from GOSCIE").toInt(), 5);
        QCOMPARE(list.committed("select gen_id(GEN_GOSCIE_ID, 0) from RDB$DATABASE").toInt(), 312);

        // Stored: committed at once with the next number.
        QVERIFY(list.withGuestDialog([&] { list.key(list.grid, Qt::Key_Insert); },
                                     [&](QWidget* dialog) {
                                         typeIntoDialog(dialog, "nameEdit", "Świątek Iga");
                                         typeIntoDialog(dialog, "documentEdit", "dowód ŻÓŁ1");
                                         clickOk(dialog);
                                     }));
        QCOMPARE(list.currentId(), 313);
        QCOMPARE(
            list.committed("select NAZWA || '/' || DOKUM from GOSCIE where ID = 313").toString(),
            QString("Świątek Iga/dowód ŻÓŁ1"));
        QVERIFY(list.action("editAction")->isEnabled());

        // An edit is committed too; its row stays where it was.
        QVERIFY(list.withGuestDialog([&] { list.key(list.grid, Qt::Key_Return); },
                                     [&](QWidget* dialog) {
                                         typeIntoDialog(dialog, "nameEdit", "Aaaa Iga");
                                         clickOk(dialog);
                                     }));
        QCOMPARE(list.guests().recNo(), 6);
        QCOMPARE(list.committed("select NAZWA from GOSCIE where ID = 313").toString(),
                 QString("Aaaa Iga"));
    }

    // A unique index made in the same unit of work is refused only at the commit.
    void aRefusedCommitLeavesTheListShowingWhatIsStored_data()
    {
        QTest::addColumn<QString>("change");
        QTest::newRow("edit") << "edit";
        QTest::newRow("add") << "add";
        QTest::newRow("delete") << "delete";
    }
    void aRefusedCommitLeavesTheListShowingWhatIsStored()
    {
        QFETCH(QString, change);
        GuestList list;
        list.database.run({"update GOSCIE set DOKUM = 'X' where ID in (7, 120)"});
        QVERIFY(list.show(Mode::Edit, 3));
        list.database.db().execute("create unique index UX_GOSCIE_DOKUM on GOSCIE (DOKUM)");
        if (change == "delete") {
            list.desk.answers.answers.enqueue(true);
            testsupport::trigger(&list.window, "deleteAction");
        } else {
            QVERIFY(
                list.withGuestDialog([&] { testsupport::trigger(&list.window, change + "Action"); },
                                     [&](QWidget* dialog) {
                                         typeIntoDialog(dialog, "nameEdit", "Adam Zmieniony");
                                         clickOk(dialog);
                                     }));
        }
        QVERIFY(!list.desk.answers.messages().isEmpty());
        QVERIFY(list.desk.answers.messages().last().startsWith("Błąd zatwierdzenia danych:"));
        QCOMPARE(list.guests().recordCount(), 5);
        QCOMPARE(list.currentId(), 3);
        QCOMPARE(list.guests().field("NAZWA").asString(), QString("Kowalski Jan"));
        QCOMPARE(list.committed("select NAZWA from GOSCIE where ID = 3").toString(),
                 QString("Kowalski Jan"));
    }

    void pickModeReturnsAnAddedGuestAndLeavesItUncommitted()
    {
        GuestList list;
        QVERIFY(list.show(Mode::Pick, 3));
        QVERIFY(list.withGuestDialog([&] { testsupport::trigger(&list.window, "addAction"); },
                                     [&](QWidget* dialog) {
                                         typeIntoDialog(dialog, "nameEdit", "Nowy Gość");
                                         typeIntoDialog(dialog, "documentEdit", "paszport 1");
                                         clickOk(dialog);
                                     }));
        list.button("okButton")->click();
        QCOMPARE(list.window.result(), int(QDialog::Accepted));
        QCOMPARE(list.window.chosen().id, 313);
        QCOMPARE(list.window.chosen().name, QString("Nowy Gość"));
        QCOMPARE(list.window.chosen().document, QString("paszport 1"));
        QCOMPARE(list.committed("select count(*) from GOSCIE where ID = 313").toInt(), 0);
        list.desk.commitWork();  // the visit editor's OK
        QCOMPARE(list.committed("select NAZWA from GOSCIE where ID = 313").toString(),
                 QString("Nowy Gość"));
    }

    void aGuestThatCannotBeStoredKeepsTheDialogOpen()
    {
        GuestList list;
        // Another desk holds an uncommitted change of the same guest.
        std::unique_ptr<db::Database> other = list.database.connect();
        other->execute("update GOSCIE set DOKUM = 'inne' where ID = 3");
        QVERIFY(list.show(Mode::Edit, 3));
        QString keptName;
        bool stillOpen = false;
        QVERIFY(list.withGuestDialog([&] { list.key(list.grid, Qt::Key_Return); },
                                     [&](QWidget* dialog) {
                                         typeIntoDialog(dialog, "nameEdit", "Kowalski Janusz");
                                         clickOk(dialog);
                                         stillOpen = dialog->isVisible();
                                         keptName = child<QLineEdit>(dialog, "nameEdit")->text();
                                         qobject_cast<QDialog*>(dialog)->reject();
                                     }));
        QVERIFY(stillOpen);
        QCOMPARE(keptName, QString("Kowalski Janusz"));
        QCOMPARE(list.desk.answers.messages().size(), 1);
        QCOMPARE(list.guests().field("NAZWA").asString(), QString("Kowalski Jan"));
        other.reset();  // its change is rolled back
        QCOMPARE(list.committed("select NAZWA from GOSCIE where ID = 3").toString(),
                 QString("Kowalski Jan"));
    }

    void deletingAsksWithTheGuestsName()
    {
        GuestList list({"insert into GOSCIE (ID, NAZWA) values (1, 'Nowak Ewa')",
                        "insert into GOSCIE (ID, DOKUM) values (2, 'bez nazwy')"});
        QVERIFY(list.show(Mode::Edit, 1));
        list.key(list.grid, Qt::Key_Delete);  // No
        QCOMPARE(list.desk.answers.shown.last().text, QString("Na pewno wpis: 'Nowak Ewa'?\n\n"));
        QCOMPARE(list.desk.answers.shown.last().caption, QString("Usunięcie wpisu"));
        QCOMPARE(list.guests().recordCount(), 2);

        list.window.reject();
        QVERIFY(list.show(Mode::Edit, 2));
        list.desk.answers.answers.enqueue(true);
        list.key(list.grid, Qt::Key_Delete);
        QCOMPARE(list.desk.answers.shown.last().text, QString("Na pewno wpis: ''?\n\n"));
        QCOMPARE(list.committed("select count(*) from GOSCIE where ID = 2").toInt(), 0);

        // The last guest gone, only adding is left.
        list.desk.answers.answers.enqueue(true);
        list.key(list.grid, Qt::Key_Delete);
        QCOMPARE(list.committed("select count(*) from GOSCIE").toInt(), 0);
        QVERIFY(list.action("addAction")->isEnabled());
        QVERIFY(!list.action("editAction")->isEnabled());
        QVERIFY(!list.action("deleteAction")->isEnabled());
    }

    // Nothing would reach the copies of the guest's name, document and messages in the visits.
    void deletingAGuestWithVisitsErasesTheirCopiesOrIsRefused_data()
    {
        QTest::addColumn<Mode>("mode");
        QTest::addColumn<bool>("yes");
        QTest::addColumn<QString>("left");  // the guests; each visit's name, document, message
        QTest::newRow("Yes") << Mode::Edit << true << "2 (usunięto)--,Ewa-Paczka";
        QTest::newRow("No") << Mode::Edit << false << "1,2 JanD1Klucz,Ewa-Paczka";
        QTest::newRow("picker") << Mode::Pick << true << "1,2 JanD1Klucz,Ewa-Paczka";
    }
    void deletingAGuestWithVisitsErasesTheirCopiesOrIsRefused()
    {
        QFETCH(Mode, mode);
        QFETCH(bool, yes);
        QFETCH(QString, left);
        GuestList list({"insert into GOSCIE (ID, NAZWA) values (1, 'Jan')",
                        "insert into GOSCIE (ID, NAZWA) values (2, 'Ewa')",
                        "insert into WIZYTY values (1, 1, 0, 1, 'Jan', 'D1', 1, null, null, null, "
                        "null, null, null, 'Klucz', null)",
                        "insert into WIZYTY (ID, GOSC_ID, GOSC_NAZWA, WIADOMOSC) values (2, 2, "
                        "'Ewa', 'Paczka')"});
        QVERIFY(list.show(mode, 1));
        list.desk.answers.answers.enqueue(yes);
        list.key(list.grid, Qt::Key_Delete);
        QCOMPARE(list.committed("select (select list(ID) from GOSCIE) || ' ' || list(GOSC_NAZWA "
                                "|| coalesce(GOSC_DOKUM, '-') || coalesce(WIADOMOSC, '-')) from "
                                "(select * from WIZYTY order by ID)")
                     .toString(),
                 left);
        QCOMPARE(list.desk.answers.shown.last().caption, QString("Usunięcie gościa"));
        QCOMPARE(list.desk.answers.shown.last().text.section("\n", 0, 0),
                 mode == Mode::Pick ? "Gościa: 'Jan' nie można usunąć przy wyborze gościa wizyty: "
                                      "jego wizyty (1) mają kopie jego danych osobowych."
                                    : "Na pewno usunąć gościa: 'Jan' razem z danymi osobowymi w "
                                      "jego wizytach (1)?");
    }

    // Two desks on the server. The mark is asked for (No the default) and committed at once,
    // shown in the list, and taken away the same way; one the other desk is changing, or of a
    // guest it has deleted, is refused in Polish with nothing written.
    void aMarkIsStoredOnlyWhenConfirmedAndNotOverAnotherDesk_data()
    {
        QTest::addColumn<int>("guest");
        QTest::addColumn<bool>("yes");
        QTest::addColumn<QString>("other");  // the other desk's statement
        QTest::addColumn<QString>("refusal");
        QTest::addColumn<QString>("stored");
        const QString kept = "4|Stary powód|2026-01-10";
        const QString busy = "Zakaz wstępu tego gościa zmienia w tej chwili inne stanowisko";
        QTest::newRow("Yes") << 5 << true << ""
                             << "" << kept + ",5|Groził ochronie|2026-03-05";
        QTest::newRow("No") << 5 << false << ""
                            << "" << kept;
        QTest::newRow("taken away") << 4 << true << ""
                                    << ""
                                    << "";
        QTest::newRow("other marking") << 5 << true
                                       << "insert into ZAKAZY_WSTEPU values (5, 'Inny', "
                                          "'2026-03-01')"
                                       << busy << kept;
        QTest::newRow("other taking away")
            << 4 << true << "delete from ZAKAZY_WSTEPU where GOSC_ID = 4"
            << "Te same dane zmienia w tej chwili" << kept;
        QTest::newRow("guest deleted") << 5 << true << "delete from GOSCIE where ID = 5"
                                       << "Tego gościa nie ma już w rejestrze gości" << kept;
    }
    void aMarkIsStoredOnlyWhenConfirmedAndNotOverAnotherDesk()
    {
        QFETCH(int, guest);
        QFETCH(bool, yes);
        QFETCH(QString, other);
        QFETCH(QString, refusal);
        QFETCH(QString, stored);
        REQUIRE_FIREBIRD_SERVER();
        testsupport::ServerDatabase server;
        auto own = testsupport::connectTo(server.name());
        own->execute("insert into ZAKAZY_WSTEPU values (4, 'Stary powód', '2026-01-10')");
        own->transaction().commit();
        testsupport::TestDesk desk(*own);
        GuestsDialog window(desk);
        window.open(Mode::Edit, guest);
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        auto otherDesk = testsupport::connectTo(server.name());
        if (!other.isEmpty())
            otherDesk->execute(other);
        if (other.contains("GOSCIE"))
            otherDesk->transaction().commit();
        desk.valueAnswer = [](const desk::ValueRequest& asked) {
            return asked.maxLength == 500 ? QString(" Groził ochronie ") : QString();
        };
        desk.answers.answers.enqueue(yes);
        testsupport::trigger(&window, "banAction");
        QCOMPARE(desk.answers.shown[0].text.section(' ', 0, 7),
                 guest == 4 ? "Zakaz wstępu zdejmuje się na polecenie administratora budynku."
                            : "Zakaz wstępu wpisuje się na polecenie administratora budynku.");
        QCOMPARE(desk.answers.shown[0].detail, QString("Nie"));
        QCOMPARE(desk.answers.messages().value(0).left(refusal.size()), refusal);
        auto reader = testsupport::connectTo(server.name());
        db::DataSet marks(*reader);
        marks.setSelectSql(StoredMarks);
        marks.open();
        QCOMPARE(marks.value(0, 0).toString(), stored);
        // The list shows what is stored: the column, the row's colour, the action's text.
        const bool marked = stored.contains(QString::number(guest) + "|");
        auto* grid = child<controls::DataGrid>(&window, "guestGrid");
        const QModelIndex row = grid->currentIndex();
        QCOMPARE(row.siblingAtColumn(3).data().toString(), marked ? "ZAKAZ WSTĘPU" : "");
        QCOMPARE(row.data(Qt::ForegroundRole).value<QColor>() == QColor(Qt::black), !marked);
        QCOMPARE(child<QAction>(&window, "banAction")->text(),
                 marked ? "Zdejmij zakaz wstępu" : "Zakaz wstępu...");
        QVERIFY(testsupport::saveScreenshot(window, "goscie_zakaz_wstepu.png"));
        window.reject();
    }

    void aNameOfAHundredPolishLettersIsStoredWhole()
    {
        GuestList list{QStringList()};
        QVERIFY(list.show(Mode::Edit));
        QVERIFY(!list.action("editAction")->isEnabled());
        const QString hundred = QString("Żółć Łąkę ").repeated(10);
        QCOMPARE(hundred.size(), 100);
        QString shown;
        QVERIFY(list.withGuestDialog([&] { list.key(list.grid, Qt::Key_Insert); },
                                     [&](QWidget* dialog) {
                                         typeIntoDialog(dialog, "nameEdit", hundred + "X");
                                         shown = child<QLineEdit>(dialog, "nameEdit")->text();
                                         clickOk(dialog);
                                     }));
        QCOMPARE(shown, hundred);
        QCOMPARE(list.committed("select NAZWA from GOSCIE").toString(), hundred);
    }
};

HALVANE_TEST(GuestsDialogTest);
#include "GuestsDialogTest.moc"

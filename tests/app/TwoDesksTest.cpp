// Two desks on one server, each window on a connection of its own: what one desk holds in
// a unit of work, or has stored, is never lost to the other; the desk that comes second is
// told so in Polish and shown what is stored.
#include "controls/DepartmentTree.h"
#include "db/DataSet.h"
#include "db/DateTimeText.h"
#include "directory/CompaniesDialog.h"
#include "personnel/EmployeeInfoDialog.h"
#include "personnel/PersonnelDialog.h"
#include "support/Find.h"
#include "support/Modal.h"
#include "support/ServerDatabase.h"
#include "support/TestDesk.h"
#include "support/Typing.h"
#include "support/testmain.h"
#include "visitors/GuestsDialog.h"
#include "visitors/VisitDialog.h"
#include "visitors/VisitsDialog.h"

#include <QApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

using testsupport::child;
using testsupport::trigger;

namespace {

const QString Collision = QStringLiteral("Te same dane zmienia w tej chwili inne stanowisko");

// A desk of its own: a connection to the shared database, prompts and a clock at today.
struct OtherDesk {
    explicit OtherDesk(const QString& name)
        : database(testsupport::connectTo(name)), desk(*database)
    {
        desk.fixedClock.time = QDateTime(QDate::currentDate(), QTime(12, 0));
    }
    std::unique_ptr<db::Database> database;
    testsupport::TestDesk desk;
};

QVariantList column(const QString& databaseName, const QString& sql)
{
    auto database = testsupport::connectTo(databaseName);
    db::DataSet query(*database);
    query.setSelectSql(sql);
    query.open();
    QVariantList values;
    for (int row = 0; row < query.recordCount(); ++row)
        values << query.value(row, 0);
    return values;
}

QVariantList treeShown(QWidget* editor)
{
    QVariantList ids;
    for (QStandardItem* node :
         child<controls::DepartmentTree>(editor, "departmentTree")->nodesInOrder())
        ids << controls::DepartmentTree::nodeId(node);
    return ids;
}

void retype(QWidget* window, const QString& box, const QString& text)
{
    auto* edit = child<QLineEdit>(window, box);
    edit->setFocus();
    edit->selectAll();
    testsupport::type(edit, text);
}

// The visits register of a desk, with its editor on one of today's visits.
struct VisitEditing {
    OtherDesk& desk;
    VisitsDialog visitsRegister{desk.desk};
    VisitDialog* editor = child<VisitDialog>(&visitsRegister, "visitDialog");
    db::DataSet* visits = child<db::DataSet>(&visitsRegister, "visits");

    VisitEditing(OtherDesk& on, int visitId) : desk(on)
    {
        visitsRegister.open({1, 4, 11});
        QVERIFY(visits->locate("ID", visitId, 0));
        visits->edit();
        editor->open(VisitDialog::Mode::Edit);
        QVERIFY(QTest::qWaitForWindowExposed(editor));
        QApplication::setActiveWindow(editor);
    }
    ~VisitEditing()
    {
        if (editor->isVisible()) {
            desk.desk.answers.answers.enqueue(true);
            editor->reject();
        }
        visitsRegister.reject();
    }
    void store(const QString& box, const QString& text)
    {
        QApplication::setActiveWindow(editor);
        retype(editor, box, text);
        child<QPushButton>(editor, "okButton")->click();
    }
};

}  // namespace

class TwoDesksTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { REQUIRE_FIREBIRD_SERVER(); }

    // Both companies editors move a department of one company: the second meets the first's
    // unit of work, then the first's stored tree, and each time its tree is read again;
    // what it stores at last holds both moves.
    void twoCompaniesEditorsRenumberingOneTreeKeepBothMoves()
    {
        testsupport::ServerDatabase server;
        OtherDesk a(server.name()), b(server.name());
        CompaniesDialog first(a.desk), second(b.desk);
        for (auto* editor : {&first, &second}) {
            editor->open(CompaniesDialog::Mode::Edit, 2, 6);
            QVERIFY(QTest::qWaitForWindowExposed(editor));
        }
        const QString tree = "select ID from DZIALY where FIRMA_ID = 2 order by KOLEJ";
        const QVariantList stored = column(server.name(), tree);

        trigger(&first, "moveDepartmentDownAction");
        trigger(&second, "moveDepartmentDownAction");
        QCOMPARE(b.desk.answers.messages().size(), 1);
        QVERIFY2(b.desk.answers.messages()[0].startsWith(Collision),
                 qPrintable(b.desk.answers.messages()[0]));
        QCOMPARE(treeShown(&second), stored);
        QCOMPARE(column(server.name(), tree), stored);  // nothing of either is stored yet

        child<QPushButton>(&first, "okButton")->click();
        const QVariantList firstMove = column(server.name(), tree);
        QCOMPARE(firstMove, QVariantList({10, 11, 6, 7, 8, 9, 12}));
        trigger(&second, "moveDepartmentDownAction");  // from the tree it read before
        QCOMPARE(b.desk.answers.messages().size(), 2);
        QCOMPARE(b.desk.answers.messages()[1], db::DataSet::changedElsewhereMessage());
        QCOMPARE(treeShown(&second), firstMove);

        trigger(&second, "moveDepartmentDownAction");
        child<QPushButton>(&second, "okButton")->click();
        QCOMPARE(b.desk.answers.messages().size(), 2);
        QCOMPARE(column(server.name(), tree), QVariantList({10, 11, 12, 6, 7, 8, 9}));
        QCOMPARE(treeShown(&second), column(server.name(), tree));
        QVERIFY(a.desk.answers.messages().isEmpty());
    }

    // One desk stores a visit while the other has it open in the editor: the other's OK is
    // refused, nothing stored is overwritten, and after Anuluj its next edit starts from what
    // is stored and keeps both changes.
    void aVisitStoredAtOneDeskIsNotOverwrittenByTheOther()
    {
        testsupport::ServerDatabase server;
        OtherDesk a(server.name()), b(server.name());
        {
            VisitEditing late(a, 2);
            {
                VisitEditing early(b, 2);
                early.store("badgeEdit", "B-1");
                QVERIFY(!early.editor->isVisible());
            }
            late.store("cardEdit", "A-2");
            QVERIFY(late.editor->isVisible());
            QCOMPARE(a.desk.answers.messages(),
                     QStringList{db::DataSet::changedElsewhereMessage()});
        }
        QCOMPARE(column(server.name(), "select IDENTYFIKATOR from WIZYTY where ID = 2"),
                 QVariantList{"B-1"});
        VisitEditing again(a, 2);
        QCOMPARE(child<QLineEdit>(again.editor, "badgeEdit")->text(), QString("B-1"));
        again.store("cardEdit", "A-2");
        QVERIFY(!again.editor->isVisible());
        QCOMPARE(column(server.name(),
                        "select IDENTYFIKATOR || '/' || NRKARTY from WIZYTY "
                        "where ID = 2"),
                 QVariantList{"B-1/A-2"});
    }

    // Both personnel lists edit one employee: the second's OK meets the first's unstored
    // change; once that is committed, the second's edit shows it and stores beside it.
    void twoPersonnelListsSavingOneEmployeeKeepBothChanges()
    {
        testsupport::ServerDatabase server;
        OtherDesk a(server.name()), b(server.name());
        const PersonnelDialog::Request request{2, "Firma", 6, "Dział IT", 20};
        PersonnelDialog first(a.desk), second(b.desk);
        first.open(request);
        second.open(request);
        auto editEmployee = [](PersonnelDialog& list, const QString& box, const QString& text,
                               bool keepOpen) {
            testsupport::ModalAction edit(
                [&](QWidget* dialog) {
                    retype(dialog, box, text);
                    child<QPushButton>(dialog, "okButton")->click();
                    if (keepOpen && dialog->isVisible())
                        qobject_cast<QDialog*>(dialog)->done(QDialog::Rejected);
                },
                &list);
            trigger(&list, "editAction");
            return edit.acted();
        };
        QVERIFY(editEmployee(first, "roomEdit", "301", false));
        QVERIFY(editEmployee(second, "surnameEdit", "Nowa", true));
        QCOMPARE(b.desk.answers.messages().size(), 1);
        QVERIFY2(b.desk.answers.messages()[0].startsWith(Collision),
                 qPrintable(b.desk.answers.messages()[0]));
        child<QPushButton>(&first, "okButton")->click();

        testsupport::ModalAction check(
            [&](QWidget* dialog) {
                QCOMPARE(child<QLineEdit>(dialog, "roomEdit")->text(), QString("301"));
                retype(dialog, "surnameEdit", "Nowa");
                child<QPushButton>(dialog, "okButton")->click();
            },
            &second);
        trigger(&second, "editAction");
        QVERIFY(check.acted());
        child<QPushButton>(&second, "okButton")->click();
        QCOMPARE(
            column(server.name(), "select NAZWISKO || '/' || POKOJ from PERSONEL where ID = 20"),
            QVariantList{"Nowa/301"});
        QCOMPARE(b.desk.answers.messages().size(), 1);
    }

    // Both desks add to one employee's notes: the second OK is refused in Polish and the
    // first desk's notes stay as stored.
    void notesStoredAtOneDeskAreNotOverwrittenByTheOther()
    {
        testsupport::ServerDatabase server;
        OtherDesk a(server.name()), b(server.name());
        EmployeeInfoDialog first(a.desk), second(b.desk);
        for (EmployeeInfoDialog* window : {&first, &second}) {
            window->open(20);
            testsupport::type(child<QPlainTextEdit>(window, "notesEdit"),
                              window == &first ? " A" : " B");
        }
        child<QPushButton>(&first, "okButton")->click();
        child<QPushButton>(&second, "okButton")->click();
        QVERIFY(second.isVisible());
        QCOMPARE(b.desk.answers.messages(), QStringList{db::DataSet::changedElsewhereMessage()});
        QCOMPARE(column(server.name(), "select INFO from PERSONEL where ID = 20"),
                 QVariantList{"Klucz do archiwum w sekretariacie. A"});
    }

    // One desk adds an employee to an empty department while the other deletes it: the desk
    // that comes second is refused in Polish, whichever it is, also after the first commits.
    void anEmployeeAndTheDeleteOfTheirDepartmentAreNeverBothStored_data()
    {
        QTest::addColumn<bool>("deleteFirst");
        QTest::newRow("the delete first") << true;
        QTest::newRow("the employee first") << false;
    }
    void anEmployeeAndTheDeleteOfTheirDepartmentAreNeverBothStored()
    {
        QFETCH(bool, deleteFirst);
        testsupport::ServerDatabase server;
        auto setup = testsupport::connectTo(server.name());
        setup->execute("insert into DZIALY (ID, FIRMA_ID, POPID, KOLEJ) values (99, 2, 0, 99)");
        setup->transaction().commitRetaining();
        OtherDesk a(server.name()), b(server.name());
        CompaniesDialog editor(a.desk);
        editor.open(CompaniesDialog::Mode::Edit, 2, 99);
        PersonnelDialog list(b.desk);
        list.open({2, "Firma", 99, "Pusty", 0});
        const auto step = [&](bool deleting) {
            if (deleting) {
                a.desk.answers.answers.enqueue(true);
                return trigger(&editor, "deleteDepartmentAction");
            }
            testsupport::ModalAction add(
                [&](QWidget* dialog) {
                    retype(dialog, "surnameEdit", "Nowak");
                    child<QPushButton>(dialog, "okButton")->click();
                    if (dialog->isVisible())  // refused
                        qobject_cast<QDialog*>(dialog)->done(QDialog::Rejected);
                },
                &list);
            trigger(&list, "addAction");
        };
        OtherDesk& loser = deleteFirst ? b : a;
        step(deleteFirst);
        step(!deleteFirst);
        QCOMPARE(loser.desk.answers.messages().size(), 1);
        QVERIFY2(loser.desk.answers.messages()[0].startsWith(Collision),
                 qPrintable(loser.desk.answers.messages()[0]));
        child<QPushButton>(deleteFirst ? static_cast<QWidget*>(&editor) : &list, "okButton")
            ->click();
        step(!deleteFirst);
        QCOMPARE(loser.desk.answers.messages().size(), 2);
        QCOMPARE(column(server.name(),
                        "select (select count(*) from DZIALY where ID = 99) || "
                        "(select count(*) from PERSONEL where DZIAL_ID = 99) "
                        "from RDB$DATABASE"),
                 QVariantList{deleteFirst ? "00" : "11"});
    }

    // A guest chosen for a new visit at one desk and deleted from the registry at the other:
    // the visit editor's OK looks the guest up again and asks for a guest, storing nothing.
    void aGuestDeletedWhileChosenForAVisitIsAskedForAgain()
    {
        testsupport::ServerDatabase server;
        OtherDesk a(server.name()), b(server.name());
        VisitsDialog visitsRegister(b.desk);
        auto* editor = child<VisitDialog>(&visitsRegister, "visitDialog");
        auto* visits = child<db::DataSet>(&visitsRegister, "visits");
        visitsRegister.open({1, 4, 11});
        visits->append();
        visits->field("FIRMA_ID").setAsInteger(1);
        visits->field("DZIAL_ID").setAsInteger(4);
        visits->field("PERSON_ID").setAsInteger(11);
        visits->field("DTPRZYBYCIA").setAsDateTime(db::fromDateTime(b.desk.fixedClock.time));
        testsupport::ModalAction pick(
            [](QWidget* list) {
                QVERIFY(child<db::DataSet>(list, "guests")->locate("ID", 2, 0));
                child<QPushButton>(list, "okButton")->click();
            },
            editor);
        editor->open(VisitDialog::Mode::Add);
        QTRY_VERIFY(pick.acted());

        GuestsDialog registry(a.desk);
        registry.open(GuestsDialog::Mode::Edit, 2);
        a.desk.answers.answers.enqueue(true);
        trigger(&registry, "deleteAction");
        QCOMPARE(column(server.name(), "select count(*) from GOSCIE where ID = 2"),
                 QVariantList{0});

        const QVariantList visitCount = column(server.name(), "select count(*) from WIZYTY");
        QApplication::setActiveWindow(editor);
        child<QPushButton>(editor, "okButton")->click();
        QVERIFY(editor->isVisible());
        QCOMPARE(b.desk.answers.messages(), QStringList{"Nie wybrano gościa."});
        QCOMPARE(QApplication::focusWidget(), child<QWidget>(editor, "guestNumberEdit"));
        QCOMPARE(column(server.name(), "select count(*) from WIZYTY"), visitCount);
        QVERIFY(a.desk.answers.messages().isEmpty());
        registry.reject();
        visitsRegister.reject();
    }
};

HALVANE_TEST(TwoDesksTest);
#include "TwoDesksTest.moc"

// The bound boxes and lists over a real database: when typed text reaches the field, how
// a refused value is reported, and that typing never moves a list's selection.
#include "controls/BoundLineEdit.h"
#include "controls/BoundTextEdit.h"
#include "controls/DataGrid.h"
#include "controls/DepartmentTree.h"
#include "db/DataSet.h"
#include "db/Database.h"
#include "support/AnsweringPrompts.h"
#include "support/TestDatabase.h"
#include "support/testmain.h"

#include <QTest>
#include <QVBoxLayout>

using testsupport::TestDatabase;

namespace {

// A window with a number box and a text box over the visits (GOSC_ID is an INTEGER) and
// a button to move the focus to.
struct VisitForm {
    TestDatabase database;
    db::DataSet visits{database.db()};
    testsupport::AnsweringPrompts prompts;
    QWidget window;
    controls::BoundLineEdit* number = nullptr;
    controls::BoundTextEdit* notes = nullptr;
    QLineEdit* elsewhere = nullptr;

    VisitForm()
    {
        database.run({"insert into GOSCIE (ID, NAZWA) values (12, 'Gość')",
                      "insert into WIZYTY (ID, GOSC_ID) values (1, 12)"});
        visits.setSelectSql("select * from WIZYTY order by ID");
        visits.setModifySql("update WIZYTY set GOSC_ID = :GOSC_ID, WIADOMOSC = :WIADOMOSC "
                            "where ID = :OLD_ID");
        visits.open();
        number = new controls::BoundLineEdit(visits, "GOSC_ID");
        notes = new controls::BoundTextEdit(visits, "WIADOMOSC");
        elsewhere = new QLineEdit;
        number->setPrompts(&prompts);
        notes->setPrompts(&prompts);
        auto* layout = new QVBoxLayout(&window);
        layout->addWidget(number);
        layout->addWidget(notes);
        layout->addWidget(elsewhere);
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        number->showField();
        notes->showField();
    }
};

}  // namespace

class BoundControlsTest : public QObject {
    Q_OBJECT
private slots:
    void typedTextReachesTheFieldWhenTheEditingEnds_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("leaveByEnter");
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<int>("messages");
        QTest::newRow("leading zeros kept while typing") << "0012" << false << QVariant(12) << 0;
        QTest::newRow("Enter ends the editing") << "0012" << true << QVariant(12) << 0;
        QTest::newRow("not a number: one message") << "12a" << false << QVariant(12) << 1;
    }
    void typedTextReachesTheFieldWhenTheEditingEnds()
    {
        QFETCH(QString, typed);
        QFETCH(bool, leaveByEnter);
        QFETCH(QVariant, stored);
        QFETCH(int, messages);
        VisitForm form;
        form.visits.edit();
        form.number->setFocus();
        form.number->selectAll();
        QTest::keyClicks(form.number, typed);
        // Nothing reaches the field while typing: the box shows exactly what was typed.
        QCOMPARE(form.number->text(), typed);
        QCOMPARE(form.visits.field("GOSC_ID").value().toInt(), 12);
        QVERIFY(form.prompts.shown.isEmpty());
        if (leaveByEnter)
            QTest::keyClick(form.number, Qt::Key_Return);
        else
            form.elsewhere->setFocus();
        QCOMPARE(form.prompts.messages().size(), messages);
        QCOMPARE(form.visits.field("GOSC_ID").value().toInt(), stored.toInt());
        if (messages) {
            QCOMPARE(form.number->text(), typed);  // what the user typed stays in the box
            QCOMPARE(form.prompts.beeps, 1);
            QVERIFY(form.number->hasFocus());
            QVERIFY(!form.number->writePending());  // the window's post is refused too
        } else {
            QCOMPARE(form.number->text(), stored.toString());  // the box shows what was stored
        }
    }

    void textBoxWritesWhenLeftAndOnlyWhileTheRowIsEdited()
    {
        VisitForm form;
        form.notes->setFocus();
        QTest::keyClicks(form.notes, "bez edycji");
        form.elsewhere->setFocus();
        QVERIFY(form.visits.field("WIADOMOSC").isNull());  // the row was not being edited

        form.visits.edit();
        form.notes->setFocus();
        form.notes->selectAll();
        QTest::keyClicks(form.notes, "Prosi o telefon");
        QVERIFY(form.visits.field("WIADOMOSC").isNull());
        form.elsewhere->setFocus();
        QCOMPARE(form.visits.field("WIADOMOSC").asString(), QString("Prosi o telefon"));
        form.visits.post();
        form.database.db().transaction().commitRetaining();
        QCOMPARE(form.database.scalar("select WIADOMOSC from WIZYTY where ID = 1").toString(),
                 QString("Prosi o telefon"));
    }

    void typingInAListNeverMovesItsSelection()
    {
        TestDatabase database;
        database.run({"insert into FIRMY (ID, NAZWA) values (1, 'Alfa')",
                      "insert into FIRMY (ID, NAZWA) values (2, 'Beta')",
                      "insert into DZIALY (ID, FIRMA_ID, POPID, KOLEJ, NAZWA) values (1, 1, 0, 0, 'Alfa dział')",
                      "insert into DZIALY (ID, FIRMA_ID, POPID, KOLEJ, NAZWA) values (2, 1, 0, 1, 'Beta dział')"});
        testsupport::AnsweringPrompts prompts;
        db::DataSet companies(database.db());
        companies.setSelectSql("select * from FIRMY order by ID");
        companies.open();
        controls::DataGrid grid(companies, prompts);
        grid.setColumns({{"NAZWA", "Nazwa", 200}});
        controls::DepartmentTree tree;
        tree.loadDepartments(database.db(), 1);
        for (QAbstractItemView* view : std::initializer_list<QAbstractItemView*>{&grid, &tree}) {
            view->show();
            QVERIFY(QTest::qWaitForWindowExposed(view));
            view->setFocus();
            QTest::keyClicks(view, "B2");
        }
        QCOMPARE(companies.recNo(), 1);
        QCOMPARE(controls::DepartmentTree::nodeId(tree.selectedNode()), 1);
    }

    void aDepartmentUnderItselfOrInARingIsReadOnceOrLeftOut()
    {
        TestDatabase database;
        database.run({"insert into FIRMY (ID, NAZWA) values (1, 'Alfa')",
                      "insert into DZIALY (ID, FIRMA_ID, POPID, KOLEJ, NAZWA) values (0, 1, 0, 0, 'Zero')",
                      "insert into DZIALY (ID, FIRMA_ID, POPID, KOLEJ, NAZWA) values (1, 1, 0, 1, 'Góra')",
                      "insert into DZIALY (ID, FIRMA_ID, POPID, KOLEJ, NAZWA) values (2, 1, 1, 2, 'Pod')",
                      "insert into DZIALY (ID, FIRMA_ID, POPID, KOLEJ, NAZWA) values (3, 1, 4, 3, 'Pierścień A')",
                      "insert into DZIALY (ID, FIRMA_ID, POPID, KOLEJ, NAZWA) values (4, 1, 3, 4, 'Pierścień B')",
                      "insert into DZIALY (ID, FIRMA_ID, POPID, KOLEJ, NAZWA) values (5, 1, 5, 5, 'Sam pod sobą')"});
        controls::DepartmentTree tree;
        tree.loadDepartments(database.db(), 1);
        QStringList outline;
        for (QStandardItem* node : tree.nodesInOrder())
            outline << QString(node->parent() ? "  " : "") + node->text();
        QCOMPARE(outline, QStringList({"Zero", "Góra", "  Pod"}));
    }
};

HALVANE_TEST(BoundControlsTest);
#include "BoundControlsTest.moc"

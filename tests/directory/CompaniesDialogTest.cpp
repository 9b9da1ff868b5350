// The companies editor on a fresh database: the tree rules after adds, moves and drops,
// deletes, both modes, cancelling, and a second desk getting in the way.
#include "controls/DataGrid.h"
#include "controls/DepartmentTree.h"
#include "db/DataSet.h"
#include "directory/CompaniesDialog.h"
#include "support/AccessibleNames.h"
#include "support/Find.h"
#include "support/Modal.h"
#include "support/TestDatabase.h"
#include "support/TestDesk.h"
#include "support/Typing.h"
#include "support/testmain.h"

#include <QAccessible>
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

using testsupport::child;
using testsupport::ModalAction;
using Mode = CompaniesDialog::Mode;
using Zone = controls::DepartmentTree::Zone;

namespace {

const QStringList kCompanies = {
    "insert into FIRMY (ID, NAZWA) values (1, 'Alfa')",
    "insert into FIRMY (ID, NAZWA) values (2, 'Beta bez działów')",
    "insert into DZIALY (ID, FIRMA_ID, POPID, KOLEJ, NAZWA) values (1, 1, 0, 0, 'A')",
    "insert into DZIALY (ID, FIRMA_ID, POPID, KOLEJ, NAZWA) values (2, 1, 1, 1, 'A1')",
    "insert into DZIALY (ID, FIRMA_ID, POPID, KOLEJ, NAZWA) values (3, 1, 1, 2, 'A2')",
    "insert into DZIALY (ID, FIRMA_ID, POPID, KOLEJ, NAZWA) values (4, 1, 3, 3, 'A2a')",
    "insert into DZIALY (ID, FIRMA_ID, POPID, KOLEJ, NAZWA) values (5, 1, 0, 4, 'B')",
    "insert into DZIALY (ID, FIRMA_ID, POPID, KOLEJ, NAZWA) values (6, 1, 0, 5, 'C')",
    "insert into PERSONEL (ID, FIRMA_ID, DZIAL_ID, NAZWISKO) values (1, 1, 5, 'Pracuje w B')",
    "alter sequence GEN_FIRMY_ID restart with 2",
    "alter sequence GEN_DZIALY_ID restart with 6",
    "alter sequence GEN_PERSONEL_ID restart with 1",
};

const QStringList kEveryAction = {
    "addCompanyAction",     "deleteCompanyAction",    "editCompanyAction",
    "addDepartmentAction",  "addSubDepartmentAction", "deleteDepartmentAction",
    "editDepartmentAction", "moveDepartmentUpAction", "moveDepartmentDownAction"};

// The tree as text: one line a node, two blanks of indent a level.
QStringList outline(const controls::DepartmentTree& tree)
{
    QStringList lines;
    for (QStandardItem* node : tree.nodesInOrder()) {
        QString indent;
        for (QStandardItem* p = node->parent(); p; p = p->parent())
            indent += "  ";
        lines << indent + node->text();
    }
    return lines;
}

QStandardItem* node(const controls::DepartmentTree& tree, const QString& text)
{
    for (QStandardItem* n : tree.nodesInOrder())
        if (n->text() == text)
            return n;
    return nullptr;
}

// A desk whose drag pointers stay the same objects, so a test can tell which one is shown;
// the input box answers from a queue and remembers what it was asked.
class DirectoryDesk : public testsupport::TestDesk {
public:
    explicit DirectoryDesk(db::Database& database) : TestDesk(database)
    {
        valueAnswer = [this](const desk::ValueRequest& request) {
            asked << request;
            if (whileAsking)
                whileAsking();
            return names.isEmpty() ? std::optional<QString>() : names.dequeue();
        };
    }
    QCursor treeCursor(controls::TreeCursor kind) const override { return cursors[int(kind)]; }

    QQueue<std::optional<QString>> names;
    QList<desk::ValueRequest> asked;
    std::function<void()> whileAsking;
    QCursor cursors[3] = {controls::treeCursor(controls::TreeCursor::InsertBefore),
                          controls::treeCursor(controls::TreeCursor::NewChild),
                          controls::treeCursor(controls::TreeCursor::AppendAtEnd)};
};

struct Editor {
    testsupport::TestDatabase database;
    DirectoryDesk desk{database.db()};
    CompaniesDialog window{desk};
    controls::DepartmentTree* tree = nullptr;
    controls::DataGrid* grid = nullptr;

    explicit Editor(const QStringList& rows = kCompanies, Mode mode = Mode::Edit, int company = 1,
                    int department = 0)
    {
        database.run(rows);
        tree = child<controls::DepartmentTree>(&window, "departmentTree");
        grid = child<controls::DataGrid>(&window, "companyGrid");
        window.resize(600, 900);
        window.open(mode, company, department);
        if (!QTest::qWaitForWindowExposed(&window))
            qWarning("the companies editor was not shown");
    }
    ~Editor()
    {
        if (window.isVisible()) {
            desk.answers.answers.clear();
            desk.answers.answers.enqueue(true);
            button("cancelButton")->click();
        }
    }

    QAction* action(const QString& name) { return child<QAction>(&window, name); }
    void trigger(const QString& name) { testsupport::trigger(&window, name); }
    QPushButton* button(const QString& name) { return child<QPushButton>(&window, name); }
    QString selectedText() { return tree->selectedNode() ? tree->selectedNode()->text() : "-"; }
    QString currentCompany() { return grid->currentIndex().data().toString(); }

    // A value as the editor's own (uncommitted) transaction sees it.
    QVariant seen(const QString& sql)
    {
        db::DataSet query(database.db());
        query.setSelectSql(sql);
        query.open();
        return query.isEmpty() ? QVariant() : query.value(0, 0);
    }

    // POPID and KOLEJ as the editor's own transaction sees them, for every department.
    QString invariantBroken(int company = 1)
    {
        db::DataSet rows(database.db());
        rows.setSelectSql("select ID, POPID, KOLEJ from DZIALY where FIRMA_ID = :FIRMA_ID");
        rows.setParam("FIRMA_ID", company);
        rows.open();
        const std::vector<QStandardItem*> nodes = tree->nodesInOrder();
        if (rows.recordCount() != int(nodes.size()))
            return QString("%1 rows, %2 nodes").arg(rows.recordCount()).arg(nodes.size());
        for (size_t i = 0; i < nodes.size(); ++i) {
            const int id = controls::DepartmentTree::nodeId(nodes[i]);
            if (!rows.locate("ID", id, 0))
                return QString("no row %1").arg(id);
            const int parent = controls::DepartmentTree::nodeId(nodes[i]->parent());
            if (rows.field("POPID").asInteger() != parent ||
                rows.field("KOLEJ").asInteger() != int(i))
                return QString("row %1: POPID %2 KOLEJ %3, node parent %4 position %5")
                    .arg(id)
                    .arg(rows.field("POPID").asInteger())
                    .arg(rows.field("KOLEJ").asInteger())
                    .arg(parent)
                    .arg(i);
        }
        return {};
    }

    // The tree the main window's loader builds from the database now.
    QStringList reloadedOutline(int company = 1)
    {
        controls::DepartmentTree fresh;
        fresh.loadDepartments(database.db(), company);
        return outline(fresh);
    }

    QPoint pointIn(const QString& text, Zone zone)
    {
        if (zone == Zone::BelowLast) {
            QRect last;
            for (QStandardItem* n : tree->nodesInOrder())
                last = last.united(tree->visualRect(n->index()));
            return QPoint(20, last.bottom() + 10);
        }
        QStandardItem* n = node(*tree, text);
        if (!n)
            return {};
        tree->scrollTo(n->index());
        const QRect r = tree->visualRect(n->index());
        // Walk across the row and take the first point the tree puts in the zone.
        for (int x = r.left(); x < r.right(); ++x) {
            const QPoint p(x, r.center().y());
            QStandardItem* hit = nullptr;
            if (tree->zoneAt(p, &hit) == zone && hit == n)
                return p;
        }
        return {};
    }

    // Clicks a department in the tree.
    void select(const QString& text)
    {
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, pointIn(text, Zone::Label));
    }

    void mouse(QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons buttons)
    {
        QMouseEvent event(type, at, tree->viewport()->mapToGlobal(at), button, buttons,
                          Qt::NoModifier);
        QApplication::sendEvent(tree->viewport(), &event);
    }
    // Presses on a department's label and moves the mouse far enough to drag it.
    void startDrag(const QString& dragged)
    {
        const QPoint from = pointIn(dragged, Zone::Label);
        mouse(QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
        mouse(QEvent::MouseMove, from + QPoint(30, 0), Qt::NoButton, Qt::LeftButton);
    }
    void moveTo(QPoint at) { mouse(QEvent::MouseMove, at, Qt::NoButton, Qt::LeftButton); }
    void release(QPoint at) { mouse(QEvent::MouseButtonRelease, at, Qt::LeftButton, Qt::NoButton); }
    void drag(const QString& dragged, QPoint to)
    {
        startDrag(dragged);
        moveTo(to);
        release(to);
    }
    void drag(const QString& dragged, const QString& target, Zone zone)
    {
        drag(dragged, pointIn(target, zone));
    }
    qint64 pointerShown() { return tree->viewport()->cursor().pixmap().cacheKey(); }
    qint64 pointer(controls::TreeCursor kind)
    {
        return desk.cursors[int(kind)].pixmap().cacheKey();
    }
};

// Answers the department dialog: types a name after the one shown and a location.
std::unique_ptr<ModalAction> answerDepartment(Editor& e, const QString& name, bool ok = true)
{
    return std::make_unique<ModalAction>(
        [name, ok](QWidget* w) {
            if (w->objectName() != "DepartmentDialog") {
                qobject_cast<QDialog*>(w)->reject();
                return;
            }
            auto* nameEdit = child<QLineEdit>(w, "nameEdit");
            QTest::keyClick(nameEdit, Qt::Key_End);  // the name shown is selected: type after it
            testsupport::type(nameEdit, name);
            testsupport::type(child<QLineEdit>(w, "locationEdit"), "piętro 1");
            if (ok)
                child<QPushButton>(w, "okButton")->click();
            if (w->isVisible())  // cancelled, or the row was refused
                child<QPushButton>(w, "cancelButton")->click();
        },
        &e.window);
}

}  // namespace

class CompaniesDialogTest : public QObject {
    Q_OBJECT
private slots:
    void showsTheCompanyAndDepartmentAskedFor()
    {
        Editor e(kCompanies, Mode::Edit, 1, 4);
        QCOMPARE(outline(*e.tree), QStringList({"A", "  A1", "  A2", "    A2a", "B", "C"}));
        QCOMPARE(e.selectedText(), QString("A2a"));
        QVERIFY(child<QToolBar>(&e.window, "companyToolBar")->isVisibleTo(&e.window));
        QVERIFY(child<QToolBar>(&e.window, "departmentToolBar")->isVisibleTo(&e.window));
        QVERIFY(!e.button("okButton")->isDefault());
        QVERIFY(e.tree->dragEnabled());
        QCOMPARE(e.tree->nodesInOrder()[0]->icon().cacheKey(),
                 controls::icon(controls::Picture::Department, 16).cacheKey());
        // Nothing changed yet: Esc closes without asking.
        QTest::keyClick(e.tree, Qt::Key_Escape);
        QVERIFY(!e.window.isVisible());
        QVERIFY(e.desk.answers.shown.isEmpty());
    }

    void unknownCompanyAndDepartmentLeaveTheFirst()
    {
        Editor e(kCompanies, Mode::Edit, 77, 99);
        QCOMPARE(e.currentCompany(), QString("Alfa"));
        QCOMPARE(e.selectedText(), QString("A"));
    }

    void theModeOfOneShowingDoesNotCarryToTheNext()
    {
        Editor e(kCompanies, Mode::Pick, 1, 0);
        QVERIFY(!child<QToolBar>(&e.window, "companyToolBar")->isVisibleTo(&e.window));
        e.button("okButton")->click();
        e.window.open(Mode::Edit, 1, 0);
        QVERIFY(QTest::qWaitForWindowExposed(&e.window));
        QVERIFY(child<QToolBar>(&e.window, "companyToolBar")->isVisibleTo(&e.window));
        QVERIFY(child<QToolBar>(&e.window, "departmentToolBar")->isVisibleTo(&e.window));
        QVERIFY(!e.button("okButton")->isDefault());
        QVERIFY(e.tree->dragEnabled());
        QVERIFY(e.action("addCompanyAction")->isEnabled());
        QVERIFY(e.action("addDepartmentAction")->isEnabled());
    }

    void actionsFollowTheSelection_data()
    {
        QTest::addColumn<QString>("selected");
        QTest::addColumn<bool>("up");
        QTest::addColumn<bool>("down");
        QTest::addColumn<bool>("remove");
        QTest::newRow("with sub-departments") << "A" << false << true << false;
        QTest::newRow("first of its siblings") << "A1" << false << true << true;
        QTest::newRow("last of its siblings") << "A2" << true << false << false;
        QTest::newRow("last at the top") << "C" << true << false << true;
    }
    void actionsFollowTheSelection()
    {
        QFETCH(QString, selected);
        Editor e;
        e.select(selected);
        QCOMPARE(e.selectedText(), selected);
        QTEST(e.action("moveDepartmentUpAction")->isEnabled(), "up");
        QTEST(e.action("moveDepartmentDownAction")->isEnabled(), "down");
        QTEST(e.action("deleteDepartmentAction")->isEnabled(), "remove");
        QVERIFY(e.action("editDepartmentAction")->isEnabled());
        QVERIFY(e.action("addSubDepartmentAction")->isEnabled());
    }

    void aCompanyWithoutDepartmentsOffersOnlyAdding()
    {
        Editor e;
        e.grid->setFocus();
        QTest::keyClick(e.grid, Qt::Key_Down);
        QCOMPARE(e.currentCompany(), QString("Beta bez działów"));
        QCOMPARE(e.tree->nodeCount(), 0);
        QVERIFY(e.action("addDepartmentAction")->isEnabled());
        for (const char* name :
             {"addSubDepartmentAction", "editDepartmentAction", "deleteDepartmentAction",
              "moveDepartmentUpAction", "moveDepartmentDownAction"})
            QVERIFY2(!e.action(name)->isEnabled(), name);
    }

    void movingCarriesTheSubtreeAndRenumbers()
    {
        Editor e;
        e.select("A2");
        e.trigger("moveDepartmentUpAction");
        QCOMPARE(outline(*e.tree), QStringList({"A", "  A2", "    A2a", "  A1", "B", "C"}));
        QCOMPARE(e.selectedText(), QString("A2"));
        QCOMPARE(e.invariantBroken(), QString());
        e.select("A");
        e.trigger("moveDepartmentDownAction");
        QCOMPARE(outline(*e.tree), QStringList({"B", "A", "  A2", "    A2a", "  A1", "C"}));
        QCOMPARE(e.selectedText(), QString("A"));
        QCOMPARE(e.invariantBroken(), QString());
        QCOMPARE(e.reloadedOutline(), outline(*e.tree));
    }

    void theKeyboardRunsTheActions()
    {
        Editor e;
        e.select("B");
        e.tree->setFocus();
        QTest::keyClick(e.tree, Qt::Key_Up, Qt::ControlModifier);
        QCOMPARE(outline(*e.tree), QStringList({"B", "A", "  A1", "  A2", "    A2a", "C"}));
        QTest::keyClick(e.tree, Qt::Key_Down, Qt::ControlModifier);
        QCOMPARE(outline(*e.tree).first(), QString("A"));
        {
            auto answer = answerDepartment(e, "Nowy pod B");
            QTest::keyClick(e.tree, Qt::Key_Insert, Qt::ControlModifier);
            QVERIFY(answer->acted());
        }
        QCOMPARE(outline(*e.tree).mid(4, 2), QStringList({"B", "  Nowy pod B"}));
        QCOMPARE(e.invariantBroken(), QString());
        // Enter in the tree edits; the Enter itself goes nowhere.
        {
            auto answer = answerDepartment(e, " zmieniony");
            QTest::keyClick(e.tree, Qt::Key_Return);
            QVERIFY(answer->acted());
        }
        QCOMPARE(e.selectedText(), QString("Nowy pod B zmieniony"));
        QVERIFY(e.window.isVisible());
        // In the company list Insert adds a company, Enter renames it.
        e.desk.names.enqueue(QString("Gamma"));
        e.desk.names.enqueue(QString("Gamma sp. z o.o."));
        e.grid->setFocus();
        QTest::keyClick(e.grid, Qt::Key_Insert);
        QTest::keyClick(e.grid, Qt::Key_Return);
        QCOMPARE(e.currentCompany(), QString("Gamma sp. z o.o."));
    }

    void eachDropZone()
    {
        Editor e;
        // On the label of a node: before it, as its sibling.
        e.drag("C", "A2", Zone::Label);
        QCOMPARE(outline(*e.tree), QStringList({"A", "  A1", "  C", "  A2", "    A2a", "B"}));
        QCOMPARE(e.invariantBroken(), QString());
        // On the icon of a node: its last child.
        e.drag("B", "A2", Zone::Icon);
        QCOMPARE(outline(*e.tree), QStringList({"A", "  A1", "  C", "  A2", "    A2a", "    B"}));
        QCOMPARE(e.invariantBroken(), QString());
        // Below the last node: the last top-level department.
        e.drag("A2", "", Zone::BelowLast);
        QCOMPARE(outline(*e.tree), QStringList({"A", "  A1", "  C", "A2", "  A2a", "  B"}));
        QCOMPARE(e.invariantBroken(), QString());
        QCOMPARE(e.reloadedOutline(), outline(*e.tree));
    }

    void thePointerTellsWhichDropItWouldBe()
    {
        Editor e;
        e.startDrag("C");
        e.moveTo(e.pointIn("A", Zone::Label));
        QCOMPARE(e.pointerShown(), e.pointer(controls::TreeCursor::InsertBefore));
        e.moveTo(e.pointIn("A", Zone::Icon));
        QCOMPARE(e.pointerShown(), e.pointer(controls::TreeCursor::NewChild));
        e.moveTo(e.pointIn("", Zone::BelowLast));
        QCOMPARE(e.pointerShown(), e.pointer(controls::TreeCursor::AppendAtEnd));
        e.moveTo(e.pointIn("C", Zone::Label));
        QCOMPARE(e.tree->viewport()->cursor().shape(), Qt::ForbiddenCursor);
        e.release(e.pointIn("C", Zone::Label));
        QCOMPARE(outline(*e.tree), QStringList({"A", "  A1", "  A2", "    A2a", "B", "C"}));
    }

    void refusedAndEmptyDrops()
    {
        Editor e;
        const QStringList before = outline(*e.tree);
        // On itself, and on the indent of a row: refused, no change.
        e.drag("A2", "A2", Zone::Label);
        e.drag("A2", "A2", Zone::Icon);
        const QRect row = e.tree->visualRect(node(*e.tree, "A2a")->index());
        const QPoint indent(2, row.center().y());
        QCOMPARE(e.tree->zoneAt(indent), Zone::None);
        e.drag("A2", indent);
        QCOMPARE(outline(*e.tree), before);
        QTest::keyClick(e.tree, Qt::Key_Escape);  // no change so far: closes without asking
        QVERIFY(!e.window.isVisible());
        QVERIFY(e.desk.answers.shown.isEmpty());

        e.window.open(Mode::Edit, 1, 0);
        QVERIFY(QTest::qWaitForWindowExposed(&e.window));
        // Into its own subtree: the tree stays, but it counts as a change.
        e.drag("A", "A2a", Zone::Icon);
        QCOMPARE(outline(*e.tree), before);
        QCOMPARE(e.invariantBroken(), QString());
        // On the label of its own next sibling: the order stays.
        e.drag("A1", "A2", Zone::Label);
        QCOMPARE(outline(*e.tree), before);
        e.button("cancelButton")->click();
        QVERIFY(e.window.isVisible());  // asked, and answered No
        QCOMPARE(e.desk.answers.shown.size(), 1);
    }

    void aDragWithTheMouse()
    {
        Editor e;
        e.startDrag("C");
        QCOMPARE(e.selectedText(), QString("C"));
        QVERIFY(e.tree->dragging());
        e.moveTo(e.pointIn("A", Zone::Label));
        e.release(e.pointIn("A", Zone::Label));
        QVERIFY(!e.tree->dragging());
        QCOMPARE(outline(*e.tree), QStringList({"C", "A", "  A1", "  A2", "    A2a", "B"}));
        QCOMPARE(e.invariantBroken(), QString());
    }

    void randomEditsKeepTheTreeAndTheDatabaseTogether()
    {
        Editor e;
        QRandomGenerator random(20241208);
        int added = 0;
        for (int step = 0; step < 240; ++step) {
            const std::vector<QStandardItem*> nodes = e.tree->nodesInOrder();
            auto any = [&] { return nodes[random.bounded(int(nodes.size()))]->text(); };
            const int op = nodes.empty() ? 0 : random.bounded(7);
            if (!nodes.empty())
                e.select(any());
            if (op <= 1 && nodes.size() < 30) {  // add a sibling or a child
                auto answer = answerDepartment(e, QString("D%1").arg(++added));
                e.trigger(op == 0 ? "addDepartmentAction" : "addSubDepartmentAction");
                QVERIFY(answer->acted());
            } else if (op == 2) {
                e.trigger("moveDepartmentUpAction");
            } else if (op == 3) {
                e.trigger("moveDepartmentDownAction");
            } else if (op >= 4) {
                const Zone zones[] = {Zone::Label, Zone::Icon, Zone::BelowLast};
                const QString target = any();
                const QPoint at = e.pointIn(target, zones[random.bounded(3)]);
                QVERIFY2(!at.isNull(), qPrintable(target));
                e.drag(e.selectedText(), at);
            }
            const QString broken = e.invariantBroken();
            QVERIFY2(broken.isEmpty(), qPrintable(QString("step %1: %2").arg(step).arg(broken)));
        }
        QVERIFY(added > 10);
        QCOMPARE(e.reloadedOutline(), outline(*e.tree));
        QVERIFY(e.desk.answers.messages().isEmpty());
    }

    // One desk's steps without a commit between them: what it wrote itself (inserted,
    // renumbered, renamed, deleted) is never taken for another desk's change. Steps: +company,
    // >department after the selected one, >>sub-department, =rename (appends), @select, ^ and
    // v move, - delete, and a drag of a department onto b's label (a_b), icon (a#b) or below
    // the last one (a.).
    void stepsOfOneDeskWithoutCommitAreNeverRefused_data()
    {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QString>("tree");
        QTest::newRow("new company") << "+Nowa >Recepcja >>Sekretariat"
                                     << "Recepcja,  Sekretariat";
        QTest::newRow("two new companies, all steps")
            << "+Druga >Q >>Q1 +Nowa >X >Y ^ >>Y1 =! @Y v X#Y @Y1! - @Y >Z Z_Y >>Z1"
            << "Z,  Z1,Y,  X";
        QTest::newRow("stored tree") << "@B =2 ^ >>B3 C_A1 @A2a - @C v =! A1."
                                     << "B2,  B3,A,  C!,  A2,A1";
        QTest::newRow("deletes first") << "@A2a - @A1 - @A >>A3 ^ >A4 C#A3 @A4 ^ ^ =x"
                                       << "A,  A4x,  A3,    C,  A2,B";
    }
    void stepsOfOneDeskWithoutCommitAreNeverRefused()
    {
        QFETCH(QString, steps);
        Editor e;
        for (const QString& step : steps.split(' ')) {
            const QChar op = step[0];
            const bool sub = step.startsWith(">>");
            const QString name = step.mid(sub ? 2 : 1);
            if (op == '+') {
                e.desk.names.enqueue(name);
                e.trigger("addCompanyAction");
            } else if (op == '>' || op == '=') {
                auto answer = answerDepartment(e, name);
                if (op == '=')
                    e.trigger("editDepartmentAction");
                else
                    QTest::keyClick(e.tree, Qt::Key_Insert,
                                    sub ? Qt::ControlModifier : Qt::NoModifier);
                QVERIFY2(answer->acted(), qPrintable(step));
            } else if (op == '@') {
                e.select(name);
            } else if (op == '^' || op == 'v') {
                e.trigger(op == '^' ? "moveDepartmentUpAction" : "moveDepartmentDownAction");
            } else if (op == '-') {
                e.desk.answers.answers.enqueue(true);
                e.trigger("deleteDepartmentAction");
            } else {
                const QStringList ends = step.split(QRegularExpression("[_#.]"));
                e.drag(ends[0], ends[1],
                       step.contains('_')   ? Zone::Label
                       : step.contains('#') ? Zone::Icon
                                            : Zone::BelowLast);
            }
            QVERIFY2(e.desk.answers.messages().isEmpty(),
                     qPrintable(step + ": " + e.desk.answers.messages().join(' ')));
        }
        QTEST(outline(*e.tree).join(','), "tree");
        e.button("okButton")->click();
        QTEST(e.reloadedOutline(e.window.selection().companyId).join(','), "tree");
    }

    void addingDepartments()
    {
        Editor e(kCompanies, Mode::Edit, 2);
        QCOMPARE(e.currentCompany(), QString("Beta bez działów"));
        {
            auto answer = answerDepartment(e, "Pierwszy");
            e.trigger("addDepartmentAction");
            QVERIFY(answer->acted());
        }
        QCOMPARE(outline(*e.tree), QStringList({"Pierwszy"}));
        QCOMPARE(e.invariantBroken(2), QString());
        QCOMPARE(e.selectedText(), QString("Pierwszy"));
        QCOMPARE(controls::DepartmentTree::nodeId(e.tree->selectedNode()), 7);  // generated
        // Cancelled: no node, no row, no number.
        {
            auto answer = answerDepartment(e, "Porzucony", false);
            e.trigger("addDepartmentAction");
            QVERIFY(answer->acted());
        }
        QCOMPARE(e.tree->nodeCount(), 1);
        QCOMPARE(e.invariantBroken(2), QString());
        // With nothing selected: at the end of the top level.
        e.tree->selectNode(nullptr);
        {
            auto answer = answerDepartment(e, "Drugi");
            e.trigger("addDepartmentAction");
            QVERIFY(answer->acted());
        }
        QCOMPARE(outline(*e.tree), QStringList({"Pierwszy", "Drugi"}));
        QCOMPARE(controls::DepartmentTree::nodeId(e.tree->selectedNode()), 8);
        // A child of a node with children goes after them.
        for (const char* name : {"P1", "P2"}) {
            e.select("Pierwszy");
            auto answer = answerDepartment(e, name);
            e.trigger("addSubDepartmentAction");
            QVERIFY(answer->acted());
        }
        QCOMPARE(outline(*e.tree), QStringList({"Pierwszy", "  P1", "  P2", "Drugi"}));
        QCOMPARE(e.invariantBroken(2), QString());
        // A name longer than the column is cut to it.
        e.select("Drugi");
        {
            auto answer = answerDepartment(e, QString(70, u'ą'));
            e.trigger("addDepartmentAction");
            QVERIFY(answer->acted());
        }
        QCOMPARE(e.selectedText(), QString(64, u'ą'));
        QVERIFY(e.desk.answers.messages().isEmpty());
    }

    void deletingDepartments()
    {
        Editor e;
        e.select("B");
        e.trigger("deleteDepartmentAction");  // it has staff
        QCOMPARE(e.desk.answers.beeps, 1);
        QCOMPARE(e.desk.answers.messages(),
                 QStringList({"Nie można usunąć działu w któym zarejestrowani są pracownicy.\n"
                              "Najpierw usuń pracowników lub przenieś ich do innego działu."}));
        QVERIFY(node(*e.tree, "B"));
        e.desk.answers.clear();
        e.select("A1");
        e.desk.answers.answers.enqueue(false);
        e.trigger("deleteDepartmentAction");
        QCOMPARE(e.desk.answers.shown.size(), 1);
        QCOMPARE(e.desk.answers.shown[0].text, QString("Na pewno usunąć dział: 'A1'?"));
        QCOMPARE(e.desk.answers.shown[0].caption, QString("Usunięcie działu"));
        QVERIFY(node(*e.tree, "A1"));
        e.desk.answers.answers.enqueue(true);
        e.tree->setFocus();
        QTest::keyClick(e.tree, Qt::Key_Delete);
        QVERIFY(!node(*e.tree, "A1"));
        // No renumbering: the gap stays until the next move.
        QCOMPARE(e.seen("select list(KOLEJ, ',') from (select KOLEJ from DZIALY "
                        "where FIRMA_ID = 1 order by KOLEJ)")
                     .toString(),
                 QString("0,2,3,4,5"));
        e.select("C");
        e.trigger("moveDepartmentUpAction");
        QCOMPARE(e.invariantBroken(), QString());
    }

    void companiesAreAddedRenamedAndDeleted()
    {
        Editor e;
        for (const std::optional<QString>& name :
             {std::optional<QString>("Gamma"), std::optional<QString>(),
              std::optional<QString>("Delta"), std::optional<QString>("Delta S.A.")})
            e.desk.names.enqueue(name);
        e.trigger("addCompanyAction");
        QCOMPARE(e.grid->model()->rowCount(), 3);
        QCOMPARE(e.currentCompany(), QString("Gamma"));
        QCOMPARE(e.tree->nodeCount(), 0);
        e.trigger("addCompanyAction");  // cancelled
        QCOMPARE(e.grid->model()->rowCount(), 3);
        e.trigger("addCompanyAction");
        QCOMPARE(e.seen("select ID from FIRMY where NAZWA = 'Delta'").toInt(), 4);  // no gap
        QCOMPARE(e.desk.asked.last().title, QString("Dodaj firmę"));
        QCOMPARE(e.desk.asked.last().label, QString("Nazwa firmy:"));
        QCOMPARE(e.desk.asked.last().maxLength, 128);
        QVERIFY(e.desk.asked.last().value.isEmpty());
        QVERIFY(e.desk.asked.last().type == desk::ValueType::Text);
        e.trigger("editCompanyAction");
        QCOMPARE(e.currentCompany(), QString("Delta S.A."));
        QCOMPARE(e.desk.asked.last().title, QString("Edycja firmy firmę"));
        QCOMPARE(e.desk.asked.last().value, QString("Delta"));

        // Deleting the first company takes its departments and staff with it.
        e.grid->setFocus();
        QTest::keyClick(e.grid, Qt::Key_Home, Qt::ControlModifier);
        QCOMPARE(e.currentCompany(), QString("Alfa"));
        e.desk.answers.answers.enqueue(true);
        QTest::keyClick(e.grid, Qt::Key_Delete);
        QCOMPARE(e.desk.answers.shown.last().caption, QString("Usunięcie firmy"));
        QCOMPARE(e.desk.answers.shown.last().text,
                 QString("Na pewno usunąć firmę: 'Alfa'?\n\nUWAGA!\nTa operacja spowoduje "
                         "usunięcie firmy wraz ze wszystkimi działami i pracownikami."));
        QCOMPARE(e.currentCompany(), QString("Beta bez działów"));
        e.button("okButton")->click();
        QCOMPARE(e.window.result(), int(QDialog::Accepted));
        QCOMPARE(e.window.selection().companyId, 2);
        QCOMPARE(e.grid->model()->rowCount(), 0);  // the lists are closed with the window
        QCOMPARE(e.database.scalar("select count(*) from DZIALY where FIRMA_ID = 1").toInt(), 0);
        QCOMPARE(e.database.scalar("select count(*) from PERSONEL where FIRMA_ID = 1").toInt(), 0);
        QCOMPARE(e.database.scalar("select count(*) from FIRMY").toInt(), 3);
    }

    void aNewCompanyHasNoDepartmentActionsUntilStored()
    {
        Editor e;
        QString companyWhileTyping = "-";
        int nodesWhileTyping = -1;
        bool addWhileTyping = true;
        e.desk.whileAsking = [&] {
            companyWhileTyping = e.currentCompany();
            nodesWhileTyping = e.tree->nodeCount();
            addWhileTyping = e.action("addDepartmentAction")->isEnabled();
        };
        e.trigger("addCompanyAction");
        QCOMPARE(companyWhileTyping, QString());
        QCOMPARE(nodesWhileTyping, 0);
        QVERIFY(!addWhileTyping);
        // Abandoned: the company before is current again, with its tree.
        QCOMPARE(e.currentCompany(), QString("Alfa"));
        QCOMPARE(e.tree->nodeCount(), 6);
        QVERIFY(e.action("addDepartmentAction")->isEnabled());
    }

    void cancellingAsksAndRollsBackEverything()
    {
        Editor e;
        e.desk.names.enqueue(QString("Nowa"));
        e.trigger("addCompanyAction");
        e.grid->setFocus();
        QTest::keyClick(e.grid, Qt::Key_Home, Qt::ControlModifier);
        e.select("C");
        {
            auto answer = answerDepartment(e, "Nowy dział");
            e.trigger("addDepartmentAction");
        }
        e.select("B");
        e.trigger("moveDepartmentUpAction");

        e.desk.answers.answers.enqueue(false);
        e.button("cancelButton")->click();
        QVERIFY(e.window.isVisible());  // No: everything stays
        QCOMPARE(e.desk.answers.shown.last().text,
                 QString("Na pewno anulować wszystkie wprowadzone zmiany?"));
        QCOMPARE(e.desk.answers.shown.last().caption, QString("Anulowanie zmian"));
        QVERIFY(node(*e.tree, "Nowy dział"));
        QCOMPARE(e.invariantBroken(), QString());

        e.desk.answers.answers.enqueue(true);
        QTest::keyClick(e.tree, Qt::Key_Escape);
        QVERIFY(!e.window.isVisible());
        QCOMPARE(e.window.result(), int(QDialog::Rejected));
        QCOMPARE(e.grid->model()->rowCount(), 0);
        QCOMPARE(e.seen("select (select count(*) from FIRMY) from RDB$DATABASE").toInt(), 2);
        QCOMPARE(e.seen("select list(NAZWA, ',') from (select NAZWA from DZIALY order by KOLEJ)")
                     .toString(),
                 QString("A,A1,A2,A2a,B,C"));
    }

    void cancelWithoutChangesClosesAtOnce()
    {
        Editor e;
        e.desk.names.enqueue(std::nullopt);
        e.trigger("addCompanyAction");  // abandoned: no change
        e.button("cancelButton")->click();
        QVERIFY(!e.window.isVisible());
        QVERIFY(e.desk.answers.shown.isEmpty());
    }

    void pickingACompanyAndDepartment()
    {
        Editor e(kCompanies, Mode::Pick, 1, 3);
        QVERIFY(!child<QToolBar>(&e.window, "companyToolBar")->isVisibleTo(&e.window));
        QVERIFY(!child<QToolBar>(&e.window, "departmentToolBar")->isVisibleTo(&e.window));
        QVERIFY(e.button("okButton")->isDefault());
        QVERIFY(!e.tree->dragEnabled());
        for (const QString& name : kEveryAction)
            QVERIFY2(!e.action(name)->isEnabled(), qPrintable(name));
        // Enter in the tree reaches OK.
        e.tree->setFocus();
        QTest::keyClick(e.tree, Qt::Key_Return);
        QCOMPARE(e.window.result(), int(QDialog::Accepted));
        QCOMPARE(e.window.selection().companyId, 1);
        QCOMPARE(e.window.selection().companyName, QString("Alfa"));
        QCOMPARE(e.window.selection().departmentId, 3);
        QCOMPARE(e.window.selection().departmentName, QString("A2"));

        // A company without departments: department 0 and no name.
        e.window.open(Mode::Pick, 2, 3);
        QVERIFY(QTest::qWaitForWindowExposed(&e.window));
        e.button("okButton")->click();
        QCOMPARE(e.window.selection().companyId, 2);
        QCOMPARE(e.window.selection().companyName, QString("Beta bez działów"));
        QCOMPARE(e.window.selection().departmentId, 0);
        QCOMPARE(e.window.selection().departmentName, QString());
    }

    void okCommitsAndHandsBackWhatWasWorkedOn()
    {
        Editor e;
        e.desk.names.enqueue(QString("Nowa firma"));
        e.trigger("addCompanyAction");
        {
            auto answer = answerDepartment(e, "Recepcja");
            e.trigger("addDepartmentAction");
            QVERIFY(answer->acted());
        }
        e.button("okButton")->click();
        QCOMPARE(e.window.result(), int(QDialog::Accepted));
        QCOMPARE(e.window.selection().companyId, 3);
        QCOMPARE(e.window.selection().companyName, QString("Nowa firma"));
        QCOMPARE(e.window.selection().departmentName, QString("Recepcja"));
        // Committed: another desk sees it, and the main window's loader finds it.
        QCOMPARE(e.database.scalar("select NAZWA from DZIALY where FIRMA_ID = 3").toString(),
                 QString("Recepcja"));
        auto otherDesk = e.database.connect();
        controls::DepartmentTree loaded;
        loaded.loadDepartments(*otherDesk, 3);
        loaded.selectDepartment(e.window.selection().departmentId);
        QCOMPARE(loaded.selectedNode()->text(), QString("Recepcja"));
    }

    void aLockedDepartmentLeavesNothingHalfRenumbered()
    {
        Editor e;
        // Another desk changes department C and does not commit.
        auto desk2 = e.database.connect();
        desk2->execute("update DZIALY set LOKALIZACJA = 'zajęty' where ID = 6");
        e.select("B");
        e.trigger("moveDepartmentUpAction");  // renumbering reaches C and is refused at once
        QCOMPARE(e.desk.answers.messages().size(), 1);
        QVERIFY2(e.desk.answers.messages()[0].contains("conflict", Qt::CaseInsensitive),
                 qPrintable(e.desk.answers.messages()[0]));
        // The tree is shown as the database has it, and the database as it was.
        QCOMPARE(outline(*e.tree), QStringList({"A", "  A1", "  A2", "    A2a", "B", "C"}));
        QCOMPARE(e.invariantBroken(), QString());
        QCOMPARE(e.selectedText(), QString("B"));
        // The window goes on once the other desk is done.
        desk2->transaction().rollback();
        e.trigger("moveDepartmentUpAction");
        QCOMPARE(outline(*e.tree), QStringList({"B", "A", "  A1", "  A2", "    A2a", "C"}));
        QCOMPARE(e.invariantBroken(), QString());
        e.button("okButton")->click();
        QCOMPARE(e.database.scalar("select KOLEJ from DZIALY where ID = 5").toInt(), 0);
    }

    // A company too large for one statement's list is renumbered in several, all or none.
    void aLargeCompanyIsRenumberedWhollyOrNotAtAll()
    {
        QStringList rows = kCompanies;
        rows << "insert into FIRMY (ID, NAZWA) values (3, 'Duża')";
        for (int i = 0; i < 1500; ++i)
            rows << QString(
                        "insert into DZIALY (ID, FIRMA_ID, POPID, KOLEJ, NAZWA) "
                        "values (%1, 3, 0, %2, 'D%2')")
                        .arg(1000000000 + i)
                        .arg(i);
        Editor e(rows, Mode::Edit, 3);
        QCOMPARE(e.tree->nodeCount(), 1500);
        // Another desk holds the last department, which only a later statement reaches.
        auto desk2 = e.database.connect();
        desk2->execute("update DZIALY set LOKALIZACJA = 'zajęty' where ID = 1000001499");
        e.tree->selectNode(node(*e.tree, "D0"));
        e.trigger("moveDepartmentDownAction");
        QCOMPARE(e.desk.answers.messages().size(), 1);
        QCOMPARE(e.seen("select KOLEJ from DZIALY where ID = 1000000000").toInt(), 0);
        QCOMPARE(outline(*e.tree).mid(0, 2), QStringList({"D0", "D1"}));
        desk2->transaction().rollback();
        e.trigger("moveDepartmentDownAction");
        QCOMPARE(outline(*e.tree).mid(0, 2), QStringList({"D1", "D0"}));
        QCOMPARE(e.invariantBroken(3), QString());
    }

    void aCompanyDeletedElsewhereMeanwhile()
    {
        Editor e(kCompanies, Mode::Edit, 2);
        auto desk2 = e.database.connect();
        desk2->execute("delete from FIRMY where ID = 2");
        desk2->transaction().commitRetaining();
        {
            auto answer = answerDepartment(e, "Do usuniętej");
            e.trigger("addDepartmentAction");
            QVERIFY(answer->acted());
        }
        // The department dialog reported the refusal and stayed until cancelled by the
        // test's answer; no node was added and nothing is left to commit.
        QVERIFY(!e.desk.answers.messages().isEmpty());
        QCOMPARE(e.tree->nodeCount(), 0);
        QCOMPARE(e.seen("select count(*) from DZIALY where FIRMA_ID = 2").toInt(), 0);
        e.desk.names.enqueue(QString("Nowa nazwa"));
        e.trigger("editCompanyAction");
        QVERIFY(e.desk.answers.messages().last().contains("nie istnieje"));
        QCOMPARE(e.currentCompany(), QString("Beta bez działów"));
        QVERIFY(e.window.isVisible());
        // Nothing is left half-edited: OK goes through.
        e.button("okButton")->click();
        QCOMPARE(e.window.result(), int(QDialog::Accepted));
    }

    void aSubDepartmentAddedElsewhereStopsTheDelete()
    {
        Editor e;
        e.select("A1");
        QVERIFY(e.action("deleteDepartmentAction")->isEnabled());
        // Another desk gives A1 a sub-department after the tree was read.
        auto otherDesk = e.database.connect();
        otherDesk->execute(
            "insert into DZIALY (ID, FIRMA_ID, POPID, KOLEJ, NAZWA) values (50, 1, 2, 6, 'A1x')");
        otherDesk->transaction().commitRetaining();
        e.desk.answers.answers.enqueue(true);
        e.trigger("deleteDepartmentAction");
        QCOMPARE(e.desk.answers.beeps, 1);
        QCOMPARE(e.desk.answers.messages(),
                 QStringList({"Nie można usunąć działu w któym zarejestrowani są pracownicy.\n"
                              "Najpierw usuń pracowników lub przenieś ich do innego działu."}));
        QCOMPARE(e.seen("select count(*) from DZIALY where ID in (2, 50)").toInt(), 2);
        // The tree now shows what stopped it.
        QCOMPARE(outline(*e.tree).mid(1, 2), QStringList({"  A1", "    A1x"}));
        QCOMPARE(e.selectedText(), QString("A1"));
        QVERIFY(!e.action("deleteDepartmentAction")->isEnabled());
    }

    void renumberingKeepsWhatAnotherDeskRenamed()
    {
        Editor e;
        auto otherDesk = e.database.connect();
        otherDesk->execute(
            "update DZIALY set NAZWA = 'C po zmianie', LOKALIZACJA = 'parter' "
            "where ID = 6");
        otherDesk->transaction().commitRetaining();
        e.select("B");
        e.trigger("moveDepartmentUpAction");  // renumbers every department, C too
        QCOMPARE(e.invariantBroken(), QString());
        {
            // Editing the moved department afterwards keeps its new place.
            auto answer = answerDepartment(e, " 2");
            e.trigger("editDepartmentAction");
            QVERIFY(answer->acted());
        }
        QCOMPARE(e.selectedText(), QString("B 2"));
        QCOMPARE(e.invariantBroken(), QString());
        e.button("okButton")->click();
        QCOMPARE(e.database.scalar("select NAZWA || ', ' || LOKALIZACJA from DZIALY where ID = 6")
                     .toString(),
                 QString("C po zmianie, parter"));
        QCOMPARE(e.database.scalar("select KOLEJ from DZIALY where ID = 5").toInt(), 0);
    }

    void escapeWhileDraggingOnlyCancelsTheDrag()
    {
        Editor e;
        const QStringList before = outline(*e.tree);
        e.startDrag("C");
        const QPoint target = e.pointIn("A", Zone::Label);
        e.moveTo(target);
        QCOMPARE(e.pointerShown(), e.pointer(controls::TreeCursor::InsertBefore));
        QTest::keyClick(e.tree, Qt::Key_Escape);
        QVERIFY(e.window.isVisible());
        QCOMPARE(e.tree->viewport()->cursor().shape(), Qt::ArrowCursor);
        e.moveTo(target + QPoint(1, 0));
        QCOMPARE(e.tree->viewport()->cursor().shape(), Qt::ArrowCursor);
        e.release(target);
        QCOMPARE(outline(*e.tree), before);
        // The next drag works again, and Esc without a drag closes the window.
        e.drag("C", "A", Zone::Label);
        QCOMPARE(outline(*e.tree).first(), QString("C"));
        e.desk.answers.answers.enqueue(true);
        QTest::keyClick(e.tree, Qt::Key_Escape);
        QVERIFY(!e.window.isVisible());
    }

    void everyDeleteButtonReadsUsun()
    {
        Editor e;
        for (const char* toolBar : {"companyToolBar", "departmentToolBar"}) {
            QToolBar* bar = child<QToolBar>(&e.window, toolBar);
            for (QAction* action : bar->actions())
                if (action->toolTip().startsWith("Usu"))
                    QCOMPARE(action->text(), QString("Usuń"));
        }
        auto* button =
            qobject_cast<QToolButton*>(child<QToolBar>(&e.window, "companyToolBar")
                                           ->widgetForAction(e.action("deleteCompanyAction")));
        QVERIFY(button);
        QCOMPARE(button->text(), QString("Usuń"));
    }

    void everyControlOfTheEditorHasAName()
    {
        Editor e;
        QStringList names;
        QCOMPARE(testsupport::unnamedControls(e.window, &names), QStringList());
        // Nine tool buttons, two tool bars, the list, the tree and the two buttons, each
        // told from the others.
        QCOMPARE(names.size(), 15);
        QCOMPARE(QSet<QString>(names.begin(), names.end()).size(), names.size());
        QStringList unnamedInDialog;
        QStringList namesInDialog;
        {
            testsupport::ModalAction look(
                [&](QWidget* dialog) {
                    unnamedInDialog = testsupport::unnamedControls(*dialog, &namesInDialog);
                    qobject_cast<QDialog*>(dialog)->reject();
                },
                &e.window);
            e.trigger("editDepartmentAction");
            QVERIFY(look.acted());
        }
        QCOMPARE(unnamedInDialog, QStringList());
        QCOMPARE(namesInDialog.size(), 4);
    }
};

HALVANE_TEST(CompaniesDialogTest);
#include "CompaniesDialogTest.moc"

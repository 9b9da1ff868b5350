// The companies editor on a fresh database: the tree rules after adds, moves and drops,
// deletes, both modes, cancelling, and a second desk getting in the way.
#include "app/MainWindow.h"
#include "controls/BoundLineEdit.h"
#include "db/DataSet.h"
#include "db/Error.h"
#include "directory/CompaniesDialog.h"
#include "directory/DepartmentDialog.h"
#include "directory/TypedInputDialog.h"
#include "support/AppFixture.h"
#include "support/Modal.h"
#include "support/Typing.h"
#include "support/testmain.h"

#include <QLineEdit>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTest>
#include <QToolBar>

using testsupport::AppFixture;
using testsupport::ModalAction;
using Zone = controls::DepartmentTree::Zone;

namespace {

const QStringList kFirma = {
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

// The tree as text: one line a node, two blanks of indent a level.
QStringList outline(controls::DepartmentTree& tree)
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

QStandardItem* node(controls::DepartmentTree& tree, const QString& text)
{
    for (QStandardItem* n : tree.nodesInOrder())
        if (n->text() == text)
            return n;
    return nullptr;
}

struct Editor {
    AppFixture app{false};
    CompaniesDialog* f = nullptr;

    explicit Editor(const QStringList& rows = kFirma, const QString& mode = "EDYCJA", int firma = 1,
                    int dzial = 0)
    {
        app.database()->run(rows);
        if (!app.start())
            return;
        f = &app.form->Form_Firmy();
        f->Tryb = mode;
        f->FirmaId = firma;
        f->DzialId = dzial;
        f->resize(600, 900);
        f->show();
        if (!QTest::qWaitForWindowExposed(f))
            qWarning("the companies editor was not shown");
    }
    ~Editor()
    {
        if (f && f->isVisible()) {
            f->Zmiany = false;
            f->reject();
        }
    }
    void select(const QString& text) { f->TreeView1->selectNode(node(*f->TreeView1, text)); }

    // POPID and KOLEJ as the editor's own transaction sees them, for every department.
    QString invariantBroken()
    {
        db::DataSet rows(app.form->IBDatabase1);
        rows.setSelectSql("select ID, POPID, KOLEJ from DZIALY where FIRMA_ID = " +
                          QString::number(f->BiezacaFirma()));
        rows.open();
        const std::vector<QStandardItem*> nodes = f->TreeView1->nodesInOrder();
        if (rows.recordCount() != int(nodes.size()))
            return QString("%1 rows, %2 nodes").arg(rows.recordCount()).arg(nodes.size());
        for (size_t i = 0; i < nodes.size(); ++i) {
            const int id = controls::DepartmentTree::nodeId(nodes[i]);
            if (!rows.locate("ID", id, 0))
                return QString("no row %1").arg(id);
            const int parent = controls::DepartmentTree::nodeId(nodes[i]->parent());
            if (rows.field("POPID").asInteger() != parent || rows.field("KOLEJ").asInteger() != int(i))
                return QString("row %1: POPID %2 KOLEJ %3, node parent %4 position %5")
                    .arg(id).arg(rows.field("POPID").asInteger()).arg(rows.field("KOLEJ").asInteger())
                    .arg(parent).arg(i);
        }
        return {};
    }

    // The tree the main window's loader builds from the database now.
    QStringList reloadedOutline()
    {
        controls::DepartmentTree fresh;
        fresh.loadDepartments(app.form->database(), f->BiezacaFirma());
        return outline(fresh);
    }

    QPoint pointIn(const QString& text, Zone zone)
    {
        controls::DepartmentTree& tree = *f->TreeView1;
        if (zone == Zone::BelowLast) {
            QRect last;
            for (QStandardItem* n : tree.nodesInOrder())
                last = last.united(tree.visualRect(n->index()));
            return QPoint(20, last.bottom() + 10);
        }
        QStandardItem* n = node(tree, text);
        tree.scrollTo(n->index());
        const QRect r = tree.visualRect(n->index());
        // Walk across the row and take the first point the tree puts in the zone.
        for (int x = r.left(); x < r.right(); ++x) {
            const QPoint p(x, r.center().y());
            QStandardItem* hit = nullptr;
            if (tree.zoneAt(p, &hit) == zone && hit == n)
                return p;
        }
        return {};
    }

    void drop(const QString& dragged, const QString& target, Zone zone)
    {
        select(dragged);
        f->TreeView1DragDrop(pointIn(target, zone));
    }
};

QList<QAction*> actions(CompaniesDialog& f)
{
    return {f.aFirmaDodaj, f.aFirmaUsun, f.aFirmaEdytuj, f.aDzialDodaj, f.aDzialDodajPodrzedne,
            f.aDzialUsun, f.aDzialEdytuj, f.aDzialWGore, f.aDzialWDol};
}

// Answers the department dialog with a name (and location).
std::unique_ptr<ModalAction> answerDepartment(const QString& name, bool ok = true)
{
    return std::make_unique<ModalAction>([name, ok](QWidget* w) {
        auto* dialog = qobject_cast<DepartmentDialog*>(w);
        if (!dialog) {
            qobject_cast<QDialog*>(w)->reject();
            return;
        }
        QTest::keyClick(dialog->DBEdit1, Qt::Key_End);  // the name shown is selected: type after it
        testsupport::type(dialog->DBEdit1, name);
        testsupport::type(dialog->DBEdit2, "piętro 1");
        if (ok)
            dialog->btnOK->click();
        if (dialog->isVisible())  // cancelled, or the row was refused
            dialog->btnAnuluj->click();
    });
}

std::unique_ptr<ModalAction> answerInputBox(const QString& text, bool ok = true)
{
    return std::make_unique<ModalAction>([text, ok](QWidget* w) {
        auto* box = qobject_cast<TypedInputDialog*>(w);
        if (!box) {
            qobject_cast<QDialog*>(w)->reject();
            return;
        }
        box->Edit1->setText(text);
        if (ok)
            box->btnOK->click();
        else
            box->btnAnuluj->click();
    });
}

}  // namespace

class FirmyTest : public QObject {
    Q_OBJECT
private slots:
    void showsTheCompanyAndDepartmentAskedFor()
    {
        Editor e(kFirma, "EDYCJA", 1, 4);
        QVERIFY(e.f);
        QCOMPARE(outline(*e.f->TreeView1), QStringList({"A", "  A1", "  A2", "    A2a", "B", "C"}));
        QCOMPARE(e.f->TreeView1->selectedNode()->text(), QString("A2a"));
        QVERIFY(!e.f->Zmiany);
        QVERIFY(e.f->ToolBar1->isVisibleTo(e.f));
        QVERIFY(!e.f->btnOK->isDefault());
        QVERIFY(e.f->TreeView1->dragEnabled());
        QCOMPARE(e.f->TreeView1->nodesInOrder()[0]->icon().cacheKey(), controls::icon(controls::Picture::Department, 16).cacheKey());
    }

    void unknownCompanyAndDepartmentLeaveTheFirst()
    {
        Editor e(kFirma, "EDYCJA", 77, 99);
        QCOMPARE(e.f->BiezacaFirma(), 1);
        QCOMPARE(e.f->TreeView1->selectedNode()->text(), QString("A"));
    }

    void anUnknownModeIsReportedAndTheWindowStillOpens()
    {
        Editor e(kFirma, "edycja");
        QCOMPARE(e.app.prompts.messages(), QStringList({"Nieznany tryb pracy okna: 'edycja'"}));
        QVERIFY(e.f->isVisible());
        for (QAction* a : actions(*e.f))
            QVERIFY2(!a->isEnabled(), qPrintable(a->objectName()));
    }

    void actionsFollowTheSelection()
    {
        Editor e;
        auto enabled = [&](QAction* a) { return a->isEnabled(); };
        e.select("A");
        QVERIFY(!enabled(e.f->aDzialWGore));
        QVERIFY(enabled(e.f->aDzialWDol));
        QVERIFY(!enabled(e.f->aDzialUsun));  // it has sub-departments
        e.select("A1");
        QVERIFY(!enabled(e.f->aDzialWGore));
        QVERIFY(enabled(e.f->aDzialWDol));
        QVERIFY(enabled(e.f->aDzialUsun));
        e.select("A2");
        QVERIFY(enabled(e.f->aDzialWGore));
        QVERIFY(!enabled(e.f->aDzialWDol));  // last of its siblings
        e.select("C");
        QVERIFY(enabled(e.f->aDzialWGore));
        QVERIFY(!enabled(e.f->aDzialWDol));
        QVERIFY(enabled(e.f->aDzialEdytuj));
        QVERIFY(enabled(e.f->aDzialDodajPodrzedne));
        // A company without departments: only adding.
        e.f->sqlFirmy.locate("ID", 2, 0);
        QCOMPARE(e.f->TreeView1->nodeCount(), 0);
        QVERIFY(enabled(e.f->aDzialDodaj));
        for (QAction* a : {e.f->aDzialDodajPodrzedne, e.f->aDzialEdytuj, e.f->aDzialUsun,
                           e.f->aDzialWGore, e.f->aDzialWDol})
            QVERIFY2(!enabled(a), qPrintable(a->objectName()));
    }

    void movingCarriesTheSubtreeAndRenumbers()
    {
        Editor e;
        e.select("A2");
        e.f->aDzialWGore->trigger();
        QCOMPARE(outline(*e.f->TreeView1), QStringList({"A", "  A2", "    A2a", "  A1", "B", "C"}));
        QCOMPARE(e.f->TreeView1->selectedNode()->text(), QString("A2"));
        QCOMPARE(e.invariantBroken(), QString());
        QVERIFY(e.f->Zmiany);
        e.select("A");
        e.f->aDzialWDol->trigger();
        QCOMPARE(outline(*e.f->TreeView1), QStringList({"B", "A", "  A2", "    A2a", "  A1", "C"}));
        QCOMPARE(e.f->TreeView1->selectedNode()->text(), QString("A"));
        QCOMPARE(e.invariantBroken(), QString());
        QCOMPARE(e.reloadedOutline(), outline(*e.f->TreeView1));
    }

    void theKeyboardRunsTheActions()
    {
        Editor e;
        e.select("B");
        e.f->TreeView1->setFocus();
        QTest::keyClick(e.f->TreeView1, Qt::Key_Up, Qt::ControlModifier);
        QCOMPARE(outline(*e.f->TreeView1), QStringList({"B", "A", "  A1", "  A2", "    A2a", "C"}));
        QTest::keyClick(e.f->TreeView1, Qt::Key_Down, Qt::ControlModifier);
        QCOMPARE(outline(*e.f->TreeView1).first(), QString("A"));
        {
            auto answer = answerDepartment("Nowy pod B");
            QTest::keyClick(e.f->TreeView1, Qt::Key_Insert, Qt::ControlModifier);
            QVERIFY(answer->acted());
        }
        QCOMPARE(outline(*e.f->TreeView1).mid(4, 2), QStringList({"B", "  Nowy pod B"}));
        QCOMPARE(e.invariantBroken(), QString());
        // Enter in the tree edits; the Enter itself goes nowhere.
        {
            auto answer = answerDepartment(" zmieniony");
            QTest::keyClick(e.f->TreeView1, Qt::Key_Return);
            QVERIFY(answer->acted());
        }
        QCOMPARE(e.f->TreeView1->selectedNode()->text(), QString("Nowy pod B zmieniony"));
        QVERIFY(e.f->isVisible());
    }

    void eachDropZone()
    {
        Editor e;
        // On the label of a node: before it, as its sibling.
        e.drop("C", "A2", Zone::Label);
        QCOMPARE(outline(*e.f->TreeView1), QStringList({"A", "  A1", "  C", "  A2", "    A2a", "B"}));
        QCOMPARE(e.invariantBroken(), QString());
        // On the icon of a node: its last child.
        e.drop("B", "A2", Zone::Icon);
        QCOMPARE(outline(*e.f->TreeView1), QStringList({"A", "  A1", "  C", "  A2", "    A2a", "    B"}));
        QCOMPARE(e.invariantBroken(), QString());
        // Below the last node: the last top-level department.
        e.drop("A2", "", Zone::BelowLast);
        QCOMPARE(outline(*e.f->TreeView1), QStringList({"A", "  A1", "  C", "A2", "  A2a", "  B"}));
        QCOMPARE(e.invariantBroken(), QString());
        QCOMPARE(e.reloadedOutline(), outline(*e.f->TreeView1));
        // The pointer tells which drop it would be.
        e.select("C");
        QCOMPARE(e.f->KursorPrzeciagania(e.pointIn("A", Zone::Label)).pixmap().cacheKey(),
                 e.app.form->Kursor(5).pixmap().cacheKey());
        QCOMPARE(e.f->KursorPrzeciagania(e.pointIn("A", Zone::Icon)).pixmap().cacheKey(),
                 e.app.form->Kursor(6).pixmap().cacheKey());
        QCOMPARE(e.f->KursorPrzeciagania(e.pointIn("", Zone::BelowLast)).pixmap().cacheKey(),
                 e.app.form->Kursor(7).pixmap().cacheKey());
        QCOMPARE(e.f->KursorPrzeciagania(e.pointIn("C", Zone::Label)).shape(), Qt::ForbiddenCursor);
    }

    void refusedAndEmptyDrops()
    {
        Editor e;
        const QStringList before = outline(*e.f->TreeView1);
        // On itself, and on the indent of a row: refused, no change.
        e.drop("A2", "A2", Zone::Label);
        e.drop("A2", "A2", Zone::Icon);
        e.select("A2");
        const QRect row = e.f->TreeView1->visualRect(node(*e.f->TreeView1, "A2a")->index());
        QCOMPARE(e.f->TreeView1->zoneAt(QPoint(2, row.center().y())), Zone::None);
        e.f->TreeView1DragDrop(QPoint(2, row.center().y()));
        QCOMPARE(outline(*e.f->TreeView1), before);
        QVERIFY(!e.f->Zmiany);
        // Into its own subtree: the tree stays, but it counts as a change.
        e.drop("A", "A2a", Zone::Icon);
        QCOMPARE(outline(*e.f->TreeView1), before);
        QVERIFY(e.f->Zmiany);
        QCOMPARE(e.invariantBroken(), QString());
        // On the label of its own next sibling: the order stays.
        e.drop("A1", "A2", Zone::Label);
        QCOMPARE(outline(*e.f->TreeView1), before);
    }

    void aDragWithTheMouse()
    {
        Editor e;
        controls::DepartmentTree& tree = *e.f->TreeView1;
        const QPoint from = e.pointIn("C", Zone::Label);
        const QPoint to = e.pointIn("A", Zone::Label);
        auto send = [&](QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons buttons) {
            QMouseEvent ev(type, at, tree.viewport()->mapToGlobal(at), button, buttons, Qt::NoModifier);
            QApplication::sendEvent(tree.viewport(), &ev);
        };
        send(QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
        QCOMPARE(tree.selectedNode()->text(), QString("C"));
        send(QEvent::MouseMove, from + QPoint(0, -8), Qt::NoButton, Qt::LeftButton);
        send(QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton);
        QVERIFY(tree.dragging());
        QCOMPARE(tree.viewport()->cursor().pixmap().cacheKey(), e.app.form->Kursor(5).pixmap().cacheKey());
        send(QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton);
        QCOMPARE(outline(tree), QStringList({"C", "A", "  A1", "  A2", "    A2a", "B"}));
        QCOMPARE(e.invariantBroken(), QString());
    }

    void randomEditsKeepTheTreeAndTheDatabaseTogether()
    {
        Editor e;
        QRandomGenerator random(20241208);
        int added = 0;
        for (int step = 0; step < 240; ++step) {
            controls::DepartmentTree& tree = *e.f->TreeView1;
            const std::vector<QStandardItem*> nodes = tree.nodesInOrder();
            auto any = [&] { return nodes[random.bounded(int(nodes.size()))]; };
            const int op = nodes.empty() ? 0 : random.bounded(7);
            if (!nodes.empty())
                tree.selectNode(any());
            if (op <= 1 && nodes.size() < 30) {  // add a sibling or a child
                auto answer = answerDepartment(QString("D%1").arg(++added));
                (op == 0 ? e.f->aDzialDodaj : e.f->aDzialDodajPodrzedne)->trigger();
                QVERIFY(answer->acted());
            } else if (op == 2 && e.f->aDzialWGore->isEnabled()) {
                e.f->aDzialWGore->trigger();
            } else if (op == 3 && e.f->aDzialWDol->isEnabled()) {
                e.f->aDzialWDol->trigger();
            } else if (op >= 4) {
                QStandardItem* target = any();
                const Zone zones[] = {Zone::Label, Zone::Icon, Zone::BelowLast};
                const Zone zone = zones[random.bounded(3)];
                const QString dragged = tree.selectedNode()->text();
                const QPoint at = e.pointIn(target->text(), zone);
                QVERIFY2(!at.isNull(), qPrintable(target->text()));
                e.select(dragged);
                e.f->TreeView1DragDrop(at);
            }
            const QString broken = e.invariantBroken();
            QVERIFY2(broken.isEmpty(), qPrintable(QString("step %1: %2").arg(step).arg(broken)));
        }
        QVERIFY(added > 10);
        QCOMPARE(e.reloadedOutline(), outline(*e.f->TreeView1));
        QVERIFY(e.app.prompts.messages().isEmpty());
    }

    void addingDepartments()
    {
        Editor e(kFirma, "EDYCJA", 2);
        QCOMPARE(e.f->BiezacaFirma(), 2);
        {
            auto answer = answerDepartment("Pierwszy");
            e.f->aDzialDodaj->trigger();
            QVERIFY(answer->acted());
        }
        QCOMPARE(outline(*e.f->TreeView1), QStringList({"Pierwszy"}));
        QCOMPARE(e.invariantBroken(), QString());
        QCOMPARE(e.f->TreeView1->selectedNode()->text(), QString("Pierwszy"));
        QCOMPARE(controls::DepartmentTree::nodeId(e.f->TreeView1->selectedNode()), 7);  // from the generator
        // Cancelled: no node, no row, no number.
        {
            auto answer = answerDepartment("Porzucony", false);
            e.f->aDzialDodaj->trigger();
            QVERIFY(answer->acted());
        }
        QCOMPARE(e.f->TreeView1->nodeCount(), 1);
        QCOMPARE(e.invariantBroken(), QString());
        // With nothing selected: at the end of the top level.
        e.f->TreeView1->selectNode(nullptr);
        {
            auto answer = answerDepartment("Drugi");
            e.f->aDzialDodaj->trigger();
            QVERIFY(answer->acted());
        }
        QCOMPARE(outline(*e.f->TreeView1), QStringList({"Pierwszy", "Drugi"}));
        QCOMPARE(controls::DepartmentTree::nodeId(e.f->TreeView1->selectedNode()), 8);
        // A child of a node with children goes after them.
        e.select("Pierwszy");
        for (const char* name : {"P1", "P2"}) {
            e.select("Pierwszy");
            auto answer = answerDepartment(name);
            e.f->aDzialDodajPodrzedne->trigger();
            QVERIFY(answer->acted());
        }
        QCOMPARE(outline(*e.f->TreeView1), QStringList({"Pierwszy", "  P1", "  P2", "Drugi"}));
        QCOMPARE(e.invariantBroken(), QString());
        // A name longer than the column is cut to it.
        e.select("Drugi");
        {
            auto answer = answerDepartment(QString(70, u'ą'));
            e.f->aDzialDodaj->trigger();
            QVERIFY(answer->acted());
        }
        QCOMPARE(e.f->TreeView1->selectedNode()->text(), QString(64, u'ą'));
        QVERIFY(e.app.prompts.messages().isEmpty());
    }

    void deletingDepartments()
    {
        Editor e;
        e.select("B");
        e.f->aDzialUsun->trigger();  // it has staff
        QCOMPARE(e.app.prompts.beeps, 1);
        QCOMPARE(e.app.prompts.messages(),
                 QStringList({"Nie można usunąć działu w któym zarejestrowani są pracownicy.\n"
                              "Najpierw usuń pracowników lub przenieś ich do innego działu."}));
        QVERIFY(node(*e.f->TreeView1, "B"));
        e.app.prompts.clear();
        e.select("A1");
        e.app.prompts.answers.enqueue(false);
        e.f->aDzialUsun->trigger();
        QCOMPARE(e.app.prompts.shown.size(), 1);
        QCOMPARE(e.app.prompts.shown[0].text, QString("Na pewno usunąć dział: 'A1'?"));
        QCOMPARE(e.app.prompts.shown[0].caption, QString("Usunięcie działu"));
        QVERIFY(node(*e.f->TreeView1, "A1"));
        e.app.prompts.answers.enqueue(true);
        e.f->aDzialUsun->trigger();
        QVERIFY(!node(*e.f->TreeView1, "A1"));
        QVERIFY(e.f->Zmiany);
        // No renumbering: the gap stays until the next move.
        QCOMPARE(e.app.form->IBDatabase1.connected(), true);
        db::DataSet kolej(e.app.form->IBDatabase1);
        kolej.setSelectSql("select list(KOLEJ, ',') from (select KOLEJ from DZIALY where FIRMA_ID = 1 order by KOLEJ)");
        kolej.open();
        QCOMPARE(kolej.value(0, 0).toString(), QString("0,2,3,4,5"));
        e.select("C");
        e.f->aDzialWGore->trigger();
        QCOMPARE(e.invariantBroken(), QString());
    }

    void companiesAreAddedRenamedAndDeleted()
    {
        Editor e;
        {
            auto answer = answerInputBox("Gamma");
            e.f->aFirmaDodaj->trigger();
            QVERIFY(answer->acted());
        }
        QCOMPARE(e.f->sqlFirmy.recordCount(), 3);
        QCOMPARE(e.f->BiezacaFirma(), 3);
        QCOMPARE(e.f->TreeView1->nodeCount(), 0);
        {
            auto answer = answerInputBox("porzucona", false);
            e.f->aFirmaDodaj->trigger();
            QVERIFY(answer->acted());
        }
        QCOMPARE(e.f->sqlFirmy.recordCount(), 3);
        {
            auto answer = answerInputBox("Delta");
            e.f->aFirmaDodaj->trigger();
            QVERIFY(answer->acted());
        }
        QCOMPARE(e.f->BiezacaFirma(), 4);  // the cancelled company took no number
        QCOMPARE(e.app.form->Form_InputBox().windowTitle(), QString("Dodaj firmę"));
        QCOMPARE(e.app.form->Form_InputBox().MaxDlugosc, 128);
        {
            auto answer = answerInputBox("Delta S.A.");
            e.f->aFirmaEdytuj->trigger();
            QVERIFY(answer->acted());
        }
        QCOMPARE(e.f->sqlFirmy.field("NAZWA").asString(), QString("Delta S.A."));
        QCOMPARE(e.app.form->Form_InputBox().windowTitle(), QString("Edycja firmy firmę"));

        // Deleting the first company takes its departments and staff with it.
        e.f->sqlFirmy.first();
        e.app.prompts.answers.enqueue(true);
        e.f->aFirmaUsun->trigger();
        QCOMPARE(e.app.prompts.shown.last().caption, QString("Usunięcie firmy"));
        QCOMPARE(e.app.prompts.shown.last().text,
                 QString("Na pewno usunąć firmę: 'Alfa'?\n\nUWAGA!\nTa operacja spowoduje usunięcie "
                         "firmy wraz ze wszystkimi działami i pracownikami."));
        QCOMPARE(e.f->BiezacaFirma(), 2);
        e.f->btnOK->click();
        QCOMPARE(e.f->result(), int(QDialog::Accepted));
        QVERIFY(!e.f->sqlFirmy.active());
        QCOMPARE(e.app.database()->scalar("select count(*) from DZIALY where FIRMA_ID = 1").toInt(), 0);
        QCOMPARE(e.app.database()->scalar("select count(*) from PERSONEL where FIRMA_ID = 1").toInt(), 0);
        QCOMPARE(e.app.database()->scalar("select count(*) from FIRMY").toInt(), 3);
    }

    void aNewCompanyHasNoDepartmentActionsUntilStored()
    {
        Editor e;
        int companyWhileTyping = -1;
        int nodesWhileTyping = -1;
        bool addWhileTyping = true;
        auto check = std::make_unique<ModalAction>([&](QWidget* w) {
            companyWhileTyping = e.f->BiezacaFirma();
            nodesWhileTyping = e.f->TreeView1->nodeCount();
            addWhileTyping = e.f->aDzialDodaj->isEnabled();
            qobject_cast<QDialog*>(w)->reject();
        });
        e.f->aFirmaDodaj->trigger();
        QVERIFY(check->acted());
        QCOMPARE(companyWhileTyping, 0);
        QCOMPARE(nodesWhileTyping, 0);
        QVERIFY(!addWhileTyping);
        // Abandoned: the company before is current again, with its tree.
        QCOMPARE(e.f->BiezacaFirma(), 1);
        QCOMPARE(e.f->TreeView1->nodeCount(), 6);
        QVERIFY(e.f->aDzialDodaj->isEnabled());
    }

    void cancellingAsksAndRollsBackEverything()
    {
        Editor e;
        {
            auto answer = answerInputBox("Nowa");
            e.f->aFirmaDodaj->trigger();
        }
        e.f->sqlFirmy.first();
        e.select("C");
        {
            auto answer = answerDepartment("Nowy dział");
            e.f->aDzialDodaj->trigger();
        }
        e.select("B");
        e.f->aDzialWGore->trigger();
        QVERIFY(e.f->Zmiany);

        e.app.prompts.answers.enqueue(false);
        e.f->btnAnuluj->click();
        QVERIFY(e.f->isVisible());  // No: everything stays
        QCOMPARE(e.app.prompts.shown.last().text, QString("Na pewno anulować wszystkie wprowadzone zmiany?"));
        QCOMPARE(e.app.prompts.shown.last().caption, QString("Anulowanie zmian"));
        QVERIFY(node(*e.f->TreeView1, "Nowy dział"));
        QCOMPARE(e.invariantBroken(), QString());

        e.app.prompts.answers.enqueue(true);
        e.f->btnAnuluj->click();
        QVERIFY(!e.f->isVisible());
        QCOMPARE(e.f->result(), int(QDialog::Rejected));
        QVERIFY(!e.f->sqlFirmy.active() && !e.f->sqlDzialy.active());
        db::DataSet check(e.app.form->IBDatabase1);
        check.setSelectSql("select (select count(*) from FIRMY), (select count(*) from DZIALY), "
                           "(select list(NAZWA, ',') from (select NAZWA from DZIALY order by KOLEJ)) "
                           "from RDB$DATABASE");
        check.open();
        QCOMPARE(check.value(0, 0).toInt(), 2);
        QCOMPARE(check.value(0, 1).toInt(), 6);
        QCOMPARE(check.value(0, 2).toString(), QString("A,A1,A2,A2a,B,C"));
    }

    void cancelWithoutChangesClosesAtOnce()
    {
        Editor e;
        QTest::keyClick(e.f, Qt::Key_Escape);
        QVERIFY(!e.f->isVisible());
        QVERIFY(e.app.prompts.shown.isEmpty());
    }

    void pickingACompanyAndDepartment()
    {
        Editor e(kFirma, "WYBOR", 1, 3);
        QVERIFY(!e.f->ToolBar1->isVisibleTo(e.f) && !e.f->ToolBar2->isVisibleTo(e.f));
        QVERIFY(e.f->btnOK->isDefault());
        QVERIFY(!e.f->TreeView1->dragEnabled());
        for (QAction* a : actions(*e.f))
            QVERIFY2(!a->isEnabled(), qPrintable(a->objectName()));
        // Enter in the tree reaches OK.
        e.f->TreeView1->setFocus();
        QTest::keyClick(e.f->TreeView1, Qt::Key_Return);
        QCOMPARE(e.f->result(), int(QDialog::Accepted));
        QCOMPARE(e.f->FirmaId, 1);
        QCOMPARE(e.f->FirmaNazwa, QString("Alfa"));
        QCOMPARE(e.f->DzialId, 3);
        QCOMPARE(e.f->DzialNazwa, QString("A2"));

        // A company without departments: department 0 and no name.
        e.f->FirmaId = 2;
        e.f->DzialId = 3;
        e.f->show();
        e.f->btnOK->click();
        QCOMPARE(e.f->FirmaId, 2);
        QCOMPARE(e.f->FirmaNazwa, QString("Beta bez działów"));
        QCOMPARE(e.f->DzialId, 0);
        QCOMPARE(e.f->DzialNazwa, QString());
    }

    void theMainWindowFollowsAnOk()
    {
        AppFixture app(false);
        app.database()->run(kFirma);
        QVERIFY(app.start());
        MainWindow& main = *app.form;
        CompaniesDialog& f = main.Form_Firmy();
        ModalAction work([&](QWidget*) {
            {
                auto answer = answerInputBox("Nowa firma");
                f.aFirmaDodaj->trigger();
            }
            {
                auto answer = answerDepartment("Recepcja");
                f.aDzialDodaj->trigger();
            }
            f.btnOK->click();
        });
        main.aFirmy->trigger();
        QVERIFY(work.acted());
        QCOMPARE(f.Tryb, QString("EDYCJA"));
        QCOMPARE(main.BiezacaFirma(), 3);
        QCOMPARE(main.Label4->text(), QString("Nowa firma"));
        QCOMPARE(main.TreeView1->selectedNode()->text(), QString("Recepcja"));
        // Committed: another desk sees it.
        QCOMPARE(app.database()->scalar("select NAZWA from DZIALY where FIRMA_ID = 3").toString(),
                 QString("Recepcja"));
    }

    void aLockedDepartmentLeavesNothingHalfRenumbered()
    {
        Editor e;
        // Another desk changes department C and does not commit.
        auto desk2 = e.app.database()->connect();
        desk2->execute("update DZIALY set LOKALIZACJA = 'zajęty' where ID = 6");
        e.select("B");
        e.f->aDzialWGore->trigger();  // renumbering reaches C and is refused at once
        QCOMPARE(e.app.prompts.messages().size(), 1);
        QVERIFY2(e.app.prompts.messages()[0].contains("conflict", Qt::CaseInsensitive),
                 qPrintable(e.app.prompts.messages()[0]));
        // The tree is shown as the database has it, and the database as it was.
        QCOMPARE(outline(*e.f->TreeView1), QStringList({"A", "  A1", "  A2", "    A2a", "B", "C"}));
        QCOMPARE(e.invariantBroken(), QString());
        QCOMPARE(e.f->TreeView1->selectedNode()->text(), QString("B"));
        // The window goes on once the other desk is done.
        desk2->transaction().rollback();
        e.f->aDzialWGore->trigger();
        QCOMPARE(outline(*e.f->TreeView1), QStringList({"B", "A", "  A1", "  A2", "    A2a", "C"}));
        QCOMPARE(e.invariantBroken(), QString());
        e.f->btnOK->click();
        QCOMPARE(e.app.database()->scalar("select KOLEJ from DZIALY where ID = 5").toInt(), 0);
    }

    void aCompanyDeletedElsewhereMeanwhile()
    {
        Editor e(kFirma, "EDYCJA", 2);
        auto desk2 = e.app.database()->connect();
        desk2->execute("delete from FIRMY where ID = 2");
        desk2->transaction().commitRetaining();
        {
            auto answer = answerDepartment("Do usuniętej");
            e.f->aDzialDodaj->trigger();
            QVERIFY(answer->acted());
        }
        // The department dialog reported the refusal and stayed until cancelled by the
        // test's answer; no node was added and nothing is left to commit.
        QVERIFY(!e.app.prompts.messages().isEmpty());
        QCOMPARE(e.f->TreeView1->nodeCount(), 0);
        QCOMPARE(e.f->sqlDzialy.state(), db::DataSetState::Browse);
        {
            auto answer = answerInputBox("Nowa nazwa");
            e.f->aFirmaEdytuj->trigger();
        }
        QVERIFY(e.app.prompts.messages().last().contains("nie istnieje"));
        QCOMPARE(e.f->sqlFirmy.state(), db::DataSetState::Browse);
        QVERIFY(e.f->isVisible());
    }
};

HALVANE_TEST(FirmyTest);
#include "CompaniesDialogTest.moc"

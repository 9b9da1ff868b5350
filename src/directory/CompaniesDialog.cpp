#include "directory/CompaniesDialog.h"

#include "controls/DataGrid.h"
#include "controls/DepartmentTree.h"
#include "controls/DialogButtons.h"
#include "controls/Prompts.h"
#include "db/Database.h"
#include "db/Error.h"
#include "db/Statement.h"
#include "desk/Desk.h"
#include "directory/DepartmentDialog.h"

#include <QAction>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QSplitter>
#include <QToolBar>
#include <QVBoxLayout>
#include <algorithm>

namespace {

constexpr auto SelectCompanies = R"(select *
from FIRMY
order by ID)";
constexpr auto InsertCompany = R"(insert into FIRMY
  (ID, NAZWA)
values
  (:ID, :NAZWA))";
constexpr auto UpdateCompany = R"(update FIRMY
set
  ID = :ID,
  NAZWA = :NAZWA
where
  ID = :OLD_ID)";
constexpr auto DeleteCompany = R"(delete from FIRMY
where
  ID = :OLD_ID)";
constexpr auto RefreshCompany = R"(Select 
  ID,
  NAZWA
from FIRMY 
where
  ID = :ID)";

constexpr auto SelectDepartments = R"(select *
from DZIALY
where FIRMA_ID = :firma_id
order by KOLEJ)";
constexpr auto InsertDepartment = R"(insert into DZIALY
  (ID, FIRMA_ID, POPID, KOLEJ, NAZWA, LOKALIZACJA)
values
  (:ID, :FIRMA_ID, :POPID, :KOLEJ, :NAZWA, :LOKALIZACJA))";
constexpr auto UpdateDepartment = R"(update DZIALY
set
  ID = :ID,
  FIRMA_ID = :FIRMA_ID,
  POPID = :POPID,
  KOLEJ = :KOLEJ,
  NAZWA = :NAZWA,
  LOKALIZACJA = :LOKALIZACJA
where
  ID = :OLD_ID)";
constexpr auto DeleteDepartment = R"(delete from DZIALY
where
  ID = :OLD_ID)";
constexpr auto RefreshDepartment = R"(Select 
  ID,
  FIRMA_ID,
  POPID,
  KOLEJ,
  NAZWA,
  LOKALIZACJA
from DZIALY 
where
  ID = :ID)";

// Renumbering writes the place of a department in the tree and nothing else, so a name or
// location another desk stored meanwhile stays.
constexpr auto UpdateDepartmentPlace = R"(update DZIALY
set
  POPID = :POPID,
  KOLEJ = :KOLEJ
where
  ID = :ID)";

constexpr auto CountStaff = R"(select count(*) as ILOSC
from PERSONEL
where DZIAL_ID = :DZIAL_ID)";

constexpr auto CountSubDepartments = R"(select count(*) as ILOSC
from DZIALY
where POPID = :ID)";

constexpr auto SetSavepoint = R"(SAVEPOINT ZMIANA_STRUKTURY)";
constexpr auto RollBackToSavepoint = R"(ROLLBACK TO SAVEPOINT ZMIANA_STRUKTURY)";
constexpr auto ReleaseSavepoint = R"(RELEASE SAVEPOINT ZMIANA_STRUKTURY ONLY)";

const QString Id = QStringLiteral("ID");
const QString Name = QStringLiteral("NAZWA");

// A savepoint of the shared transaction: what a step wrote is undone unless the step
// finished.
class Savepoint {
public:
    explicit Savepoint(db::Database& database) : database_(database)
    {
        database_.execute(QString::fromUtf8(SetSavepoint));
    }
    ~Savepoint()
    {
        if (open_) {
            try {
                database_.execute(QString::fromUtf8(RollBackToSavepoint));
            } catch (const db::Error&) {
                // the step's own error is the one the user sees
            }
        }
    }
    void release()
    {
        database_.execute(QString::fromUtf8(ReleaseSavepoint));
        open_ = false;
    }

private:
    db::Database& database_;
    bool open_ = true;
};

}  // namespace

CompaniesDialog::CompaniesDialog(desk::Desk& desk, QWidget* parent)
    : QDialog(parent), desk_(desk), companies(desk.database()), departments(desk.database())
{
    setObjectName(QStringLiteral("CompaniesDialog"));
    setWindowTitle(QStringLiteral("Firmy"));
    resize(560, 640);

    companies.setObjectName(QStringLiteral("companies"));
    companies.setSelectSql(QString::fromUtf8(SelectCompanies));
    companies.setInsertSql(QString::fromUtf8(InsertCompany));
    companies.setModifySql(QString::fromUtf8(UpdateCompany));
    companies.setDeleteSql(QString::fromUtf8(DeleteCompany));
    companies.setRefreshSql(QString::fromUtf8(RefreshCompany));
    companies.setGenerator(QStringLiteral("GEN_FIRMY_ID"), Id, db::GeneratorApply::OnPost);

    departments.setObjectName(QStringLiteral("departments"));
    departments.setSelectSql(QString::fromUtf8(SelectDepartments));
    departments.setInsertSql(QString::fromUtf8(InsertDepartment));
    departments.setModifySql(QString::fromUtf8(UpdateDepartment));
    departments.setDeleteSql(QString::fromUtf8(DeleteDepartment));
    departments.setRefreshSql(QString::fromUtf8(RefreshDepartment));
    departments.setGenerator(QStringLiteral("GEN_DZIALY_ID"), Id, db::GeneratorApply::OnPost);

    connect(&companies, &db::DataSet::afterScroll, this,
            [this] { desk_.prompts().guarded([this] { onCompanyChanged(); }); });
    buildView();
    departmentDialog = new DepartmentDialog(departments, desk.prompts(), this);
}

int CompaniesDialog::exec(Mode mode, int companyId, int departmentId)
{
    prepare(mode, companyId, departmentId);
    return QDialog::exec();
}

void CompaniesDialog::open(Mode mode, int companyId, int departmentId)
{
    prepare(mode, companyId, departmentId);
    QDialog::open();
}

void CompaniesDialog::prepare(Mode mode, int companyId, int departmentId)
{
    mode_ = mode;
    companyId_ = companyId;
    departmentId_ = departmentId;
}

CompaniesDialog::Selection CompaniesDialog::selection() const
{
    return {companyId_, companyName_, departmentId_, departmentName_};
}

QAction* CompaniesDialog::makeAction(const char* name, const QString& text, const QString& hint,
                                     controls::Picture picture, std::function<void()> handler)
{
    auto* action = new QAction(controls::icon(picture, 16), text, this);
    action->setObjectName(QString::fromLatin1(name));
    action->setToolTip(hint);
    action->setStatusTip(hint);
    connect(action, &QAction::triggered, this,
            [this, handler] { desk_.prompts().guarded(handler); });
    return action;
}

void CompaniesDialog::buildView()
{
    using controls::Picture;
    addCompanyAction =
        makeAction("addCompanyAction", QStringLiteral("Dodaj"), QStringLiteral("Dodaj firmę (Ins)"),
                   Picture::Add, [this] { addCompany(); });
    deleteCompanyAction = makeAction("deleteCompanyAction", QStringLiteral("Usuń"),
                                     QStringLiteral("Usuń firmę (Del)"), Picture::Delete,
                                     [this] { deleteCompany(); });
    editCompanyAction = makeAction("editCompanyAction", QStringLiteral("Edytuj"),
                                   QStringLiteral("Edytuj firmę (Enter)"), Picture::Edit,
                                   [this] { renameCompany(); });
    addDepartmentAction = makeAction("addDepartmentAction", QStringLiteral("Dodaj"),
                                     QStringLiteral("Dodaj dział (Ins)"), Picture::Add,
                                     [this] { addDepartment(false); });
    addSubDepartmentAction = makeAction("addSubDepartmentAction", QStringLiteral("Dodaj podrzędny"),
                                        QStringLiteral("Dodaj dział podrzędny (Ctrl+Ins)"),
                                        Picture::AddChild, [this] { addDepartment(true); });
    deleteDepartmentAction = makeAction("deleteDepartmentAction", QStringLiteral("Usuń"),
                                        QStringLiteral("Usuń dział (Del)"), Picture::Delete,
                                        [this] { deleteDepartment(); });
    editDepartmentAction = makeAction("editDepartmentAction", QStringLiteral("Edytuj"),
                                      QStringLiteral("Edytuj dział (Enter)"), Picture::Edit,
                                      [this] { editDepartment(); });
    moveDepartmentUpAction = makeAction("moveDepartmentUpAction", QStringLiteral("W górę"),
                                        QStringLiteral("Przesuń w górę (Ctrl+Up)"), Picture::Up,
                                        [this] { moveDepartmentUp(); });
    moveDepartmentDownAction = makeAction("moveDepartmentDownAction", QStringLiteral("W dół"),
                                          QStringLiteral("Przesuń w dół (Ctrl+Down)"),
                                          Picture::Down, [this] { moveDepartmentDown(); });

    companyToolBar = new QToolBar;
    companyToolBar->setObjectName(QStringLiteral("companyToolBar"));
    companyToolBar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    companyToolBar->setIconSize(QSize(16, 16));
    companyToolBar->addActions({addCompanyAction, deleteCompanyAction, editCompanyAction});
    companyToolBar->setAccessibleName(QStringLiteral("Firma"));
    companyGrid = new controls::DataGrid(companies, desk_.prompts());
    companyGrid->setObjectName(QStringLiteral("companyGrid"));
    companyGrid->setAccessibleName(QStringLiteral("Firmy"));
    companyGrid->setTitleRow(false);
    companyGrid->setColumns({{Name, QStringLiteral("Nazwa"), 300}});
    companyGrid->installEventFilter(this);

    departmentToolBar = new QToolBar;
    departmentToolBar->setObjectName(QStringLiteral("departmentToolBar"));
    departmentToolBar->setOrientation(Qt::Vertical);
    departmentToolBar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    departmentToolBar->setIconSize(QSize(16, 16));
    departmentToolBar->addActions({addDepartmentAction, addSubDepartmentAction,
                                   deleteDepartmentAction, editDepartmentAction,
                                   moveDepartmentUpAction, moveDepartmentDownAction});
    departmentToolBar->setAccessibleName(QStringLiteral("Dział"));
    // A screen reader announces each button by its hint: the icons carry no text, and
    // "Dodaj" or "Usuń" alone would not tell a company from a department.
    for (QToolBar* toolBar : {companyToolBar, departmentToolBar})
        for (QAction* action : toolBar->actions())
            toolBar->widgetForAction(action)->setAccessibleName(action->toolTip());
    departmentTree = new controls::DepartmentTree;
    departmentTree->setObjectName(QStringLiteral("departmentTree"));
    departmentTree->setAccessibleName(QStringLiteral("Struktura firmy"));
    departmentTree->installEventFilter(this);
    connect(departmentTree, &controls::DepartmentTree::selectionChangedTo, this,
            [this] { updateActions(); });
    connect(departmentTree, &controls::DepartmentTree::nodeDraggedOver, this,
            &CompaniesDialog::onDraggedOver);
    connect(
        departmentTree, &controls::DepartmentTree::nodeDropped, this,
        [this](const QPoint& point) { desk_.prompts().guarded([&] { dropDepartment(point); }); });

    auto* upperPane = new QWidget;
    auto* upperLayout = new QVBoxLayout(upperPane);
    upperLayout->setContentsMargins(0, 0, 0, 0);
    upperLayout->addWidget(companyToolBar);
    upperLayout->addWidget(companyGrid);
    auto* lowerPane = new QWidget;
    auto* lowerLayout = new QVBoxLayout(lowerPane);
    lowerLayout->setContentsMargins(0, 0, 0, 0);
    auto* treeLabel = new QLabel(QStringLiteral(" Struktura firmy:"));
    treeLabel->setBuddy(departmentTree);
    lowerLayout->addWidget(treeLabel);
    auto* treeRow = new QHBoxLayout;
    treeRow->addWidget(departmentToolBar);
    treeRow->addWidget(departmentTree);
    lowerLayout->addLayout(treeRow);
    auto* splitter = new QSplitter(Qt::Vertical);
    splitter->addWidget(upperPane);
    splitter->addWidget(lowerPane);
    splitter->setStretchFactor(1, 2);

    QHBoxLayout* buttons = controls::okCancelButtons(okButton, cancelButton);
    connect(okButton, &QPushButton::clicked, this,
            [this] { desk_.prompts().guarded([this] { confirm(); }); });
    connect(cancelButton, &QPushButton::clicked, this, &CompaniesDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(splitter);
    layout->addLayout(buttons);
}

// ------------------------------------------------------------ showing and modes

void CompaniesDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    desk_.prompts().guarded([this] { onShown(); });
}

void CompaniesDialog::onShown()
{
    applyMode();
    companies.close();
    companies.open();
    companies.locate(Id, companyId_, 0);
    departmentTree->selectDepartment(departmentId_);
    changed_ = false;
    companyGrid->setFocus();
    updateActions();
}

void CompaniesDialog::applyMode()
{
    const bool editing = mode_ == Mode::Edit;
    companyToolBar->setVisible(editing);
    departmentToolBar->setVisible(editing);
    okButton->setDefault(!editing);
    departmentTree->setDragEnabled(editing);
}

int CompaniesDialog::currentCompanyId() const
{
    if (!companies.active() || companies.isEmpty())
        return 0;
    return companies.field(Id).asInteger();
}

void CompaniesDialog::updateActions()
{
    const bool editing = mode_ == Mode::Edit;
    const bool hasCompany = currentCompanyId() != 0;
    QStandardItem* node = departmentTree->selectedNode();
    const bool hasNode = node != nullptr;
    addCompanyAction->setEnabled(editing);
    deleteCompanyAction->setEnabled(editing && hasCompany);
    editCompanyAction->setEnabled(editing && hasCompany);
    addDepartmentAction->setEnabled(editing && hasCompany);
    addSubDepartmentAction->setEnabled(editing && hasNode);
    editDepartmentAction->setEnabled(editing && hasNode);
    deleteDepartmentAction->setEnabled(editing && hasNode && !node->hasChildren());
    moveDepartmentUpAction->setEnabled(editing && hasNode && sibling(node, -1));
    moveDepartmentDownAction->setEnabled(editing && hasNode && sibling(node, +1));
}

void CompaniesDialog::onCompanyChanged()
{
    const int companyId = currentCompanyId();
    departmentTree->loadDepartments(desk_.database(), companyId);
    readDepartments();
    updateActions();
}

// The rows of the current company's departments as this desk's unit of work has them now:
// the rows its own steps store are the ones the next step compares with what is stored.
// The company is taken afresh each time, as a company just stored has only now its number.
void CompaniesDialog::readDepartments()
{
    departments.cancel();
    departments.close();
    departments.setParam(QStringLiteral("firma_id"), currentCompanyId());
    departments.open();
}

// ------------------------------------------------------------ companies

void CompaniesDialog::addCompany()
{
    companies.append();
    const std::optional<QString> name =
        desk_.askValue({QStringLiteral("Dodaj firmę"), QStringLiteral("Nazwa firmy:"), QString(),
                        desk::ValueType::Text, companies.field(Name).size()});
    if (name) {
        try {
            companies.field(Name).setAsString(*name);
            companies.post();
        } catch (...) {
            companies.cancel();  // no half-entered company stays behind
            throw;
        }
        readDepartments();  // of the number the company has now
        changed_ = true;
    } else {
        companies.cancel();
    }
    companyGrid->setFocus();
    updateActions();
}

void CompaniesDialog::renameCompany()
{
    const std::optional<QString> name = desk_.askValue(
        {QStringLiteral("Edycja firmy firmę"), QStringLiteral("Nazwa firmy:"),
         companies.field(Name).asString(), desk::ValueType::Text, companies.field(Name).size()});
    if (name) {
        companies.edit();
        try {
            companies.field(Name).setAsString(*name);
            companies.post();
        } catch (...) {
            companies.cancel();
            throw;
        }
        changed_ = true;
    }
    companyGrid->setFocus();
    updateActions();
}

void CompaniesDialog::deleteCompany()
{
    const QString name = companies.field(Name).asString();
    if (desk_.prompts().question(
            QStringLiteral("Na pewno usunąć firmę: '") + name +
                QStringLiteral("'?\n\nUWAGA!\nTa operacja spowoduje usunięcie firmy wraz ze "
                               "wszystkimi działami i pracownikami."),
            QStringLiteral("Usunięcie firmy"))) {
        companies.remove();
        changed_ = true;
    }
    companyGrid->setFocus();
    updateActions();
}

// ------------------------------------------------------------ the department tree

int CompaniesDialog::parentId(const QStandardItem* node)
{
    return node ? controls::DepartmentTree::nodeId(node->parent()) : 0;
}

QStandardItem* CompaniesDialog::sibling(QStandardItem* node, int direction) const
{
    if (!node)
        return nullptr;
    const QStandardItem* parent = node->parent();
    const QStandardItem* owner = parent ? parent : departmentTree->nodes().invisibleRootItem();
    const int row = node->row() + direction;
    return row >= 0 && row < owner->rowCount() ? owner->child(row) : nullptr;
}

void CompaniesDialog::renumberDepartments()
{
    const std::vector<QStandardItem*> nodes = departmentTree->nodesInOrder();
    db::Statement update(desk_.database(), QString::fromUtf8(UpdateDepartmentPlace));
    for (size_t i = 0; i < nodes.size(); ++i) {
        const int id = controls::DepartmentTree::nodeId(nodes[i]);
        const QVariant values[] = {parentId(nodes[i]), int(i), id};
        update.execute([&](const QString& name) {
            const QString upper = name.toUpper();
            return upper == QLatin1String("POPID")   ? values[0]
                   : upper == QLatin1String("KOLEJ") ? values[1]
                                                     : values[2];
        });
        if (update.affectedRows() != 1)
            throw db::Error(QStringLiteral("Nie znaleziono działu o numerze %1").arg(id));
    }
    // The rows read before hold the old places: read them again, so that editing a
    // department afterwards does not put its old place back.
    readDepartments();
}

void CompaniesDialog::reloadDepartments(int selectedId)
{
    readDepartments();
    departmentTree->loadDepartments(desk_.database(), currentCompanyId());
    departmentTree->selectDepartment(selectedId);
    updateActions();
}

// Every department is renumbered from the tree shown: a tree that another desk has
// changed since it was read would put that desk's change back.
void CompaniesDialog::requireTreeAsStored()
{
    if (!departments.active())
        return;
    db::Statement stored(desk_.database(), QString::fromUtf8(SelectDepartments));
    std::vector<db::Values> rows;
    stored.execute([&](const QString&) { return QVariant(currentCompanyId()); }, &rows);
    bool same = int(rows.size()) == departments.recordCount();
    const char* const columns[] = {"ID", "POPID", "KOLEJ"};
    for (int row = 0; same && row < int(rows.size()); ++row)
        for (const char* column : columns) {
            const int index = departments.field(QString::fromLatin1(column)).index();
            const auto at = std::find_if(
                stored.columns().begin(), stored.columns().end(),
                [column](const db::Column& c) { return c.name == QLatin1String(column); });
            same = same && rows[size_t(row)][size_t(at - stored.columns().begin())] ==
                               departments.value(row, index);
        }
    if (!same)
        throw db::Error(db::DataSet::changedElsewhereMessage());
}

void CompaniesDialog::changeStructure(const std::function<bool()>& change)
{
    const int selectedId = controls::DepartmentTree::nodeId(departmentTree->selectedNode());
    try {
        Savepoint savepoint(desk_.database());
        requireTreeAsStored();
        if (change())
            renumberDepartments();
        savepoint.release();
    } catch (...) {
        // The savepoint has undone the step in the database; show the tree as it is there.
        reloadDepartments(selectedId);
        throw;
    }
}

void CompaniesDialog::addDepartment(bool asChild)
{
    QStandardItem* selected = departmentTree->selectedNode();
    const int newParentId =
        asChild ? controls::DepartmentTree::nodeId(selected) : parentId(selected);
    bool added = false;
    changeStructure([&] {
        departments.append();
        departments.field(QStringLiteral("FIRMA_ID")).setAsInteger(currentCompanyId());
        departments.field(QStringLiteral("POPID")).setAsInteger(newParentId);
        if (departmentDialog->exec() != QDialog::Accepted)
            return false;
        QStandardItem* parent = asChild ? selected : (selected ? selected->parent() : nullptr);
        QStandardItem* node = departmentTree->addNode(
            parent, departments.field(Name).asString(), departments.field(Id).asInteger(),
            controls::icon(controls::Picture::Department, 16));
        if (parent)
            departmentTree->expand(parent->index());
        departmentTree->selectNode(node);
        added = true;
        return true;
    });
    if (added)
        changed_ = true;
    departmentTree->setFocus();
    updateActions();
}

void CompaniesDialog::editDepartment()
{
    QStandardItem* node = departmentTree->selectedNode();
    if (!node || !departments.locate(Id, controls::DepartmentTree::nodeId(node), 0))
        return;
    departments.edit();
    if (departmentDialog->exec() == QDialog::Accepted) {
        node->setText(departments.field(Name).asString());
        changed_ = true;
    }
    departmentTree->setFocus();
    updateActions();
}

int CompaniesDialog::countRows(const char* sql, const char* param, int value)
{
    db::Statement count(desk_.database(), QString::fromUtf8(sql));
    std::vector<db::Values> rows;
    const QString name = QString::fromLatin1(param);
    count.execute(
        [&](const QString& asked) {
            return asked.compare(name, Qt::CaseInsensitive) == 0 ? QVariant(value) : QVariant();
        },
        &rows);
    return rows.empty() || rows.front().empty() ? 0 : rows.front().front().toInt();
}

void CompaniesDialog::deleteDepartment()
{
    QStandardItem* node = departmentTree->selectedNode();
    if (!node)
        return;
    const int departmentId = controls::DepartmentTree::nodeId(node);
    const QString name = node->text();
    // The tree on screen may be older than the database: another desk may have given the
    // department a sub-department since it was read. Says what stops the delete, if anything.
    bool hasSubDepartments = false;
    const auto refuseOccupied = [&] {
        hasSubDepartments = countRows(CountSubDepartments, "ID", departmentId) != 0;
        if (!hasSubDepartments && countRows(CountStaff, "DZIAL_ID", departmentId) == 0)
            return false;
        desk_.prompts().beep();
        desk_.prompts().message(
            QStringLiteral("Nie można usunąć działu w któym zarejestrowani są pracownicy.\n"
                           "Najpierw usuń pracowników lub przenieś ich do innego działu."));
        return true;
    };
    if (refuseOccupied()) {
        if (hasSubDepartments)
            reloadDepartments(departmentId);  // show what stopped it
        return;
    }
    if (desk_.prompts().question(
            QStringLiteral("Na pewno usunąć dział: '") + name + QStringLiteral("'?"),
            QStringLiteral("Usunięcie działu"))) {
        // The row goes first: a refused delete leaves the node where it was. A desk putting
        // an employee or a sub-department into it holds the row, so the delete meets that
        // desk's lock; one that stored its employee meanwhile is counted again after it.
        bool occupied = false;
        {
            Savepoint savepoint(desk_.database());
            if (departments.locate(Id, departmentId, 0))
                departments.remove();
            occupied = refuseOccupied();
            if (!occupied)
                savepoint.release();
        }
        if (occupied) {
            reloadDepartments(departmentId);  // the row is back
            return;
        }
        QStandardItem* parent = node->parent();
        (parent ? parent : departmentTree->nodes().invisibleRootItem())->removeRow(node->row());
        changed_ = true;
    }
    departmentTree->setFocus();
    updateActions();
}

void CompaniesDialog::moveNode(QStandardItem* node, QStandardItem* parent, int row)
{
    QStandardItem* selected = departmentTree->selectedNode();
    QStandardItem* root = departmentTree->nodes().invisibleRootItem();
    QStandardItem* oldOwner = node->parent() ? node->parent() : root;
    QStandardItem* newOwner = parent ? parent : root;
    const int oldRow = node->row();
    if (oldOwner == newOwner && oldRow < row)
        --row;
    const QSignalBlocker quiet(departmentTree);
    const QList<QStandardItem*> taken = oldOwner->takeRow(oldRow);
    newOwner->insertRow(row, taken);
    if (parent)
        departmentTree->expand(parent->index());
    departmentTree->expandRecursively(node->index());
    departmentTree->selectNode(selected);
}

bool CompaniesDialog::isInSubtree(const QStandardItem* node, const QStandardItem* root)
{
    for (const QStandardItem* n = node; n; n = n->parent())
        if (n == root)
            return true;
    return false;
}

void CompaniesDialog::moveDepartmentUp()
{
    QStandardItem* selected = departmentTree->selectedNode();
    QStandardItem* previous = sibling(selected, -1);
    if (!previous)
        return;
    changeStructure([&] {
        moveNode(selected, selected->parent(), previous->row());
        return true;
    });
    changed_ = true;
    departmentTree->setFocus();
    updateActions();
}

void CompaniesDialog::moveDepartmentDown()
{
    QStandardItem* selected = departmentTree->selectedNode();
    QStandardItem* next = sibling(selected, +1);
    if (!next)
        return;
    changeStructure([&] {
        moveNode(next, selected->parent(), selected->row());
        return true;
    });
    changed_ = true;
    departmentTree->setFocus();
    updateActions();
}

// ------------------------------------------------------------ dragging

QCursor CompaniesDialog::dragCursor(const QPoint& point) const
{
    using Zone = controls::DepartmentTree::Zone;
    QStandardItem* target = nullptr;
    const Zone zone = departmentTree->zoneAt(point, &target);
    const QStandardItem* dragged = departmentTree->selectedNode();
    switch (zone) {
        case Zone::Label:
            if (target != dragged)
                return desk_.treeCursor(controls::TreeCursor::InsertBefore);
            break;
        case Zone::Icon:
            if (target != dragged)
                return desk_.treeCursor(controls::TreeCursor::NewChild);
            break;
        case Zone::BelowLast:
            return desk_.treeCursor(controls::TreeCursor::AppendAtEnd);
        case Zone::None:
            break;
    }
    return QCursor(Qt::ForbiddenCursor);
}

void CompaniesDialog::onDraggedOver(const QPoint& point)
{
    departmentTree->viewport()->setCursor(dragCursor(point));
}

void CompaniesDialog::dropDepartment(const QPoint& point)
{
    using Zone = controls::DepartmentTree::Zone;
    QStandardItem* dragged = departmentTree->selectedNode();
    if (!dragged || mode_ != Mode::Edit)
        return;
    QStandardItem* target = nullptr;
    const Zone zone = departmentTree->zoneAt(point, &target);
    if (zone == Zone::None || (zone != Zone::BelowLast && target == dragged))
        return;  // refused
    changed_ = true;
    changeStructure([&] {
        if (zone == Zone::BelowLast)
            moveNode(dragged, nullptr, departmentTree->nodes().rowCount());
        else if (isInSubtree(target, dragged))
            ;  // into its own subtree: the tree stays as it was, numbered again all the same
        else if (zone == Zone::Label)
            moveNode(dragged, target->parent(), target->row());
        else
            moveNode(dragged, target, target->rowCount());
        return true;
    });
    updateActions();
}

// ------------------------------------------------------------ keys

bool CompaniesDialog::handleGridKey(QKeyEvent* key)
{
    QAction* action = nullptr;
    switch (key->key()) {
        case Qt::Key_Insert:
            action = addCompanyAction;
            break;
        case Qt::Key_Delete:
            action = deleteCompanyAction;
            break;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            action = editCompanyAction;
            break;
        default:
            return false;
    }
    if (!action->isEnabled())
        return key->key() == Qt::Key_Insert || key->key() == Qt::Key_Delete;
    action->trigger();
    return true;
}

bool CompaniesDialog::handleTreeKey(QKeyEvent* key)
{
    const bool ctrl = key->modifiers() & Qt::ControlModifier;
    QAction* action = nullptr;
    switch (key->key()) {
        case Qt::Key_Insert:
            action = ctrl ? addSubDepartmentAction : addDepartmentAction;
            break;
        case Qt::Key_Delete:
            action = deleteDepartmentAction;
            break;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            action = editDepartmentAction;
            break;
        case Qt::Key_Up:
            action = ctrl ? moveDepartmentUpAction : nullptr;
            break;
        case Qt::Key_Down:
            action = ctrl ? moveDepartmentDownAction : nullptr;
            break;
        default:
            return false;
    }
    if (!action)
        return false;  // plain arrows move through the tree
    if (action->isEnabled()) {
        action->trigger();
        return true;
    }
    // Enter is swallowed while editing and reaches the default OK while picking; the other
    // keys of a disabled action do nothing.
    const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
    return !(enter && mode_ == Mode::Pick);
}

bool CompaniesDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (watched == companyGrid && handleGridKey(key))
            return true;
        if (watched == departmentTree && handleTreeKey(key))
            return true;
    }
    if (watched == companyGrid && event->type() == QEvent::Resize)
        companyGrid->setColumnWidth(0, qMax(0, companyGrid->width() - 30));
    return QDialog::eventFilter(watched, event);
}

// ------------------------------------------------------------ closing

void CompaniesDialog::confirm()
{
    if (mode_ == Mode::Edit)
        desk_.commitWork();
    companyId_ = currentCompanyId();
    companyName_ =
        companies.active() && !companies.isEmpty() ? companies.field(Name).asString() : QString();
    QStandardItem* node = departmentTree->selectedNode();
    departmentId_ = controls::DepartmentTree::nodeId(node);
    departmentName_ = node ? node->text() : QString();
    changed_ = false;
    accept();
}

bool CompaniesDialog::confirmCancel()
{
    return desk_.prompts().question(
        QStringLiteral("Na pewno anulować wszystkie wprowadzone zmiany?"),
        QStringLiteral("Anulowanie zmian"));
}

void CompaniesDialog::reject()
{
    if (changed_) {
        if (!confirmCancel())
            return;
        desk_.rollbackWork();
        changed_ = false;
    }
    QDialog::reject();
}

void CompaniesDialog::done(int result)
{
    QDialog::done(result);
    companies.close();
    departments.close();
}

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
#include <optional>
#include <unordered_map>

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

// Renumbering writes the place of every department of the company in one exchange with the
// server, and only if the company's departments are stored as this desk read them: a tree
// that another desk has changed since would otherwise get that change undone. LISTA holds
// "ID,POPID,KOLEJ,new POPID,new KOLEJ;" for each department this desk holds (an empty value
// is null; no new place for one the tree does not show), ILE their number.
// There is no exception to raise without an object in the schema: a text that is no number
// (%1, StoredElsewhere) stops the block instead, which undoes all it wrote, and the text
// tells the desk why.
constexpr auto StoredElsewhere = "ZMIENIONE_NA_INNYM_STANOWISKU";
constexpr auto RenumberDepartments = R"(execute block (
  FIRMA integer = :FIRMA_ID,
  ILE integer = :ILE,
  LISTA varchar(32000) character set ASCII = :LISTA)
as
declare variable P integer = 1;
declare variable Q integer;
declare variable WPIS varchar(80) character set ASCII;
declare variable A integer;
declare variable B integer;
declare variable C integer;
declare variable D integer;
declare variable DZIAL integer;
declare variable STARY_POPID integer;
declare variable STARA_KOLEJ integer;
declare variable NOWY_POPID integer;
declare variable NOWA_KOLEJ integer;
declare variable ODMOWA integer;
declare variable ZMIENIONE varchar(30) character set ASCII = '%1';
begin
  if ((select count(*) from DZIALY where FIRMA_ID = :FIRMA) <> :ILE) then
    ODMOWA = :ZMIENIONE;
  while (P < char_length(:LISTA)) do
  begin
    Q = position(';', :LISTA, :P);
    WPIS = substring(:LISTA from :P for :Q - :P);
    P = :Q + 1;
    A = position(',', :WPIS);
    B = position(',', :WPIS, :A + 1);
    C = position(',', :WPIS, :B + 1);
    D = position(',', :WPIS, :C + 1);
    DZIAL = substring(:WPIS from 1 for :A - 1);
    STARY_POPID = nullif(substring(:WPIS from :A + 1 for :B - :A - 1), '');
    STARA_KOLEJ = nullif(substring(:WPIS from :B + 1 for :C - :B - 1), '');
    NOWY_POPID = nullif(substring(:WPIS from :C + 1 for :D - :C - 1), '');
    NOWA_KOLEJ = nullif(substring(:WPIS from :D + 1), '');
    if (:NOWA_KOLEJ is null) then
    begin
      if (not exists(select 1 from DZIALY
                     where ID = :DZIAL and FIRMA_ID = :FIRMA
                       and POPID is not distinct from :STARY_POPID
                       and KOLEJ is not distinct from :STARA_KOLEJ)) then
        ODMOWA = :ZMIENIONE;
    end
    else
    begin
      update DZIALY
      set POPID = :NOWY_POPID, KOLEJ = :NOWA_KOLEJ
      where ID = :DZIAL and FIRMA_ID = :FIRMA
        and POPID is not distinct from :STARY_POPID
        and KOLEJ is not distinct from :STARA_KOLEJ;
      if (row_count = 0) then
        ODMOWA = :ZMIENIONE;
    end
  end
end)";
// Room for LISTA in one run; a larger company is written in several, under a savepoint.
constexpr int RenumberListSize = 32000;

constexpr auto CountStaff = R"(select count(*) as ILOSC
from PERSONEL
where DZIAL_ID = :DZIAL_ID)";

constexpr auto CountSubDepartments = R"(select count(*) as ILOSC
from DZIALY
where POPID = :ID)";

// %1 is the savepoint's name.
constexpr auto SetSavepoint = R"(SAVEPOINT %1)";
constexpr auto RollBackToSavepoint = R"(ROLLBACK TO SAVEPOINT %1)";
constexpr auto ReleaseSavepoint = R"(RELEASE SAVEPOINT %1 ONLY)";

const QString Id = QStringLiteral("ID");
const QString Name = QStringLiteral("NAZWA");

// A savepoint of the shared transaction: what a step wrote is undone unless the step
// finished.
class Savepoint {
public:
    explicit Savepoint(db::Database& database, const char* name = "ZMIANA_STRUKTURY")
        : database_(database), name_(QLatin1String(name))
    {
        database_.execute(QString::fromUtf8(SetSavepoint).arg(name_));
    }
    ~Savepoint()
    {
        if (open_) {
            try {
                database_.execute(QString::fromUtf8(RollBackToSavepoint).arg(name_));
            } catch (const db::Error&) {
                // the step's own error is the one the user sees
            }
        }
    }
    void release()
    {
        database_.execute(QString::fromUtf8(ReleaseSavepoint).arg(name_));
        open_ = false;
    }

private:
    db::Database& database_;
    QString name_;
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
    readDepartments();
    showDepartmentTree();
    updateActions();
}

// The tree built from the rows just read, in their order (by KOLEJ): one reading of the
// company's departments serves both.
void CompaniesDialog::showDepartmentTree()
{
    const int idField = departments.field(Id).index();
    const int parentField = departments.field(QStringLiteral("POPID")).index();
    const int nameField = departments.field(Name).index();
    std::vector<controls::DepartmentTree::Department> shown;
    shown.reserve(size_t(departments.recordCount()));
    for (int row = 0; row < departments.recordCount(); ++row) {
        const QVariant parent = departments.value(row, parentField);
        shown.push_back({departments.value(row, idField).toInt(),
                         parent.isNull() ? std::nullopt : std::optional(parent.toInt()),
                         departments.value(row, nameField).toString()});
    }
    departmentTree->showDepartments(shown);
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

namespace {

QString placeText(const QVariant& value)
{
    return value.isNull() ? QString() : QString::number(value.toInt());
}

}  // namespace

// Each department's place as the tree shows it, written in one exchange with the server
// for any ordinary company (a very large one takes one exchange more for every 1,000
// departments or so); the rows held here then hold the new places.
void CompaniesDialog::renumberDepartments()
{
    const std::vector<QStandardItem*> nodes = departmentTree->nodesInOrder();
    Places places;
    for (size_t i = 0; i < nodes.size(); ++i)
        places[controls::DepartmentTree::nodeId(nodes[i])] = {parentId(nodes[i]), int(i)};
    writePlaces(places);
}

// Every step of the tree starts from the tree shown: one that another desk has changed
// since it was read would put that desk's change back.
void CompaniesDialog::requireTreeAsStored()
{
    if (departments.active())
        writePlaces({});
}

void CompaniesDialog::writePlaces(const Places& places)
{
    const int idField = departments.field(Id).index();
    const int parentField = departments.field(QStringLiteral("POPID")).index();
    const int orderField = departments.field(QStringLiteral("KOLEJ")).index();
    QStringList lists{QString()};
    for (int row = 0; row < departments.recordCount(); ++row) {
        const int id = departments.value(row, idField).toInt();
        QString entry = QString::number(id) + u',' +
                        placeText(departments.value(row, parentField)) + u',' +
                        placeText(departments.value(row, orderField)) + u',';
        const auto place = places.find(id);
        if (place != places.end())
            entry +=
                QString::number(place->second.first) + u',' + QString::number(place->second.second);
        else
            entry += u',';
        entry += u';';
        if (lists.back().size() + entry.size() > RenumberListSize)
            lists << QString();
        lists.back() += entry;
    }

    std::optional<Savepoint> savepoint;
    if (lists.size() > 1)
        savepoint.emplace(desk_.database(), "NUMERACJA_DZIALOW");
    static const QString sql =
        QString::fromUtf8(RenumberDepartments).arg(QLatin1String(StoredElsewhere));
    db::Statement& renumber = desk_.database().prepared(sql);
    for (const QString& list : lists) {
        try {
            renumber.execute([&](const QString& name) -> QVariant {
                if (name == QLatin1String("FIRMA_ID"))
                    return currentCompanyId();
                if (name == QLatin1String("ILE"))
                    return departments.recordCount();
                return list;
            });
        } catch (const db::Error& error) {
            if (error.message().contains(QLatin1String(StoredElsewhere)))
                throw db::Error(db::DataSet::changedElsewhereMessage());
            throw;
        }
    }
    if (savepoint)
        savepoint->release();

    // The rows held take the places written, as if read again.
    for (int row = 0; row < departments.recordCount(); ++row) {
        const auto place = places.find(departments.value(row, idField).toInt());
        if (place == places.end())
            continue;
        departments.takeStored(row, parentField, place->second.first);
        departments.takeStored(row, orderField, place->second.second);
    }
}

void CompaniesDialog::reloadDepartments(int selectedId)
{
    readDepartments();
    showDepartmentTree();
    departmentTree->selectDepartment(selectedId);
    updateActions();
}

void CompaniesDialog::changeStructure(const std::function<bool()>& change, Writes writes)
{
    const int selectedId = controls::DepartmentTree::nodeId(departmentTree->selectedNode());
    try {
        if (writes == Writes::PlacesOnly) {
            // The renumbering compares and writes in one statement, which stores all or none.
            if (change())
                renumberDepartments();
        } else {
            Savepoint savepoint(desk_.database());
            requireTreeAsStored();
            if (change())
                renumberDepartments();
            savepoint.release();
        }
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
    changeStructure(
        [&] {
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
        },
        Writes::RowsToo);
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

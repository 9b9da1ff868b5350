#include "controls/DepartmentTree.h"

#include "controls/Colours.h"
#include "controls/Icons.h"
#include "db/Database.h"
#include "db/Statement.h"

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QSignalBlocker>
#include <functional>
#include <set>
#include <unordered_map>

namespace controls {
namespace {

// The whole tree of a company in one reading (ID, POPID, NAZWA by KOLEJ), and, flagged in
// BEZ_DZIALU, one row more when some of its employees are in none of its departments: a desk
// far from the server pays for every exchange, so the tree is put together here rather than
// asked for level by level.
constexpr auto SelectDepartmentTree = R"(select ID, POPID, NAZWA, KOLEJ, 0 as BEZ_DZIALU
from DZIALY
where FIRMA_ID = :firma_id
union all
select 0, null, null, null, 1
from RDB$DATABASE
where exists (select 1 from PERSONEL P
              where
                P.FIRMA_ID = :firma_id
                and
                not exists (select 1 from DZIALY D
                            where D.ID = P.DZIAL_ID and D.FIRMA_ID = P.FIRMA_ID))
order by 4)";

}  // namespace

NodeColourDelegate::NodeColourDelegate(DepartmentTree& tree)
    : QStyledItemDelegate(&tree), tree_(tree)
{}

void NodeColourDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                               const QModelIndex& index) const
{
    QStyleOptionViewItem plain(option);
    plain.state &= ~(QStyle::State_Selected | QStyle::State_HasFocus | QStyle::State_MouseOver);
    const QColor background = tree_.nodeBackground(index);
    plain.backgroundBrush = background;
    plain.palette.setColor(QPalette::Text, Qt::black);
    painter->fillRect(option.rect, background);
    QStyledItemDelegate::paint(painter, plain, index);
}

DepartmentTree::DepartmentTree(QWidget* parent) : QTreeView(parent), delegate_(*this)
{
    setModel(&model_);
    setItemDelegate(&delegate_);
    setHeaderHidden(true);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setUniformRowHeights(true);
    // The selected node is painted by the delegate; the style's highlight stays out of it.
    QPalette p = palette();
    p.setColor(QPalette::Highlight, p.color(QPalette::Base));
    p.setColor(QPalette::HighlightedText, Qt::black);
    setPalette(p);
    connect(selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) {
                viewport()->update();
                emit selectionChangedTo(model_.itemFromIndex(current));
            });
}

void DepartmentTree::clear()
{
    model_.removeRows(0, model_.rowCount());
}

bool DepartmentTree::loadDepartments(db::Database& database, int companyId)
{
    std::vector<db::Values> rows;
    database.prepared(QString::fromUtf8(SelectDepartmentTree))
        .execute([companyId](const QString&) { return QVariant(companyId); }, &rows);
    bool staffOutside = false;
    std::vector<Department> departments;
    departments.reserve(rows.size());
    for (const db::Values& row : rows) {
        if (row[4].toInt() == 1)
            staffOutside = true;
        else
            departments.push_back({row[0].toInt(),
                                   row[1].isNull() ? std::nullopt : std::optional(row[1].toInt()),
                                   row[2].toString()});
    }
    showDepartments(departments);
    return staffOutside;
}

void DepartmentTree::showDepartments(const std::vector<Department>& departments)
{
    // The children of each parent in the order given (by KOLEJ).
    std::unordered_map<int, std::vector<const Department*>> children;
    for (const Department& department : departments)
        if (department.parentId)
            children[*department.parentId].push_back(&department);
    // Each department is shown at most once: an ID that stands under itself, or a ring of
    // POPIDs, must not send the tree's building round for ever. What cannot be reached from the
    // top is left out.
    std::set<int> shown;
    std::function<void(int, QStandardItem*)> addLevel = [&](int parentId, QStandardItem* parent) {
        const auto level = children.find(parentId);
        if (level == children.end())
            return;
        // A whole level is placed before any child is, so a department listed again below
        // stays where it was met first.
        std::vector<std::pair<int, QStandardItem*>> placed;
        for (const Department* department : level->second)
            if (shown.insert(department->id).second)
                placed.emplace_back(department->id,
                                    addNode(parent, department->name, department->id,
                                            icon(Picture::Department, 16)));
        for (const auto& [id, node] : placed)
            addLevel(id, node);
    };
    {
        // The tree is empty while it is rebuilt; only the final selection is news.
        const QSignalBlocker quiet(this);
        clear();
        addLevel(0, nullptr);
        expandAll();
    }
    const std::vector<QStandardItem*> nodes = nodesInOrder();
    if (!nodes.empty())
        selectNode(nodes.front());
}

bool DepartmentTree::selectDepartment(int departmentId)
{
    for (QStandardItem* node : nodesInOrder()) {
        if (nodeId(node) == departmentId) {
            selectNode(node);
            return true;
        }
    }
    return false;
}

QStandardItem* DepartmentTree::addNode(QStandardItem* parent, const QString& text, int id,
                                       const QIcon& icon)
{
    QStandardItem* owner = parent ? parent : model_.invisibleRootItem();
    return insertNode(parent, owner->rowCount(), text, id, icon);
}

QStandardItem* DepartmentTree::insertNode(QStandardItem* parent, int row, const QString& text,
                                          int id, const QIcon& icon)
{
    auto* node = new QStandardItem(icon, text);
    node->setData(id, kIdRole);
    node->setEditable(false);
    node->setDragEnabled(false);
    node->setDropEnabled(false);
    QStandardItem* owner = parent ? parent : model_.invisibleRootItem();
    owner->insertRow(row, node);
    return node;
}

int DepartmentTree::nodeId(const QStandardItem* node)
{
    return node ? node->data(kIdRole).toInt() : 0;
}

QStandardItem* DepartmentTree::selectedNode() const
{
    return model_.itemFromIndex(selectionModel()->currentIndex());
}

void DepartmentTree::selectNode(QStandardItem* node)
{
    if (!node) {
        selectionModel()->clearCurrentIndex();
        selectionModel()->clearSelection();
        return;
    }
    const QModelIndex index = node->index();
    selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
    scrollTo(index);
}

namespace {
void collect(QStandardItem* parent, std::vector<QStandardItem*>& out)
{
    for (int row = 0; row < parent->rowCount(); ++row) {
        QStandardItem* child = parent->child(row);
        out.push_back(child);
        collect(child, out);
    }
}
}  // namespace

std::vector<QStandardItem*> DepartmentTree::nodesInOrder() const
{
    std::vector<QStandardItem*> out;
    collect(model_.invisibleRootItem(), out);
    return out;
}

int DepartmentTree::nodeCount() const
{
    return int(nodesInOrder().size());
}

QColor DepartmentTree::nodeBackground(const QModelIndex& index) const
{
    const bool selected = index.isValid() && index == selectionModel()->currentIndex();
    if (selected)
        return windowsColor(hasFocus() ? colours::CurrentFocused : colours::CurrentUnfocused);
    return palette().color(QPalette::Base);
}

DepartmentTree::Zone DepartmentTree::zoneAt(const QPoint& point, QStandardItem** node) const
{
    if (node)
        *node = nullptr;
    const QModelIndex index = indexAt(point);
    if (!index.isValid()) {
        // Below the last shown node: the empty rest of the tree.
        const std::vector<QStandardItem*> all = nodesInOrder();
        QRect last;
        for (QStandardItem* node : all) {
            const QRect r = visualRect(node->index());
            if (r.isValid() && r.bottom() > last.bottom())
                last = r;
        }
        const bool below = all.empty() || point.y() > last.bottom();
        return below && viewport()->rect().contains(point) ? Zone::BelowLast : Zone::None;
    }
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    option.rect = visualRect(index);
    option.features |= QStyleOptionViewItem::HasDecoration | QStyleOptionViewItem::HasDisplay;
    option.decorationSize = iconSize().isValid() ? iconSize() : QSize(16, 16);
    option.text = index.data().toString();
    option.icon = index.data(Qt::DecorationRole).value<QIcon>();
    const QRect icon = style()->subElementRect(QStyle::SE_ItemViewItemDecoration, &option, this);
    QRect text = style()->subElementRect(QStyle::SE_ItemViewItemText, &option, this);
    // The label ends where its text ends, not at the right edge of the tree.
    text.setWidth(qMin(text.width(), fontMetrics().horizontalAdvance(option.text) + 6));
    if (node)
        *node = model_.itemFromIndex(index);
    if (text.contains(point))
        return Zone::Label;
    if (icon.contains(point))
        return Zone::Icon;
    return Zone::None;
}

void DepartmentTree::mousePressEvent(QMouseEvent* event)
{
    QTreeView::mousePressEvent(event);  // pressing on a node selects it
    dragging_ = false;
    dragCancelled_ = false;
    start_ = event->position().toPoint();
}

void DepartmentTree::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint point = event->position().toPoint();
    if (dragEnabled_ && !dragCancelled_ && (event->buttons() & Qt::LeftButton) && selectedNode()) {
        if (!dragging_ && (point - start_).manhattanLength() >= QApplication::startDragDistance())
            dragging_ = true;
        if (dragging_) {
            emit nodeDraggedOver(point);
            return;
        }
    }
    QTreeView::mouseMoveEvent(event);
}

void DepartmentTree::mouseReleaseEvent(QMouseEvent* event)
{
    dragCancelled_ = false;
    if (dragging_ && event->button() == Qt::LeftButton) {
        dragging_ = false;
        viewport()->unsetCursor();
        emit nodeDropped(event->position().toPoint());
        return;
    }
    QTreeView::mouseReleaseEvent(event);
}

void DepartmentTree::cancelDrag()
{
    if (!dragging_)
        return;
    dragging_ = false;
    dragCancelled_ = true;
    viewport()->unsetCursor();
}

void DepartmentTree::keyPressEvent(QKeyEvent* event)
{
    // Esc while dragging ends the drag only; otherwise it goes on to the window.
    if (event->key() == Qt::Key_Escape && dragging_) {
        cancelDrag();
        event->accept();
        return;
    }
    QTreeView::keyPressEvent(event);
}

void DepartmentTree::focusInEvent(QFocusEvent* event)
{
    QTreeView::focusInEvent(event);
    viewport()->update();
}

void DepartmentTree::focusOutEvent(QFocusEvent* event)
{
    QTreeView::focusOutEvent(event);
    viewport()->update();
}

}  // namespace controls

#include "controls/Drzewo.h"

#include "controls/Kolory.h"

#include <QHeaderView>
#include <QPainter>

namespace controls {

NodeColourDelegate::NodeColourDelegate(Drzewo& tree) : QStyledItemDelegate(&tree), tree_(tree) {}

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

Drzewo::Drzewo(QWidget* parent) : QTreeView(parent), delegate_(*this)
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

void Drzewo::clear()
{
    model_.removeRows(0, model_.rowCount());
}

QStandardItem* Drzewo::addNode(QStandardItem* parent, const QString& text, int id, const QIcon& icon)
{
    QStandardItem* owner = parent ? parent : model_.invisibleRootItem();
    return insertNode(parent, owner->rowCount(), text, id, icon);
}

QStandardItem* Drzewo::insertNode(QStandardItem* parent, int row, const QString& text, int id,
                                  const QIcon& icon)
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

int Drzewo::nodeId(const QStandardItem* node)
{
    return node ? node->data(kIdRole).toInt() : 0;
}

QStandardItem* Drzewo::selectedNode() const
{
    return model_.itemFromIndex(selectionModel()->currentIndex());
}

void Drzewo::selectNode(QStandardItem* node)
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

std::vector<QStandardItem*> Drzewo::nodesInOrder() const
{
    std::vector<QStandardItem*> out;
    collect(model_.invisibleRootItem(), out);
    return out;
}

int Drzewo::nodeCount() const
{
    return int(nodesInOrder().size());
}

int Drzewo::absoluteIndex(const QStandardItem* node) const
{
    const std::vector<QStandardItem*> all = nodesInOrder();
    for (size_t i = 0; i < all.size(); ++i)
        if (all[i] == node)
            return int(i);
    return -1;
}

QStandardItem* Drzewo::parentNode(const QStandardItem* node) const
{
    return node ? node->parent() : nullptr;  // top-level items have no parent item
}

QColor Drzewo::nodeBackground(const QModelIndex& index) const
{
    const bool selected = index.isValid() && index == selectionModel()->currentIndex();
    if (selected)
        return windowsColor(hasFocus() ? kolory::kBiezacyZFokusem : kolory::kBiezacyBezFokusu);
    return palette().color(QPalette::Base);
}

void Drzewo::focusInEvent(QFocusEvent* event)
{
    QTreeView::focusInEvent(event);
    viewport()->update();
}

void Drzewo::focusOutEvent(QFocusEvent* event)
{
    QTreeView::focusOutEvent(event);
    viewport()->update();
}

}  // namespace controls

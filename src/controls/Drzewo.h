#pragma once
// A tree of numbered nodes (departments): a Qt item model and view, with the selected
// node painted in the shared colours and nodes counted in depth-first order.
#include <QIcon>
#include <QStandardItemModel>
#include <QStyledItemDelegate>
#include <QTreeView>
#include <vector>

namespace controls {

class Drzewo;

class NodeColourDelegate : public QStyledItemDelegate {
public:
    explicit NodeColourDelegate(Drzewo& tree);
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;

private:
    Drzewo& tree_;
};

class Drzewo : public QTreeView {
    Q_OBJECT
public:
    static constexpr int kIdRole = Qt::UserRole + 1;

    explicit Drzewo(QWidget* parent = nullptr);

    QStandardItemModel& nodes() { return model_; }
    void clear();
    // Adds a node as the last child of `parent` (the top level when null).
    QStandardItem* addNode(QStandardItem* parent, const QString& text, int id, const QIcon& icon);
    // Adds a node at `row` among the children of `parent`.
    QStandardItem* insertNode(QStandardItem* parent, int row, const QString& text, int id,
                              const QIcon& icon);

    static int nodeId(const QStandardItem* node);
    QStandardItem* selectedNode() const;
    void selectNode(QStandardItem* node);
    // Every node, parents before their children, siblings in order.
    std::vector<QStandardItem*> nodesInOrder() const;
    int nodeCount() const;
    // The node's position in that order, -1 for none.
    int absoluteIndex(const QStandardItem* node) const;
    QStandardItem* parentNode(const QStandardItem* node) const;

    QColor nodeBackground(const QModelIndex& index) const;

signals:
    // The selected node changed (null when none is selected).
    void selectionChangedTo(QStandardItem* node);

protected:
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    QStandardItemModel model_;
    NodeColourDelegate delegate_;
};

}  // namespace controls

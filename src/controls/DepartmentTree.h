#pragma once
// A tree of numbered nodes (departments): a Qt item model and view, with the selected
// node painted in the shared colours and nodes counted in depth-first order.
#include <QIcon>
#include <QStandardItemModel>
#include <QStyledItemDelegate>
#include <QTreeView>
#include <optional>
#include <vector>

namespace db {
class Database;
}

namespace controls {

class DepartmentTree;

class NodeColourDelegate : public QStyledItemDelegate {
public:
    explicit NodeColourDelegate(DepartmentTree& tree);
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;

private:
    DepartmentTree& tree_;
};

class DepartmentTree : public QTreeView {
    Q_OBJECT
public:
    // No type-ahead: a typed letter or digit never moves the selection.
    void keyboardSearch(const QString&) override {}

    static constexpr int kIdRole = Qt::UserRole + 1;

    explicit DepartmentTree(QWidget* parent = nullptr);

    QStandardItemModel& nodes() { return model_; }
    void clear();
    // A department as the tree needs it; a null POPID leads nowhere.
    struct Department {
        int id = 0;
        std::optional<int> parentId;
        QString name;
    };
    // Reads the department tree of a company in one select and shows it; true when some of
    // the company's employees are in none of its departments (the same select says so).
    bool loadDepartments(db::Database& database, int companyId);
    // Shows departments given in KOLEJ order: the top level (POPID 0) and each node's
    // children in that order, depth first, every node expanded; the first node is selected.
    // A department that cannot be reached from the top is left out.
    void showDepartments(const std::vector<Department>& departments);
    // Selects the node of a department; false (and the selection kept) when it is not here.
    bool selectDepartment(int departmentId);
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

    QColor nodeBackground(const QModelIndex& index) const;

    // Where a point of the viewport lies: on a node's text, on its icon, in the empty
    // area below the last node, or elsewhere (indent, expand button, right of the text).
    enum class Zone { Label, Icon, BelowLast, None };
    Zone zoneAt(const QPoint& point, QStandardItem** node = nullptr) const;

    // Dragging a node with the mouse, reported through the signals below.
    void setDragEnabled(bool enabled) { dragEnabled_ = enabled; }
    bool dragEnabled() const { return dragEnabled_; }
    bool dragging() const { return dragging_; }
    // Ends a drag without a drop (Esc does it); the rest of that drag moves nothing.
    void cancelDrag();

signals:
    // The dragged node is over this point of the viewport.
    void nodeDraggedOver(const QPoint& point);
    // The dragged node was let go at this point of the viewport.
    void nodeDropped(const QPoint& point);

    // The selected node changed (null when none is selected).
    void selectionChangedTo(QStandardItem* node);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    QStandardItemModel model_;
    NodeColourDelegate delegate_;
    bool dragEnabled_ = false;
    bool dragging_ = false;
    bool dragCancelled_ = false;  // until the button is let go
    QPoint start_;
};

}  // namespace controls

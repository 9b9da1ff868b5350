#pragma once
// The companies editor: companies in the upper list and the department tree of the
// current company below. Mode::Edit edits both; Mode::Pick only picks a company and one of
// its departments for the caller.
#include "controls/Icons.h"
#include "db/DataSet.h"

#include <QDialog>
#include <functional>
#include <unordered_map>

class QAction;
class QCursor;
class QKeyEvent;
class QPushButton;
class QStandardItem;
class QToolBar;
class DepartmentDialog;
namespace controls {
class DataGrid;
class DepartmentTree;
}  // namespace controls
namespace desk {
class Desk;
}

class CompaniesDialog : public QDialog {
    Q_OBJECT
public:
    enum class Mode { Edit, Pick };
    // Where the window ended: the company and department chosen or last worked on.
    struct Selection {
        int companyId = 0;
        QString companyName;
        int departmentId = 0;
        QString departmentName;
    };

    explicit CompaniesDialog(desk::Desk& desk, QWidget* parent = nullptr);

    // Opens the window at a company and department and waits; QDialog::Accepted after OK.
    int exec(Mode mode, int companyId, int departmentId);
    // The same without waiting.
    void open(Mode mode, int companyId, int departmentId);
    // After OK.
    Selection selection() const;

private:
    void buildView();
    QAction* makeAction(const char* name, const QString& text, const QString& hint,
                        controls::Picture picture, std::function<void()> handler);
    void prepare(Mode mode, int companyId, int departmentId);
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void reject() override;
    void done(int result) override;

    void onShown();
    void applyMode();
    void updateActions();
    int currentCompanyId() const;
    void onCompanyChanged();
    void readDepartments();
    void showDepartmentTree();

    void addCompany();
    void renameCompany();
    void deleteCompany();

    static int parentId(const QStandardItem* node);
    QStandardItem* sibling(QStandardItem* node, int direction) const;
    void renumberDepartments();
    // ID: the parent's ID and the position in the tree.
    using Places = std::unordered_map<int, std::pair<int, int>>;
    // Writes the places given after checking that every department held here is stored as
    // held, in one exchange, and the rows held take them; with no places it only checks.
    // Error when another desk changed the departments meanwhile, with nothing written.
    void writePlaces(const Places& places);
    void requireTreeAsStored();
    // What a change of the tree writes besides the places of the departments.
    enum class Writes { PlacesOnly, RowsToo };
    // Runs a change of the tree (true when it changed anything) and the renumbering after
    // it as one step: when the database refuses any part of it, none of it stays and the
    // tree is read again.
    void changeStructure(const std::function<bool()>& change, Writes writes = Writes::PlacesOnly);
    void reloadDepartments(int selectedId);
    void addDepartment(bool asChild);
    void editDepartment();
    void deleteDepartment();
    void moveDepartmentUp();
    void moveDepartmentDown();
    // Moves `node` with its subtree to `row` among the children of `parent` (null: top).
    void moveNode(QStandardItem* node, QStandardItem* parent, int row);
    static bool isInSubtree(const QStandardItem* node, const QStandardItem* root);
    int countRows(const char* sql, const char* param, int value);

    QCursor dragCursor(const QPoint& point) const;
    void onDraggedOver(const QPoint& point);
    void dropDepartment(const QPoint& point);

    bool handleGridKey(QKeyEvent* key);
    bool handleTreeKey(QKeyEvent* key);

    void confirm();
    bool confirmCancel();

    desk::Desk& desk_;
    Mode mode_ = Mode::Edit;
    int companyId_ = 0;
    QString companyName_;
    int departmentId_ = 0;
    QString departmentName_;
    bool changed_ = false;
    // Esc ended the drag under way: where it points and where it is let go count for nothing.

    db::DataSet companies;
    db::DataSet departments;

    controls::DataGrid* companyGrid = nullptr;
    controls::DepartmentTree* departmentTree = nullptr;
    QToolBar* companyToolBar = nullptr;
    QToolBar* departmentToolBar = nullptr;
    QPushButton* okButton = nullptr;
    QPushButton* cancelButton = nullptr;

    QAction* addCompanyAction = nullptr;
    QAction* deleteCompanyAction = nullptr;
    QAction* editCompanyAction = nullptr;
    QAction* addDepartmentAction = nullptr;
    QAction* addSubDepartmentAction = nullptr;
    QAction* deleteDepartmentAction = nullptr;
    QAction* editDepartmentAction = nullptr;
    QAction* moveDepartmentUpAction = nullptr;
    QAction* moveDepartmentDownAction = nullptr;

    DepartmentDialog* departmentDialog = nullptr;
};

#pragma once
// The register of visits: the visits whose arrival falls within a range of days, oldest
// first, with a search in one column while typing. New visits start with the company,
// department and employee selected in the main window.
#include "db/DataSet.h"

#include <QDate>
#include <QDialog>
#include <functional>

class QAction;
class QComboBox;
class QDateEdit;
class QKeyEvent;
class QLineEdit;
class QPainter;
class QPushButton;
class QToolBar;
class QToolButton;
class VisitDialog;
namespace controls {
class DataGrid;
struct GridColumn;
}  // namespace controls
namespace desk {
class Desk;
}

class VisitsDialog : public QDialog {
    Q_OBJECT
public:
    // What the main window has selected: a new visit starts with it.
    struct Selection {
        int companyId = 0;
        int departmentId = 0;  // 0: no department
        int employeeId = 0;
    };

    explicit VisitsDialog(desk::Desk& desk, QWidget* parent = nullptr);
    ~VisitsDialog() override;

    // Shows the register and waits until it is closed.
    int exec(const Selection& mainWindowSelection);
    // The same without waiting.
    void open(const Selection& mainWindowSelection);

protected:
    // How the visit editor takes the current row: a new visit or one already stored.
    enum class EditorMode { Add, Edit };
    // Opens the visit editor on the current row, which the register has put into insert or
    // edit state; true when the editor stored the visit and committed it. Tests of the
    // register alone play the editor here.
    virtual bool runVisitEditor(EditorMode mode);

private:
    void buildView();
    void showEvent(QShowEvent* event) override;
    void done(int result) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

    void onShown();
    void readVisits();
    void onRangeChanged(QDateEdit* changed);
    void updateActions();
    int currentVisitId() const;
    QDateTime rangeStart() const;
    QDateTime rangeEnd() const;  // the start of the day after the last day: not included

    void addVisit();
    void editVisit();
    // Runs the editor on the row in insert or edit state after `prepare` filled it in.
    void runEditorOnCurrentRow(EditorMode mode, const std::function<void()>& prepare);
    void editVisitIfEnabled();
    // Makes a visit just stored the current row, moving the range to its day when its
    // arrival lies outside.
    void showVisit();

    void search();
    void findNext();
    void goToSearch();
    // A key typed in the list that goes to the search text; true when it went there.
    bool typeIntoSearch(const QKeyEvent& key);
    void setSearchFound(bool found);

    bool drawCell(QPainter* painter, const QRect& cell, int row, const controls::GridColumn& column,
                  const QColor& background);

    desk::Desk& desk_;
    Selection selection_;
    bool reading_ = false;  // the range is being moved by the window itself

    db::DataSet visits;

    QDateEdit* fromDateEdit = nullptr;
    QDateEdit* toDateEdit = nullptr;
    QToolBar* toolBar = nullptr;
    controls::DataGrid* visitGrid = nullptr;
    QComboBox* searchColumnBox = nullptr;
    QLineEdit* searchEdit = nullptr;
    QToolButton* findNextButton = nullptr;
    QPushButton* closeButton = nullptr;
    VisitDialog* visitDialog = nullptr;

    QAction* addAction = nullptr;
    QAction* editAction = nullptr;
    QAction* goToSearchAction = nullptr;
    QAction* findNextAction = nullptr;
};

#pragma once
// The main window: the company list, the department tree of the current company and
// the employees of the selected department; it owns the one connection, the one
// transaction, the settings and every other window of the program.
#include "app/Settings.h"
#include "controls/Clock.h"
#include "db/DataSet.h"
#include "db/Database.h"
#include "desk/Desk.h"

#include <QMainWindow>
#include <QSet>
#include <functional>
#include <map>
#include <memory>
#include <vector>

class QAction;
class QLabel;
class QTimer;
class AboutDialog;
class BackupDialog;
class PersonalDataDialog;
class DatabaseDialog;
class DatabaseUpgradeDialog;
class CompaniesDialog;
class DatePickerDialog;
class EmployeeInfoDialog;
class GuestsDialog;
class VisitsDialog;
class OverviewDialog;
class ScanBox;
class EmployeeSearchDialog;
class PersonnelDialog;
class TypedInputDialog;
namespace admin {
struct SchemaAddition;
}
namespace controls {
class BoundTextEdit;
class DataGrid;
class DepartmentTree;
struct GridColumn;
class Prompts;
}  // namespace controls

class MainWindow : public QMainWindow, public desk::Desk {
    Q_OBJECT
public:
    explicit MainWindow(controls::Prompts& prompts, QWidget* parent = nullptr);
    ~MainWindow() override;

    db::Database& database() override { return database_; }
    controls::Prompts& prompts() override { return prompts_; }
    const controls::Clock& clock() const override { return clock_; }
    QString programFolder() const override { return programFolder_; }
    QString settingsFolder() const override { return settingsFolder_; }
    QString settingsValue(const QString& section, const QString& key) const override;
    void storeSettingsValue(const QString& section, const QString& key,
                            const QString& value) override;
    QCursor treeCursor(controls::TreeCursor kind) const override;
    std::optional<QString> askValue(const desk::ValueRequest& request) override;
    std::optional<QDate> pickDate(const QDate& shown, QWidget* anchor) override;
    std::optional<desk::CompanyAndDepartment> pickCompanyAndDepartment(int companyId,
                                                                       int departmentId) override;
    std::optional<desk::EmployeeChoice> findEmployee() override;
    bool editVisit(int visitId) override;
    bool withConnectionClosed(const std::function<void()>& work) override;
    mail::Courier* courier() override { return courier_.get(); }

    // Goes to the company, selects the department and goes to the employee, as after a
    // window's OK; a record that is gone leaves the current one.
    void goTo(int companyId, int departmentId, int employeeId);

protected:
    void onConnectionLost() override;
    void onMailCommitted() override;
    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void prepareDataSets();
    void buildActions();
    void buildView();
    void createWindows();
    QAction* makeAction(const char* name, const QString& text, const QString& hint, int picture,
                        void (MainWindow::*handler)());

    // Start-up, settings and connection.
    void onShown();
    QString lastRemovalOrFirstStart();
    void remindOfPurge();
    void onActivated();
    void onStartTimer();
    void readSettings();
    void writeSettings();
    void connectToDatabase();
    void loadCursors();
    // Closes the connection around an administration window, then writes the settings
    // and connects again.
    void reconnectAround(const std::function<void()>& showWindow);
    void onClosing();
    void closeWindowsAfterLoss();
    // Connects again with the stored settings and returns to what was shown at the loss.
    void reconnect();

    // The courier sends this desk's mail on a connection of its own while this one is up
    // and mail is set up here; it goes before the connection does.
    void startCourier();
    void stopCourier();
    void onMailDelivered(const QString& address, int kind);
    // Host notices that should have gone by now are named in the status bar.
    void lookAtOverdueNotices();
    void showMailState(const QString& text);
    void openMail();

    // What other desks (and this one) committed: the lists it touches are read again,
    // keeping the company, department and employee shown, once nothing is open over the
    // main window and nothing of it is being edited; meanwhile the tables are gathered.
    void onTablesChanged(const QStringList& tables);
    // Before the connection goes: nothing more is read again.
    void stopLiveUpdates();
    void catchUp();
    bool mayReadListsAgain() const;
    void readListsAgain(const QSet<QString>& tables);
    void sayPollingInstead();

    // The browser.
    void onCompanyChanged();
    void onDepartmentChanged();
    void loadDepartmentTree();
    void loadStaff();
    void updateActions();
    // Empties the tree and the staff list (no connection, or no company left).
    void clearBrowser();
    int currentCompany() const;
    int currentDepartment() const;
    int currentEmployee() const;
    void goToCompany(int companyId);
    void goToEmployee(int employeeId);
    void showConnectionState(const QString& text);
    void showCompanyAndDepartment(const QString& company, const QString& department);
    // The names of the current company and department over the staff list.
    void showCurrentNames();

    // Action handlers.
    void openCompaniesEditor();
    void openCompaniesEditorIfEnabled();
    void openEmployeeInfoIfEnabled();
    void openPersonnel();
    void searchForEmployee();
    void openEmployeeInfo();
    // After an employee window: the staff list has the focus.
    void finishEmployeeAction();
    void openGuests();
    void openVisits();
    void openOverview();
    void showAbout();
    void backUpDatabase();
    void chooseDatabase();
    void upgradeDatabase();
    // What the connected database lacks: said once per database and what it lacks, and
    // kept in the status bar while it lacks it.
    std::vector<admin::SchemaAddition> whatDatabaseLacks();
    void tellWhatDatabaseLacks(const std::vector<admin::SchemaAddition>& missing);
    bool drawStaffCell(QPainter* painter, const QRect& cell, int row,
                       const controls::GridColumn& column, const QColor& background);

    controls::Prompts& prompts_;
    controls::SystemClock clock_;
    QString programFolder_;
    QString settingsFolder_;
    app::Settings settings;
    bool firstActivation = true;
    bool shown_ = false;
    std::map<controls::TreeCursor, QCursor> cursors_;

    db::Database database_;
    db::DataSet companies;
    db::DataSet staff;

    controls::DataGrid* companyGrid;
    controls::DepartmentTree* departmentTree;
    controls::DataGrid* staffGrid;
    controls::BoundTextEdit* notesEdit;
    QLabel* companyNameLabel;
    QLabel* departmentNameLabel;
    QLabel* databaseCaptionLabel;
    QLabel* connectionStateLabel;
    QLabel* hintLabel;
    QLabel* upgradeHintLabel;
    QLabel* mailLabel;
    ScanBox* scanBox = nullptr;
    QTimer* startTimer;
    QTimer* windowCloser;    // while the windows close after the connection was lost
    QTimer* catchUpTimer;    // tries again to read the changed lists
    QTimer* mailWatchTimer;  // looks for host notices that did not go
    QSet<QString> changedTables_;
    // An action is running (it may let events through while it connects or waits).
    int actionsRunning_ = 0;
    // The company list is read again: its moves are not a change of the company shown.
    bool readingCompaniesAgain_ = false;
    struct Shown {
        int companyId = 0;
        int departmentId = 0;
        int employeeId = 0;
    } shownBeforeLoss_;

    QAction* companiesAction;
    QAction* personnelAction;
    QAction* guestsAction;
    QAction* searchAction;
    QAction* infoAction;
    QAction* visitsAction;
    QAction* overviewAction;
    QAction* aboutAction;
    QAction* backupAction;
    QAction* databaseChoiceAction;
    QAction* personalDataAction;
    QAction* upgradeAction;
    QAction* informationClauseAction;
    QAction* mailAction;
    QAction* reconnectAction;
    QAction* quitAction;

    // In the order of creation; destroyed in reverse, before the connection they use.
    std::unique_ptr<CompaniesDialog> companiesDialog;
    std::unique_ptr<TypedInputDialog> typedInputDialog;
    std::unique_ptr<PersonnelDialog> personnelDialog;
    std::unique_ptr<EmployeeInfoDialog> employeeInfoDialog;
    std::unique_ptr<EmployeeSearchDialog> employeeSearchDialog;
    std::unique_ptr<VisitsDialog> visitsDialog;
    std::unique_ptr<OverviewDialog> overviewDialog;
    std::unique_ptr<DatePickerDialog> datePickerDialog;
    std::unique_ptr<GuestsDialog> guestsDialog;
    std::unique_ptr<AboutDialog> aboutDialog;
    std::unique_ptr<BackupDialog> backupDialog;
    std::unique_ptr<DatabaseDialog> databaseDialog;
    std::unique_ptr<PersonalDataDialog> personalDataDialog;
    std::unique_ptr<DatabaseUpgradeDialog> databaseUpgradeDialog;
    // Its thread and connection end before the program's connection closes.
    std::unique_ptr<mail::Courier> courier_;
};

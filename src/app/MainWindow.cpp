#include "app/MainWindow.h"

#include "admin/BackupDialog.h"
#include "admin/ConnectionParamsFile.h"
#include "admin/DatabaseDialog.h"
#include "admin/DatabasePurge.h"
#include "admin/DatabaseUpgrade.h"
#include "admin/DatabaseUpgradeDialog.h"
#include "admin/InformationClauseDialog.h"
#include "admin/MailDialog.h"
#include "admin/PersonalDataDialog.h"
#include "app/AboutDialog.h"
#include "app/ModalWindows.h"
#include "app/ProgramFolder.h"
#include "calendar/DatePickerDialog.h"
#include "controls/Accessibility.h"
#include "controls/BoundTextEdit.h"
#include "controls/Colours.h"
#include "controls/DataGrid.h"
#include "controls/DepartmentTree.h"
#include "controls/Icons.h"
#include "controls/PrivateFiles.h"
#include "controls/Prompts.h"
#include "db/Error.h"
#include "db/RecordRules.h"
#include "desk/LiveUpdates.h"
#include "desk/MailSetup.h"
#include "desk/PersonalData.h"
#include "directory/CompaniesDialog.h"
#include "directory/TypedInputDialog.h"
#include "mail/Courier.h"
#include "mail/Outbox.h"
#include "overview/OverviewDialog.h"
#include "overview/ScanBox.h"
#include "personnel/EmployeeInfoDialog.h"
#include "personnel/EmployeeSearchDialog.h"
#include "personnel/PersonnelDialog.h"
#include "personnel/StaffStatements.h"
#include "visitors/GuestsDialog.h"
#include "visitors/StoredVisit.h"
#include "visitors/VisitsDialog.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QCryptographicHash>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QScopedValueRollback>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QSplitter>
#include <QStandardPaths>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QSysInfo>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>

using controls::Picture;

namespace {

// Section RODO: the day the program first started here (yyyy-MM-dd).
const QString FirstStartKey = QStringLiteral("PierwszyStart");
// Section Aktualizacja: per database (a key made from its name), what it was said to lack.
const QString UpgradeSection = QStringLiteral("Aktualizacja");

constexpr auto SelectCompanies = R"(select *
from FIRMY
order by ID)";

constexpr auto SelectStaff = R"(select *
from PERSONEL
where
  FIRMA_ID = :firma_id
  and
  DZIAL_ID = :dzial_id
order by ID)";
// The tables whose changes the main window's lists show.
const QString Companies = QStringLiteral("FIRMY");
const QString Departments = QStringLiteral("DZIALY");
const QString Staff = QStringLiteral("PERSONEL");

// How often the status bar looks for host notices that should have gone, and how old one is
// before it is named there.
constexpr int MailWatchInterval = 30000;
constexpr std::chrono::minutes NoticeOverdueAfter{2};
const QString NoticeNotSent = QStringLiteral("Nie wysłano powiadomie");

// How soon lists that could not be read again (a window open over the main window, an
// edit) are tried again.
constexpr int CatchUpRetry = 200;

QFont pixelFont(int pixels, bool bold = false, const QString& family = {})
{
    QFont font;
    if (!family.isEmpty())
        font.setFamily(family);
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

// A label that shows data tells a screen reader what it is and what it shows.
void showData(QLabel* label, const QString& caption, const QString& text)
{
    label->setText(text);
    const QString shown = text.trimmed();
    label->setAccessibleName(shown.isEmpty() ? caption : caption + QStringLiteral(": ") + shown);
}

QLabel* makeLabel(const QString& text, bool bold = false)
{
    auto* label = new QLabel(text);
    if (bold) {
        QFont font = label->font();
        font.setBold(true);
        label->setFont(font);
    }
    return label;
}

}  // namespace

MainWindow::MainWindow(controls::Prompts& prompts, QWidget* parent)
    : QMainWindow(parent), prompts_(prompts), companies(database_, this), staff(database_, this)
{
    setObjectName(QStringLiteral("MainWindow"));
    setWindowTitle(QStringLiteral("Tervik :: tvHalvane 1.1"));
    prepareDataSets();
    buildActions();
    buildView();
    startTimer = new QTimer(this);
    startTimer->setObjectName(QStringLiteral("startTimer"));
    startTimer->setSingleShot(true);
    startTimer->setInterval(50);
    connect(startTimer, &QTimer::timeout, this, &MainWindow::onStartTimer);
    windowCloser = new QTimer(this);
    windowCloser->setObjectName(QStringLiteral("windowCloser"));
    windowCloser->setInterval(10);
    connect(windowCloser, &QTimer::timeout, this, &MainWindow::closeWindowsAfterLoss);
    catchUpTimer = new QTimer(this);
    catchUpTimer->setObjectName(QStringLiteral("catchUpTimer"));
    catchUpTimer->setSingleShot(true);
    catchUpTimer->setInterval(CatchUpRetry);
    connect(catchUpTimer, &QTimer::timeout, this, &MainWindow::catchUp);
    mailWatchTimer = new QTimer(this);
    mailWatchTimer->setObjectName(QStringLiteral("mailWatchTimer"));
    mailWatchTimer->setInterval(MailWatchInterval);
    connect(mailWatchTimer, &QTimer::timeout, this, &MainWindow::lookAtOverdueNotices);
    connect(&liveUpdates(), &desk::LiveUpdates::changed, this, &MainWindow::onTablesChanged);
    connect(&liveUpdates(), &desk::LiveUpdates::pollingInstead, this,
            &MainWindow::sayPollingInstead);
    prompts_.connectionLost = [this](const db::Error& error) { reportConnectionLost(error); };
    createWindows();
}

MainWindow::~MainWindow()
{
    stopCourier();
    stopLiveUpdates();
    prompts_.connectionLost = nullptr;
}

void MainWindow::onConnectionLost()
{
    stopCourier();
    stopLiveUpdates();
    shownBeforeLoss_ = {currentCompany(), currentDepartment(), currentEmployee()};
    // The server has dropped the connection and what was not committed. The connection is
    // let go on the next step, once the call that found it gone has returned from its
    // data sets; then every open window closes as cancelled.
    showConnectionState(QStringLiteral("Niepodłączony"));
    for (QAction* action : {companiesAction, personnelAction, guestsAction, searchAction,
                            visitsAction, overviewAction, infoAction, backupAction})
        action->setEnabled(false);
    windowCloser->start();
}

void MainWindow::closeWindowsAfterLoss()
{
    if (database_.connected()) {
        database_.close();
        companies.close();
        clearBrowser();
    }
    if (app::closeModalWindows()) {
        windowCloser->stop();
        setClosingWindows(false);
    }
    // A window that closed may have asked for the actions again.
    updateActions();
    backupAction->setEnabled(false);
}

void MainWindow::reconnect()
{
    if (database_.connected() || closingWindows())
        return;
    connectToDatabase();
    updateActions();
    backupAction->setEnabled(database_.connected());
    if (database_.connected())
        goTo(shownBeforeLoss_.companyId, shownBeforeLoss_.departmentId,
             shownBeforeLoss_.employeeId);
}

void MainWindow::createWindows()
{
    companiesDialog = std::make_unique<CompaniesDialog>(*this, this);
    typedInputDialog = std::make_unique<TypedInputDialog>(prompts_, this);
    personnelDialog = std::make_unique<PersonnelDialog>(*this, this);
    employeeInfoDialog = std::make_unique<EmployeeInfoDialog>(*this, this);
    employeeSearchDialog = std::make_unique<EmployeeSearchDialog>(*this, this);
    visitsDialog = std::make_unique<VisitsDialog>(*this, this);
    overviewDialog = std::make_unique<OverviewDialog>(*this, this);
    datePickerDialog = std::make_unique<DatePickerDialog>(clock_, this);
    guestsDialog = std::make_unique<GuestsDialog>(*this, this);
    aboutDialog = std::make_unique<AboutDialog>(prompts_, this);
    backupDialog = std::make_unique<BackupDialog>(*this, this);
    databaseDialog = std::make_unique<DatabaseDialog>(*this, this);
    personalDataDialog = std::make_unique<PersonalDataDialog>(*this, this);
    databaseUpgradeDialog = std::make_unique<DatabaseUpgradeDialog>(*this, this);
}

void MainWindow::prepareDataSets()
{
    companies.setObjectName(QStringLiteral("companies"));
    companies.sql() = QString::fromUtf8(SelectCompanies).split(u'\n');
    staff.setObjectName(QStringLiteral("staff"));
    staff.sql() = QString::fromUtf8(SelectStaff).split(u'\n');
    db::addSurnameFirstName(staff);
    // The company change runs only when the list has a current company.
    connect(&companies, &db::DataSet::afterScroll, this, [this] {
        if (companies.active() && !companies.isEmpty() && !readingCompaniesAgain_)
            prompts_.guarded([this] { onCompanyChanged(); });
    });
}

QAction* MainWindow::makeAction(const char* name, const QString& text, const QString& hint,
                                int picture, void (MainWindow::*handler)())
{
    auto* action = new QAction(text, this);
    action->setObjectName(QString::fromLatin1(name));
    if (!hint.isEmpty()) {
        action->setToolTip(hint);
        action->setStatusTip(hint);
    }
    if (picture >= 0)
        action->setIcon(controls::icon(Picture(picture), 32));
    if (handler)
        connect(action, &QAction::triggered, this, [this, handler] {
            const QScopedValueRollback<int> running(actionsRunning_, actionsRunning_ + 1);
            prompts_.guarded([&] { (this->*handler)(); });
        });
    return action;
}

void MainWindow::buildActions()
{
    companiesAction = makeAction("companiesAction", "&Firmy", "Edycja firm i działów",
                                 int(Picture::Companies), &MainWindow::openCompaniesEditor);
    personnelAction = makeAction("personnelAction", "&Personel", "Edycja personelu firm",
                                 int(Picture::Personnel), &MainWindow::openPersonnel);
    guestsAction = makeAction("guestsAction", "&Goście", "Wykaz gości", int(Picture::Guests),
                              &MainWindow::openGuests);
    guestsAction->setShortcut(QKeySequence(QStringLiteral("Ctrl+G")));
    searchAction = makeAction("searchAction", "&Szukaj", "Szukaj pracownika", int(Picture::Search),
                              &MainWindow::searchForEmployee);
    searchAction->setShortcuts({QKeySequence(QStringLiteral("Ctrl+F")), QKeySequence(Qt::Key_F3)});
    infoAction = makeAction("infoAction", "&Info", "Info o pracowniku", int(Picture::Info),
                            &MainWindow::openEmployeeInfo);
    infoAction->setShortcut(QKeySequence(QStringLiteral("Ctrl+I")));
    visitsAction = makeAction("visitsAction", "&Wizyty", "Wizyty u pracowników",
                              int(Picture::Visits), &MainWindow::openVisits);
    visitsAction->setShortcut(QKeySequence(QStringLiteral("Ctrl+W")));
    overviewAction = makeAction("overviewAction", "&Przegląd", "Przegląd recepcji",
                                int(Picture::Overview), &MainWindow::openOverview);
    overviewAction->setShortcut(QKeySequence(QStringLiteral("Ctrl+P")));
    aboutAction = makeAction("aboutAction", "&O programie", "Okno 'O programie'",
                             int(Picture::About), &MainWindow::showAbout);
    backupAction = makeAction("backupAction", "&Kopia bazy danych", {}, int(Picture::Backup),
                              &MainWindow::backUpDatabase);
    databaseChoiceAction = makeAction("databaseChoiceAction", "&Wybór bazy danych", {},
                                      int(Picture::DatabaseChoice), &MainWindow::chooseDatabase);
    reconnectAction = makeAction("reconnectAction", "Połącz p&onownie",
                                 "Połącz ponownie z bazą danych", -1, &MainWindow::reconnect);
    personalDataAction = makeAction("personalDataAction", "&Usuwanie danych osobowych",
                                    "Usuwanie starych danych osobowych gości", -1, nullptr);
    connect(personalDataAction, &QAction::triggered, this,
            [this] { prompts_.guarded([this] { personalDataDialog->exec(); }); });
    upgradeAction = makeAction("upgradeAction", "Ak&tualizacja bazy danych",
                               "Dodanie do bazy danych tego, czego potrzebuje program", -1,
                               &MainWindow::upgradeDatabase);
    informationClauseAction =
        makeAction("informationClauseAction", "Klauzula &informacyjna",
                   "Informacja dla gości o ich danych osobowych", -1, nullptr);
    connect(informationClauseAction, &QAction::triggered, this,
            [this] { prompts_.guarded([this] { InformationClauseDialog(*this, this).exec(); }); });
    mailAction = makeAction("mailAction", "&Poczta", "Serwer poczty i poczta wychodząca", -1,
                            &MainWindow::openMail);
    quitAction = makeAction("quitAction", "&Zakończ", {}, -1, nullptr);
    connect(quitAction, &QAction::triggered, this, &QWidget::close);

    auto* toolBar = addToolBar(QStringLiteral("Narzędzia"));
    toolBar->setObjectName(QStringLiteral("toolBar"));
    toolBar->setMovable(false);
    toolBar->setIconSize(QSize(32, 32));
    toolBar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    toolBar->addActions({companiesAction, personnelAction, guestsAction});
    toolBar->addSeparator();
    toolBar->addActions({searchAction, infoAction, visitsAction, overviewAction});
    toolBar->addSeparator();
    toolBar->addAction(aboutAction);
    // The scan box at the toolbar's right end: an arrival or a leaving guest's code, F2.
    auto* spacer = new QWidget;
    spacer->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    toolBar->addWidget(spacer);
    scanBox = new ScanBox(*this, Qt::Vertical);
    toolBar->addWidget(scanBox);

    QMenu* dataMenu = menuBar()->addMenu(QStringLiteral("&Dane"));
    dataMenu->setObjectName(QStringLiteral("dataMenu"));
    dataMenu->addActions({companiesAction, personnelAction, guestsAction});
    dataMenu->addSeparator();
    dataMenu->addAction(reconnectAction);
    dataMenu->addSeparator();
    dataMenu->addAction(quitAction);
    QMenu* employeeMenu = menuBar()->addMenu(QStringLiteral("&Pracownik"));
    employeeMenu->setObjectName(QStringLiteral("employeeMenu"));
    employeeMenu->addActions({searchAction, infoAction, visitsAction, overviewAction});
    QMenu* extrasMenu = menuBar()->addMenu(QStringLiteral("D&odatki"));
    extrasMenu->setObjectName(QStringLiteral("extrasMenu"));
    extrasMenu->addAction(aboutAction);
    extrasMenu->addSeparator();
    extrasMenu->addActions({backupAction, databaseChoiceAction, personalDataAction});
    extrasMenu->addAction(informationClauseAction);
    extrasMenu->addAction(mailAction);
    extrasMenu->addAction(upgradeAction);
}

void MainWindow::buildView()
{
    // Left: companies over the department tree.
    companyGrid = new controls::DataGrid(companies, prompts_);
    companyGrid->setObjectName(QStringLiteral("companyGrid"));
    companyGrid->setAccessibleName(QStringLiteral("Firmy"));
    companyGrid->setTitleRow(false);
    companyGrid->setColumns({{QStringLiteral("NAZWA"), QStringLiteral("Nazwa"), 200}});
    companyGrid->installEventFilter(this);

    departmentTree = new controls::DepartmentTree;
    departmentTree->setObjectName(QStringLiteral("departmentTree"));
    departmentTree->setAccessibleName(QStringLiteral("Struktura firmy"));
    connect(departmentTree, &controls::DepartmentTree::selectionChangedTo, this,
            [this] { prompts_.guarded([this] { onDepartmentChanged(); }); });

    auto* companyPanel = new QWidget;
    auto* companyLayout = new QVBoxLayout(companyPanel);
    companyLayout->setContentsMargins(0, 0, 0, 0);
    companyLayout->addWidget(makeLabel(QStringLiteral(" Firmy:")));
    companyLayout->addWidget(companyGrid);
    auto* treePanel = new QWidget;
    auto* treeLayout = new QVBoxLayout(treePanel);
    treeLayout->setContentsMargins(0, 0, 0, 0);
    treeLayout->addWidget(makeLabel(QStringLiteral(" Struktura firmy:")));
    treeLayout->addWidget(departmentTree);
    auto* leftSplitter = new QSplitter(Qt::Vertical);
    leftSplitter->addWidget(companyPanel);
    leftSplitter->addWidget(treePanel);
    leftSplitter->setStretchFactor(1, 2);

    // Right: the header line, the employees and the notes.
    companyNameLabel = makeLabel(QString(), true);
    companyNameLabel->setObjectName(QStringLiteral("companyNameLabel"));
    departmentNameLabel = makeLabel(QString(), true);
    departmentNameLabel->setObjectName(QStringLiteral("departmentNameLabel"));
    showCompanyAndDepartment(QString(), QString());
    auto* header = new QHBoxLayout;
    header->setSpacing(0);
    header->addWidget(makeLabel(QStringLiteral(" Pracownicy firmy '")));
    header->addWidget(companyNameLabel);
    header->addWidget(makeLabel(QStringLiteral("', działu '")));
    header->addWidget(departmentNameLabel);
    header->addWidget(makeLabel(QStringLiteral("':")));
    header->addStretch();

    staffGrid = new controls::DataGrid(staff, prompts_);
    staffGrid->setObjectName(QStringLiteral("staffGrid"));
    staffGrid->setAccessibleName(QStringLiteral("Pracownicy"));
    staffGrid->setRowFont(pixelFont(23));
    const Qt::Alignment centred = Qt::AlignCenter;
    staffGrid->setColumns({
        {QStringLiteral("ID"), QStringLiteral("ID"), 67, pixelFont(13, true), centred},
        {QStringLiteral("_nazwisko_imie"), QStringLiteral("Nazwisko i imię"), 299,
         pixelFont(24, true, QStringLiteral("Arial"))},
        {QStringLiteral("STANOWISKO"), QStringLiteral("Stanowisko"), 154, pixelFont(11)},
        {QStringLiteral("PIETRO"), QStringLiteral("Piętro i pokój"), 80, pixelFont(11), centred,
         QStringLiteral("POKOJ")},
        {QStringLiteral("TELSTACJ"), QStringLiteral("Telefony"), 100, pixelFont(11),
         Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("TELKOM")},
        {QStringLiteral("EMAIL"), QStringLiteral("E-mail"), 100, pixelFont(11)},
    });
    staffGrid->setCellPainter([this](QPainter* painter, const QRect& cell, int row,
                                     const controls::GridColumn& column, const QColor& background) {
        return drawStaffCell(painter, cell, row, column, background);
    });
    connect(staffGrid, &QAbstractItemView::doubleClicked, this,
            [this] { prompts_.guarded([this] { openEmployeeInfoIfEnabled(); }); });
    connect(staffGrid, &controls::DataGrid::enterPressed, this,
            [this] { prompts_.guarded([this] { openEmployeeInfoIfEnabled(); }); });
    // A double click anywhere in the company list or the tree, on a row or on the empty
    // area under the rows, opens the companies editor.
    companyGrid->viewport()->installEventFilter(this);
    departmentTree->viewport()->installEventFilter(this);

    notesEdit = new controls::BoundTextEdit(staff, QStringLiteral("INFO"));
    notesEdit->setObjectName(QStringLiteral("notesEdit"));
    notesEdit->setAccessibleName(QStringLiteral("Info o pracowniku"));
    controls::nameScrollBars(notesEdit, QStringLiteral("Info o pracowniku"));
    notesEdit->setReadOnly(true);
    notesEdit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    notesEdit->verticalScrollBar()->setAccessibleName(
        QStringLiteral("Przewijanie informacji o pracowniku"));
    QPalette notesPalette = notesEdit->palette();
    notesPalette.setColor(QPalette::Base, controls::windowsColor(controls::colours::InactiveBox));
    notesEdit->setPalette(notesPalette);

    auto* staffPanel = new QWidget;
    auto* staffLayout = new QVBoxLayout(staffPanel);
    staffLayout->setContentsMargins(0, 0, 0, 0);
    staffLayout->addLayout(header);
    staffLayout->addWidget(staffGrid);
    auto* notesPanel = new QWidget;
    auto* notesLayout = new QHBoxLayout(notesPanel);
    notesLayout->setContentsMargins(0, 0, 0, 0);
    auto* notesCaption = makeLabel(QStringLiteral("Info o pracowniku:  "));
    notesCaption->setAlignment(Qt::AlignTop);
    notesCaption->setBuddy(notesEdit);
    notesLayout->addWidget(notesCaption);
    notesLayout->addWidget(notesEdit);
    auto* rightSplitter = new QSplitter(Qt::Vertical);
    rightSplitter->addWidget(staffPanel);
    rightSplitter->addWidget(notesPanel);
    rightSplitter->setStretchFactor(0, 4);
    rightSplitter->setStretchFactor(1, 1);

    auto* mainSplitter = new QSplitter(Qt::Horizontal);
    mainSplitter->addWidget(leftSplitter);
    mainSplitter->addWidget(rightSplitter);
    mainSplitter->setStretchFactor(1, 3);
    mainSplitter->setSizes({300, 900});
    setCentralWidget(mainSplitter);

    // Status bar: "Baza danych:", the connection state, and the hints.
    QStatusBar* bar = statusBar();
    bar->setObjectName(QStringLiteral("statusBar"));
    databaseCaptionLabel = new QLabel(QStringLiteral("Baza danych:"));
    databaseCaptionLabel->setObjectName(QStringLiteral("databaseCaptionLabel"));
    databaseCaptionLabel->setFixedWidth(80);
    databaseCaptionLabel->setAlignment(Qt::AlignCenter);
    connectionStateLabel = new QLabel;
    connectionStateLabel->setObjectName(QStringLiteral("connectionStateLabel"));
    connectionStateLabel->installEventFilter(this);
    connectionStateLabel->setFixedWidth(200);
    connectionStateLabel->setAlignment(Qt::AlignCenter);
    connectionStateLabel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    showData(connectionStateLabel, QStringLiteral("Stan połączenia"), QString());
    hintLabel = new QLabel;
    hintLabel->setObjectName(QStringLiteral("hintLabel"));
    hintLabel->setMinimumWidth(50);
    hintLabel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    bar->addWidget(databaseCaptionLabel);
    bar->addWidget(connectionStateLabel);
    bar->addWidget(hintLabel, 1);
    showData(hintLabel, QStringLiteral("Podpowiedź"), QString());
    upgradeHintLabel = new QLabel(
        QStringLiteral("Baza danych wymaga aktualizacji (Dodatki > Aktualizacja bazy danych)"));
    upgradeHintLabel->setObjectName(QStringLiteral("upgradeHintLabel"));
    upgradeHintLabel->setAccessibleName(upgradeHintLabel->text());
    upgradeHintLabel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    upgradeHintLabel->hide();
    bar->addPermanentWidget(upgradeHintLabel);
    mailLabel = new QLabel;
    mailLabel->setObjectName(QStringLiteral("mailLabel"));
    mailLabel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    mailLabel->setMaximumWidth(640);  // the whole answer in the tool tip
    mailLabel->hide();
    bar->addPermanentWidget(mailLabel);
    bar->setAccessibleName(QStringLiteral("Pasek stanu"));
    menuBar()->setAccessibleName(QStringLiteral("Menu"));
}

// ------------------------------------------------------------ start-up and connection

bool MainWindow::event(QEvent* event)
{
    if (event->type() == QEvent::StatusTip) {
        showData(hintLabel, QStringLiteral("Podpowiedź"),
                 static_cast<QStatusTipEvent*>(event)->tip());
        return true;
    }
    if (event->type() == QEvent::WindowActivate)
        onActivated();
    return QMainWindow::event(event);
}

void MainWindow::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (!shown_) {
        shown_ = true;
        onShown();
        // The first showing makes the main window the active one, whether or not a
        // window manager tells it so.
        onActivated();
    }
}

void MainWindow::onShown()
{
    programFolder_ = app::writableProgramFolder(QCoreApplication::applicationDirPath());
    // The settings live in the user's data folder; the program never creates it.
    settingsFolder_ = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                      QStringLiteral("/Tervik/halvane/");
    // It holds the database, the backups and the exports: the user's alone, even where an
    // older version or another program made it wider.
    controls::makePrivateFolder(settingsFolder_);
    try {
        readSettings();
    } catch (const std::exception&) {
        // the settings keep what they had
    }
    if (admin::removalReminderDue(lastRemovalOrFirstStart(), clock_.today()))
        showData(hintLabel, QStringLiteral("Podpowiedź"), admin::removalReminderText());
    loadCursors();
    {
        const QSignalBlocker quiet(departmentTree);
        departmentTree->clear();
    }
    updateActions();
}

// A removal that never ran is due 31 days after the program first started here, which is
// stored at the first start.
QString MainWindow::lastRemovalOrFirstStart()
{
    const QString last = settingsValue(admin::RemovalSection, admin::LastRemovalKey);
    if (!last.isEmpty())
        return last;
    QString firstStart = settingsValue(admin::RemovalSection, FirstStartKey);
    if (firstStart.isEmpty()) {
        firstStart = clock_.today().toString(Qt::ISODate);
        try {
            storeSettingsValue(admin::RemovalSection, FirstStartKey, firstStart);
        } catch (const db::Error&) {
            // not stored: the next start counts from its own day
        }
    }
    return firstStart;
}

// Erased values that have waited for the purge longer than the settings allow: said in the
// status bar after connecting, and taken back once they are purged.
void MainWindow::remindOfPurge()
{
    bool overdue = false;
    try {
        overdue = admin::DatabasePurge::status(database_).overdue(
            clock_.now(), admin::purgeIntervalDays(
                              settingsValue(admin::RemovalSection, admin::PurgeIntervalKey)));
    } catch (const db::Error&) {
        // a database without the erasures' table has nothing to purge by it
    }
    const QString reminder = admin::purgeReminderText();
    if (overdue)
        showData(hintLabel, QStringLiteral("Podpowiedź"), reminder);
    else if (hintLabel->text() == reminder)
        showData(hintLabel, QStringLiteral("Podpowiedź"), QString());
}

void MainWindow::onActivated()
{
    if (firstActivation)
        startTimer->start();
    firstActivation = false;
}

void MainWindow::onStartTimer()
{
    startTimer->stop();
    aboutAction->setEnabled(false);
    backupAction->setEnabled(false);
    databaseChoiceAction->setEnabled(false);
    connectToDatabase();
    backupAction->setEnabled(database_.connected());
    databaseChoiceAction->setEnabled(true);
    aboutAction->setEnabled(true);
    updateActions();
}

void MainWindow::readSettings()
{
    settings = app::readSettings(settingsFolder_);
}

void MainWindow::writeSettings()
{
    app::writeSettings(settingsFolder_, settings);
}

void MainWindow::showConnectionState(const QString& text)
{
    showData(connectionStateLabel, QStringLiteral("Stan połączenia"), text);
}

void MainWindow::connectToDatabase()
{
    std::vector<admin::SchemaAddition> lacking;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    showConnectionState(QStringLiteral("ŁĄCZENIE"));
    QCoreApplication::processEvents();
    try {
        database_.setDatabaseName(app::databaseName(settings));
        database_.setParamsText(admin::readConnectionParams(settingsFolder_));
        database_.open();
        connectionRestored();
        const db::Database::ListReading reading(database_);
        // Listening first: what another desk commits while the list is read is told.
        liveUpdates().start(database_);
        companies.open();
        remindOfPurge();
        lacking = whatDatabaseLacks();
    } catch (const std::exception& error) {
        const auto* dbError = dynamic_cast<const db::Error*>(&error);
        const QString text = dbError ? dbError->message() : QString::fromLocal8Bit(error.what());
        prompts_.beep();
        prompts_.message(QStringLiteral("Błąd połączenia z bazą danych:\n") + text +
                             QStringLiteral("\n\nAby skonfigurować parametry połączenia kliknij w "
                                            "menu 'Wybór bazy danych'"),
                         {}, controls::Icon::Error);
    }
    showConnectionState(database_.connected() ? settings.host : QStringLiteral("Niepodłączony"));
    QApplication::restoreOverrideCursor();
    tellWhatDatabaseLacks(lacking);
    startCourier();
}

void MainWindow::loadCursors()
{
    for (const auto kind : {controls::TreeCursor::InsertBefore, controls::TreeCursor::NewChild,
                            controls::TreeCursor::AppendAtEnd})
        cursors_[kind] = controls::treeCursor(kind);
}

void MainWindow::reconnectAround(const std::function<void()>& showWindow)
{
    stopCourier();
    stopLiveUpdates();
    database_.close();
    clearBrowser();  // the lists are closed with the connection
    updateActions();
    if (showWindow)
        showWindow();
    writeSettings();  // a failure is reported and the program stays disconnected
    connectToDatabase();
    updateActions();
}

bool MainWindow::withConnectionClosed(const std::function<void()>& work)
{
    reconnectAround(work);
    return database_.connected();
}

void MainWindow::backUpDatabase()
{
    reconnectAround([this] {
        settings.lastBackupDir = backupDialog->backUpOrRestore(
            {settings.host, settings.dir, settings.file, settings.lastBackupDir});
    });
}

void MainWindow::chooseDatabase()
{
    reconnectAround([this] {
        const admin::DatabaseLocation chosen =
            databaseDialog->choose({settings.host, settings.dir, settings.file});
        settings.host = chosen.host;
        settings.dir = chosen.dir;
        settings.file = chosen.file;
    });
}

void MainWindow::upgradeDatabase()
{
    reconnectAround([this] {
        databaseUpgradeDialog->upgrade(
            {settings.host, settings.dir, settings.file, settings.lastBackupDir});
    });
}

// Read with the lists of the start, in the same reading.
std::vector<admin::SchemaAddition> MainWindow::whatDatabaseLacks()
{
    try {
        return admin::DatabaseUpgrade::missing(database_);
    } catch (const db::Error&) {
        return {};  // not told; the program works as it can
    }
}

void MainWindow::tellWhatDatabaseLacks(const std::vector<admin::SchemaAddition>& missing)
{
    upgradeHintLabel->setVisible(!missing.empty());
    QStringList names;
    for (const admin::SchemaAddition& addition : missing)
        names << addition.name;
    const QString key =
        QStringLiteral("Baza_") +
        QString::fromLatin1(
            QCryptographicHash::hash(database_.databaseName().toUtf8(), QCryptographicHash::Sha1)
                .toHex()
                .left(16));
    const QStringList told = settingsValue(UpgradeSection, key).split(u',', Qt::SkipEmptyParts);
    bool news = false;
    for (const QString& name : names)
        news = news || !told.contains(name);
    if (!news)
        return;
    try {
        storeSettingsValue(UpgradeSection, key, names.join(u','));
    } catch (const db::Error&) {
        // not remembered: told again at the next start
    }
    prompts_.message(QStringLiteral("Ta baza danych powstała we wcześniejszej wersji programu "
                                    "i brakuje w niej tego, czego potrzebują niektóre "
                                    "funkcje. Do czasu aktualizacji:\n") +
                         admin::DatabaseUpgrade::describe(missing) +
                         QStringLiteral("\n\nAdministrator uzupełni bazę w menu Dodatki > "
                                        "Aktualizacja bazy danych (najpierw wykonywana jest "
                                        "kopia bazy)."),
                     QStringLiteral("Aktualizacja bazy danych"), controls::Icon::Information);
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    onClosing();
    QMainWindow::closeEvent(event);
}

void MainWindow::onClosing()
{
    try {
        writeSettings();
    } catch (const std::exception&) {
        // nothing to be done about it at exit
    }
    stopCourier();
    stopLiveUpdates();
    database_.close();
}

// ------------------------------------------------------------ mail

// A database without the outbox gets no courier: the mail set up here is not sent, and the
// status bar says why (the upgrade's notice names it too).
void MainWindow::startCourier()
{
    stopCourier();
    if (!database_.connected())
        return;
    const mail::MailSettings mailSettings = desk::readMailSettings(*this);
    if (!mailSettings.isSetUp()) {
        showMailState({});
        return;
    }
    bool outbox = false;
    try {
        const db::Database::ListReading reading(database_);
        outbox = desk::hasOutbox(database_);
    } catch (const db::Error&) {
        // not known: no courier until the next connection
    }
    if (!outbox) {
        showMailState(
            QStringLiteral("Poczta nie jest wysyłana: baza danych wymaga aktualizacji "
                           "(Dodatki > Aktualizacja bazy danych)"));
        return;
    }
    // Sent without its password, every message would be refused for good by the server's
    // login; kept in the outbox they go once the password is typed again.
    if (mailSettings.passwordUnreadable) {
        showMailState(
            QStringLiteral("Poczta nie jest wysyłana: hasła serwera poczty nie można odczytać "
                           "na tym komputerze; wpisz je ponownie (Dodatki > Poczta)"));
        return;
    }
    mail::CourierOptions options;
    options.databaseName = database_.databaseName();
    options.params = database_.params();
    options.settings = mailSettings;
    options.deskName = QSysInfo::machineHostName();
    courier_ = std::make_unique<mail::Courier>(std::move(options));
    connect(courier_.get(), &mail::Courier::delivered, this,
            [this](int, const QString& address, int kind) { onMailDelivered(address, kind); });
    connect(courier_.get(), &mail::Courier::outboxUnreachable, this, [this](const QString& text) {
        showMailState(QStringLiteral("Poczta: nie można odczytać poczty wychodzącej: ") + text);
    });
    showMailState({});
    mailWatchTimer->start();
}

// What the courier last said is not true of a desk without one (a lost or closed connection).
void MainWindow::stopCourier()
{
    mailWatchTimer->stop();
    courier_.reset();
    showMailState({});
}

void MainWindow::onMailCommitted()
{
    if (courier_)
        courier_->wake();
}

void MainWindow::onMailDelivered(const QString& address, int kind)
{
    if (kind == int(mail::Kind::HostNotice))
        showMailState(QStringLiteral("Wysłano do ") + address);
}

// Each address once, with its oldest notice and the server's answer to it.
void MainWindow::lookAtOverdueNotices()
{
    if (!courier_ || !database_.connected() || closingWindows())
        return;
    std::vector<mail::OutboxEntry> overdue;
    try {
        const db::Database::ListReading reading(database_);
        overdue = mail::overdueHostNotices(database_, NoticeOverdueAfter);
    } catch (const db::Error&) {
        return;  // the courier says when the outbox cannot be read
    }
    QStringList addresses, parts;
    for (const mail::OutboxEntry& entry : overdue) {
        if (addresses.contains(entry.to, Qt::CaseInsensitive))
            continue;
        addresses << entry.to;
        const QString since = entry.created.date() == clock_.today()
                                  ? entry.created.toString(QStringLiteral("HH:mm"))
                                  : entry.created.toString(QStringLiteral("dd-MM-yyyy HH:mm"));
        parts << QStringLiteral("%1 (od %2)").arg(entry.to, since) +
                     (entry.answer.isEmpty() ? QString() : QStringLiteral(": ") + entry.answer);
    }
    if (!parts.isEmpty())
        showMailState((parts.size() == 1 ? QStringLiteral("Nie wysłano powiadomienia do ")
                                         : QStringLiteral("Nie wysłano powiadomień do ")) +
                      parts.join(QStringLiteral("; ")));
    else if (mailLabel->text().startsWith(NoticeNotSent))
        showMailState({});
}

void MainWindow::showMailState(const QString& text)
{
    showData(mailLabel, QStringLiteral("Poczta"), text);
    mailLabel->setToolTip(text);
    mailLabel->setVisible(!text.isEmpty());
}

// Stored settings take effect at once: the courier is made again with them.
void MainWindow::openMail()
{
    if (MailDialog(*this, this).exec() == QDialog::Accepted)
        startCourier();
}

// ------------------------------------------------------------ what every window is given

QString MainWindow::settingsValue(const QString& section, const QString& key) const
{
    return app::readSettingsValue(settingsFolder_, section, key);
}

void MainWindow::storeSettingsValue(const QString& section, const QString& key,
                                    const QString& value)
{
    app::writeSettingsValue(settingsFolder_, section, key, value);
}

QCursor MainWindow::treeCursor(controls::TreeCursor kind) const
{
    const auto found = cursors_.find(kind);
    return found == cursors_.end() ? QCursor() : found->second;
}

std::optional<QString> MainWindow::askValue(const desk::ValueRequest& request)
{
    return typedInputDialog->ask(request);
}

std::optional<QDate> MainWindow::pickDate(const QDate& shown, QWidget* anchor)
{
    return datePickerDialog->pick(shown, anchor);
}

std::optional<desk::CompanyAndDepartment> MainWindow::pickCompanyAndDepartment(int companyId,
                                                                               int departmentId)
{
    if (companiesDialog->exec(CompaniesDialog::Mode::Pick, companyId, departmentId) !=
        QDialog::Accepted)
        return std::nullopt;
    const CompaniesDialog::Selection chosen = companiesDialog->selection();
    return desk::CompanyAndDepartment{chosen.companyId, chosen.companyName, chosen.departmentId,
                                      chosen.departmentName};
}

std::optional<desk::EmployeeChoice> MainWindow::findEmployee()
{
    return employeeSearchDialog->find();
}

bool MainWindow::editVisit(int visitId)
{
    return visitors::editStoredVisit(*this, visitId, QApplication::activeModalWidget());
}

// ------------------------------------------------------------ the browser

int MainWindow::currentCompany() const
{
    if (!companies.active() || companies.isEmpty())
        return 0;
    return companies.field(QStringLiteral("ID")).asInteger();
}

int MainWindow::currentDepartment() const
{
    return controls::DepartmentTree::nodeId(departmentTree->selectedNode());
}

int MainWindow::currentEmployee() const
{
    if (!staff.active() || staff.isEmpty())
        return 0;
    return staff.field(QStringLiteral("ID")).asInteger();
}

void MainWindow::onCompanyChanged()
{
    const db::Database::ListReading reading(database_);
    {
        // The staff of the department the tree selects is read once, below.
        const QSignalBlocker quiet(departmentTree);
        loadDepartmentTree();
    }
    loadStaff();
    updateActions();
}

void MainWindow::onDepartmentChanged()
{
    loadStaff();
    updateActions();
}

// The departments of the current company, and after them "(bez działu)" (department 0) when
// some of its employees are in none of them.
void MainWindow::loadDepartmentTree()
{
    const bool staffOutside = departmentTree->loadDepartments(database_, currentCompany());
    // With no department shown, department 0 is listed anyway.
    if (staffOutside && departmentTree->nodeCount() > 0)
        departmentTree->addNode(nullptr, QStringLiteral("(bez działu)"), 0,
                                controls::icon(controls::Picture::Department, 16));
}

void MainWindow::loadStaff()
{
    const int company = currentCompany();
    const int department = currentDepartment();
    showCurrentNames();
    staff.close();
    if (!database_.connected())
        return;  // nothing to list without a connection
    staff.sql() =
        QString::fromUtf8(department != 0 ? SelectStaff : personnel::SelectStaffOfNoDepartment)
            .split(u'\n');
    staff.setParam(QStringLiteral("firma_id"), company);
    staff.setParam(QStringLiteral("dzial_id"), department);
    const db::Database::ListReading reading(database_);
    staff.open();
}

void MainWindow::showCurrentNames()
{
    showCompanyAndDepartment(companies.active() && !companies.isEmpty()
                                 ? companies.field(QStringLiteral("NAZWA")).asString()
                                 : QString(),
                             departmentTree->selectedNode() ? departmentTree->selectedNode()->text()
                                                            : QStringLiteral(" "));
}

void MainWindow::showCompanyAndDepartment(const QString& company, const QString& department)
{
    showData(companyNameLabel, QStringLiteral("Firma"), company);
    showData(departmentNameLabel, QStringLiteral("Dział"), department);
}

void MainWindow::clearBrowser()
{
    {
        const QSignalBlocker quiet(departmentTree);
        departmentTree->clear();
    }
    staff.close();
    showCompanyAndDepartment(QString(), QStringLiteral(" "));
}

void MainWindow::updateActions()
{
    const bool connected = database_.connected();
    for (QAction* action : {companiesAction, personnelAction, guestsAction, searchAction,
                            visitsAction, overviewAction})
        action->setEnabled(connected);
    infoAction->setEnabled(currentEmployee() != 0);
    reconnectAction->setEnabled(!connected && !closingWindows());
    personalDataAction->setEnabled(connected);
    upgradeAction->setEnabled(connected);
    informationClauseAction->setEnabled(connected);
    mailAction->setEnabled(connected);
    // A code needs the database to be read: without it a scan would only say so.
    if (scanBox)
        scanBox->setEnabled(connected);
}

// ------------------------------------------------------------ what other desks commit

void MainWindow::sayPollingInstead()
{
    showData(hintLabel, QStringLiteral("Podpowiedź"),
             QStringLiteral("Ta baza nie powiadamia o zmianach innych stanowisk: listy "
                            "odczytywane są ponownie co 30 s."));
}

void MainWindow::stopLiveUpdates()
{
    liveUpdates().stop();
    changedTables_.clear();
    catchUpTimer->stop();
}

void MainWindow::onTablesChanged(const QStringList& tables)
{
    for (const QString& table : tables)
        if (table == Companies || table == Departments || table == Staff)
            changedTables_.insert(table);
    catchUp();
}

bool MainWindow::mayReadListsAgain() const
{
    // Not while a window of the program is open, or a menu, while an action runs, or while
    // something of the main window is being edited or dragged. (Not by the mouse buttons
    // held: a press whose release went elsewhere leaves them held for the application.)
    return !QApplication::activeModalWidget() && !QApplication::activePopupWidget() &&
           actionsRunning_ == 0 && !companies.editing() && !staff.editing() &&
           !departmentTree->dragging() &&
           !(notesEdit->hasFocus() && notesEdit->textCursor().hasSelection());
}

void MainWindow::catchUp()
{
    if (changedTables_.isEmpty())
        return;
    if (!database_.connected() || closingWindows()) {
        changedTables_.clear();
        return;
    }
    if (!mayReadListsAgain()) {
        catchUpTimer->start();
        return;
    }
    readListsAgain(std::exchange(changedTables_, {}));
}

void MainWindow::readListsAgain(const QSet<QString>& tables)
{
    const bool companiesChanged = tables.contains(Companies);
    const bool departmentsChanged = tables.contains(Departments);
    const bool staffChanged = tables.contains(Staff);
    const int companyId = currentCompany();
    const int departmentId = currentDepartment();
    const int employeeId = currentEmployee();
    // What the lists showed stays in view where its rows are still there.
    QAbstractItemView* const lists[] = {companyGrid, departmentTree, staffGrid};
    int scrolled[3];
    for (int i = 0; i < 3; ++i)
        scrolled[i] = lists[i]->verticalScrollBar()->value();
    try {
        const db::Database::ListReading reading(database_);
        bool companyGone = false;
        if (companiesChanged) {
            const QScopedValueRollback<bool> quiet(readingCompaniesAgain_, true);
            companies.close();
            companies.open();
            if (companies.isEmpty()) {
                clearBrowser();
                updateActions();
                return;
            }
            companyGone = !companies.locate(QStringLiteral("ID"), companyId, 0);
        }
        if (companyGone) {
            // The company shown is gone: the one now current is shown as a click would.
            onCompanyChanged();
            return;
        }
        if (departmentsChanged) {
            const QSignalBlocker quiet(departmentTree);
            loadDepartmentTree();
            departmentTree->selectDepartment(departmentId);
        }
        if (departmentsChanged || staffChanged) {
            loadStaff();
            goToEmployee(employeeId);
        } else {
            showCurrentNames();
        }
        for (int i = 0; i < 3; ++i) {
            lists[i]->verticalScrollBar()->setValue(scrolled[i]);
            if (lists[i]->currentIndex().isValid())
                lists[i]->scrollTo(lists[i]->currentIndex());
        }
        updateActions();
    } catch (const db::Error& error) {
        // Nothing is said here: what the user does next finds the error, a lost connection
        // too, and is told.
        if (error.connectionLost())
            stopLiveUpdates();
        updateActions();
    } catch (const std::exception&) {
        updateActions();
    }
}

void MainWindow::goToCompany(int companyId)
{
    if (!companies.active())
        return;
    if (companies.locate(QStringLiteral("ID"), companyId, 0))
        return;
    // Another window (an import, another desk's work found by the search) may have added
    // the company since the list was read.
    const int previous = currentCompany();
    const db::Database::ListReading reading(database_);
    companies.close();
    companies.open();
    if (companies.isEmpty()) {
        clearBrowser();
        return;
    }
    if (companies.locate(QStringLiteral("ID"), companyId, 0))
        return;
    // A company that is gone leaves the current one, whose change runs again.
    companies.locate(QStringLiteral("ID"), previous, 0);
    onCompanyChanged();
}

void MainWindow::goToEmployee(int employeeId)
{
    if (staff.active())
        staff.locate(QStringLiteral("ID"), employeeId, 0);
}

void MainWindow::goTo(int companyId, int departmentId, int employeeId)
{
    goToCompany(companyId);
    departmentTree->selectDepartment(departmentId);
    goToEmployee(employeeId);
}

void MainWindow::openCompaniesEditorIfEnabled()
{
    if (companiesAction->isEnabled())
        companiesAction->trigger();
}

void MainWindow::openEmployeeInfoIfEnabled()
{
    if (infoAction->isEnabled())
        infoAction->trigger();
}

void MainWindow::openCompaniesEditor()
{
    if (companiesDialog->exec(CompaniesDialog::Mode::Edit, currentCompany(), currentDepartment()) ==
        QDialog::Accepted) {
        const db::Database::ListReading reading(database_);
        companies.close();
        companies.open();
        if (companies.isEmpty())
            clearBrowser();  // the last company is gone: nothing of it may stay shown
        const CompaniesDialog::Selection chosen = companiesDialog->selection();
        goToCompany(chosen.companyId);
        departmentTree->selectDepartment(chosen.departmentId);
    }
    updateActions();
}

void MainWindow::finishEmployeeAction()
{
    staffGrid->setFocus();
    updateActions();
}

void MainWindow::openPersonnel()
{
    const int companyId = currentCompany();
    const QString companyName = companyId != 0 && companies.active() && !companies.isEmpty()
                                    ? companies.field(QStringLiteral("NAZWA")).asString()
                                    : QString();
    const QStandardItem* department = departmentTree->selectedNode();
    const PersonnelDialog::Request request{companyId, companyName, currentDepartment(),
                                           department ? department->text() : QString(),
                                           currentEmployee()};
    if (personnelDialog->exec(request) == QDialog::Accepted) {
        const PersonnelDialog::Result chosen = personnelDialog->chosen();
        goTo(chosen.companyId, chosen.departmentId, chosen.employeeId);
    }
    finishEmployeeAction();
}

void MainWindow::searchForEmployee()
{
    if (const std::optional<desk::EmployeeChoice> found = employeeSearchDialog->find())
        goTo(found->companyId, found->departmentId, found->employeeId);
    finishEmployeeAction();
}

void MainWindow::openEmployeeInfo()
{
    const int employeeId = currentEmployee();
    if (employeeInfoDialog->exec(employeeId) == QDialog::Accepted) {
        loadStaff();
        goToEmployee(employeeId);
    }
    finishEmployeeAction();
}

void MainWindow::openGuests()
{
    guestsDialog->exec(GuestsDialog::Mode::Edit, 0);
}

void MainWindow::openVisits()
{
    visitsDialog->exec({currentCompany(), currentDepartment(), currentEmployee()});
}

void MainWindow::openOverview()
{
    overviewDialog->exec();
}

void MainWindow::showAbout()
{
    aboutDialog->exec();
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == companyGrid && event->type() == QEvent::Resize)
        companyGrid->setColumnWidth(0, qMax(0, companyGrid->width() - 30));
    if (watched == connectionStateLabel && event->type() == QEvent::MouseButtonDblClick &&
        reconnectAction->isEnabled()) {
        const QScopedValueRollback<int> running(actionsRunning_, actionsRunning_ + 1);
        prompts_.guarded([this] { reconnect(); });
    }
    if (event->type() == QEvent::MouseButtonDblClick &&
        (watched == companyGrid->viewport() || watched == departmentTree->viewport()) &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
        prompts_.guarded([this] { openCompaniesEditorIfEnabled(); });
    return QMainWindow::eventFilter(watched, event);
}

bool MainWindow::drawStaffCell(QPainter* painter, const QRect& cell, int row,
                               const controls::GridColumn& column, const QColor& background)
{
    const bool isId = column.field == QLatin1String("ID");
    const bool twoLines =
        column.field == QLatin1String("PIETRO") || column.field == QLatin1String("TELSTACJ");
    if (!isId && !twoLines)
        return false;
    const controls::DataSetModel& model = staffGrid->dataModel();
    const QFont font = column.font ? *column.font : staffGrid->font();
    const QFontMetrics metrics(font);
    const int lineHeight = metrics.height();  // the line height of the font, as "XXX" measures it
    painter->save();
    painter->fillRect(cell, background);
    painter->setClipRect(cell);
    painter->setFont(font);
    painter->setPen(Qt::black);
    auto write = [&](const QString& text, int x, int y) {
        painter->drawText(QPoint(x, y + metrics.ascent()), text);
    };
    const QString first = model.fieldText(row, column.field);
    if (isId) {
        write(first, cell.left() + (cell.width() - metrics.horizontalAdvance(first)) / 2,
              cell.top() + (cell.height() - lineHeight) / 2);
    } else {
        const QString second = model.fieldText(row, column.secondField);
        const bool centre = column.field == QLatin1String("PIETRO");
        auto x = [&](const QString& text) {
            return centre ? cell.left() + (cell.width() - metrics.horizontalAdvance(text)) / 2
                          : cell.left() + 3;
        };
        write(first, x(first), cell.top() + 2);
        write(second, x(second), cell.top() + 2 + lineHeight + 1);
    }
    painter->restore();
    return true;
}

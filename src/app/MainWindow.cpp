#include "app/MainWindow.h"

#include "admin/ConnectionParamsFile.h"
#include "app/AboutDialog.h"
#include "app/Settings.h"
#include "calendar/DatePickerDialog.h"
#include "controls/Icons.h"
#include "controls/Colours.h"
#include "controls/Prompts.h"
#include "db/DateTimeText.h"
#include "db/Error.h"
#include "db/RecordRules.h"
#include "directory/CompaniesDialog.h"
#include "directory/DepartmentDialog.h"
#include "directory/TypedInputDialog.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QMenuBar>
#include <QPainter>
#include <QSignalBlocker>
#include <QSplitter>
#include <QStandardPaths>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QToolBar>
#include <QVBoxLayout>

using controls::Picture;

namespace {

constexpr int kObrazDzialu = 9;

QFont czcionka(int piksele, bool gruba = false, const QString& rodzina = {})
{
    QFont f;
    if (!rodzina.isEmpty())
        f.setFamily(rodzina);
    f.setPixelSize(piksele);
    f.setBold(gruba);
    return f;
}

QLabel* etykieta(const QString& tekst, bool gruba = false)
{
    auto* label = new QLabel(tekst);
    if (gruba) {
        QFont f = label->font();
        f.setBold(true);
        label->setFont(f);
    }
    return label;
}

}  // namespace

MainWindow::MainWindow(controls::Prompts& prompts, QWidget* parent)
    : QMainWindow(parent), sqlFirmy(IBDatabase1), sqlPersonel(IBDatabase1),
      prompts_(prompts)
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Tervik :: tvHalvane 1.1"));
    PierwszaAktywacja = true;
    przygotujZbiory();
    zbudujAkcje();
    zbudujWidok();
    timer_Start.setSingleShot(true);
    timer_Start.setInterval(50);
    connect(&timer_Start, &QTimer::timeout, this, &MainWindow::timer_StartTimer);
    utworzOkna();
}

MainWindow::~MainWindow() = default;

void MainWindow::utworzOkna()
{
    formFirmy_ = std::make_unique<CompaniesDialog>(*this, this);
    formInputBox_ = std::make_unique<TypedInputDialog>(prompts_, this);
    formKalendarz_ = std::make_unique<DatePickerDialog>(clock_, this);
    formOProgramie_ = std::make_unique<AboutDialog>(prompts_, this);
}

void MainWindow::przygotujZbiory()
{
    sqlFirmy.setObjectName(QStringLiteral("sqlFirmy"));
    sqlFirmy.sql() = QStringList{"select *", "from FIRMY", "order by ID"};
    sqlPersonel.setObjectName(QStringLiteral("sqlPersonel"));
    sqlPersonel.sql() = QStringList{"select *", "from PERSONEL", "where", "  FIRMA_ID = :firma_id",
                                    "  and", "  DZIAL_ID = :dzial_id", "order by ID"};
    db::addSurnameFirstName(sqlPersonel);
    // The company change runs only when the list has a current company.
    connect(&sqlFirmy, &db::DataSet::afterScroll, this, [this] {
        if (sqlFirmy.active() && !sqlFirmy.isEmpty())
            prompts_.guarded([this] { sqlFirmyAfterScroll(); });
    });
}

QAction* MainWindow::akcja(const QString& nazwa, const QString& tekst, const QString& podpowiedz,
                       int obraz, void (MainWindow::*handler)())
{
    auto* a = new QAction(tekst, this);
    a->setObjectName(nazwa);
    if (!podpowiedz.isEmpty()) {
        a->setToolTip(podpowiedz);
        a->setStatusTip(podpowiedz);
    }
    if (obraz >= 0)
        a->setIcon(controls::icon(Picture(obraz), 32));
    if (handler)
        connect(a, &QAction::triggered, this, [this, handler] { prompts_.guarded([&] { (this->*handler)(); }); });
    return a;
}

void MainWindow::zbudujAkcje()
{
    aFirmy = akcja("aFirmy", "Firmy", "Edycja firm i działów", int(Picture::Companies), &MainWindow::aFirmyExecute);
    aPersonel = akcja("aPersonel", "Personel", "Edycja personelu firm", int(Picture::Personnel), nullptr);
    aGoscie = akcja("aGoscie", "Goście", "Wykaz gości", int(Picture::Guests), nullptr);
    aGoscie->setShortcut(QKeySequence(QStringLiteral("Ctrl+G")));
    aSzukaj = akcja("aSzukaj", "Szukaj", "Szukaj pracownika", int(Picture::Search), nullptr);
    aSzukaj->setShortcuts({QKeySequence(QStringLiteral("Ctrl+F")), QKeySequence(Qt::Key_F3)});
    aInfo = akcja("aInfo", "Info", "Info o pracowniku", int(Picture::Info), nullptr);
    aInfo->setShortcut(QKeySequence(QStringLiteral("Ctrl+I")));
    aWizyty = akcja("aWizyty", "Wizyty", "Wizyty u pracowników", int(Picture::Visits), nullptr);
    aWizyty->setShortcut(QKeySequence(QStringLiteral("Ctrl+W")));
    aOProgramie = akcja("aOProgramie", "O programie", "Okno 'O programie'", int(Picture::About),
                        &MainWindow::aOProgramieExecute);
    aKopiaBazyDanych = akcja("aKopiaBazyDanych", "Kopia bazy danych", {}, int(Picture::Backup),
                             &MainWindow::aKopiaBazyDanychExecute);
    aWyborBazyDanych = akcja("aWyborBazyDanych", "Wybór bazy danych", {}, int(Picture::DatabaseChoice),
                             &MainWindow::aWyborBazyDanychExecute);
    aZakoncz = akcja("aZakoncz", "Zakończ", {}, -1, nullptr);
    connect(aZakoncz, &QAction::triggered, this, &QWidget::close);

    auto* toolbar = addToolBar(QStringLiteral("Narzędzia"));
    toolbar->setObjectName(QStringLiteral("ToolBar1"));
    toolbar->setMovable(false);
    toolbar->setIconSize(QSize(32, 32));
    toolbar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    toolbar->addActions({aFirmy, aPersonel, aGoscie});
    toolbar->addSeparator();
    toolbar->addActions({aSzukaj, aInfo, aWizyty});
    toolbar->addSeparator();
    toolbar->addAction(aOProgramie);

    QMenu* dane = menuBar()->addMenu(QStringLiteral("Dane"));
    dane->addActions({aFirmy, aPersonel, aGoscie});
    dane->addSeparator();
    dane->addAction(aZakoncz);
    QMenu* pracownik = menuBar()->addMenu(QStringLiteral("Pracownik"));
    pracownik->addActions({aSzukaj, aInfo, aWizyty});
    QMenu* dodatki = menuBar()->addMenu(QStringLiteral("Dodatki"));
    dodatki->addAction(aOProgramie);
    dodatki->addSeparator();
    dodatki->addActions({aKopiaBazyDanych, aWyborBazyDanych});
}

void MainWindow::zbudujWidok()
{
    // Left: companies over the department tree.
    DBGrid1 = new controls::DataGrid(sqlFirmy, prompts_);
    DBGrid1->setObjectName(QStringLiteral("DBGrid1"));
    DBGrid1->setAccessibleName(QStringLiteral("Firmy"));
    DBGrid1->setTitleRow(false);
    DBGrid1->setColumns({{QStringLiteral("NAZWA"), QStringLiteral("Nazwa"), 200}});
    DBGrid1->installEventFilter(this);

    TreeView1 = new controls::DepartmentTree;
    TreeView1->setObjectName(QStringLiteral("TreeView1"));
    TreeView1->setAccessibleName(QStringLiteral("Struktura firmy"));
    connect(TreeView1, &controls::DepartmentTree::selectionChangedTo, this,
            [this] { prompts_.guarded([this] { TreeView1Change(); }); });

    auto* firmy = new QWidget;
    auto* firmyUklad = new QVBoxLayout(firmy);
    firmyUklad->setContentsMargins(0, 0, 0, 0);
    firmyUklad->addWidget(etykieta(QStringLiteral(" Firmy:")));
    firmyUklad->addWidget(DBGrid1);
    auto* struktura = new QWidget;
    auto* strukturaUklad = new QVBoxLayout(struktura);
    strukturaUklad->setContentsMargins(0, 0, 0, 0);
    strukturaUklad->addWidget(etykieta(QStringLiteral(" Struktura firmy:")));
    strukturaUklad->addWidget(TreeView1);
    auto* lewy = new QSplitter(Qt::Vertical);
    lewy->addWidget(firmy);
    lewy->addWidget(struktura);
    lewy->setStretchFactor(1, 2);

    // Right: the header line, the employees and the notes.
    Label3 = etykieta(QStringLiteral(" Pracownicy firmy '"));
    Label4 = etykieta(QString(), true);
    Label5 = etykieta(QStringLiteral("', działu '"));
    Label6 = etykieta(QString(), true);
    Label7 = etykieta(QStringLiteral("':"));
    const std::pair<QLabel*, const char*> nazwy[] = {
        {Label3, "Label3"}, {Label4, "Label4"}, {Label5, "Label5"}, {Label6, "Label6"}, {Label7, "Label7"}};
    auto* naglowek = new QHBoxLayout;
    naglowek->setSpacing(0);
    for (const auto& [label, name] : nazwy) {
        label->setObjectName(QString::fromLatin1(name));
        naglowek->addWidget(label);
    }
    naglowek->addStretch();

    DBGrid2 = new controls::DataGrid(sqlPersonel, prompts_);
    DBGrid2->setObjectName(QStringLiteral("DBGrid2"));
    DBGrid2->setAccessibleName(QStringLiteral("Pracownicy"));
    DBGrid2->setRowFont(czcionka(23));
    const Qt::Alignment centred = Qt::AlignCenter;
    DBGrid2->setColumns({
        {QStringLiteral("ID"), QStringLiteral("ID"), 67, czcionka(13, true), centred},
        {QStringLiteral("_nazwisko_imie"), QStringLiteral("Nazwisko i imię"), 299,
         czcionka(24, true, QStringLiteral("Arial"))},
        {QStringLiteral("STANOWISKO"), QStringLiteral("Stanowisko"), 154, czcionka(11)},
        {QStringLiteral("PIETRO"), QStringLiteral("Piętro i pokój"), 80, czcionka(11), centred,
         QStringLiteral("POKOJ")},
        {QStringLiteral("TELSTACJ"), QStringLiteral("Telefony"), 100, czcionka(11),
         Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("TELKOM")},
        {QStringLiteral("EMAIL"), QStringLiteral("E-mail"), 100, czcionka(11)},
    });
    DBGrid2->setCellPainter([this](QPainter* p, const QRect& cell, int row,
                                   const controls::GridColumn& column, const QColor& background) {
        return DBGrid2DrawColumnCell(p, cell, row, column, background);
    });
    connect(DBGrid2, &QAbstractItemView::doubleClicked, this,
            [this] { prompts_.guarded([this] { DBGrid2DblClick(); }); });
    connect(DBGrid2, &controls::DataGrid::enterPressed, this,
            [this] { prompts_.guarded([this] { DBGrid2DblClick(); }); });
    connect(DBGrid1, &QAbstractItemView::doubleClicked, this,
            [this] { prompts_.guarded([this] { FirmaDzial_OnDblClick(); }); });
    connect(TreeView1, &QAbstractItemView::doubleClicked, this,
            [this] { prompts_.guarded([this] { FirmaDzial_OnDblClick(); }); });

    DBMemo1 = new controls::BoundTextEdit(sqlPersonel, QStringLiteral("INFO"));
    DBMemo1->setObjectName(QStringLiteral("DBMemo1"));
    DBMemo1->setAccessibleName(QStringLiteral("Info o pracowniku"));
    DBMemo1->setReadOnly(true);
    DBMemo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QPalette memo = DBMemo1->palette();
    memo.setColor(QPalette::Base, controls::windowsColor(controls::colours::InactiveBox));
    DBMemo1->setPalette(memo);

    auto* pracownicy = new QWidget;
    auto* pracownicyUklad = new QVBoxLayout(pracownicy);
    pracownicyUklad->setContentsMargins(0, 0, 0, 0);
    pracownicyUklad->addLayout(naglowek);
    pracownicyUklad->addWidget(DBGrid2);
    auto* notatki = new QWidget;
    auto* notatkiUklad = new QHBoxLayout(notatki);
    notatkiUklad->setContentsMargins(0, 0, 0, 0);
    auto* infoEtykieta = etykieta(QStringLiteral("Info o pracowniku:  "));
    infoEtykieta->setAlignment(Qt::AlignTop);
    infoEtykieta->setBuddy(DBMemo1);
    notatkiUklad->addWidget(infoEtykieta);
    notatkiUklad->addWidget(DBMemo1);
    auto* prawy = new QSplitter(Qt::Vertical);
    prawy->addWidget(pracownicy);
    prawy->addWidget(notatki);
    prawy->setStretchFactor(0, 4);
    prawy->setStretchFactor(1, 1);

    auto* glowny = new QSplitter(Qt::Horizontal);
    glowny->addWidget(lewy);
    glowny->addWidget(prawy);
    glowny->setStretchFactor(1, 3);
    glowny->setSizes({300, 900});
    setCentralWidget(glowny);

    // Status bar: "Baza danych:", the connection state, and the hints.
    auto* pasek = statusBar();
    pasek->setObjectName(QStringLiteral("StatusBar1"));
    const int szerokosci[] = {80, 200, 50};
    for (int i = 0; i < 3; ++i) {
        PanelStatusu[i] = new QLabel;
        PanelStatusu[i]->setObjectName(QStringLiteral("Panel%1").arg(i));
        PanelStatusu[i]->setMinimumWidth(szerokosci[i]);
        if (i < 2) {
            PanelStatusu[i]->setFixedWidth(szerokosci[i]);
            PanelStatusu[i]->setAlignment(Qt::AlignCenter);
        }
        if (i > 0)
            PanelStatusu[i]->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        pasek->addWidget(PanelStatusu[i], i == 2 ? 1 : 0);
    }
    PanelStatusu[0]->setText(QStringLiteral("Baza danych:"));
    PanelStatusu[1]->setAccessibleName(QStringLiteral("Stan połączenia"));
}

// ------------------------------------------------------------ start-up and connection

bool MainWindow::event(QEvent* event)
{
    if (event->type() == QEvent::StatusTip) {
        PanelStatusu[2]->setText(static_cast<QStatusTipEvent*>(event)->tip());
        return true;
    }
    if (event->type() == QEvent::WindowActivate)
        FormActivate();
    return QMainWindow::event(event);
}

void MainWindow::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (!pokazano_) {
        pokazano_ = true;
        FormShow();
        // The first showing makes the main window the active one, whether or not a
        // window manager tells it so.
        FormActivate();
    }
}

void MainWindow::FormShow()
{
    KatalogProgramu = QCoreApplication::applicationDirPath() + u'/';
    // The settings live in the user's data folder; the program never creates it.
    KatalogUstawien = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                      QStringLiteral("/Tervik/halvane/");
    try {
        CzytajUstawienia();
    } catch (const std::exception&) {
        // the members keep what they had
    }
    WczytajKursory();
    {
        const QSignalBlocker cisza(TreeView1);
        TreeView1->clear();
    }
    UstawAkcje();
}

void MainWindow::FormActivate()
{
    if (PierwszaAktywacja)
        timer_Start.start();
    PierwszaAktywacja = false;
}

void MainWindow::timer_StartTimer()
{
    timer_Start.stop();
    aOProgramie->setEnabled(false);
    aKopiaBazyDanych->setEnabled(false);
    aWyborBazyDanych->setEnabled(false);
    Polacz();
    aKopiaBazyDanych->setEnabled(IBDatabase1.connected());
    aWyborBazyDanych->setEnabled(true);
    aOProgramie->setEnabled(true);
    UstawAkcje();
}

void MainWindow::CzytajUstawienia()
{
    const app::Settings u = app::readSettings(KatalogUstawien);
    Host = u.Host;
    Dir = u.Dir;
    File = u.File;
    LastBackupDir = u.LastBackupDir;
}

void MainWindow::ZapiszUstawienia()
{
    app::writeSettings(KatalogUstawien, {Host, Dir, File, LastBackupDir});
}

QString MainWindow::NazwaBazy() const
{
    return app::databaseName({Host, Dir, File, LastBackupDir});
}

void MainWindow::Polacz()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    PanelStatusu[1]->setText(QStringLiteral("ŁĄCZENIE"));
    QCoreApplication::processEvents();
    try {
        IBDatabase1.setDatabaseName(NazwaBazy());
        IBDatabase1.setParamsText(admin::readConnectionParams(KatalogUstawien));
        IBDatabase1.open();
        sqlFirmy.open();
    } catch (const std::exception& error) {
        const auto* dbError = dynamic_cast<const db::Error*>(&error);
        const QString tekst = dbError ? dbError->message() : QString::fromLocal8Bit(error.what());
        prompts_.beep();
        prompts_.message(QStringLiteral("Błąd połączenia z bazą danych:\n") + tekst +
                             QStringLiteral("\n\nAby skonfigurować parametry połączenia kliknij w "
                                            "menu 'Wybór bazy danych'"),
                         {}, controls::Icon::Error);
    }
    PanelStatusu[1]->setText(IBDatabase1.connected() ? Host : QStringLiteral("Niepodłączony"));
    QApplication::restoreOverrideCursor();
}

void MainWindow::WczytajKursory()
{
    kursory_[5] = controls::treeCursor(controls::TreeCursor::InsertBefore);
    kursory_[6] = controls::treeCursor(controls::TreeCursor::NewChild);
    kursory_[7] = controls::treeCursor(controls::TreeCursor::AppendAtEnd);
}

QCursor MainWindow::Kursor(int numer) const
{
    const auto it = kursory_.find(numer);
    return it == kursory_.end() ? QCursor() : it->second;
}


void MainWindow::PonownePolaczenie(const std::function<void()>& pokazOkno)
{
    IBDatabase1.close();
    WyczyscPrzegladarke();  // the lists are closed with the connection
    UstawAkcje();
    if (pokazOkno)
        pokazOkno();
    ZapiszUstawienia();  // a failure is reported and the program stays disconnected
    Polacz();
    UstawAkcje();
}

void MainWindow::aKopiaBazyDanychExecute()
{
    PonownePolaczenie({});
}

void MainWindow::aWyborBazyDanychExecute()
{
    PonownePolaczenie({});
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    FormClose();
    QMainWindow::closeEvent(event);
}

void MainWindow::FormClose()
{
    try {
        ZapiszUstawienia();
    } catch (const std::exception&) {
        // nothing to be done about it at exit
    }
    IBDatabase1.close();
}

// ------------------------------------------------------------ shared operations

QCursor MainWindow::treeCursor(controls::TreeCursor kind) const
{
    return Kursor(5 + int(kind));
}

std::optional<QString> MainWindow::askValue(const desk::ValueRequest& request)
{
    return formInputBox_->ask(request);
}

std::optional<QDate> MainWindow::pickDate(const QDate& shown, QWidget* anchor)
{
    return formKalendarz_->pick(shown, anchor);
}

std::optional<desk::CompanyAndDepartment> MainWindow::pickCompanyAndDepartment(int companyId,
                                                                               int departmentId)
{
    if (formFirmy_->exec(CompaniesDialog::Mode::Pick, companyId, departmentId) !=
        QDialog::Accepted)
        return std::nullopt;
    const CompaniesDialog::Selection chosen = formFirmy_->selection();
    return desk::CompanyAndDepartment{chosen.companyId, chosen.companyName, chosen.departmentId,
                                      chosen.departmentName};
}

std::optional<desk::EmployeeChoice> MainWindow::findEmployee()
{
    return std::nullopt;  // the employee search window comes with the personnel windows
}

double MainWindow::parseDate(const QString& text)
{
    return db::parseDate(text);
}

double MainWindow::parseTime(const QString& text)
{
    return db::parseTime(text);
}

// ------------------------------------------------------------ the browser

int MainWindow::BiezacaFirma() const
{
    if (!sqlFirmy.active() || sqlFirmy.isEmpty())
        return 0;
    return sqlFirmy.field(QStringLiteral("ID")).asInteger();
}

int MainWindow::BiezacyDzial() const
{
    return controls::DepartmentTree::nodeId(TreeView1->selectedNode());
}

int MainWindow::BiezacyPracownik() const
{
    if (!sqlPersonel.active() || sqlPersonel.isEmpty())
        return 0;
    return sqlPersonel.field(QStringLiteral("ID")).asInteger();
}

void MainWindow::sqlFirmyAfterScroll()
{
    TreeView1->loadDepartments(IBDatabase1, BiezacaFirma());
    WczytajPersonel();
    UstawAkcje();
}

void MainWindow::TreeView1Change()
{
    WczytajPersonel();
    UstawAkcje();
}

void MainWindow::WczytajPersonel()
{
    const int firma = BiezacaFirma();
    const int dzial = BiezacyDzial();
    Label4->setText(sqlFirmy.active() && !sqlFirmy.isEmpty()
                        ? sqlFirmy.field(QStringLiteral("NAZWA")).asString()
                        : QString());
    Label6->setText(dzial != 0 ? TreeView1->selectedNode()->text() : QStringLiteral(" "));
    sqlPersonel.close();
    if (!IBDatabase1.connected())
        return;  // nothing to list without a connection
    sqlPersonel.setParam(QStringLiteral("firma_id"), firma);
    sqlPersonel.setParam(QStringLiteral("dzial_id"), dzial);
    sqlPersonel.open();
}

void MainWindow::WyczyscPrzegladarke()
{
    {
        const QSignalBlocker cisza(TreeView1);
        TreeView1->clear();
    }
    sqlPersonel.close();
    Label4->clear();
    Label6->setText(QStringLiteral(" "));
}

void MainWindow::UstawAkcje()
{
    const bool polaczono = IBDatabase1.connected();
    for (QAction* a : {aFirmy, aPersonel, aGoscie, aSzukaj, aWizyty})
        a->setEnabled(polaczono);
    aInfo->setEnabled(BiezacyPracownik() != 0);
}

void MainWindow::IdzDoFirmy(int firmaId)
{
    if (!sqlFirmy.active() || sqlFirmy.isEmpty())
        return;
    // A company that is gone leaves the current one, whose change runs again.
    if (!sqlFirmy.locate(QStringLiteral("ID"), firmaId, 0))
        sqlFirmyAfterScroll();
}

void MainWindow::IdzDoPracownika(int personId)
{
    if (sqlPersonel.active())
        sqlPersonel.locate(QStringLiteral("ID"), personId, 0);
}

void MainWindow::PrzejdzDo(int firmaId, int dzialId, int personId)
{
    IdzDoFirmy(firmaId);
    TreeView1->selectDepartment(dzialId);
    IdzDoPracownika(personId);
}

void MainWindow::FirmaDzial_OnDblClick()
{
    if (aFirmy->isEnabled())
        aFirmy->trigger();
}

void MainWindow::DBGrid2DblClick()
{
    if (aInfo->isEnabled())
        aInfo->trigger();
}

void MainWindow::aFirmyExecute()
{
    CompaniesDialog& firmy = Form_Firmy();
    if (firmy.exec(CompaniesDialog::Mode::Edit, BiezacaFirma(), BiezacyDzial()) ==
        QDialog::Accepted) {
        sqlFirmy.close();
        sqlFirmy.open();
        if (sqlFirmy.isEmpty())
            WyczyscPrzegladarke();  // the last company is gone: nothing of it may stay shown
        const CompaniesDialog::Selection chosen = firmy.selection();
        IdzDoFirmy(chosen.companyId);
        TreeView1->selectDepartment(chosen.departmentId);
    }
    UstawAkcje();
}

void MainWindow::aOProgramieExecute()
{
    Form_OProgramie().exec();
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == DBGrid1 && event->type() == QEvent::Resize)
        DBGrid1->setColumnWidth(0, qMax(0, DBGrid1->width() - 30));
    return QMainWindow::eventFilter(watched, event);
}

bool MainWindow::DBGrid2DrawColumnCell(QPainter* p, const QRect& cell, int row,
                                   const controls::GridColumn& column, const QColor& background)
{
    const bool id = column.field == QLatin1String("ID");
    const bool dwieLinie = column.field == QLatin1String("PIETRO") ||
                           column.field == QLatin1String("TELSTACJ");
    if (!id && !dwieLinie)
        return false;
    const controls::DataSetModel& model = DBGrid2->dataModel();
    const QFont font = column.font ? *column.font : DBGrid2->font();
    const QFontMetrics fm(font);
    const int wysokoscLinii = fm.height();  // the line height of the font, as "XXX" measures it
    p->save();
    p->fillRect(cell, background);
    p->setClipRect(cell);
    p->setFont(font);
    p->setPen(Qt::black);
    auto napisz = [&](const QString& tekst, int x, int y) {
        p->drawText(QPoint(x, y + fm.ascent()), tekst);
    };
    const QString pierwszy = model.fieldText(row, column.field);
    if (id) {
        napisz(pierwszy, cell.left() + (cell.width() - fm.horizontalAdvance(pierwszy)) / 2,
               cell.top() + (cell.height() - wysokoscLinii) / 2);
    } else {
        const QString drugi = model.fieldText(row, column.secondField);
        const bool wysrodkuj = column.field == QLatin1String("PIETRO");
        auto x = [&](const QString& tekst) {
            return wysrodkuj ? cell.left() + (cell.width() - fm.horizontalAdvance(tekst)) / 2
                             : cell.left() + 3;
        };
        napisz(pierwszy, x(pierwszy), cell.top() + 2);
        napisz(drugi, x(drugi), cell.top() + 2 + wysokoscLinii + 1);
    }
    p->restore();
    return true;
}

#include "directory/CompaniesDialog.h"

#include "controls/Icons.h"
#include "db/Database.h"
#include "desk/Desk.h"
#include "controls/Prompts.h"
#include "controls/DialogButtons.h"
#include "db/Error.h"
#include "directory/DepartmentDialog.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QSplitter>
#include <QToolBar>
#include <QVBoxLayout>

namespace {

const QString kEdycja = QStringLiteral("EDYCJA");
const QString kWybor = QStringLiteral("WYBOR");

// A savepoint of the shared transaction: what a step wrote is undone unless the step
// finished.
class PunktZapisu {
public:
    explicit PunktZapisu(db::Database& baza) : baza_(baza)
    {
        baza_.execute(QStringLiteral("SAVEPOINT ZMIANA_STRUKTURY"));
    }
    ~PunktZapisu()
    {
        if (otwarty_) {
            try {
                baza_.execute(QStringLiteral("ROLLBACK TO SAVEPOINT ZMIANA_STRUKTURY"));
            } catch (const db::Error&) {
                // the step's own error is the one the user sees
            }
        }
    }
    void zatwierdz()
    {
        baza_.execute(QStringLiteral("RELEASE SAVEPOINT ZMIANA_STRUKTURY ONLY"));
        otwarty_ = false;
    }

private:
    db::Database& baza_;
    bool otwarty_ = true;
};

}  // namespace

CompaniesDialog::CompaniesDialog(desk::Desk& desk, QWidget* parent)
    : QDialog(parent), sqlFirmy(desk.database()), sqlDzialy(desk.database()),
      sqlQuery1(desk.database()), glowne_(desk)
{
    setObjectName(QStringLiteral("Form_Firmy"));
    setWindowTitle(QStringLiteral("Firmy"));
    resize(560, 640);

    sqlFirmy.setSelectSql("select *\nfrom FIRMY\norder by ID");
    sqlFirmy.setInsertSql("insert into FIRMY\n  (ID, NAZWA)\nvalues\n  (:ID, :NAZWA)");
    sqlFirmy.setModifySql("update FIRMY\nset\n  ID = :ID,\n  NAZWA = :NAZWA\nwhere\n  ID = :OLD_ID");
    sqlFirmy.setDeleteSql("delete from FIRMY\nwhere\n  ID = :OLD_ID");
    sqlFirmy.setRefreshSql("Select \n  ID,\n  NAZWA\nfrom FIRMY \nwhere\n  ID = :ID");
    sqlFirmy.setGenerator(QStringLiteral("GEN_FIRMY_ID"), QStringLiteral("ID"), db::GeneratorApply::OnPost);

    sqlDzialy.setSelectSql("select *\nfrom DZIALY\nwhere FIRMA_ID = :firma_id\norder by KOLEJ");
    sqlDzialy.setInsertSql(
        "insert into DZIALY\n  (ID, FIRMA_ID, POPID, KOLEJ, NAZWA, LOKALIZACJA)\nvalues\n"
        "  (:ID, :FIRMA_ID, :POPID, :KOLEJ, :NAZWA, :LOKALIZACJA)");
    sqlDzialy.setModifySql(
        "update DZIALY\nset\n  ID = :ID,\n  FIRMA_ID = :FIRMA_ID,\n  POPID = :POPID,\n  KOLEJ = :KOLEJ,\n"
        "  NAZWA = :NAZWA,\n  LOKALIZACJA = :LOKALIZACJA\nwhere\n  ID = :OLD_ID");
    sqlDzialy.setDeleteSql("delete from DZIALY\nwhere\n  ID = :OLD_ID");
    sqlDzialy.setRefreshSql(
        "Select \n  ID,\n  FIRMA_ID,\n  POPID,\n  KOLEJ,\n  NAZWA,\n  LOKALIZACJA\nfrom DZIALY \nwhere\n  ID = :ID");
    sqlDzialy.setGenerator(QStringLiteral("GEN_DZIALY_ID"), QStringLiteral("ID"), db::GeneratorApply::OnPost);

    connect(&sqlFirmy, &db::DataSet::afterScroll, this,
            [this] { glowne_.prompts().guarded([this] { sqlFirmyAfterScroll(); }); });
    zbudujWidok();
    departmentDialog_ = new DepartmentDialog(sqlDzialy, desk.prompts(), this);
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
    Tryb = mode == Mode::Pick ? kWybor : kEdycja;
    FirmaId = companyId;
    DzialId = departmentId;
}

CompaniesDialog::Selection CompaniesDialog::selection() const
{
    return {FirmaId, FirmaNazwa, DzialId, DzialNazwa};
}

QAction* CompaniesDialog::akcja(const QString& nazwa, const QString& tekst, const QString& podpowiedz,
                            controls::Picture obraz, void (CompaniesDialog::*handler)())
{
    auto* a = new QAction(controls::icon(obraz, 16), tekst, this);
    a->setObjectName(nazwa);
    a->setToolTip(podpowiedz);
    a->setStatusTip(podpowiedz);
    connect(a, &QAction::triggered, this,
            [this, handler] { glowne_.prompts().guarded([&] { (this->*handler)(); }); });
    return a;
}

void CompaniesDialog::zbudujWidok()
{
    aFirmaDodaj = akcja("aFirmaDodaj", "Dodaj", "Dodaj firmę (Ins)", controls::Picture::Add, &CompaniesDialog::aFirmaDodajExecute);
    aFirmaUsun = akcja("aFirmaUsun", "Usun", "Usuń firmę (Del)", controls::Picture::Delete, &CompaniesDialog::aFirmaUsunExecute);
    aFirmaEdytuj = akcja("aFirmaEdytuj", "Edytuj", "Edytuj firmę (Enter)", controls::Picture::Edit, &CompaniesDialog::aFirmaEdytujExecute);
    aDzialDodaj = new QAction(controls::icon(controls::Picture::Add, 16), QStringLiteral("Dodaj"), this);
    aDzialDodaj->setObjectName(QStringLiteral("aDzialDodaj"));
    aDzialDodaj->setToolTip(QStringLiteral("Dodaj dział (Ins)"));
    connect(aDzialDodaj, &QAction::triggered, this,
            [this] { glowne_.prompts().guarded([this] { DodajDzial(false); }); });
    aDzialDodajPodrzedne = new QAction(controls::icon(controls::Picture::AddChild, 16), QStringLiteral("Dodaj podrzędny"), this);
    aDzialDodajPodrzedne->setObjectName(QStringLiteral("aDzialDodajPodrzedne"));
    aDzialDodajPodrzedne->setToolTip(QStringLiteral("Dodaj dział podrzędny (Ctrl+Ins)"));
    connect(aDzialDodajPodrzedne, &QAction::triggered, this,
            [this] { glowne_.prompts().guarded([this] { DodajDzial(true); }); });
    aDzialUsun = akcja("aDzialUsun", "Usuń", "Usuń dział (Del)", controls::Picture::Delete, &CompaniesDialog::aDzialUsunExecute);
    aDzialEdytuj = akcja("aDzialEdytuj", "Edytuj", "Edytuj dział (Enter)", controls::Picture::Edit, &CompaniesDialog::aDzialEdytujExecute);
    aDzialWGore = akcja("aDzialWGore", "W górę", "Przesuń w górę (Ctrl+Up)", controls::Picture::Up, &CompaniesDialog::aDzialWGoreExecute);
    aDzialWDol = akcja("aDzialWDol", "W dół", "Przesuń w dół (Ctrl+Down)", controls::Picture::Down, &CompaniesDialog::aDzialWDolExecute);

    ToolBar1 = new QToolBar;
    ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
    ToolBar1->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    ToolBar1->setIconSize(QSize(16, 16));
    ToolBar1->addActions({aFirmaDodaj, aFirmaUsun, aFirmaEdytuj});
    DBGrid1 = new controls::DataGrid(sqlFirmy, glowne_.prompts());
    DBGrid1->setObjectName(QStringLiteral("DBGrid1"));
    DBGrid1->setAccessibleName(QStringLiteral("Firmy"));
    DBGrid1->setTitleRow(false);
    DBGrid1->setColumns({{QStringLiteral("NAZWA"), QStringLiteral("Nazwa"), 300}});
    DBGrid1->installEventFilter(this);

    ToolBar2 = new QToolBar;
    ToolBar2->setObjectName(QStringLiteral("ToolBar2"));
    ToolBar2->setOrientation(Qt::Vertical);
    ToolBar2->setToolButtonStyle(Qt::ToolButtonIconOnly);
    ToolBar2->setIconSize(QSize(16, 16));
    ToolBar2->addActions({aDzialDodaj, aDzialDodajPodrzedne, aDzialUsun, aDzialEdytuj, aDzialWGore, aDzialWDol});
    TreeView1 = new controls::DepartmentTree;
    TreeView1->setObjectName(QStringLiteral("TreeView1"));
    TreeView1->setAccessibleName(QStringLiteral("Struktura firmy"));
    TreeView1->installEventFilter(this);
    connect(TreeView1, &controls::DepartmentTree::selectionChangedTo, this, [this] { UstawAkcje(); });
    connect(TreeView1, &controls::DepartmentTree::nodeDraggedOver, this, [this](const QPoint& punkt) {
        TreeView1->viewport()->setCursor(KursorPrzeciagania(punkt));
    });
    connect(TreeView1, &controls::DepartmentTree::nodeDropped, this, [this](const QPoint& punkt) {
        glowne_.prompts().guarded([&] { TreeView1DragDrop(punkt); });
    });

    auto* gora = new QWidget;
    auto* goraUklad = new QVBoxLayout(gora);
    goraUklad->setContentsMargins(0, 0, 0, 0);
    goraUklad->addWidget(ToolBar1);
    goraUklad->addWidget(DBGrid1);
    auto* dol = new QWidget;
    auto* dolUklad = new QVBoxLayout(dol);
    dolUklad->setContentsMargins(0, 0, 0, 0);
    dolUklad->addWidget(new QLabel(QStringLiteral(" Struktura firmy:")));
    auto* drzewoUklad = new QHBoxLayout;
    drzewoUklad->addWidget(ToolBar2);
    drzewoUklad->addWidget(TreeView1);
    dolUklad->addLayout(drzewoUklad);
    auto* podzial = new QSplitter(Qt::Vertical);
    podzial->addWidget(gora);
    podzial->addWidget(dol);
    podzial->setStretchFactor(1, 2);

    QHBoxLayout* przyciski = controls::okCancelButtons(btnOK, btnAnuluj);
    connect(btnOK, &QPushButton::clicked, this, [this] { glowne_.prompts().guarded([this] { btnOKClick(); }); });
    connect(btnAnuluj, &QPushButton::clicked, this, &CompaniesDialog::reject);

    auto* uklad = new QVBoxLayout(this);
    uklad->addWidget(podzial);
    uklad->addLayout(przyciski);
}

// ------------------------------------------------------------ showing and modes

void CompaniesDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    glowne_.prompts().guarded([this] { FormShow(); });
}

void CompaniesDialog::FormShow()
{
    UstawTryb();
    sqlFirmy.close();
    sqlFirmy.open();
    sqlFirmy.locate(QStringLiteral("ID"), FirmaId, 0);
    TreeView1->selectDepartment(DzialId);
    Zmiany = false;
    DBGrid1->setFocus();
    UstawAkcje();
}

void CompaniesDialog::UstawTryb()
{
    if (Tryb == kEdycja) {
        ToolBar1->setVisible(true);
        ToolBar2->setVisible(true);
        btnOK->setDefault(false);
        TreeView1->setDragEnabled(true);
    } else if (Tryb == kWybor) {
        ToolBar1->setVisible(false);
        ToolBar2->setVisible(false);
        btnOK->setDefault(true);
        TreeView1->setDragEnabled(false);
    } else {
        glowne_.prompts().message(QStringLiteral("Nieznany tryb pracy okna: '") + Tryb + u'\'');
    }
}

int CompaniesDialog::BiezacaFirma() const
{
    if (!sqlFirmy.active() || sqlFirmy.isEmpty())
        return 0;
    return sqlFirmy.field(QStringLiteral("ID")).asInteger();
}

void CompaniesDialog::UstawAkcje()
{
    const bool e = Tryb == kEdycja;
    const bool f = BiezacaFirma() != 0;
    QStandardItem* wezel = TreeView1->selectedNode();
    const bool n = wezel != nullptr;
    aFirmaDodaj->setEnabled(e);
    aFirmaUsun->setEnabled(e && f);
    aFirmaEdytuj->setEnabled(e && f);
    aDzialDodaj->setEnabled(e && f);
    aDzialDodajPodrzedne->setEnabled(e && n);
    aDzialEdytuj->setEnabled(e && n);
    aDzialUsun->setEnabled(e && n && !wezel->hasChildren());
    aDzialWGore->setEnabled(e && n && Sasiad(wezel, -1));
    aDzialWDol->setEnabled(e && n && Sasiad(wezel, +1));
}

void CompaniesDialog::sqlFirmyAfterScroll()
{
    const int firma = BiezacaFirma();
    TreeView1->loadDepartments(glowne_.database(), firma);
    sqlDzialy.close();
    sqlDzialy.setParam(QStringLiteral("firma_id"), firma);
    sqlDzialy.open();
    UstawAkcje();
}

// ------------------------------------------------------------ companies

void CompaniesDialog::aFirmaDodajExecute()
{
    sqlFirmy.append();
    const std::optional<QString> name = glowne_.askValue(
        {QStringLiteral("Dodaj firmę"), QStringLiteral("Nazwa firmy:"), QString(),
         desk::ValueType::Text, sqlFirmy.field(QStringLiteral("NAZWA")).size()});
    if (name) {
        try {
            sqlFirmy.field(QStringLiteral("NAZWA")).setAsString(*name);
            sqlFirmy.post();
        } catch (...) {
            sqlFirmy.cancel();  // no half-entered company stays behind
            throw;
        }
        Zmiany = true;
    } else {
        sqlFirmy.cancel();
    }
    DBGrid1->setFocus();
    UstawAkcje();
}

void CompaniesDialog::aFirmaEdytujExecute()
{
    const std::optional<QString> name = glowne_.askValue(
        {QStringLiteral("Edycja firmy firmę"), QStringLiteral("Nazwa firmy:"),
         sqlFirmy.field(QStringLiteral("NAZWA")).asString(), desk::ValueType::Text,
         sqlFirmy.field(QStringLiteral("NAZWA")).size()});
    if (name) {
        sqlFirmy.edit();
        try {
            sqlFirmy.field(QStringLiteral("NAZWA")).setAsString(*name);
            sqlFirmy.post();
        } catch (...) {
            sqlFirmy.cancel();
            throw;
        }
        Zmiany = true;
    }
    DBGrid1->setFocus();
    UstawAkcje();
}

void CompaniesDialog::aFirmaUsunExecute()
{
    const QString nazwa = sqlFirmy.field(QStringLiteral("NAZWA")).asString();
    if (glowne_.prompts().question(
            QStringLiteral("Na pewno usunąć firmę: '") + nazwa +
                QStringLiteral("'?\n\nUWAGA!\nTa operacja spowoduje usunięcie firmy wraz ze wszystkimi "
                               "działami i pracownikami."),
            QStringLiteral("Usunięcie firmy"))) {
        sqlFirmy.remove();
        Zmiany = true;
    }
    DBGrid1->setFocus();
    UstawAkcje();
}

// ------------------------------------------------------------ the department tree

int CompaniesDialog::IdRodzica(const QStandardItem* wezel)
{
    return wezel ? controls::DepartmentTree::nodeId(wezel->parent()) : 0;
}

QStandardItem* CompaniesDialog::Sasiad(QStandardItem* wezel, int kierunek) const
{
    if (!wezel)
        return nullptr;
    const QStandardItem* rodzic = wezel->parent();
    const QStandardItem* wlasciciel = rodzic ? rodzic : TreeView1->nodes().invisibleRootItem();
    const int row = wezel->row() + kierunek;
    return row >= 0 && row < wlasciciel->rowCount() ? wlasciciel->child(row) : nullptr;
}

void CompaniesDialog::NumerujDzialy()
{
    const std::vector<QStandardItem*> wezly = TreeView1->nodesInOrder();
    for (size_t i = 0; i < wezly.size(); ++i) {
        const int id = controls::DepartmentTree::nodeId(wezly[i]);
        if (!sqlDzialy.locate(QStringLiteral("ID"), id, 0))
            throw db::Error(QStringLiteral("Nie znaleziono działu o numerze %1").arg(id));
        sqlDzialy.edit();
        sqlDzialy.field(QStringLiteral("POPID")).setAsInteger(IdRodzica(wezly[i]));
        sqlDzialy.field(QStringLiteral("KOLEJ")).setAsInteger(int(i));
        sqlDzialy.post();
    }
}

void CompaniesDialog::zmienStrukture(const std::function<bool()>& zmiana)
{
    const int wybrany = controls::DepartmentTree::nodeId(TreeView1->selectedNode());
    try {
        PunktZapisu punkt(glowne_.database());
        if (zmiana())
            NumerujDzialy();
        punkt.zatwierdz();
    } catch (...) {
        // The savepoint has undone the step in the database; show the tree as it is there.
        sqlDzialy.cancel();
        sqlDzialy.close();
        sqlDzialy.open();
        TreeView1->loadDepartments(glowne_.database(), BiezacaFirma());
        TreeView1->selectDepartment(wybrany);
        UstawAkcje();
        throw;
    }
}

void CompaniesDialog::DodajDzial(bool podrzedny)
{
    QStandardItem* s = TreeView1->selectedNode();
    const int popid = podrzedny ? controls::DepartmentTree::nodeId(s) : IdRodzica(s);
    bool dodano = false;
    zmienStrukture([&] {
        sqlDzialy.append();
        sqlDzialy.field(QStringLiteral("FIRMA_ID")).setAsInteger(BiezacaFirma());
        sqlDzialy.field(QStringLiteral("POPID")).setAsInteger(popid);
        if (departmentDialog_->exec() != QDialog::Accepted)
            return false;
        QStandardItem* rodzic = podrzedny ? s : (s ? s->parent() : nullptr);
        QStandardItem* nowy = TreeView1->addNode(rodzic, sqlDzialy.field(QStringLiteral("NAZWA")).asString(),
                                                 sqlDzialy.field(QStringLiteral("ID")).asInteger(),
                                                 controls::icon(controls::Picture::Department, 16));
        if (rodzic)
            TreeView1->expand(rodzic->index());
        TreeView1->selectNode(nowy);
        dodano = true;
        return true;
    });
    if (dodano)
        Zmiany = true;
    TreeView1->setFocus();
    UstawAkcje();
}

void CompaniesDialog::aDzialEdytujExecute()
{
    QStandardItem* wezel = TreeView1->selectedNode();
    if (!wezel || !sqlDzialy.locate(QStringLiteral("ID"), controls::DepartmentTree::nodeId(wezel), 0))
        return;
    sqlDzialy.edit();
    if (departmentDialog_->exec() == QDialog::Accepted) {
        wezel->setText(sqlDzialy.field(QStringLiteral("NAZWA")).asString());
        Zmiany = true;
    }
    TreeView1->setFocus();
    UstawAkcje();
}

int CompaniesDialog::LiczbaPracownikow(int dzialId)
{
    sqlQuery1.close();
    sqlQuery1.sql().clear();
    sqlQuery1.sql() << QStringLiteral("select count(*) as ILOSC") << QStringLiteral("from PERSONEL")
                    << QStringLiteral("where DZIAL_ID = ") + QString::number(dzialId);
    sqlQuery1.open();
    const int ilosc = sqlQuery1.field(QStringLiteral("ILOSC")).asInteger();
    sqlQuery1.close();
    return ilosc;
}

void CompaniesDialog::aDzialUsunExecute()
{
    QStandardItem* wezel = TreeView1->selectedNode();
    if (!wezel)
        return;
    const int x = controls::DepartmentTree::nodeId(wezel);
    const QString t = wezel->text();
    if (LiczbaPracownikow(x) != 0) {
        glowne_.prompts().beep();
        glowne_.prompts().message(
            QStringLiteral("Nie można usunąć działu w któym zarejestrowani są pracownicy.\n"
                           "Najpierw usuń pracowników lub przenieś ich do innego działu."));
        return;
    }
    if (glowne_.prompts().question(QStringLiteral("Na pewno usunąć dział: '") + t + QStringLiteral("'?"),
                                   QStringLiteral("Usunięcie działu"))) {
        // The row goes first: a refused delete leaves the node where it was.
        if (sqlDzialy.locate(QStringLiteral("ID"), x, 0))
            sqlDzialy.remove();
        QStandardItem* rodzic = wezel->parent();
        (rodzic ? rodzic : TreeView1->nodes().invisibleRootItem())->removeRow(wezel->row());
        Zmiany = true;
    }
    TreeView1->setFocus();
    UstawAkcje();
}

void CompaniesDialog::przenies(QStandardItem* wezel, QStandardItem* rodzic, int row)
{
    QStandardItem* wybrany = TreeView1->selectedNode();
    QStandardItem* korzen = TreeView1->nodes().invisibleRootItem();
    QStandardItem* stary = wezel->parent() ? wezel->parent() : korzen;
    QStandardItem* nowy = rodzic ? rodzic : korzen;
    const int staryRow = wezel->row();
    if (stary == nowy && staryRow < row)
        --row;
    const QSignalBlocker cisza(TreeView1);
    const QList<QStandardItem*> wiersz = stary->takeRow(staryRow);
    nowy->insertRow(row, wiersz);
    if (rodzic)
        TreeView1->expand(rodzic->index());
    TreeView1->expandRecursively(wezel->index());
    TreeView1->selectNode(wybrany);
}

bool CompaniesDialog::wPoddrzewie(const QStandardItem* wezel, const QStandardItem* korzen) const
{
    for (const QStandardItem* w = wezel; w; w = w->parent())
        if (w == korzen)
            return true;
    return false;
}

void CompaniesDialog::aDzialWGoreExecute()
{
    QStandardItem* s = TreeView1->selectedNode();
    QStandardItem* p = Sasiad(s, -1);
    if (!p)
        return;
    zmienStrukture([&] {
        przenies(s, s->parent(), p->row());
        return true;
    });
    Zmiany = true;
    TreeView1->setFocus();
    UstawAkcje();
}

void CompaniesDialog::aDzialWDolExecute()
{
    QStandardItem* s = TreeView1->selectedNode();
    QStandardItem* n = Sasiad(s, +1);
    if (!n)
        return;
    zmienStrukture([&] {
        przenies(n, s->parent(), s->row());
        return true;
    });
    Zmiany = true;
    TreeView1->setFocus();
    UstawAkcje();
}

QCursor CompaniesDialog::KursorPrzeciagania(const QPoint& punkt) const
{
    QStandardItem* cel = nullptr;
    const controls::DepartmentTree::Zone zoneAt = TreeView1->zoneAt(punkt, &cel);
    const QStandardItem* przeciagany = TreeView1->selectedNode();
    switch (zoneAt) {
    case controls::DepartmentTree::Zone::Label:
        return cel != przeciagany ? glowne_.treeCursor(controls::TreeCursor::InsertBefore) : QCursor(Qt::ForbiddenCursor);
    case controls::DepartmentTree::Zone::Icon:
        return cel != przeciagany ? glowne_.treeCursor(controls::TreeCursor::NewChild) : QCursor(Qt::ForbiddenCursor);
    case controls::DepartmentTree::Zone::BelowLast:
        return glowne_.treeCursor(controls::TreeCursor::AppendAtEnd);
    case controls::DepartmentTree::Zone::None:
        break;
    }
    return QCursor(Qt::ForbiddenCursor);
}

void CompaniesDialog::TreeView1DragDrop(const QPoint& punkt)
{
    QStandardItem* d = TreeView1->selectedNode();
    if (!d || Tryb != kEdycja)
        return;
    QStandardItem* t = nullptr;
    const controls::DepartmentTree::Zone zoneAt = TreeView1->zoneAt(punkt, &t);
    using Zone = controls::DepartmentTree::Zone;
    if (zoneAt == Zone::None || (zoneAt != Zone::BelowLast && t == d))
        return;  // refused
    Zmiany = true;
    zmienStrukture([&] {
        if (zoneAt == Zone::BelowLast)
            przenies(d, nullptr, TreeView1->nodes().rowCount());
        else if (wPoddrzewie(t, d))
            ;  // into its own subtree: the tree stays as it was, numbered again all the same
        else if (zoneAt == Zone::Label)
            przenies(d, t->parent(), t->row());
        else
            przenies(d, t, t->rowCount());
        return true;
    });
    UstawAkcje();
}

// ------------------------------------------------------------ keys

bool CompaniesDialog::klawiszSiatki(QKeyEvent* key)
{
    QAction* akcja = nullptr;
    switch (key->key()) {
    case Qt::Key_Insert: akcja = aFirmaDodaj; break;
    case Qt::Key_Delete: akcja = aFirmaUsun; break;
    case Qt::Key_Return:
    case Qt::Key_Enter: akcja = aFirmaEdytuj; break;
    default: return false;
    }
    if (!akcja->isEnabled())
        return key->key() == Qt::Key_Insert || key->key() == Qt::Key_Delete;
    akcja->trigger();
    return true;
}

bool CompaniesDialog::klawiszDrzewa(QKeyEvent* key)
{
    const bool ctrl = key->modifiers() & Qt::ControlModifier;
    QAction* akcja = nullptr;
    switch (key->key()) {
    case Qt::Key_Insert: akcja = ctrl ? aDzialDodajPodrzedne : aDzialDodaj; break;
    case Qt::Key_Delete: akcja = aDzialUsun; break;
    case Qt::Key_Return:
    case Qt::Key_Enter: akcja = aDzialEdytuj; break;
    case Qt::Key_Up: akcja = ctrl ? aDzialWGore : nullptr; break;
    case Qt::Key_Down: akcja = ctrl ? aDzialWDol : nullptr; break;
    default: return false;
    }
    if (!akcja)
        return false;  // plain arrows move through the tree
    if (akcja->isEnabled()) {
        akcja->trigger();
        return true;
    }
    // Enter is swallowed while editing and reaches the default OK while picking; the
    // other keys of a disabled action do nothing.
    const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
    return !(enter && Tryb == kWybor);
}

bool CompaniesDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (watched == DBGrid1 && klawiszSiatki(key))
            return true;
        if (watched == TreeView1 && klawiszDrzewa(key))
            return true;
    }
    if (watched == DBGrid1 && event->type() == QEvent::Resize)
        DBGrid1->setColumnWidth(0, qMax(0, DBGrid1->width() - 30));
    return QDialog::eventFilter(watched, event);
}

// ------------------------------------------------------------ closing

void CompaniesDialog::btnOKClick()
{
    if (Tryb == kEdycja)
        glowne_.commitWork();
    FirmaId = BiezacaFirma();
    FirmaNazwa = sqlFirmy.active() && !sqlFirmy.isEmpty()
                     ? sqlFirmy.field(QStringLiteral("NAZWA")).asString()
                     : QString();
    QStandardItem* wezel = TreeView1->selectedNode();
    DzialId = controls::DepartmentTree::nodeId(wezel);
    DzialNazwa = wezel ? wezel->text() : QString();
    Zmiany = false;
    accept();
}

bool CompaniesDialog::PotwierdzAnulowanie()
{
    return glowne_.prompts().question(QStringLiteral("Na pewno anulować wszystkie wprowadzone zmiany?"),
                                      QStringLiteral("Anulowanie zmian"));
}

void CompaniesDialog::reject()
{
    if (Zmiany) {
        if (!PotwierdzAnulowanie())
            return;
        glowne_.rollbackWork();
        Zmiany = false;
    }
    QDialog::reject();
}

void CompaniesDialog::done(int result)
{
    QDialog::done(result);
    sqlFirmy.close();
    sqlDzialy.close();
}

#pragma once
// The companies editor: companies in the upper list and the department tree of the
// current company below. "EDYCJA" edits both; "WYBOR" only picks a company and one of
// its departments for the caller.
#include "controls/DataGrid.h"
#include "controls/DepartmentTree.h"
#include "controls/Icons.h"
#include "db/DataSet.h"

#include <QAction>
#include <QDialog>

class QPushButton;
class QToolBar;
class DepartmentDialog;
namespace desk { class Desk; }

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

    // Written by the caller before showing; read back after OK.
    QString Tryb;
    int FirmaId = 0;
    QString FirmaNazwa;
    int DzialId = 0;
    QString DzialNazwa;
    bool Zmiany = false;

    db::DataSet sqlFirmy;
    db::DataSet sqlDzialy;
    db::DataSet sqlQuery1;

    controls::DataGrid* DBGrid1;
    controls::DepartmentTree* TreeView1;
    QToolBar* ToolBar1;
    QToolBar* ToolBar2;
    QPushButton* btnOK;
    QPushButton* btnAnuluj;

    QAction* aFirmaDodaj;
    QAction* aFirmaUsun;
    QAction* aFirmaEdytuj;
    QAction* aDzialDodaj;
    QAction* aDzialDodajPodrzedne;
    QAction* aDzialUsun;
    QAction* aDzialEdytuj;
    QAction* aDzialWGore;
    QAction* aDzialWDol;

    void UstawTryb();
    void UstawAkcje();
    int BiezacaFirma() const;
    static int IdRodzica(const QStandardItem* wezel);
    QStandardItem* Sasiad(QStandardItem* wezel, int kierunek) const;
    void NumerujDzialy();
    void DodajDzial(bool podrzedny);
    int LiczbaPracownikow(int dzialId);
    bool PotwierdzAnulowanie();

    void aFirmaDodajExecute();
    void aFirmaEdytujExecute();
    void aFirmaUsunExecute();
    void aDzialEdytujExecute();
    void aDzialUsunExecute();
    void aDzialWGoreExecute();
    void aDzialWDolExecute();
    // A node dragged over / let go at a point of the tree's viewport.
    QCursor KursorPrzeciagania(const QPoint& punkt) const;
    void TreeView1DragDrop(const QPoint& punkt);
    void btnOKClick();

    void reject() override;
    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QAction* akcja(const QString& nazwa, const QString& tekst, const QString& podpowiedz, controls::Picture obraz,
                   void (CompaniesDialog::*handler)());
    void zbudujWidok();
    void sqlFirmyAfterScroll();
    void FormShow();
    // Moves `wezel` with its subtree to `row` among the children of `rodzic` (null: top).
    void przenies(QStandardItem* wezel, QStandardItem* rodzic, int row);
    // Runs a change of the tree (true when it changed anything) and the renumbering
    // after it as one step: when the database
    // refuses any part of it, none of it stays and the tree is read again.
    void zmienStrukture(const std::function<bool()>& zmiana);
    bool wPoddrzewie(const QStandardItem* wezel, const QStandardItem* korzen) const;
    bool klawiszDrzewa(QKeyEvent* key);
    bool klawiszSiatki(QKeyEvent* key);

    void prepare(Mode mode, int companyId, int departmentId);

    desk::Desk& glowne_;
    DepartmentDialog* departmentDialog_ = nullptr;
};

#pragma once
// The main window: the company list, the department tree of the current company and
// the employees of the selected department; it owns the one connection, the one
// transaction, the settings and every other window of the program.
#include "controls/DataGrid.h"
#include "controls/BoundTextEdit.h"
#include "controls/DepartmentTree.h"
#include "db/DataSet.h"
#include "db/Database.h"
#include "desk/Desk.h"
#include "controls/Clock.h"

#include <QAction>
#include <QCursor>
#include <QLabel>
#include <QMainWindow>
#include <QTimer>
#include <functional>
#include <map>
#include <memory>
#include <vector>

namespace controls { class Prompts; }
class AboutDialog;
class CompaniesDialog;
class TypedInputDialog;
class DatePickerDialog;

class MainWindow : public QMainWindow, public desk::Desk {
    Q_OBJECT
public:
    explicit MainWindow(controls::Prompts& prompts, QWidget* parent = nullptr);
    ~MainWindow() override;

    // Folders, both ending with a separator, and the four settings.
    QString KatalogProgramu;
    QString KatalogUstawien;
    QString Host;
    QString Dir;
    QString File;
    QString LastBackupDir;
    bool PierwszaAktywacja = true;

    // The one connection and transaction, and the window's data sets.
    db::Database IBDatabase1;
    db::Transaction& IBTransaction1() { return IBDatabase1.transaction(); }
    db::DataSet sqlFirmy;
    db::DataSet sqlPersonel;

    // What every window is given.
    db::Database& database() override { return IBDatabase1; }
    controls::Prompts& prompts() override { return prompts_; }
    const controls::Clock& clock() const override { return clock_; }
    QString programFolder() const override { return KatalogProgramu; }
    QString settingsFolder() const override { return KatalogUstawien; }
    QCursor treeCursor(controls::TreeCursor kind) const override;
    std::optional<QString> askValue(const desk::ValueRequest& request) override;
    std::optional<QDate> pickDate(const QDate& shown, QWidget* anchor) override;
    std::optional<desk::CompanyAndDepartment> pickCompanyAndDepartment(int companyId,
                                                                       int departmentId) override;
    std::optional<desk::EmployeeChoice> findEmployee() override;

    // Shared operations of the program.
    static double parseDate(const QString& text);
    static double parseTime(const QString& text);
    // Cursors 5, 6 and 7: inserting before a node, a new child, appending at the end.
    QCursor Kursor(int numer) const;

    // Start-up, settings and connection.
    void CzytajUstawienia();
    void ZapiszUstawienia();
    QString NazwaBazy() const;
    void Polacz();
    void WczytajKursory();
    // Closes the connection around an administration window, then writes the settings
    // and connects again.
    void PonownePolaczenie(const std::function<void()>& pokazOkno);

    // The browser.
    void WczytajPersonel();
    void UstawAkcje();
    // Empties the tree and the staff list (no connection, or no company left).
    void WyczyscPrzegladarke();
    int BiezacaFirma() const;
    int BiezacyDzial() const;
    int BiezacyPracownik() const;
    void IdzDoFirmy(int firmaId);
    void IdzDoPracownika(int personId);
    // Go to company, select department, go to employee (after a window's OK).
    void PrzejdzDo(int firmaId, int dzialId, int personId);

    // The windows, created once at start in the program's order.
    CompaniesDialog& Form_Firmy() { return *formFirmy_; }
    TypedInputDialog& Form_InputBox() { return *formInputBox_; }
    DatePickerDialog& Form_Kalendarz() { return *formKalendarz_; }
    AboutDialog& Form_OProgramie() { return *formOProgramie_; }

    // Controls.
    controls::DataGrid* DBGrid1;
    controls::DepartmentTree* TreeView1;
    controls::DataGrid* DBGrid2;
    controls::BoundTextEdit* DBMemo1;
    QLabel* Label3;
    QLabel* Label4;
    QLabel* Label5;
    QLabel* Label6;
    QLabel* Label7;
    QLabel* PanelStatusu[3];
    QTimer timer_Start;

    QAction* aFirmy;
    QAction* aPersonel;
    QAction* aGoscie;
    QAction* aSzukaj;
    QAction* aInfo;
    QAction* aWizyty;
    QAction* aOProgramie;
    QAction* aKopiaBazyDanych;
    QAction* aWyborBazyDanych;
    QAction* aZakoncz;

    // Handlers.
    void timer_StartTimer();
    void sqlFirmyAfterScroll();
    void TreeView1Change();
    void FirmaDzial_OnDblClick();
    void DBGrid2DblClick();
    void aFirmyExecute();
    void aOProgramieExecute();
    void aKopiaBazyDanychExecute();
    void aWyborBazyDanychExecute();
    bool DBGrid2DrawColumnCell(QPainter* painter, const QRect& cell, int row,
                               const controls::GridColumn& column, const QColor& background);

protected:
    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void przygotujZbiory();
    void zbudujWidok();
    void zbudujAkcje();
    void FormShow();
    void FormActivate();
    void FormClose();
    void utworzOkna();
    QAction* akcja(const QString& nazwa, const QString& tekst, const QString& podpowiedz,
                   int obraz, void (MainWindow::*handler)());

    controls::Prompts& prompts_;
    controls::SystemClock clock_;
    std::map<int, QCursor> kursory_;
    bool pokazano_ = false;

    // In the order of creation; destroyed in reverse, before the connection they use.
    std::unique_ptr<CompaniesDialog> formFirmy_;
    std::unique_ptr<TypedInputDialog> formInputBox_;
    std::unique_ptr<DatePickerDialog> formKalendarz_;
    std::unique_ptr<AboutDialog> formOProgramie_;
};

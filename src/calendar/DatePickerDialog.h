#pragma once
// The month-view date picker: six weeks from Monday, ISO week numbers, Sundays
// and public holidays in red, today outlined; one click picks a day.
#include <QDate>
#include <QDialog>
#include <QString>

#include "calendar/MonthGrid.h"
#include "controls/Clock.h"

#include <optional>

class QAction;
class QLabel;
class QToolButton;
class PublicHolidays;

class DatePickerDialog : public QDialog {
    Q_OBJECT
public:
    explicit DatePickerDialog(const controls::Clock& clock, QWidget* rodzic = nullptr);

    // Opens on the month of `shown` below `anchor` (at the mouse pointer when null) and
    // waits: the day picked, nothing when cancelled.
    std::optional<QDate> pick(const QDate& shown, QWidget* anchor);
    // The same without waiting; date() holds the day once it closed with OK.
    void open(const QDate& shown, QWidget* anchor);
    QDate date() const { return Data; }
    ~DatePickerDialog() override;

    // In: the day to show first. Out, after OK: the day picked.
    QDate Data;
    // In: the control below which the picker opens; null opens it at the mouse pointer.
    QWidget* Kotwica = nullptr;

    QLabel* Panel1;
    QToolButton* btnMiesiacWLewo;
    QToolButton* btnMiesiacWPrawo;
    kalendarz::MonthGrid* SG;
    QToolButton* btnDzis;

    QAction* aMiesWLewo;
    QAction* aMiesWPrawo;
    QAction* aRokWLewo;
    QAction* aRokWPrawo;
    QAction* aDzis;
    QAction* aZatwierdz;
    QAction* aAnuluj;

    void done(int wynik) override;

protected:
    QString DzisTekst;
    bool Klik = false;
    PublicHolidays* Swieta = nullptr;

    // Where the world is: overridden in tests to place the window deterministically.
    virtual QRect ObszarRoboczy(const QPoint& punkt) const;
    virtual QPoint PozycjaWskaznika() const;
    virtual QDate Dzisiaj() const;

    void UstawPozycje();
    void WypelnijMiesiac(int miesiac, int rok);
    void ZaznaczDzien(int dzien, int miesiac, int rok);

    void showEvent(QShowEvent* zdarzenie) override;

private:
    // While alive, the grid's select-cell handler ignores the moves the window makes itself.
    class OdpietyWyborKomorki {
    public:
        explicit OdpietyWyborKomorki(DatePickerDialog& okno) : m_okno(okno) { ++m_okno.m_odpiety; }
        ~OdpietyWyborKomorki() { --m_okno.m_odpiety; }
        OdpietyWyborKomorki(const OdpietyWyborKomorki&) = delete;
        OdpietyWyborKomorki& operator=(const OdpietyWyborKomorki&) = delete;

    private:
        DatePickerDialog& m_okno;
    };

    void ZbudujPanel();
    void ZbudujSiatke();
    void ZbudujAkcje();
    void WypelnijNaglowek();
    QStringList NazwyDniTygodnia() const;
    void PrzeliczSwieta(int rok);
    QString NazwaSwieta(const QString& tekstDaty) const;
    void PrzesunDate(const QDate& nowa);
    void PokazMiesiacDaty();

    void FormShow();
    void FormClose();
    void SGSelectCell(const QModelIndex& cel);
    void SGMouseDown();
    void SGMouseUp();
    void SGKeyUp();
    void SGMouseMove(const QPoint& polozenie, const QPoint& polozenieEkranowe);
    void aMiesWLewoExecute();
    void aMiesWPrawoExecute();
    void aRokWLewoExecute();
    void aRokWPrawoExecute();
    void aDzisExecute();
    void aZatwierdzExecute();
    void aAnulujExecute();

    kalendarz::MonthModel* m_model;
    int m_odpiety = 0;
    int m_rokSwiat = 0;
    const controls::Clock& clock_;
};

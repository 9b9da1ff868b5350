#pragma once
// The month grid of the date picker: 7 rows x 8 columns of texts, row 0 and
// column 0 being header cells (weekday names, week numbers), the rest days
// written as "DD.MM.YYYY" followed by a holiday's name.
#include <QAbstractTableModel>
#include <QColor>
#include <QDate>
#include <QStyledItemDelegate>
#include <QTableView>

namespace kalendarz {

constexpr int kWiersze = 7;
constexpr int kKolumny = 8;
constexpr int kDlugoscDaty = 10;  // "DD.MM.YYYY"

// "DD.MM.YYYY" of a day; the empty text for a day outside years 1..9999.
QString TekstDaty(const QDate& dzien);
// The day written at the start of a day cell's text; invalid when there is none.
QDate DataKomorki(const QString& tekst);
bool KomorkaNaglowka(int wiersz, int kolumna);

class MonthModel : public QAbstractTableModel {
    Q_OBJECT
public:
    using QAbstractTableModel::QAbstractTableModel;

    int rowCount(const QModelIndex& rodzic = QModelIndex()) const override;
    int columnCount(const QModelIndex& rodzic = QModelIndex()) const override;
    QVariant data(const QModelIndex& indeks, int rola = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& indeks) const override;

    QString Tekst(int wiersz, int kolumna) const { return m_teksty[wiersz][kolumna]; }
    void UstawTekst(int wiersz, int kolumna, const QString& tekst);

private:
    QString m_teksty[kWiersze][kKolumny];
};

// How one cell is painted.
struct CellLook {
    QColor wypelnienie;
    QColor obrys;
    QColor tekst;
    QString napis;
};

// Header cells in green and navy; day cells white, or light blue for the current
// cell; today outlined in pink; neighbouring months grey, Sundays and holidays red.
CellLook Wyglad(const QString& tekst, int wiersz, int kolumna, bool biezaca,
                     const QString& dzisTekst, int miesiacDanych);

class DayPainter : public QStyledItemDelegate {
    Q_OBJECT
public:
    // Reads the picker's date and today's text at every paint, so it never lags behind them.
    DayPainter(const QDate* data, const QString* dzisTekst, QObject* rodzic);

    void paint(QPainter* malarz, const QStyleOptionViewItem& opcje,
               const QModelIndex& indeks) const override;

private:
    const QDate* m_data;
    const QString* m_dzisTekst;
};

// The table view reports the raw mouse and key events the picker reacts to.
class MonthGrid : public QTableView {
    Q_OBJECT
public:
    explicit MonthGrid(QWidget* rodzic = nullptr);

    // A strip left of the first column, painted in the widget's window colour.
    void UstawLewyMargines(int szerokosc) { setViewportMargins(szerokosc, 0, 0, 0); }

signals:
    void przyciskWcisniety();
    void przyciskZwolniony();
    void klawiszZwolniony();
    void wskaznikPrzesuniety(const QPoint& polozenie, const QPoint& polozenieEkranowe);

protected:
    void mousePressEvent(QMouseEvent* zdarzenie) override;
    void mouseReleaseEvent(QMouseEvent* zdarzenie) override;
    void mouseMoveEvent(QMouseEvent* zdarzenie) override;
    void keyReleaseEvent(QKeyEvent* zdarzenie) override;
    bool viewportEvent(QEvent* zdarzenie) override;
};

}  // namespace kalendarz

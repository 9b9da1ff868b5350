#pragma once
// The month grid of the date picker: 7 rows x 8 columns of texts, row 0 and
// column 0 being header cells (weekday names, week numbers), the rest days
// written as "DD.MM.YYYY" followed by a holiday's name.
#include <QAbstractTableModel>
#include <QColor>
#include <QDate>
#include <QStyledItemDelegate>
#include <QTableView>

namespace calendar {

constexpr int RowCount = 7;
constexpr int ColumnCount = 8;
constexpr int DateTextLength = 10;  // "DD.MM.YYYY"

// "DD.MM.YYYY" of a day; the empty text for a day outside years 1..9999.
QString dateText(const QDate& day);
// The day written at the start of a day cell's text; invalid when there is none.
QDate cellDate(const QString& text);
bool isHeaderCell(int row, int column);

class MonthModel : public QAbstractTableModel {
    Q_OBJECT
public:
    using QAbstractTableModel::QAbstractTableModel;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    QString text(int row, int column) const { return texts_[row][column]; }
    void setText(int row, int column, const QString& text);

private:
    QString texts_[RowCount][ColumnCount];
};

// How one cell is painted.
struct CellLook {
    QColor fill;
    QColor outline;
    QColor textColour;
    QString caption;
};

// Header cells in green and navy; day cells white, or light blue for the current
// cell; today outlined in pink; neighbouring months grey, Sundays and holidays red.
CellLook cellLook(const QString& text, int row, int column, bool isCurrent,
                  const QString& todayText, int shownMonth);

class DayPainter : public QStyledItemDelegate {
    Q_OBJECT
public:
    // Reads the picker's date and today's text at every paint, so it never lags behind them.
    DayPainter(const QDate* shownDate, const QString* todayText, QObject* parent);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;

private:
    const QDate* shownDate_;
    const QString* todayText_;
};

// The table view reports the raw mouse and key events the picker reacts to.
class MonthGrid : public QTableView {
    Q_OBJECT
public:
    explicit MonthGrid(QWidget* parent = nullptr);

    // A strip left of the first column, painted in the widget's window colour.
    void setLeftMargin(int width) { setViewportMargins(width, 0, 0, 0); }
    // No type-ahead: a typed letter or digit never moves the current day.
    void keyboardSearch(const QString&) override {}

signals:
    void mouseButtonPressed();
    void mouseButtonReleased();
    void keyReleased();
    void pointerMoved(const QPoint& position, const QPoint& globalPosition);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    bool viewportEvent(QEvent* event) override;
};

}  // namespace calendar

#include "calendar/MonthGrid.h"

#include <QHeaderView>
#include <QMouseEvent>
#include <QPainter>

namespace calendar {

namespace {

const QDate FirstDay(1, 1, 1);
const QDate LastDay(9999, 12, 31);

const QColor HeaderFill(0xC0, 0xDC, 0xC0);
const QColor HeaderText(0x00, 0x00, 0x80);
const QColor DayFill(0xFF, 0xFF, 0xFF);
const QColor CurrentFill(0xA6, 0xCA, 0xF0);
const QColor TodayOutline(0xFF, 0x80, 0x80);
const QColor OtherMonthText(0x80, 0x80, 0x80);
const QColor HolidayText(0xFF, 0x00, 0x00);
const QColor DayText(0x00, 0x00, 0x00);

constexpr int SundayColumn = 7;

QColor dayTextColour(const QString& text, int column, int shownMonth)
{
    if (text.mid(3, 2).toInt() != shownMonth)
        return OtherMonthText;
    const bool isHoliday = text.size() > DateTextLength;
    return isHoliday || column == SundayColumn ? HolidayText : DayText;
}

}  // namespace

QString dateText(const QDate& day)
{
    if (!day.isValid() || day < FirstDay || day > LastDay)
        return QString();
    return QString::asprintf("%02d.%02d.%04d", day.day(), day.month(), day.year());
}

QDate cellDate(const QString& text)
{
    if (text.size() < DateTextLength)
        return QDate();
    return QDate(text.mid(6, 4).toInt(), text.mid(3, 2).toInt(), text.left(2).toInt());
}

bool isHeaderCell(int row, int column)
{
    return row == 0 || column == 0;
}

int MonthModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : RowCount;
}

int MonthModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant MonthModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::AccessibleTextRole))
        return QVariant();
    return texts_[index.row()][index.column()];
}

Qt::ItemFlags MonthModel::flags(const QModelIndex& index) const
{
    // Header cells and cells beyond the last representable day can never become current.
    if (!index.isValid() || isHeaderCell(index.row(), index.column()) ||
        texts_[index.row()][index.column()].isEmpty())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

void MonthModel::setText(int row, int column, const QString& text)
{
    if (texts_[row][column] == text)
        return;
    texts_[row][column] = text;
    const QModelIndex cell = index(row, column);
    emit dataChanged(cell, cell);
}

CellLook cellLook(const QString& text, int row, int column, bool isCurrent,
                  const QString& todayText, int shownMonth)
{
    if (isHeaderCell(row, column))
        return {HeaderFill, HeaderFill, HeaderText, text};

    CellLook look;
    look.fill = isCurrent ? CurrentFill : DayFill;
    const bool isToday = !text.isEmpty() && text == todayText;
    look.outline = isToday ? TodayOutline : look.fill;
    look.textColour = dayTextColour(text, column, shownMonth);
    if (!text.isEmpty())
        look.caption = QString::number(text.left(2).toInt());
    return look;
}

DayPainter::DayPainter(const QDate* shownDate, const QString* todayText, QObject* parent)
    : QStyledItemDelegate(parent), shownDate_(shownDate), todayText_(todayText)
{}

void DayPainter::paint(QPainter* painter, const QStyleOptionViewItem& option,
                       const QModelIndex& index) const
{
    const auto* view = qobject_cast<const QAbstractItemView*>(option.widget);
    const bool isCurrent = view && view->currentIndex() == index;
    const CellLook look = cellLook(index.data().toString(), index.row(), index.column(), isCurrent,
                                   *todayText_, shownDate_->month());
    const QRect cell = option.rect;

    painter->save();
    painter->fillRect(cell, look.fill);
    painter->setPen(look.outline);
    painter->setBrush(Qt::NoBrush);
    painter->drawRect(cell.adjusted(0, 0, -1, -1));

    // Centred as whole pixels, the way the header and the day numbers line up.
    const QFontMetrics metrics(option.font);
    const int x = cell.left() + (cell.width() - metrics.horizontalAdvance(look.caption)) / 2;
    const int y =
        cell.top() + (cell.height() - metrics.size(0, QStringLiteral("XXX")).height()) / 2;
    painter->setFont(option.font);
    painter->setPen(look.textColour);
    painter->drawText(QPoint(x, y + metrics.ascent()), look.caption);
    painter->restore();
}

MonthGrid::MonthGrid(QWidget* parent) : QTableView(parent)
{
    horizontalHeader()->hide();
    verticalHeader()->hide();
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setTabKeyNavigation(false);
    setCornerButtonEnabled(false);
    setMouseTracking(true);
    viewport()->setMouseTracking(true);
}

void MonthGrid::mousePressEvent(QMouseEvent* event)
{
    emit mouseButtonPressed();
    QTableView::mousePressEvent(event);
}

void MonthGrid::mouseReleaseEvent(QMouseEvent* event)
{
    QTableView::mouseReleaseEvent(event);
    emit mouseButtonReleased();
}

void MonthGrid::mouseMoveEvent(QMouseEvent* event)
{
    QTableView::mouseMoveEvent(event);
    emit pointerMoved(event->position().toPoint(), event->globalPosition().toPoint());
}

void MonthGrid::keyReleaseEvent(QKeyEvent* event)
{
    QTableView::keyReleaseEvent(event);
    emit keyReleased();
}

bool MonthGrid::viewportEvent(QEvent* event)
{
    // The picker shows its hint itself as soon as the pointer moves, not after the usual delay.
    if (event->type() == QEvent::ToolTip) {
        event->accept();
        return true;
    }
    return QTableView::viewportEvent(event);
}

}  // namespace calendar

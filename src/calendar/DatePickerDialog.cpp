#include "calendar/DatePickerDialog.h"

#include <QAction>
#include <QCursor>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QScreen>
#include <QShowEvent>
#include <QToolButton>
#include <QToolTip>
#include <QVBoxLayout>

#include "calendar/MonthGrid.h"

using calendar::cellDate;
using calendar::dateText;

namespace {

constexpr int WindowWidth = 169;
constexpr int WindowHeight = 192;
constexpr int GridStep = 21;  // a 20-pixel cell and its grid line
constexpr int StripHeight = 22;
constexpr int TodayButtonHeight = WindowHeight - StripHeight - calendar::RowCount * GridStep;

const QColor GridLineColour(0xC0, 0xC0, 0xC0);

const QString TodayPrefix = QStringLiteral("Dziś: ");

}  // namespace

DatePickerDialog::DatePickerDialog(const controls::Clock& clock, QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint), clock_(clock)
{
    setObjectName(QStringLiteral("DatePickerDialog"));
    setWindowTitle(QStringLiteral("Kalendarz"));
    setFixedSize(WindowWidth, WindowHeight);

    createActions();
    createMonthStrip();
    createDayGrid();

    todayButton = new QToolButton(this);
    todayButton->setObjectName(QStringLiteral("todayButton"));
    todayButton->setDefaultAction(todayAction);
    todayButton->setToolButtonStyle(Qt::ToolButtonTextOnly);
    todayButton->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    todayButton->setFixedHeight(TodayButtonHeight);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(monthLabel);
    layout->addWidget(dayGrid);
    layout->addWidget(todayButton);
}

void DatePickerDialog::createActions()
{
    auto action = [this](const char* name, const QString& text,
                         const QList<QKeySequence>& shortcuts) {
        auto* created = new QAction(text, this);
        created->setObjectName(QString::fromLatin1(name));
        created->setShortcuts(shortcuts);
        addAction(created);
        return created;
    };
    previousMonthAction = action("previousMonthAction", QStringLiteral("Poprzedni miesiąc"),
                                 {QKeySequence(Qt::CTRL | Qt::Key_Left)});
    nextMonthAction = action("nextMonthAction", QStringLiteral("Następny miesiąc"),
                             {QKeySequence(Qt::CTRL | Qt::Key_Right)});
    previousYearAction = action("previousYearAction", QStringLiteral("Poprzedni rok"),
                                {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Left)});
    nextYearAction = action("nextYearAction", QStringLiteral("Następny rok"),
                            {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Right)});
    todayAction = action("todayAction", TodayPrefix + QStringLiteral("xx.xx.xxxx"), {});
    acceptAction = action("acceptAction", QStringLiteral("OK"),
                          {QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)});
    cancelAction = action("cancelAction", QStringLiteral("Anuluj"), {QKeySequence(Qt::Key_Escape)});

    connect(previousMonthAction, &QAction::triggered, this, &DatePickerDialog::showPreviousMonth);
    connect(nextMonthAction, &QAction::triggered, this, &DatePickerDialog::showNextMonth);
    connect(previousYearAction, &QAction::triggered, this, &DatePickerDialog::showPreviousYear);
    connect(nextYearAction, &QAction::triggered, this, &DatePickerDialog::showNextYear);
    connect(todayAction, &QAction::triggered, this, &DatePickerDialog::pickToday);
    connect(acceptAction, &QAction::triggered, this, &DatePickerDialog::pickHighlightedDay);
    connect(cancelAction, &QAction::triggered, this, &DatePickerDialog::reject);
}

void DatePickerDialog::createMonthStrip()
{
    monthLabel = new QLabel(this);
    monthLabel->setObjectName(QStringLiteral("monthLabel"));
    monthLabel->setFixedHeight(StripHeight);
    monthLabel->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    monthLabel->setIndent(4);
    QFont bold = monthLabel->font();
    bold.setBold(true);
    monthLabel->setFont(bold);

    auto arrow = [this](const char* name, Qt::ArrowType direction, QAction* action) {
        auto* button = new QToolButton(monthLabel);
        button->setObjectName(QString::fromLatin1(name));
        button->setDefaultAction(action);
        button->setArrowType(direction);
        button->setToolButtonStyle(Qt::ToolButtonIconOnly);
        button->setAutoRaise(true);
        button->setFocusPolicy(Qt::NoFocus);  // the grid keeps the keyboard
        button->setFixedSize(StripHeight - 2, StripHeight - 2);
        button->setIconSize(QSize(12, 12));
        return button;
    };
    previousMonthButton = arrow("previousMonthButton", Qt::LeftArrow, previousMonthAction);
    nextMonthButton = arrow("nextMonthButton", Qt::RightArrow, nextMonthAction);

    auto* layout = new QHBoxLayout(monthLabel);
    layout->setContentsMargins(0, 1, 1, 1);
    layout->setSpacing(0);
    layout->addStretch();
    layout->addWidget(previousMonthButton);
    layout->addWidget(nextMonthButton);
}

void DatePickerDialog::createDayGrid()
{
    dayGrid = new calendar::MonthGrid(this);
    dayGrid->setObjectName(QStringLiteral("dayGrid"));
    dayGrid->setAccessibleName(QStringLiteral("Kalendarz"));
    days_ = new calendar::MonthModel(dayGrid);
    dayGrid->setModel(days_);
    dayGrid->setItemDelegate(new calendar::DayPainter(&shownDate_, &todayText_, dayGrid));
    dayGrid->horizontalHeader()->setMinimumSectionSize(1);
    dayGrid->verticalHeader()->setMinimumSectionSize(1);
    dayGrid->horizontalHeader()->setDefaultSectionSize(GridStep);
    dayGrid->verticalHeader()->setDefaultSectionSize(GridStep);
    dayGrid->setFrameShape(QFrame::NoFrame);
    // The width left over beside the 8 columns becomes a grid line on the left.
    dayGrid->setLeftMargin(WindowWidth - calendar::ColumnCount * GridStep);
    // Silver grid lines, the strip left of the grid in the same colour so it reads as a line.
    QPalette palette = dayGrid->palette();
    palette.setColor(QPalette::Mid, GridLineColour);
    palette.setColor(QPalette::Window, GridLineColour);
    dayGrid->setPalette(palette);
    dayGrid->setAutoFillBackground(true);
    dayGrid->setFixedSize(WindowWidth, calendar::RowCount * GridStep);
    setFocusProxy(dayGrid);

    connect(dayGrid->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& cell) { followCurrentCell(cell); });
    connect(dayGrid, &calendar::MonthGrid::mouseButtonPressed, this, &DatePickerDialog::startClick);
    connect(dayGrid, &calendar::MonthGrid::mouseButtonReleased, this,
            &DatePickerDialog::pickClickedDay);
    connect(dayGrid, &calendar::MonthGrid::keyReleased, this,
            &DatePickerDialog::highlightShownDate);
    connect(dayGrid, &calendar::MonthGrid::pointerMoved, this, &DatePickerDialog::showHolidayHint);
}

QRect DatePickerDialog::workArea(const QPoint& point) const
{
    QScreen* screenOfPoint = QGuiApplication::screenAt(point);
    if (!screenOfPoint)
        screenOfPoint = screen() ? screen() : QGuiApplication::primaryScreen();
    return screenOfPoint ? screenOfPoint->availableGeometry() : QRect();
}

QPoint DatePickerDialog::pointerPosition() const
{
    return QCursor::pos();
}

std::optional<QDate> DatePickerDialog::pick(const QDate& shown, QWidget* anchor)
{
    shownDate_ = shown;
    anchor_ = anchor;
    if (QDialog::exec() != QDialog::Accepted)
        return std::nullopt;
    return shownDate_;
}

void DatePickerDialog::open(const QDate& shown, QWidget* anchor)
{
    shownDate_ = shown;
    anchor_ = anchor;
    QDialog::open();
}

void DatePickerDialog::placeWindow()
{
    const QPoint point =
        anchor_ ? anchor_->mapToGlobal(QPoint(0, anchor_->height())) : pointerPosition();
    const QRect area = workArea(point);
    const QSize frame = frameGeometry().size().expandedTo(size());

    // Keep the whole window inside the work area of the screen it opens on, wherever that
    // area begins (a screen left of or above the first has negative coordinates); the left
    // and top edges win over the right and bottom.
    int x = point.x();
    int y = point.y();
    if (area.isValid()) {
        x = qMax(qMin(x, area.left() + area.width() - frame.width()), area.left());
        y = qMax(qMin(y, area.top() + area.height() - frame.height()), area.top());
    }
    move(x, y);
}

QStringList DatePickerDialog::weekdayNames() const
{
    // The locale's short names when they fit a cell, otherwise its one-letter names.
    const QLocale locale;
    const QFontMetrics metrics(dayGrid->font());
    const int room = GridStep - 3;
    QStringList shortNames, narrowNames;
    bool shortNamesFit = true;
    for (int day = Qt::Monday; day <= Qt::Sunday; ++day) {
        shortNames << locale.standaloneDayName(day, QLocale::ShortFormat);
        narrowNames << locale.standaloneDayName(day, QLocale::NarrowFormat);
        shortNamesFit = shortNamesFit && metrics.horizontalAdvance(shortNames.last()) <= room;
    }
    return shortNamesFit ? shortNames : narrowNames;
}

void DatePickerDialog::fillWeekdayNames()
{
    const QStringList names = weekdayNames();
    days_->setText(0, 0, QString());
    for (int column = 1; column < calendar::ColumnCount; ++column)
        days_->setText(0, column, names.at(column - 1));
}

void DatePickerDialog::computeHolidays(int year)
{
    holidays_.computeYear(year);
    holidaysYear_ = year;
}

void DatePickerDialog::fillMonth(int month, int year)
{
    const QDate first(year, month, 1);
    monthLabel->setText(QString::asprintf("%04d", year) + QStringLiteral("  ") +
                        QLocale().standaloneMonthName(month, QLocale::LongFormat));

    QDate day = first.addDays(Qt::Monday - first.dayOfWeek());
    for (int row = 1; row < calendar::RowCount; ++row) {
        const bool mondayExists = !dateText(day).isEmpty();
        days_->setText(row, 0, mondayExists ? QString::number(day.weekNumber()) : QString());
        for (int column = 1; column < calendar::ColumnCount; ++column) {
            const QString text = dateText(day);
            days_->setText(row, column,
                           text.isEmpty() ? text : text + holidays_.name(text.left(5)));
            day = day.addDays(1);
        }
    }
}

void DatePickerDialog::highlightDay(const QDate& day)
{
    const QString wanted = dateText(day);
    for (int row = 1; row < calendar::RowCount; ++row) {
        for (int column = 1; column < calendar::ColumnCount; ++column) {
            if (!wanted.isEmpty() &&
                days_->text(row, column).left(calendar::DateTextLength) == wanted) {
                dayGrid->setCurrentIndex(days_->index(row, column));
                return;
            }
        }
    }
}

void DatePickerDialog::showMonthOfDate()
{
    const QuietSelection quiet(*this);
    fillMonth(shownDate_.month(), shownDate_.year());
    highlightDay(shownDate_);
}

void DatePickerDialog::showEvent(QShowEvent* event)
{
    if (!event->spontaneous())
        prepareShowing();
    QDialog::showEvent(event);
}

void DatePickerDialog::done(int result)
{
    QToolTip::hideText();
    QDialog::done(result);
}

void DatePickerDialog::prepareShowing()
{
    placeWindow();
    todayText_ = dateText(clock_.today());
    todayAction->setText(TodayPrefix + todayText_);
    fillWeekdayNames();
    if (dateText(shownDate_).isEmpty())
        shownDate_ = clock_.today();  // callers always give one; this keeps a missing one harmless

    computeHolidays(shownDate_.year());
    clickStarted_ = false;
    showMonthOfDate();
    dayGrid->setFocus();
}

void DatePickerDialog::followCurrentCell(const QModelIndex& cell)
{
    if (quietSelection_ > 0 || !cell.isValid())
        return;
    const QDate day = cellDate(days_->text(cell.row(), cell.column()));
    if (!day.isValid())
        return;
    const bool otherMonth = day.month() != shownDate_.month();
    shownDate_ = day;
    if (!otherMonth)
        return;
    // Moving across New Year by arrow keys would otherwise keep last year's movable feasts.
    if (shownDate_.year() != holidaysYear_)
        computeHolidays(shownDate_.year());
    showMonthOfDate();
}

void DatePickerDialog::startClick()
{
    clickStarted_ = true;
}

void DatePickerDialog::pickClickedDay()
{
    if (!clickStarted_)
        return;
    {
        const QuietSelection quiet(*this);
        highlightDay(shownDate_);
    }
    acceptAction->trigger();
}

void DatePickerDialog::highlightShownDate()
{
    const QuietSelection quiet(*this);
    highlightDay(shownDate_);
}

void DatePickerDialog::showHolidayHint(const QPoint& position, const QPoint& globalPosition)
{
    QString hint;
    const QModelIndex cell = dayGrid->indexAt(position);
    if (cell.isValid() && !calendar::isHeaderCell(cell.row(), cell.column()))
        hint = days_->text(cell.row(), cell.column()).mid(calendar::DateTextLength);
    dayGrid->setToolTip(hint);
    if (hint.isEmpty())
        QToolTip::hideText();
    else
        QToolTip::showText(globalPosition, hint, dayGrid);
}

void DatePickerDialog::moveTo(const QDate& day)
{
    if (dateText(day).isEmpty())
        return;  // before year 1 or after 9999: there is nothing to show
    shownDate_ = day;
    computeHolidays(shownDate_.year());
    const QuietSelection quiet(*this);
    fillMonth(shownDate_.month(), shownDate_.year());
}

void DatePickerDialog::showPreviousMonth()
{
    moveTo(shownDate_.addMonths(-1));
}

void DatePickerDialog::showNextMonth()
{
    moveTo(shownDate_.addMonths(1));
}

void DatePickerDialog::showPreviousYear()
{
    moveTo(shownDate_.addYears(-1));
}

void DatePickerDialog::showNextYear()
{
    moveTo(shownDate_.addYears(1));
}

void DatePickerDialog::pickToday()
{
    shownDate_ = clock_.today();
    computeHolidays(shownDate_.year());
    showMonthOfDate();
    acceptAction->trigger();
}

void DatePickerDialog::pickHighlightedDay()
{
    const QModelIndex current = dayGrid->currentIndex();
    const QDate picked =
        current.isValid() ? cellDate(days_->text(current.row(), current.column())) : QDate();
    if (picked.isValid())
        shownDate_ = picked;
    accept();
}

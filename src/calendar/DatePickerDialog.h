#pragma once
// The month-view date picker: six weeks from Monday, ISO week numbers, Sundays
// and public holidays in red, today outlined; one click picks a day.
#include <QDate>
#include <QDialog>
#include <QString>

#include "calendar/PublicHolidays.h"
#include "controls/Clock.h"

#include <optional>

class QAction;
class QLabel;
class QToolButton;
namespace calendar {
class MonthGrid;
class MonthModel;
}  // namespace calendar

class DatePickerDialog : public QDialog {
    Q_OBJECT
public:
    explicit DatePickerDialog(const controls::Clock& clock, QWidget* parent = nullptr);

    // Opens on the month of `shown` below `anchor` (at the mouse pointer when null) and
    // waits: the day picked, nothing when cancelled.
    std::optional<QDate> pick(const QDate& shown, QWidget* anchor);
    // The same without waiting; date() holds the day once it closed with OK.
    void open(const QDate& shown, QWidget* anchor);
    QDate date() const { return shownDate_; }

protected:
    // The work area of the screen that holds `point`, and where the mouse pointer is.
    virtual QRect workArea(const QPoint& point) const;
    virtual QPoint pointerPosition() const;

private:
    // While alive, the grid's cell changes are the window's own and are not followed.
    class QuietSelection {
    public:
        explicit QuietSelection(DatePickerDialog& dialog) : dialog_(dialog)
        {
            ++dialog_.quietSelection_;
        }
        ~QuietSelection() { --dialog_.quietSelection_; }
        QuietSelection(const QuietSelection&) = delete;
        QuietSelection& operator=(const QuietSelection&) = delete;

    private:
        DatePickerDialog& dialog_;
    };

    void createActions();
    void createMonthStrip();
    void createDayGrid();
    void fillWeekdayNames();
    QStringList weekdayNames() const;

    void prepareShowing();
    void placeWindow();
    void computeHolidays(int year);
    void fillMonth(int month, int year);
    void highlightDay(const QDate& day);
    void showMonthOfDate();
    void moveTo(const QDate& day);

    void followCurrentCell(const QModelIndex& cell);
    void startClick();
    void pickClickedDay();
    void highlightShownDate();
    void showHolidayHint(const QPoint& position, const QPoint& globalPosition);
    void showPreviousMonth();
    void showNextMonth();
    void showPreviousYear();
    void showNextYear();
    void pickToday();
    void pickHighlightedDay();

    void showEvent(QShowEvent* event) override;
    void done(int result) override;

    QLabel* monthLabel;
    QToolButton* previousMonthButton;
    QToolButton* nextMonthButton;
    calendar::MonthGrid* dayGrid;
    QToolButton* todayButton;

    QAction* previousMonthAction;
    QAction* nextMonthAction;
    QAction* previousYearAction;
    QAction* nextYearAction;
    QAction* todayAction;
    QAction* acceptAction;
    QAction* cancelAction;

    const controls::Clock& clock_;
    calendar::MonthModel* days_;
    // In: the day to show first; follows navigation; out, after OK: the day picked.
    QDate shownDate_;
    QWidget* anchor_ = nullptr;
    QString todayText_;
    PublicHolidays holidays_;
    int holidaysYear_ = 0;
    // A mouse button went down in the grid since the window was shown.
    bool clickStarted_ = false;
    int quietSelection_ = 0;
};

#include <QLabel>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QToolTip>
#include <limits>

#include "calendar/DatePickerDialog.h"
#include "calendar/PublicHolidays.h"
#include "support/Find.h"
#include "support/Screenshot.h"
#include "support/TestDesk.h"
#include "support/testmain.h"

using testsupport::child;

namespace {

// The picker with its screen and pointer under the test's control, and what a user sees of it.
class Picker : public DatePickerDialog {
public:
    testsupport::FixedClock clock;
    QRect area{0, 0, 1920, 1040};
    QPoint pointer{200, 150};
    QWidget* anchor = nullptr;

    Picker() : DatePickerDialog(clock) { setToday(QDate(2024, 5, 21)); }

    void setToday(const QDate& day) { clock.time = QDateTime(day, QTime(12, 0)); }
    bool openOn(const QDate& day)
    {
        open(day, anchor);
        activateWindow();
        return QTest::qWaitForWindowActive(this);
    }
    QTableView* grid() const { return child<QTableView>(this, "dayGrid"); }
    QString caption() const { return child<QLabel>(this, "monthLabel")->text(); }
    QString text(int row, int column) const { return cellAt(row, column).data().toString(); }
    QModelIndex cellAt(int row, int column) const { return grid()->model()->index(row, column); }
    QModelIndex cell(const QDate& day) const
    {
        for (int row = 1; row < 7; ++row)
            for (int column = 1; column < 8; ++column)
                if (text(row, column).startsWith(day.toString("dd.MM.yyyy")))
                    return cellAt(row, column);
        return QModelIndex();
    }
    QDate highlighted() const
    {
        return QDate::fromString(grid()->currentIndex().data().toString().left(10), "dd.MM.yyyy");
    }
    void press(Qt::Key key, Qt::KeyboardModifiers modifiers = {})
    {
        QTest::keyClick(grid(), key, modifiers);
    }
    void click(const QModelIndex& cell)
    {
        QTest::mouseClick(grid()->viewport(), Qt::LeftButton, {},
                          grid()->visualRect(cell).center());
    }
    QString hint(const QModelIndex& cell)
    {
        QTest::mouseMove(grid()->viewport(), grid()->visualRect(cell).center());
        return grid()->toolTip();
    }
    // The pixel of a cell farthest from its fill: the core of the drawn number.
    QColor ink(const QModelIndex& cell) const
    {
        const QImage image = grid()->viewport()->grab().toImage();
        const QRect r = grid()->visualRect(cell);
        const QColor fill = image.pixelColor(r.topLeft() + QPoint(2, 2));
        auto distance = [&](const QColor& c) {
            return qAbs(c.red() - fill.red()) + qAbs(c.green() - fill.green()) +
                   qAbs(c.blue() - fill.blue());
        };
        QColor farthest = fill;
        for (int y = r.top() + 1; y < r.bottom(); ++y)
            for (int x = r.left() + 1; x < r.right(); ++x)
                if (distance(image.pixelColor(x, y)) > distance(farthest))
                    farthest = image.pixelColor(x, y);
        return farthest;
    }
    QColor pixel(const QModelIndex& cell, const QPoint& offset) const
    {
        return grid()->viewport()->grab().toImage().pixelColor(grid()->visualRect(cell).topLeft() +
                                                               offset);
    }

protected:
    QRect workArea(const QPoint&) const override { return area; }
    QPoint pointerPosition() const override { return pointer; }
};

bool near(const QColor& a, const QColor& b)
{
    return qAbs(a.red() - b.red()) <= 40 && qAbs(a.green() - b.green()) <= 40 &&
           qAbs(a.blue() - b.blue()) <= 40;
}

constexpr int FlushFar = std::numeric_limits<int>::min();

const QColor Grey(0x80, 0x80, 0x80), Red(0xFF, 0, 0), Black(0, 0, 0), Navy(0, 0, 0x80);

}  // namespace

class DatePickerDialogTest : public QObject {
    Q_OBJECT

private slots:
    void monthStartsOnTheMondayOnOrBeforeItsFirst_data()
    {
        QTest::addColumn<QDate>("shown");
        QTest::addColumn<QDate>("firstShown");
        QTest::addColumn<QString>("caption");
        QTest::newRow("September 2024 begins on a Sunday")
            << QDate(2024, 9, 15) << QDate(2024, 8, 26) << "2024  wrzesień";
        QTest::newRow("April 2024 begins on a Monday")
            << QDate(2024, 4, 30) << QDate(2024, 4, 1) << "2024  kwiecień";
        QTest::newRow("February 2027 fills four rows")
            << QDate(2027, 2, 28) << QDate(2027, 2, 1) << "2027  luty";
        QTest::newRow("May 2024") << QDate(2024, 5, 10) << QDate(2024, 4, 29) << "2024  maj";
        QTest::newRow("a leading-zero day, 05.03.2026")
            << QDate(2026, 3, 5) << QDate(2026, 2, 23) << "2026  marzec";
    }

    void monthStartsOnTheMondayOnOrBeforeItsFirst()
    {
        QFETCH(QDate, shown);
        QFETCH(QDate, firstShown);
        QFETCH(QString, caption);
        Picker picker;
        QToolButton* todayButton = child<QToolButton>(&picker, "todayButton");
        QCOMPARE(todayButton->text(), QStringLiteral("Dziś: xx.xx.xxxx"));
        QVERIFY(picker.openOn(shown));
        QCOMPARE(picker.caption(), caption);
        QCOMPARE(todayButton->text(), QStringLiteral("Dziś: 21.05.2024"));
        QCOMPARE(picker.text(0, 0), QString());
        for (int day = 1; day <= 7; ++day) {
            const QString header = picker.text(0, day);
            QVERIFY(header == QLocale().standaloneDayName(day, QLocale::NarrowFormat) ||
                    header == QLocale().standaloneDayName(day, QLocale::ShortFormat));
            QVERIFY(QFontMetrics(picker.grid()->font()).horizontalAdvance(header) <
                    picker.grid()->columnWidth(day));
        }
        for (int i = 0; i < 42; ++i) {
            const QDate day = firstShown.addDays(i);
            QCOMPARE(picker.text(1 + i / 7, 1 + i % 7).left(10), day.toString("dd.MM.yyyy"));
            if (i % 7 == 0)
                QCOMPARE(picker.text(1 + i / 7, 0), QString::number(day.weekNumber()));
        }
        QCOMPARE(picker.highlighted(), shown);
        QCOMPARE(picker.cell(QDate(2027, 3, 1)).isValid(), shown.year() == 2027);
        if (shown.year() == 2027)
            QCOMPARE(picker.cell(QDate(2027, 3, 1)), picker.cellAt(5, 1));
        picker.press(Qt::Key_Return);
        QCOMPARE(picker.result(), int(QDialog::Accepted));
        QCOMPARE(picker.date(), shown);
    }

    void may2024MarksHolidaysSundaysAndNeighbours()
    {
        Picker picker;
        QVERIFY(picker.openOn(QDate(2024, 5, 10)));
        QCOMPARE(picker.cell(QDate(2024, 5, 3)).data().toString(),
                 QStringLiteral("03.05.2024Konstytucji 3 Maja"));
        QCOMPARE(picker.cell(QDate(2024, 5, 19)).data().toString(),
                 QStringLiteral("19.05.2024Zesłanie Ducha Św."));
        QCOMPARE(picker.cell(QDate(2024, 5, 2)).data().toString(), QStringLiteral("02.05.2024"));
        for (const QDate& d :
             {QDate(2024, 4, 29), QDate(2024, 4, 30), QDate(2024, 6, 1), QDate(2024, 6, 9)})
            QVERIFY2(near(picker.ink(picker.cell(d)), Grey), qPrintable(d.toString()));
        for (int d : {1, 3, 5, 12, 19, 26, 30})
            QVERIFY2(near(picker.ink(picker.cell(QDate(2024, 5, d))), Red),
                     qPrintable(QString::number(d)));
        for (int d : {2, 4, 31})
            QVERIFY2(near(picker.ink(picker.cell(QDate(2024, 5, d))), Black),
                     qPrintable(QString::number(d)));
        QVERIFY(near(picker.ink(picker.cellAt(0, 3)), Navy));
        QCOMPARE(picker.pixel(picker.cellAt(2, 0), {0, 0}), QColor::fromRgb(0xC0DCC0u));
        // The current cell is light blue; today (21 May) is outlined on white.
        QCOMPARE(picker.pixel(picker.cell(QDate(2024, 5, 10)), {0, 0}), QColor::fromRgb(0xA6CAF0u));
        QCOMPARE(picker.pixel(picker.cell(QDate(2024, 5, 21)), {0, 0}), QColor::fromRgb(0xFF8080u));
        QCOMPARE(picker.pixel(picker.cell(QDate(2024, 5, 21)), {2, 2}), QColor(Qt::white));
        QCOMPARE(picker.pixel(picker.cell(QDate(2024, 5, 22)), {0, 0}), QColor(Qt::white));

        QCOMPARE(picker.hint(picker.cell(QDate(2024, 5, 3))), QStringLiteral("Konstytucji 3 Maja"));
        QVERIFY(QToolTip::isVisible());
        QCOMPARE(QToolTip::text(), QStringLiteral("Konstytucji 3 Maja"));
        QCOMPARE(picker.hint(picker.cell(QDate(2024, 5, 2))), QString());
        QCOMPARE(picker.hint(picker.cell(QDate(2024, 5, 30))), QStringLiteral("Boże Ciało"));
        QCOMPARE(picker.hint(picker.cellAt(0, 3)), QString());

        picker.reject();
        picker.setToday(QDate(2024, 5, 3));  // a holiday's text is longer than today's: no outline
        QVERIFY(picker.openOn(QDate(2024, 5, 10)));
        QCOMPARE(picker.pixel(picker.cell(QDate(2024, 5, 3)), {0, 0}), QColor(Qt::white));
    }

    void weekNumbersAndNewYearAtTheYearsEnds()
    {
        Picker picker;
        QVERIFY(picker.openOn(QDate(2024, 12, 30)));
        QCOMPARE(picker.text(picker.cell(QDate(2024, 12, 30)).row(), 0), QStringLiteral("1"));
        picker.reject();
        QVERIFY(picker.openOn(QDate(2020, 12, 28)));
        QCOMPARE(picker.text(picker.cell(QDate(2020, 12, 28)).row(), 0), QStringLiteral("53"));
        for (int year = 2020; year <= 2027; ++year) {
            picker.reject();
            QVERIFY(picker.openOn(QDate(year, 12, 1)));
            const QModelIndex newYear = picker.cell(QDate(year + 1, 1, 1));
            QVERIFY(newYear.row() == 5 || newYear.row() == 6);
            QVERIFY(near(picker.ink(newYear), Grey));
            QCOMPARE(picker.hint(newYear), QStringLiteral("Nowy Rok"));
        }
    }

    void navigationKeepsTheDayInTheTargetMonth_data()
    {
        QTest::addColumn<QDate>("shown");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<int>("key");
        QTest::addColumn<QDate>("expected");
        const int month = Qt::ControlModifier, year = Qt::ControlModifier | Qt::ShiftModifier;
        QTest::newRow("31 January + month")
            << QDate(2024, 1, 31) << month << int(Qt::Key_Right) << QDate(2024, 2, 29);
        QTest::newRow("31 March - month")
            << QDate(2025, 3, 31) << month << int(Qt::Key_Left) << QDate(2025, 2, 28);
        QTest::newRow("29 February + year")
            << QDate(2024, 2, 29) << year << int(Qt::Key_Right) << QDate(2025, 2, 28);
        QTest::newRow("15 January - year")
            << QDate(2024, 1, 15) << year << int(Qt::Key_Left) << QDate(2023, 1, 15);
        QTest::newRow("15 April + year, Easter moves")
            << QDate(2024, 4, 15) << year << int(Qt::Key_Right) << QDate(2025, 4, 15);
    }

    void navigationKeepsTheDayInTheTargetMonth()
    {
        QFETCH(QDate, shown);
        QFETCH(int, modifiers);
        QFETCH(int, key);
        QFETCH(QDate, expected);
        Picker picker;
        QVERIFY(picker.openOn(shown));
        picker.press(Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        QCOMPARE(picker.caption().left(4), QString::number(expected.year()));
        QCOMPARE(picker.highlighted(), expected);  // the key release brought the highlight along
        // The days of the month carry the holidays of the year moved to.
        PublicHolidays holidays;
        holidays.computeYear(expected.year());
        for (int day = 1; day <= expected.daysInMonth(); ++day) {
            const QDate date(expected.year(), expected.month(), day);
            QCOMPARE(picker.cell(date).data().toString().mid(10),
                     holidays.name(date.toString("dd.MM")));
        }
        picker.press(Qt::Key_Return);
        QCOMPARE(picker.date(), expected);
    }

    void monthButtonLeavesTheHighlightWhereOkPicksIt()
    {
        Picker picker;
        QVERIFY(picker.openOn(QDate(2024, 5, 10)));
        const QModelIndex before = picker.grid()->currentIndex();
        QTest::mouseClick(child<QToolButton>(&picker, "nextMonthButton"), Qt::LeftButton);
        QCOMPARE(picker.caption(), QStringLiteral("2024  czerwiec"));
        QCOMPARE(picker.grid()->currentIndex(), before);
        // The highlight now holds another day, the one OK picks: Friday 7 June.
        QCOMPARE(picker.highlighted(), QDate(2024, 6, 7));
        testsupport::trigger(&picker, "acceptAction");
        QCOMPARE(picker.result(), int(QDialog::Accepted));
        QCOMPARE(picker.date(), QDate(2024, 6, 7));
    }

    void arrowKeysCarryTheViewIntoTheNextYear()
    {
        Picker picker;
        QVERIFY(picker.openOn(QDate(2024, 12, 30)));
        // A week down at a time; on the last row, a day to the right.
        for (int step = 0; step < 100 && picker.highlighted() < QDate(2025, 4, 14); ++step) {
            const QDate before = picker.highlighted();
            picker.press(Qt::Key_Down);
            if (picker.highlighted() != before) {
                QCOMPARE(picker.highlighted(), before.addDays(7));
                continue;
            }
            picker.press(Qt::Key_Right);
            QCOMPARE(picker.highlighted(), before.addDays(1));
        }
        QCOMPARE(picker.caption(), QStringLiteral("2025  kwiecień"));
        QCOMPARE(picker.cell(QDate(2025, 4, 20)).data().toString(),
                 QStringLiteral("20.04.2025Wielkanoc"));
        QCOMPARE(picker.cell(QDate(2025, 4, 1)).data().toString(), QStringLiteral("01.04.2025"));
        const QDate reached = picker.highlighted();
        QVERIFY(reached >= QDate(2025, 4, 14));
        picker.press(Qt::Key_Return);
        QCOMPARE(picker.result(), int(QDialog::Accepted));
        QCOMPARE(picker.date(), reached);
    }

    void typingADigitLeavesTheCurrentDay()
    {
        Picker picker;
        QVERIFY(picker.openOn(QDate(2024, 5, 10)));
        for (Qt::Key digit : {Qt::Key_2, Qt::Key_0, Qt::Key_1, Qt::Key_3})
            picker.press(digit);
        QCOMPARE(picker.highlighted(), QDate(2024, 5, 10));
        picker.press(Qt::Key_Return);
        QCOMPARE(picker.date(), QDate(2024, 5, 10));
    }

    void closingPicksOrCancels()
    {
        Picker picker;
        QVERIFY(picker.openOn(QDate(2024, 3, 15)));
        picker.click(picker.cell(QDate(2024, 4, 2)));
        QCOMPARE(picker.result(), int(QDialog::Accepted));
        QCOMPARE(picker.date(), QDate(2024, 4, 2));
        QCOMPARE(picker.caption(), QStringLiteral("2024  kwiecień"));
        QVERIFY(!picker.isVisible());

        // A button released in the grid without being pressed there (the end of the click
        // that opened the picker) picks nothing.
        QVERIFY(picker.openOn(QDate(2024, 5, 10)));
        QTest::mouseRelease(picker.grid()->viewport(), Qt::LeftButton, {},
                            picker.grid()->visualRect(picker.cell(QDate(2024, 5, 20))).center());
        QVERIFY(picker.isVisible());
        picker.press(Qt::Key_Right);
        picker.click(picker.cellAt(0, 4));  // a header cell picks the shown date
        QCOMPARE(picker.result(), int(QDialog::Accepted));
        QCOMPARE(picker.date(), QDate(2024, 5, 11));

        QVERIFY(picker.openOn(QDate(2024, 5, 10)));
        picker.press(Qt::Key_Left, Qt::ControlModifier);
        picker.press(Qt::Key_Escape);
        QCOMPARE(picker.result(), int(QDialog::Rejected));
        QVERIFY(!picker.isVisible());

        picker.setToday(QDate(2026, 11, 11));
        QVERIFY(picker.openOn(QDate(2024, 5, 10)));
        QTest::mouseClick(child<QToolButton>(&picker, "todayButton"), Qt::LeftButton);
        QCOMPARE(picker.result(), int(QDialog::Accepted));
        QCOMPARE(picker.date(), QDate(2026, 11, 11));
    }

    void todayComesFromTheClock()
    {
        testsupport::FixedClock clock;
        DatePickerDialog picker(clock);
        auto answer = [&picker](const char* action) {
            QTimer::singleShot(0, &picker, [&picker, action] {
                testsupport::trigger(&picker, QString::fromLatin1(action));
            });
        };
        answer("todayAction");
        QCOMPARE(picker.pick(QDate(2001, 1, 1), nullptr), std::optional(QDate(2026, 3, 5)));
        QCOMPARE(child<QToolButton>(&picker, "todayButton")->text(),
                 QStringLiteral("Dziś: 05.03.2026"));
        // The clock is asked again at every showing.
        clock.time = QDateTime(QDate(2027, 1, 2), QTime(8, 0));
        answer("cancelAction");
        QCOMPARE(picker.pick(QDate(2001, 1, 1), nullptr), std::nullopt);
        QCOMPARE(child<QToolButton>(&picker, "todayButton")->text(),
                 QStringLiteral("Dziś: 02.01.2027"));
    }

    void datesStayWithinYears1To9999()
    {
        Picker picker;
        QVERIFY(picker.openOn(QDate(9999, 12, 15)));
        picker.press(Qt::Key_Right, Qt::ControlModifier);
        picker.press(Qt::Key_Right, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(picker.caption().left(4), QStringLiteral("9999"));
        const QModelIndex last = picker.cell(QDate(9999, 12, 31));
        const QModelIndex empty = picker.cellAt(last.row(), last.column() + 1);
        QVERIFY(empty.isValid());
        QCOMPARE(empty.data().toString(), QString());
        picker.click(empty);
        QCOMPARE(picker.result(), int(QDialog::Accepted));
        QCOMPARE(picker.date(), QDate(9999, 12, 15));

        QVERIFY(picker.openOn(QDate(9999, 12, 31)));
        picker.press(Qt::Key_Right);  // the days after the last one cannot be reached
        QCOMPARE(picker.highlighted(), QDate(9999, 12, 31));
        picker.press(Qt::Key_Return);
        QCOMPARE(picker.date(), QDate(9999, 12, 31));

        QVERIFY(picker.openOn(QDate(1, 1, 20)));
        picker.press(Qt::Key_Left, Qt::ControlModifier);
        picker.press(Qt::Key_Left, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(picker.caption().left(4), QStringLiteral("0001"));
        QCOMPARE(picker.text(1, 1), QStringLiteral("01.01.0001Nowy Rok"));
        QVERIFY(picker.isVisible());
        picker.press(Qt::Key_Return);
        QCOMPARE(picker.date(), QDate(1, 1, 20));
    }

    // FlushFar in the expected position: flush with the work area's right or bottom edge.
    void staysInsideTheWorkArea_data()
    {
        QTest::addColumn<QRect>("area");
        QTest::addColumn<QPoint>("pointer");
        QTest::addColumn<QPoint>("expected");
        const QRect screen(0, 0, 1920, 1040);
        QTest::newRow("in the open") << screen << QPoint(300, 200) << QPoint(300, 200);
        QTest::newRow("bottom-right corner")
            << screen << QPoint(1915, 1035) << QPoint(FlushFar, FlushFar);
        QTest::newRow("right edge") << screen << QPoint(1900, 500) << QPoint(FlushFar, 500);
        QTest::newRow("negative") << screen << QPoint(-40, -15) << QPoint(0, 0);
        QTest::newRow("second screen corner")
            << QRect(1920, 0, 1280, 984) << QPoint(3195, 980) << QPoint(FlushFar, FlushFar);
        QTest::newRow("below a top panel")
            << QRect(0, 30, 1024, 738) << QPoint(500, 10) << QPoint(500, 30);
        QTest::newRow("screen left of the first")
            << QRect(-1280, 0, 1280, 1024) << QPoint(-700, 300) << QPoint(-700, 300);
        QTest::newRow("screen above the first")
            << QRect(-200, -1050, 1680, 1050) << QPoint(-100, -400) << QPoint(-100, -400);
        QTest::newRow("bottom-right corner of a screen left")
            << QRect(-1280, 0, 1280, 1024) << QPoint(-5, 1020) << QPoint(FlushFar, FlushFar);
    }

    void staysInsideTheWorkArea()
    {
        QFETCH(QRect, area);
        QFETCH(QPoint, pointer);
        QFETCH(QPoint, expected);
        Picker picker;
        picker.area = area;
        picker.pointer = pointer;
        // The offscreen test platform nudges a framed window off negative coordinates by its
        // frame width; a frameless one goes where it is moved.
        if (area.left() < 0 || area.top() < 0)
            picker.setWindowFlag(Qt::FramelessWindowHint);
        QVERIFY(picker.openOn(QDate(2024, 5, 10)));
        const QRect frame = picker.frameGeometry();
        QVERIFY(frame.width() >= 169 && frame.height() >= 192);
        QCOMPARE(frame.topLeft(),
                 QPoint(expected.x() == FlushFar ? area.x() + area.width() - frame.width()
                                                 : expected.x(),
                        expected.y() == FlushFar ? area.y() + area.height() - frame.height()
                                                 : expected.y()));
        QVERIFY(area.contains(frame));
    }

    void opensBelowTheAnchor()
    {
        QWidget owner;
        owner.setGeometry(240, 160, 300, 200);
        QLabel anchor(&owner);
        anchor.setGeometry(30, 40, 90, 22);
        owner.show();
        QVERIFY(QTest::qWaitForWindowExposed(&owner));
        Picker picker;
        picker.pointer = QPoint(1000, 900);
        picker.anchor = &anchor;
        QVERIFY(picker.openOn(QDate(2024, 5, 12)));
        QCOMPARE(picker.frameGeometry().topLeft(), anchor.mapToGlobal(QPoint(0, 22)));
    }

    void windowHasItsDesignedSizeAndCaption()
    {
        Picker picker;
        QVERIFY(picker.openOn(QDate(2024, 5, 10)));
        QCOMPARE(picker.grab().size(), QSize(169, 192));
        QCOMPARE(picker.windowTitle(), QStringLiteral("Kalendarz"));
    }

    void pictureOfMay2024()
    {
        Picker picker;
        QVERIFY(picker.openOn(QDate(2024, 5, 3)));
        QVERIFY(testsupport::saveScreenshot(picker, "kalendarz_2024_05.png"));
    }
};

HALVANE_TEST(DatePickerDialogTest);

#include "DatePickerDialogTest.moc"

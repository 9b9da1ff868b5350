// The visits register on a fresh database with known visits: the range of days and its
// edges, the column search while typing, find next, typing in the list, the drawing of the
// message and name columns, and where a stored visit is shown.
#include "controls/Colours.h"
#include "controls/DataGrid.h"
#include "db/DataSet.h"
#include "db/DateTimeText.h"
#include "support/AccessibleNames.h"
#include "support/Find.h"
#include "support/TestDatabase.h"
#include "support/TestDesk.h"
#include "support/Typing.h"
#include "support/testmain.h"
#include "visitors/VisitsDialog.h"

#include <QComboBox>
#include <QDateEdit>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <functional>
#include <memory>

using testsupport::child;

namespace {

const QDate Today(2026, 3, 5);

// Listed on 5 March in arrival order: 3, 7, 2, 9, 5, 4. Visit 11 comes the second before
// the day, visit 8 at the first moment of the next day, visit 1 a month earlier.
const QStringList kVisits = {
    "insert into WIZYTY (ID, GOSC_ID, GOSC_NAZWA, PERSON_ID, PERSON_NAZWA, DTPRZYBYCIA, "
    "IDENTYFIKATOR, NRKARTY) values (11, 12, 'Kowalski Jan', 7, 'Nowak Anna', "
    "timestamp '2026-03-04 23:59:59', 'G-0', '050')",
    "insert into WIZYTY (ID, GOSC_ID, GOSC_NAZWA, PERSON_ID, PERSON_NAZWA, DTPRZYBYCIA, "
    "IDENTYFIKATOR, NRKARTY, WIADOMOSC) values (3, 120, 'Zieliński Łukasz', 70, "
    "'Łukasiewicz Ewa', timestamp '2026-03-05 00:00:00', 'g-30', '1000', 'Oddzwonić')",
    "insert into WIZYTY (ID, GOSC_ID, GOSC_NAZWA, PERSON_ID, PERSON_NAZWA, DTPRZYBYCIA, "
    "IDENTYFIKATOR, NRKARTY) values (7, 12, 'Kowalski Jan', 7, 'Nowak Anna', "
    "timestamp '2026-03-05 08:00', 'G-3', '100')",
    "insert into WIZYTY (ID, GOSC_ID, GOSC_NAZWA, PERSON_ID, PERSON_NAZWA, DTPRZYBYCIA, "
    "IDENTYFIKATOR, NRKARTY, WIADOMOSC, DTODEBRWIADOM) values (2, 5, 'kowalczyk Maria', 1, "
    "'Kowal Piotr', timestamp '2026-03-05 09:30', 'G-31', '200', 'Przekazana', "
    "timestamp '2026-03-05 10:00')",
    "insert into WIZYTY (ID, GOSC_ID, GOSC_NAZWA, PERSON_ID, PERSON_NAZWA, DTPRZYBYCIA, "
    "IDENTYFIKATOR, NRKARTY) values (9, 12, 'Kowalski Jan', 70, 'Łukasiewicz Ewa', "
    "timestamp '2026-03-05 12:00', 'G-5', '300')",
    "insert into WIZYTY (ID, GOSC_ID, GOSC_NAZWA, PERSON_ID, PERSON_NAZWA, DTPRZYBYCIA) "
    "values (5, 6, 'Świątek Iga', 7, 'Nowak Anna', timestamp '2026-03-05 23:59:00')",
    "insert into WIZYTY (ID, GOSC_ID, GOSC_NAZWA, PERSON_ID, PERSON_NAZWA, DTPRZYBYCIA, "
    "IDENTYFIKATOR, NRKARTY) values (4, 12, 'Kowalski Jan', 1, 'Kowal Piotr', "
    "timestamp '2026-03-05 23:59:59.5000', 'G-9', '900')",
    "insert into WIZYTY (ID, GOSC_ID, GOSC_NAZWA, PERSON_ID, PERSON_NAZWA, DTPRZYBYCIA, "
    "IDENTYFIKATOR, NRKARTY) values (8, 12, 'Kowalski Jan', 7, 'Nowak Anna', "
    "timestamp '2026-03-06 00:00:00', 'G-10', '1001')",
    "insert into WIZYTY (ID, GOSC_ID, GOSC_NAZWA, PERSON_ID, PERSON_NAZWA, DTPRZYBYCIA) "
    "values (1, 99, 'Stary Gość', 7, 'Nowak Anna', timestamp '2026-02-03 10:00')",
    "alter sequence GEN_WIZYTY_ID restart with 20",
};
const QList<int> kListedToday = {3, 7, 2, 9, 5, 4};

// The register with the visit editor played by the test: `editor` does to the current row
// what the user would do in the editor and says whether it was stored.
class RegisterWithEditor : public VisitsDialog {
public:
    using VisitsDialog::VisitsDialog;
    std::function<bool(db::DataSet&, bool adding)> editor;
    int editorRuns = 0;

private:
    bool runVisitEditor(EditorMode mode) override
    {
        ++editorRuns;
        auto* visits = child<db::DataSet>(this, "visits");
        return editor ? editor(*visits, mode == EditorMode::Add) : false;
    }
};

struct Register {
    testsupport::TestDatabase database;
    testsupport::TestDesk desk{database.db()};
    std::unique_ptr<RegisterWithEditor> window;
    db::DataSet* visits = nullptr;
    controls::DataGrid* grid = nullptr;
    QDateEdit* from = nullptr;
    QDateEdit* to = nullptr;
    QLineEdit* searchEdit = nullptr;
    QComboBox* columnBox = nullptr;

    explicit Register(const QStringList& rows = kVisits)
    {
        database.run(rows);
        desk.fixedClock.time = QDateTime(Today, QTime(10, 30));
        window = std::make_unique<RegisterWithEditor>(desk);
        visits = child<db::DataSet>(window.get(), "visits");
        grid = child<controls::DataGrid>(window.get(), "visitGrid");
        from = child<QDateEdit>(window.get(), "fromDateEdit");
        to = child<QDateEdit>(window.get(), "toDateEdit");
        searchEdit = child<QLineEdit>(window.get(), "searchEdit");
        columnBox = child<QComboBox>(window.get(), "searchColumnBox");
        window->open({3, 4, 7});
        window->activateWindow();
        if (!QTest::qWaitForWindowActive(window.get()))
            qWarning("the visits register was not activated");
    }
    ~Register()
    {
        if (window->isVisible())
            window->reject();
    }

    QList<int> listed() const
    {
        QList<int> ids;
        const int id = visits->field("ID").index();
        for (int row = 0; row < visits->recordCount(); ++row)
            ids << visits->value(row, id).toInt();
        return ids;
    }
    int current() const { return visits->isEmpty() ? 0 : visits->field("ID").asInteger(); }
    QColor base(QWidget* widget) const { return widget->palette().color(QPalette::Base); }
    QAction* action(const QString& name) const { return child<QAction>(window.get(), name); }
    void searchIn(const QString& column, const QString& text)
    {
        columnBox->setCurrentText(column);
        searchEdit->setFocus();
        testsupport::type(searchEdit, text);
    }
    // A picture of the list as it is on the screen now.
    QImage gridPicture() const { return grid->viewport()->grab().toImage(); }
};

const QColor NotFoundColour = controls::windowsColor(controls::colours::NotFound);
const QColor NoMatchColour = controls::windowsColor(controls::colours::NoMatch);

// The darkest and the reddest ink within a part of a picture.
struct Ink {
    int darkest = 255;
    int redPixels = 0;
};
Ink inkIn(const QImage& picture, const QRect& area)
{
    Ink ink;
    const QRect inside = area.adjusted(1, 1, -2, -2);  // the grid lines are not ink
    for (int y = inside.top(); y <= inside.bottom(); ++y)
        for (int x = inside.left(); x <= inside.right(); ++x) {
            const QColor c = picture.pixelColor(x, y);
            ink.darkest = qMin(ink.darkest, qMin(c.red(), qMin(c.green(), c.blue())));
            if (c.red() > 200 && c.green() < 90 && c.blue() < 90)
                ++ink.redPixels;
        }
    return ink;
}

}  // namespace

class VisitsDialogTest : public QObject {
    Q_OBJECT
private slots:
    void theDefaultRangeListsTodaysVisitsOldestFirst()
    {
        Register r;
        QCOMPARE(r.from->date(), Today);
        QCOMPARE(r.to->date(), Today);
        // 00:00:00 of the day and its last half second are in; the second before the day
        // and the first moment of the next day are not.
        QCOMPARE(r.listed(), kListedToday);
        QCOMPARE(r.base(r.from), r.window->palette().color(QPalette::Base));
        QVERIFY(r.grid->hasFocus());
        QVERIFY(r.action("editAction")->isEnabled());
        const QAbstractItemModel* model = r.grid->model();
        QCOMPARE(model->index(0, 0).data().toString(), QString("05-03-2026  00:00"));
        QCOMPARE(model->index(5, 0).data().toString(), QString("05-03-2026  23:59"));
        QCOMPARE(model->headerData(7, Qt::Horizontal).toString(), QString("Wiadomość"));
    }

    void aReversedRangeShowsRedPickersAndAnEmptyList()
    {
        Register r;
        r.from->setDate(Today.addDays(1));
        QVERIFY(r.listed().isEmpty());
        QCOMPARE(r.base(r.from), NotFoundColour);
        QCOMPARE(r.base(r.to), NotFoundColour);
        QVERIFY(!r.action("editAction")->isEnabled());

        r.from->setDate(Today.addDays(-1));
        QCOMPARE(r.listed(), QList<int>({11}) + kListedToday);
        QVERIFY(r.base(r.from) != NotFoundColour);
        QVERIFY(r.base(r.to) != NotFoundColour);
        QVERIFY(r.action("editAction")->isEnabled());

        // One day is a range in order too.
        r.from->setDate(Today);
        QCOMPARE(r.listed(), kListedToday);
        QVERIFY(r.base(r.from) != NotFoundColour);
    }

    void aDayTypedIntoAPickerIsReadWhenConfirmed()
    {
        Register r;
        r.from->setFocus();
        r.from->setSelectedSection(QDateTimeEdit::DaySection);
        QTest::keyClicks(r.from, "04");
        QCOMPARE(r.listed(), kListedToday);  // not at every digit
        QTest::keyClick(r.from, Qt::Key_Return);
        QCOMPARE(r.from->date(), Today.addDays(-1));
        QCOMPARE(r.listed(), QList<int>({11}) + kListedToday);
        QVERIFY(r.grid->hasFocus());
    }

    void theSearchFindsTheFirstMatchOfItsColumn_data()
    {
        QTest::addColumn<QString>("column");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("found");  // 0: nothing found, the current row stays

        QTest::newRow("guest number, not a longer one") << "Gość"
                                                        << "12" << 7;
        QTest::newRow("guest number with a leading zero") << "Gość"
                                                          << "012" << 7;
        QTest::newRow("guest name in other case") << "Gość"
                                                  << "KOWALC" << 2;
        QTest::newRow("guest name, Polish capitals") << "Gość"
                                                     << "ZIELIŃSKI Ł" << 3;
        QTest::newRow("guest name, Polish small letters") << "Gość"
                                                          << "śwIĄ" << 5;
        QTest::newRow("guest number over 32 bits") << "Gość"
                                                   << "4294967308" << 0;
        QTest::newRow("guest number over 64 bits") << "Gość"
                                                   << "99999999999999999999999" << 0;
        QTest::newRow("no such guest") << "Gość"
                                       << "Nikt" << 0;
        QTest::newRow("badge in other case") << "Identyfikator"
                                             << "g-31" << 2;
        QTest::newRow("badge prefix") << "Identyfikator"
                                      << "G-3" << 3;
        QTest::newRow("no such badge") << "Identyfikator"
                                       << "zzz" << 0;
        QTest::newRow("card prefix") << "Nr karty"
                                     << "100" << 3;
        QTest::newRow("card") << "Nr karty"
                              << "30" << 9;
        QTest::newRow("no such card") << "Nr karty"
                                      << "ABC" << 0;
        QTest::newRow("employee number, not a longer one") << "Pracownik"
                                                           << "7" << 7;
        QTest::newRow("employee name, Polish capitals") << "Pracownik"
                                                        << "łUKASIEWICZ" << 3;
        QTest::newRow("employee name and first name") << "Pracownik"
                                                      << "kowal p" << 2;
        QTest::newRow("employee number over 32 bits") << "Pracownik"
                                                      << "4294967297" << 0;
        QTest::newRow("no such employee") << "Pracownik"
                                          << "Brak" << 0;
    }

    void theSearchFindsTheFirstMatchOfItsColumn()
    {
        QFETCH(QString, column);
        QFETCH(QString, text);
        QFETCH(int, found);
        Register r;
        r.visits->last();
        r.searchIn(column, text);
        QCOMPARE(r.searchEdit->text(), text);
        QCOMPARE(r.current(), found ? found : 4);
        QCOMPARE(r.grid->currentIndex().row(), r.visits->recNo() - 1);
        QCOMPARE(r.action("findNextAction")->isEnabled(), found != 0);
        QCOMPARE(r.base(r.searchEdit) == NoMatchColour, found == 0);

        // Emptying the box takes the colour and find-next away and leaves the row.
        r.searchEdit->clear();
        QCOMPARE(r.current(), found ? found : 4);
        QVERIFY(r.base(r.searchEdit) != NoMatchColour);
        QVERIFY(!r.action("findNextAction")->isEnabled());
    }

    void findNextGoesDownAndJumpsBackToTheFirstMatch_data()
    {
        QTest::addColumn<QString>("column");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QList<int>>("visited");

        QTest::newRow("guest number") << "Gość"
                                      << "12" << QList<int>{7, 9, 4, 7};
        QTest::newRow("guest name") << "Gość"
                                    << "kow" << QList<int>{7, 2, 9, 4, 7};
        QTest::newRow("employee number, then no name") << "Pracownik"
                                                       << "7" << QList<int>{7, 5, 7};
        QTest::newRow("employee name") << "Pracownik"
                                       << "ŁUK" << QList<int>{3, 9, 3};
        QTest::newRow("badge") << "Identyfikator"
                               << "g-3" << QList<int>{3, 7, 2, 3};
    }

    void findNextGoesDownAndJumpsBackToTheFirstMatch()
    {
        QFETCH(QString, column);
        QFETCH(QString, text);
        QFETCH(QList<int>, visited);
        Register r;
        r.searchIn(column, text);
        QVERIFY(r.searchEdit->hasFocus());
        QList<int> seen{r.current()};
        for (int i = 1; i < visited.size(); ++i) {
            QTest::keyClick(r.searchEdit, Qt::Key_F3);
            seen << r.current();
        }
        QCOMPARE(seen, visited);
        QVERIFY(r.action("findNextAction")->isEnabled());
    }

    void ctrlFGoesToTheSearchBoxAndEnterThereBackToTheList()
    {
        Register r;
        QVERIFY(r.grid->hasFocus());
        QTest::keyClick(r.grid, Qt::Key_F, Qt::ControlModifier);
        QVERIFY(r.searchEdit->hasFocus());
        // With nothing found, F3 in the box does nothing.
        testsupport::type(r.searchEdit, "Nikt");
        QTest::keyClick(r.searchEdit, Qt::Key_F3);
        QCOMPARE(r.current(), 3);
        QVERIFY(r.searchEdit->hasFocus());
        QTest::keyClick(r.searchEdit, Qt::Key_Return);
        QVERIFY(r.grid->hasFocus());
        QVERIFY(r.window->isVisible());
    }

    void typingInTheListFeedsTheSearchBox()
    {
        Register r;
        r.columnBox->setCurrentText("Pracownik");
        r.grid->setFocus();
        testsupport::type(r.grid, "Kowal");
        QCOMPARE(r.searchEdit->text(), QString("Kowal"));
        QCOMPARE(r.current(), 2);
        QVERIFY(r.grid->hasFocus());
        // Characters 123 to 127 of Windows-1250 are not typed; Polish letters are.
        testsupport::type(r.grid, "{|}~");
        QCOMPARE(r.searchEdit->text(), QString("Kowal"));
        QTest::keyClick(r.grid, Qt::Key_Backspace);
        QTest::keyClick(r.grid, Qt::Key_Backspace);
        QTest::keyClick(r.grid, Qt::Key_Backspace);
        QTest::keyClick(r.grid, Qt::Key_Backspace);
        QTest::keyClick(r.grid, Qt::Key_Backspace);
        QVERIFY(r.searchEdit->text().isEmpty());
        QTest::keyClick(r.grid, Qt::Key_Backspace);  // nothing left to remove
        QVERIFY(r.searchEdit->text().isEmpty());
        testsupport::type(r.grid, "Ł");
        QCOMPARE(r.searchEdit->text(), QString("Ł"));
        QCOMPARE(r.current(), 3);
        // A new column empties the box and puts the focus into it.
        r.columnBox->setCurrentText("Nr karty");
        QVERIFY(r.searchEdit->text().isEmpty());
        QVERIFY(r.searchEdit->hasFocus());
    }

    void messagesAreRedUntilPassedOnAndNumbersGreyBesideBlackNames()
    {
        Register r;
        r.visits->last();  // neither row looked at is current
        QTest::qWait(20);
        const QImage picture = r.gridPicture();
        const QAbstractItemModel* model = r.grid->model();
        const QRect waiting = r.grid->visualRect(model->index(0, 7));   // visit 3
        const QRect passedOn = r.grid->visualRect(model->index(2, 7));  // visit 2
        QVERIFY(inkIn(picture, waiting).redPixels > 5);
        QCOMPARE(inkIn(picture, passedOn).redPixels, 0);
        QVERIFY(inkIn(picture, passedOn).darkest >= 0x70);  // grey, not black
        QVERIFY(inkIn(picture, passedOn).darkest <= 0x90);

        for (int column : {1, 4}) {
            const QRect cell = r.grid->visualRect(model->index(1, column));
            const QRect numberPart(cell.left(), cell.top(), 38, cell.height());
            const QRect namePart(cell.left() + 40, cell.top(), cell.width() - 40, cell.height());
            QVERIFY2(inkIn(picture, numberPart).darkest >= 0x70,
                     qPrintable(QString::number(column)));
            QVERIFY2(inkIn(picture, numberPart).darkest <= 0x90,
                     qPrintable(QString::number(column)));
            QVERIFY2(inkIn(picture, namePart).darkest < 0x40, qPrintable(QString::number(column)));
        }
        // A screen reader hears the name with the number.
        QCOMPARE(model->index(1, 1).data(Qt::AccessibleTextRole).toString(),
                 QString("12\nKowalski Jan"));
    }

    void aStoredVisitOutsideTheRangeMovesBothPickersToItsDay()
    {
        Register r;
        r.window->editor = [](db::DataSet& visits, bool adding) {
            if (!adding)
                return false;
            visits.field("GOSC_ID").setAsInteger(12);
            visits.field("DTPRZYBYCIA")
                .setAsDateTime(db::fromDateTime(QDateTime(QDate(2026, 2, 3), QTime(14, 5))));
            visits.post();
            return true;
        };
        QTest::keyClick(r.grid, Qt::Key_Insert);
        QCOMPARE(r.window->editorRuns, 1);
        QCOMPARE(r.from->date(), QDate(2026, 2, 3));
        QCOMPARE(r.to->date(), QDate(2026, 2, 3));
        QCOMPARE(r.listed(), QList<int>({1, 21}));
        QCOMPARE(r.current(), 21);
        QVERIFY(r.grid->hasFocus());
        // The new visit starts with the main window's company, department and employee.
        QCOMPARE(r.visits->field("FIRMA_ID").asInteger(), 3);
        QCOMPARE(r.visits->field("DZIAL_ID").asInteger(), 4);
        QCOMPARE(r.visits->field("PERSON_ID").asInteger(), 7);
    }

    void aStoredVisitInsideTheRangeStaysCurrentWithoutReading()
    {
        Register r;
        r.from->setDate(Today.addDays(-1));
        // Edited to an arrival inside the range: the list is not read again, so the visit
        // keeps its place although it now comes first.
        r.window->editor = [](db::DataSet& visits, bool adding) {
            if (adding)
                return false;
            visits.field("DTPRZYBYCIA")
                .setAsDateTime(db::fromDateTime(QDateTime(Today.addDays(-1), QTime(6, 0))));
            visits.post();
            return true;
        };
        r.visits->locate("ID", 9, 0);
        QTest::keyClick(r.grid, Qt::Key_Return);
        QCOMPARE(r.window->editorRuns, 1);
        QCOMPARE(r.current(), 9);
        QCOMPARE(r.from->date(), Today.addDays(-1));
        QCOMPARE(r.to->date(), Today);
        QCOMPARE(r.listed(), QList<int>({11}) + kListedToday);
    }

    void aStoredEditToAnotherDayMovesTheRangeAndAnEditorCancelledStoresNothing()
    {
        Register r;
        r.window->editor = [](db::DataSet& visits, bool) {
            visits.field("DTPRZYBYCIA")
                .setAsDateTime(db::fromDateTime(QDateTime(QDate(2026, 3, 9), QTime(7, 45))));
            visits.post();
            return true;
        };
        r.visits->locate("ID", 7, 0);
        QTest::keyClick(r.grid, Qt::Key_Return);
        QCOMPARE(r.from->date(), QDate(2026, 3, 9));
        QCOMPARE(r.to->date(), QDate(2026, 3, 9));
        QCOMPARE(r.listed(), QList<int>({7}));
        QCOMPARE(r.current(), 7);

        // An editor that stores nothing leaves no row behind and the range where it was.
        r.window->editor = [](db::DataSet& visits, bool) {
            visits.field("DTPRZYBYCIA").setAsDateTime(db::fromDate(QDate(2020, 1, 1)));
            return false;
        };
        QTest::keyClick(r.grid, Qt::Key_Insert);
        QCOMPARE(r.visits->state(), db::DataSetState::Browse);
        QCOMPARE(r.listed(), QList<int>({7}));
        QCOMPARE(r.from->date(), QDate(2026, 3, 9));
        QCOMPARE(r.database.scalar("select count(*) from WIZYTY").toInt(), kVisits.size() - 1);
    }

    void anEmptyListOffersNoEditing()
    {
        Register r;
        r.from->setDate(Today.addDays(100));
        r.to->setDate(Today.addDays(100));
        QVERIFY(r.listed().isEmpty());
        QVERIFY(!r.action("editAction")->isEnabled());
        QVERIFY(r.action("addAction")->isEnabled());
        r.grid->setFocus();
        QTest::keyClick(r.grid, Qt::Key_Return);
        QTest::mouseDClick(r.grid->viewport(), Qt::LeftButton, {}, QPoint(20, 5));
        QCOMPARE(r.window->editorRuns, 0);
        QVERIFY(r.window->isVisible());
    }

    void enterEditsOnlyFromTheList()
    {
        Register r;
        r.searchEdit->setFocus();
        QTest::keyClick(r.searchEdit, Qt::Key_Return);  // back to the list, no editing
        QCOMPARE(r.window->editorRuns, 0);
        QVERIFY(r.grid->hasFocus());
        QTest::keyClick(r.grid, Qt::Key_Return);
        QCOMPARE(r.window->editorRuns, 1);
    }

    void everyControlHasAName()
    {
        Register r;
        QCOMPARE(testsupport::unnamedControls(*r.window), QStringList());
        QCOMPARE(r.window->windowTitle(), QString("Wizyty u pracowników"));
    }

    void tenYearsOfVisitsOpenWithoutDelay()
    {
        Register r{QStringList()};
        r.database.db().execute(R"(execute block as
declare i integer = 0;
begin
  while (i < 10000) do
  begin
    insert into WIZYTY (ID, GOSC_ID, GOSC_NAZWA, PERSON_ID, PERSON_NAZWA, DTPRZYBYCIA,
                        IDENTYFIKATOR, NRKARTY, WIADOMOSC)
    values (:i + 1, mod(:i, 500) + 1, 'Gość ' || :i, mod(:i, 90) + 1, 'Pracownik ' || :i,
            timestamp '2016-03-06 08:00:00' + :i * 0.365, 'G-' || :i, :i, 'Wiadomość ' || :i);
    i = i + 1;
  end
end)");
        r.database.db().transaction().commitRetaining();

        QElapsedTimer timer;
        timer.start();
        r.from->setDate(Today.addYears(-10));
        QCoreApplication::processEvents();
        r.grid->viewport()->grab();
        const qint64 openMs = timer.elapsed();
        QCOMPARE(r.visits->recordCount(), 10000);

        timer.restart();
        r.searchIn("Pracownik", "Nikt taki");
        const qint64 searchMs = timer.elapsed();
        QCOMPARE(r.current(), 1);
        timer.restart();
        r.searchEdit->clear();
        r.searchIn("Gość", "Gość 9999");
        const qint64 lastMatchMs = timer.elapsed();
        QCOMPARE(r.current(), 10000);
        qInfo(
            "10,000 visits over ten years: read and drawn in %lld ms; a search matching "
            "nothing (9 keys) in %lld ms; a search for the last row (9 keys) in %lld ms",
            openMs, searchMs, lastMatchMs);
    }
};

HALVANE_TEST(VisitsDialogTest);
#include "VisitsDialogTest.moc"

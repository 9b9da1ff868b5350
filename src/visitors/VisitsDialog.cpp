#include "visitors/VisitsDialog.h"

#include "controls/Clock.h"
#include "controls/Colours.h"
#include "controls/DataGrid.h"
#include "controls/Icons.h"
#include "controls/Prompts.h"
#include "db/DateTimeText.h"
#include "desk/Desk.h"
#include "visitors/VisitDialog.h"
#include "visitors/StoredVisit.h"

#include <QAction>
#include <QComboBox>
#include <QDateEdit>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QStringEncoder>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

// The visits whose arrival lies from the first moment of the first day up to, but not
// including, the first moment of the day after the last day.
constexpr auto SelectVisits = R"(select *
from WIZYTY
where
  DTPRZYBYCIA >= :data1
  and
  DTPRZYBYCIA < :data2
order by DTPRZYBYCIA)";
const QString Id = QStringLiteral("ID");
const QString CompanyId = QStringLiteral("FIRMA_ID");
const QString DepartmentId = QStringLiteral("DZIAL_ID");
const QString GuestId = QStringLiteral("GOSC_ID");
const QString GuestName = QStringLiteral("GOSC_NAZWA");
const QString EmployeeId = QStringLiteral("PERSON_ID");
const QString EmployeeName = QStringLiteral("PERSON_NAZWA");
const QString Arrival = QStringLiteral("DTPRZYBYCIA");
const QString Entry = QStringLiteral("DTWEJSCIA");
const QString Exit = QStringLiteral("DTWYJSCIA");
const QString Badge = QStringLiteral("IDENTYFIKATOR");
const QString Card = QStringLiteral("NRKARTY");
const QString Message = QStringLiteral("WIADOMOSC");
const QString MessagePassedOn = QStringLiteral("DTODEBRWIADOM");

const QString DateTimeFormat = QStringLiteral("dd-MM-yyyy  hh:mm");  // two blanks
constexpr int NameOffset = 40;                 // where a name starts right of its number
constexpr unsigned MessageWaiting = 0x0000FF;  // red
constexpr unsigned Grey = 0x808080;

// A search column and the fields it looks in: the first, and when that finds nothing
// the second.
struct SearchColumn {
    const char* title;
    QString first;
    QString second;
};
const SearchColumn SearchColumns[] = {
    {"Gość", GuestId, GuestName},
    {"Identyfikator", Badge, {}},
    {"Nr karty", Card, {}},
    {"Pracownik", EmployeeId, EmployeeName},
};

const SearchColumn* searchColumn(const QString& title)
{
    for (const SearchColumn& column : SearchColumns)
        if (title == QString::fromUtf8(column.title))
            return &column;
    return nullptr;
}

constexpr db::LocateOptions SearchOptions = db::CaseInsensitive | db::PartialKey;
constexpr db::LocateOptions ExactMatch = 0;

void setBackground(QWidget* widget, const QColor& colour)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Base, colour);
    widget->setPalette(palette);
}

// A character typed in the list goes to the search text when its Windows-1250 code is
// 32 to 122 or 128 to 255: printable characters, Polish letters among them, but none of
// "{|}~".
bool feedsSearch(const QString& text)
{
    if (text.size() != 1)
        return false;
    QStringEncoder encoder("windows-1250");
    const QByteArray bytes = encoder.encode(text);
    if (encoder.hasError() || bytes.size() != 1)
        return false;
    const int code = static_cast<unsigned char>(bytes[0]);
    if (code == '?' && text != QLatin1String("?"))
        return false;  // no such character in Windows-1250
    return (code >= 32 && code <= 122) || code >= 128;
}

}  // namespace

VisitsDialog::VisitsDialog(desk::Desk& desk, QWidget* parent)
    : QDialog(parent), desk_(desk), visits(desk.database(), this)
{
    setObjectName(QStringLiteral("VisitsDialog"));
    setWindowTitle(QStringLiteral("Wizyty u pracowników"));
    setWindowFlag(Qt::WindowMaximizeButtonHint);
    setSizeGripEnabled(true);
    resize(1100, 600);

    visits.setObjectName(QStringLiteral("visits"));
    visits.setSelectSql(QString::fromUtf8(SelectVisits));
    visitors::setVisitStatements(visits);

    buildView();
    visitDialog = new VisitDialog(visits, desk_, this);
    visitDialog->setObjectName(QStringLiteral("visitDialog"));
    // Both days start at today; later showings keep the range chosen last.
    const QDate today = desk_.clock().today();
    reading_ = true;
    fromDateEdit->setDate(today);
    toDateEdit->setDate(today);
    reading_ = false;
}

VisitsDialog::~VisitsDialog() = default;

int VisitsDialog::exec(const Selection& mainWindowSelection)
{
    selection_ = mainWindowSelection;
    return QDialog::exec();
}

void VisitsDialog::open(const Selection& mainWindowSelection)
{
    selection_ = mainWindowSelection;
    QDialog::open();
}

void VisitsDialog::buildView()
{
    auto makeAction = [this](const char* name, const QString& text, const QString& hint) {
        auto* action = new QAction(text, this);
        action->setObjectName(QString::fromLatin1(name));
        action->setToolTip(hint);
        action->setStatusTip(hint);
        QWidget::addAction(action);  // its shortcuts work anywhere in the window
        return action;
    };
    addAction = makeAction("addAction", QStringLiteral("Dodaj"), QStringLiteral("Dodaj wizytę"));
    addAction->setIcon(controls::icon(controls::Picture::Add, 16));
    addAction->setShortcut(QKeySequence(Qt::Key_Insert));
    connect(addAction, &QAction::triggered, this,
            [this] { desk_.prompts().guarded([this] { addVisit(); }); });
    // Enter edits only while the list has the focus (the list gives and takes the shortcut).
    editAction =
        makeAction("editAction", QStringLiteral("Edytuj"), QStringLiteral("Edytuj wizytę"));
    editAction->setIcon(controls::icon(controls::Picture::Edit, 16));
    connect(editAction, &QAction::triggered, this,
            [this] { desk_.prompts().guarded([this] { editVisit(); }); });
    goToSearchAction = makeAction("goToSearchAction", QString(), QString());
    goToSearchAction->setShortcuts(
        {QKeySequence(QStringLiteral("Ctrl+F")), QKeySequence(Qt::Key_F3)});
    connect(goToSearchAction, &QAction::triggered, this,
            [this] { desk_.prompts().guarded([this] { goToSearch(); }); });
    findNextAction = new QAction(controls::icon(controls::Picture::Search, 16),
                                 QStringLiteral("Szukaj następnego"), this);
    findNextAction->setObjectName(QStringLiteral("findNextAction"));
    findNextAction->setToolTip(QStringLiteral("Szukaj następnego (F3)"));
    findNextAction->setEnabled(false);
    connect(findNextAction, &QAction::triggered, this,
            [this] { desk_.prompts().guarded([this] { findNext(); }); });

    toolBar = new QToolBar;
    toolBar->setObjectName(QStringLiteral("toolBar"));
    toolBar->setAccessibleName(QStringLiteral("Wizyta"));
    toolBar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    toolBar->setIconSize(QSize(16, 16));
    toolBar->addActions({addAction, editAction});
    for (QAction* action : toolBar->actions())
        toolBar->widgetForAction(action)->setAccessibleName(action->toolTip());

    auto makeDateEdit = [this](const char* name, const QString& accessibleName) {
        auto* edit = new QDateEdit;
        edit->setObjectName(QString::fromLatin1(name));
        edit->setAccessibleName(accessibleName);
        edit->setCalendarPopup(true);
        edit->setDisplayFormat(QStringLiteral("dd-MM-yyyy"));
        edit->setLocale(QLocale(QLocale::Polish, QLocale::Poland));
        // A day typed digit by digit is read once it is complete, not at every digit.
        edit->setKeyboardTracking(false);
        connect(edit, &QDateEdit::dateChanged, this, [this, edit] {
            if (!reading_)
                desk_.prompts().guarded([this, edit] { onRangeChanged(edit); });
        });
        return edit;
    };
    fromDateEdit = makeDateEdit("fromDateEdit", QStringLiteral("Pokaż od"));
    toDateEdit = makeDateEdit("toDateEdit", QStringLiteral("Pokaż do"));
    auto* fromLabel = new QLabel(QStringLiteral("Pokaż od:"));
    fromLabel->setBuddy(fromDateEdit);
    auto* toLabel = new QLabel(QStringLiteral("do:"));
    toLabel->setBuddy(toDateEdit);

    auto* topRow = new QHBoxLayout;
    topRow->addWidget(toolBar);
    topRow->addSpacing(20);
    topRow->addWidget(fromLabel);
    topRow->addWidget(fromDateEdit);
    topRow->addWidget(toLabel);
    topRow->addWidget(toDateEdit);
    topRow->addStretch();

    visitGrid = new controls::DataGrid(visits, desk_.prompts());
    visitGrid->setObjectName(QStringLiteral("visitGrid"));
    visitGrid->setAccessibleName(QStringLiteral("Wizyty"));
    // The list's type is the 11-pixel type its column widths were made for; a date column
    // still grows when the type of this desktop would cut its text.
    QFont listFont = font();
    listFont.setPixelSize(11);
    visitGrid->setRowFont(listFont);
    const int dateWidth = qMax(
        110, QFontMetrics(listFont).horizontalAdvance(QStringLiteral("00-00-0000  00:00")) + 12);
    const Qt::Alignment centred = Qt::AlignCenter;
    const Qt::Alignment left = Qt::AlignLeft | Qt::AlignVCenter;
    // The number columns carry the name as their second field, so that a screen reader
    // reads the name with the number.
    visitGrid->setColumns({
        {Arrival, QStringLiteral("Przybycie"), dateWidth, {}, centred, {}, DateTimeFormat},
        {GuestId, QStringLiteral("Gość"), 250, {}, left, GuestName},
        {Badge, QStringLiteral("Identyfikator"), 80},
        {Card, QStringLiteral("Nr karty"), 80},
        {EmployeeId, QStringLiteral("Pracownik"), 200, {}, left, EmployeeName},
        {Entry, QStringLiteral("Wejście"), dateWidth, {}, centred, {}, DateTimeFormat},
        {Exit, QStringLiteral("Wyjście"), dateWidth, {}, centred, {}, DateTimeFormat},
        {Message, QStringLiteral("Wiadomość"), 120},
    });
    visitGrid->setCellPainter([this](QPainter* painter, const QRect& cell, int row,
                                     const controls::GridColumn& column, const QColor& background) {
        return drawCell(painter, cell, row, column, background);
    });
    visitGrid->installEventFilter(this);
    connect(visitGrid, &QAbstractItemView::doubleClicked, this,
            [this] { desk_.prompts().guarded([this] { editVisitIfEnabled(); }); });
    connect(&visits, &db::DataSet::afterScroll, this, [this] { updateActions(); });

    searchColumnBox = new QComboBox;
    searchColumnBox->setObjectName(QStringLiteral("searchColumnBox"));
    searchColumnBox->setAccessibleName(QStringLiteral("Szukaj w kolumnie"));
    for (const SearchColumn& column : SearchColumns)
        searchColumnBox->addItem(QString::fromUtf8(column.title));
    searchColumnBox->setFocusPolicy(Qt::ClickFocus);  // Tab passes it by
    connect(searchColumnBox, &QComboBox::currentIndexChanged, this, [this] {
        searchEdit->clear();
        searchEdit->setFocus();
    });
    auto* columnLabel = new QLabel(QStringLiteral("  Szukaj w kolumnie:"));
    columnLabel->setBuddy(searchColumnBox);

    searchEdit = new QLineEdit;
    searchEdit->setObjectName(QStringLiteral("searchEdit"));
    searchEdit->setAccessibleName(QStringLiteral("Szukaj"));
    searchEdit->setFocusPolicy(Qt::ClickFocus);
    searchEdit->installEventFilter(this);
    connect(searchEdit, &QLineEdit::textChanged, this,
            [this] { desk_.prompts().guarded([this] { search(); }); });
    auto* searchLabel = new QLabel(QStringLiteral("Szukaj:"));
    searchLabel->setBuddy(searchEdit);

    findNextButton = new QToolButton;
    findNextButton->setObjectName(QStringLiteral("findNextButton"));
    findNextButton->setDefaultAction(findNextAction);
    findNextButton->setToolButtonStyle(Qt::ToolButtonIconOnly);
    findNextButton->setAccessibleName(QStringLiteral("Szukaj następnego"));
    findNextButton->setFocusPolicy(Qt::NoFocus);

    closeButton = new QPushButton(QStringLiteral("Zamknij"));
    closeButton->setObjectName(QStringLiteral("closeButton"));
    closeButton->setAutoDefault(false);
    connect(closeButton, &QPushButton::clicked, this, &VisitsDialog::reject);

    auto* bottomRow = new QHBoxLayout;
    bottomRow->addWidget(columnLabel);
    bottomRow->addWidget(searchColumnBox);
    bottomRow->addSpacing(12);
    bottomRow->addWidget(searchLabel);
    bottomRow->addWidget(searchEdit, 1);
    bottomRow->addWidget(findNextButton);
    bottomRow->addStretch(1);
    bottomRow->addWidget(closeButton);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(topRow);
    layout->addWidget(visitGrid, 1);
    layout->addLayout(bottomRow);

    setTabOrder(fromDateEdit, toDateEdit);
    setTabOrder(toDateEdit, visitGrid);
    setTabOrder(visitGrid, closeButton);
}

// ------------------------------------------------------------ showing and the range

void VisitsDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        desk_.prompts().guarded([this] { onShown(); });
}

void VisitsDialog::onShown()
{
    searchEdit->clear();
    setBackground(searchEdit, palette().color(QPalette::Base));
    findNextAction->setEnabled(false);
    readVisits();
    visitGrid->setFocus();
    updateActions();
}

void VisitsDialog::done(int result)
{
    desk_.prompts().guarded([this] {
        if (visits.editing())
            visits.cancel();
        visits.close();
    });
    QDialog::done(result);
}

QDateTime VisitsDialog::rangeStart() const
{
    return QDateTime(fromDateEdit->date(), QTime(0, 0));
}

QDateTime VisitsDialog::rangeEnd() const
{
    return QDateTime(toDateEdit->date().addDays(1), QTime(0, 0));
}

void VisitsDialog::readVisits()
{
    visits.close();
    visits.setParam(QStringLiteral("data1"), rangeStart());
    visits.setParam(QStringLiteral("data2"), rangeEnd());
    visits.open();
}

void VisitsDialog::onRangeChanged(QDateEdit* changed)
{
    readVisits();
    const bool inOrder = fromDateEdit->date() <= toDateEdit->date();
    const QColor colour = inOrder ? palette().color(QPalette::Base)
                                  : controls::windowsColor(controls::colours::NotFound);
    setBackground(fromDateEdit, colour);
    setBackground(toDateEdit, colour);
    // A day picked in the calendar or confirmed with Enter sends the user to the list;
    // leaving the picker with Tab or the mouse goes where the user went.
    if (!changed || changed->hasFocus() || !isActiveWindow())
        visitGrid->setFocus();
    updateActions();
}

void VisitsDialog::updateActions()
{
    editAction->setEnabled(currentVisitId() != 0);
}

int VisitsDialog::currentVisitId() const
{
    if (!visits.active() || visits.isEmpty())
        return 0;
    return visits.field(Id).asInteger();
}

bool VisitsDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == visitGrid) {
        if (event->type() == QEvent::FocusIn)
            editAction->setShortcuts({QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)});
        else if (event->type() == QEvent::FocusOut)
            editAction->setShortcuts({});
        else if (event->type() == QEvent::KeyPress &&
                 typeIntoSearch(*static_cast<QKeyEvent*>(event)))
            return true;
    } else if (watched == searchEdit && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            visitGrid->setFocus();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

// ------------------------------------------------------------ adding and editing

void VisitsDialog::addVisit()
{
    visits.append();
    runEditorOnCurrentRow(EditorMode::Add, [this] {
        visits.field(CompanyId).setAsInteger(selection_.companyId);
        visits.field(DepartmentId).setAsInteger(selection_.departmentId);
        if (selection_.employeeId != 0)  // no employee chosen yet: the box stays empty
            visits.field(EmployeeId).setAsInteger(selection_.employeeId);
        visits.field(Arrival).setAsDateTime(db::fromDateTime(desk_.clock().now()));
    });
}

void VisitsDialog::editVisit()
{
    visits.edit();
    runEditorOnCurrentRow(EditorMode::Edit, [] {});
}

void VisitsDialog::runEditorOnCurrentRow(EditorMode mode, const std::function<void()>& prepare)
{
    // Whatever way the editor ends, no half-edited row stays behind.
    try {
        prepare();
        if (runVisitEditor(mode))
            showVisit();
    } catch (...) {
        if (visits.editing())
            visits.cancel();
        throw;
    }
    if (visits.editing())
        visits.cancel();
    updateActions();
}

void VisitsDialog::editVisitIfEnabled()
{
    if (editAction->isEnabled())
        editVisit();
}

bool VisitsDialog::runVisitEditor(EditorMode mode)
{
    return visitDialog->exec(mode == EditorMode::Add
                                 ? VisitDialog::Mode::Add
                                 : VisitDialog::Mode::Edit) == QDialog::Accepted;
}

void VisitsDialog::showVisit()
{
    if (visits.editing() || visits.field(Arrival).isNull())
        return;
    const db::DayCount arrival = visits.field(Arrival).asDateTime();
    if (arrival >= db::fromDateTime(rangeStart()) && arrival < db::fromDateTime(rangeEnd()))
        return;  // in the list already, and current
    const int visitId = currentVisitId();
    const QDate day = db::toDateTime(arrival).date();
    reading_ = true;
    fromDateEdit->setDate(day);
    toDateEdit->setDate(day);
    reading_ = false;
    onRangeChanged(nullptr);
    visits.locate(Id, visitId, ExactMatch);
}

// ------------------------------------------------------------ searching

void VisitsDialog::setSearchFound(bool found)
{
    setBackground(searchEdit, found ? palette().color(QPalette::Base)
                                    : controls::windowsColor(controls::colours::NoMatch));
    findNextAction->setEnabled(found);
}

void VisitsDialog::search()
{
    const QString text = searchEdit->text();
    if (text.isEmpty()) {
        setBackground(searchEdit, palette().color(QPalette::Base));
        findNextAction->setEnabled(false);
        return;
    }
    const SearchColumn* column = searchColumn(searchColumnBox->currentText());
    bool found = false;
    if (!column) {
        desk_.prompts().message(QStringLiteral("Nieznana kolumna wyszukiwania: '") +
                                searchColumnBox->currentText() + u'\'');
    } else if (visits.active()) {
        found = visits.locate(column->first, text, SearchOptions) ||
                (!column->second.isEmpty() && visits.locate(column->second, text, SearchOptions));
    }
    setSearchFound(found);
}

void VisitsDialog::findNext()
{
    const QString text = searchEdit->text();
    const SearchColumn* column = searchColumn(searchColumnBox->currentText());
    const bool found =
        column && visits.active() && !text.isEmpty() &&
        (visits.locate(column->first, text, SearchOptions, true) ||
         (!column->second.isEmpty() && visits.locate(column->second, text, SearchOptions, true)));
    if (!found)
        search();  // back to the first match from the top
}

void VisitsDialog::goToSearch()
{
    if (!searchEdit->hasFocus())
        searchEdit->setFocus();
    else if (findNextAction->isEnabled())
        findNext();
}

bool VisitsDialog::typeIntoSearch(const QKeyEvent& key)
{
    if (key.key() == Qt::Key_Backspace) {
        QString text = searchEdit->text();
        text.chop(1);
        searchEdit->setText(text);
        return true;
    }
    // Ctrl or Alt with a letter is a shortcut, not typing (both together are AltGr).
    const Qt::KeyboardModifiers chord = key.modifiers() & (Qt::ControlModifier | Qt::AltModifier);
    if (chord == Qt::ControlModifier || chord == Qt::AltModifier || !feedsSearch(key.text()))
        return false;
    searchEdit->setText(searchEdit->text() + key.text());
    return true;
}

// ------------------------------------------------------------ drawing

bool VisitsDialog::drawCell(QPainter* painter, const QRect& cell, int row,
                            const controls::GridColumn& column, const QColor&)
{
    const bool number = column.field == GuestId || column.field == EmployeeId;
    const bool message = column.field == Message;
    if (!number && !message)
        return false;
    const controls::DataSetModel& model = visitGrid->dataModel();
    const QFontMetrics metrics(visitGrid->font());
    const QRect area = cell.adjusted(3, 0, -3, 0);
    painter->save();
    painter->setClipRect(cell);
    painter->setFont(visitGrid->font());
    auto write = [&](const QString& text, int x, const QColor& colour) {
        painter->setPen(colour);
        const QRect place(x, area.top(), area.right() - x + 1, area.height());
        painter->drawText(place, Qt::AlignLeft | Qt::AlignVCenter,
                          metrics.elidedText(text, Qt::ElideRight, place.width()));
    };
    if (number) {
        write(model.fieldText(row, column.field), area.left(), controls::windowsColor(Grey));
        write(model.fieldText(row, column.secondField), cell.left() + NameOffset, Qt::black);
    } else {
        const bool passedOn = !model.fieldText(row, MessagePassedOn).isEmpty();
        QString text = model.fieldText(row, Message);
        text.replace(u'\n', u' ').remove(u'\r');
        write(text, area.left(), controls::windowsColor(passedOn ? Grey : MessageWaiting));
    }
    painter->restore();
    return true;
}

#include "overview/HistoryPage.h"

#include "controls/Clock.h"
#include "controls/Prompts.h"
#include "db/DateTimeText.h"
#include "desk/Desk.h"

#include <QComboBox>
#include <QDateEdit>
#include <QHBoxLayout>
#include <QLabel>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

// From the first moment of the first day up to, not including, the day after the last;
// company 0 is every company.
constexpr auto HistoryWhere = R"(where
  W.DTPRZYBYCIA >= :data1
  and
  W.DTPRZYBYCIA < :data2
  and
  (:firma = 0 or W.FIRMA_ID = :firma)
order by W.DTPRZYBYCIA, W.ID)";
constexpr auto CountByCompany = R"(select
  W.FIRMA_ID, F.NAZWA as FIRMA, count(*) as LICZBA
from WIZYTY W
  left join FIRMY F on F.ID = W.FIRMA_ID
where
  W.DTPRZYBYCIA >= :data1
  and
  W.DTPRZYBYCIA < :data2
  and
  (:firma = 0 or W.FIRMA_ID = :firma)
group by W.FIRMA_ID, F.NAZWA
order by F.NAZWA, W.FIRMA_ID)";
constexpr auto CountByDay = R"(select
  cast(W.DTPRZYBYCIA as date) as DZIEN, count(*) as LICZBA
from WIZYTY W
where
  W.DTPRZYBYCIA >= :data1
  and
  W.DTPRZYBYCIA < :data2
  and
  (:firma = 0 or W.FIRMA_ID = :firma)
group by 1
order by 1)";
constexpr auto SelectCompanies = R"(select ID, NAZWA from FIRMY order by NAZWA, ID)";

const QString Arrival = QStringLiteral("DTPRZYBYCIA");
const QString Entry = QStringLiteral("DTWEJSCIA");
const QString Exit = QStringLiteral("DTWYJSCIA");
const QString DateTimeFormat = QStringLiteral("dd-MM-yyyy  hh:mm");
const QString DayText = QStringLiteral("DZIEN_TEKST");

}  // namespace

HistoryPage::HistoryPage(desk::Desk& desk, QWidget* parent)
    : OverviewPage(desk, QStringLiteral("Historia"), parent),
      companies(desk.database(), this),
      companyCounts(desk.database(), this),
      dayCounts(desk.database(), this)
{
    setObjectName(QStringLiteral("historyPage"));
    visits.setSelectSql(selectVisits(HistoryWhere));
    companies.setObjectName(QStringLiteral("companies"));
    companies.setSelectSql(QString::fromUtf8(SelectCompanies));
    companyCounts.setObjectName(QStringLiteral("companyCounts"));
    companyCounts.setSelectSql(QString::fromUtf8(CountByCompany));
    dayCounts.setObjectName(QStringLiteral("dayCounts"));
    dayCounts.setSelectSql(QString::fromUtf8(CountByDay));
    dayCounts.addCalculatedField(DayText, 10, [](const db::DataSet& set) -> QVariant {
        const QVariant day = set.field(QStringLiteral("DZIEN")).value();
        return day.isNull() ? QVariant()
                            : QVariant(db::toDateTime(day.toDouble())
                                           .date()
                                           .toString(QStringLiteral("dd-MM-yyyy")));
    });

    const int dateWidth = dateTimeWidth();
    const Qt::Alignment centred = Qt::AlignCenter;
    grid->setColumns({
        {Arrival, QStringLiteral("Przybycie"), dateWidth, {}, centred, {}, DateTimeFormat},
        {QStringLiteral("GOSC_NAZWA"), QStringLiteral("Gość"), 170},
        {QStringLiteral("PERSON_NAZWA"), QStringLiteral("Pracownik"), 150},
        {QStringLiteral("FIRMA"), QStringLiteral("Firma"), 140},
        {Entry, QStringLiteral("Wejście"), dateWidth, {}, centred, {}, DateTimeFormat},
        {Exit, QStringLiteral("Wyjście"), dateWidth, {}, centred, {}, DateTimeFormat},
        {QStringLiteral("IDENTYFIKATOR"), QStringLiteral("Identyfikator"), 80},
        {QStringLiteral("NRKARTY"), QStringLiteral("Nr karty"), 80},
    });
    const Qt::Alignment right = Qt::AlignRight | Qt::AlignVCenter;
    companyCountGrid = new controls::DataGrid(companyCounts, desk_.prompts());
    companyCountGrid->setObjectName(QStringLiteral("companyCountGrid"));
    companyCountGrid->setAccessibleName(QStringLiteral("Wizyty według firm"));
    companyCountGrid->setRowFont(listFont());
    companyCountGrid->setColumns(
        {{QStringLiteral("FIRMA"), QStringLiteral("Firma"), 170},
         {QStringLiteral("LICZBA"), QStringLiteral("Wizyty"), 60, {}, right}});
    dayCountGrid = new controls::DataGrid(dayCounts, desk_.prompts());
    dayCountGrid->setObjectName(QStringLiteral("dayCountGrid"));
    dayCountGrid->setAccessibleName(QStringLiteral("Wizyty według dni"));
    dayCountGrid->setRowFont(listFont());
    dayCountGrid->setColumns({{DayText, QStringLiteral("Dzień"), 90, {}, Qt::AlignCenter},
                              {QStringLiteral("LICZBA"), QStringLiteral("Wizyty"), 60, {}, right}});
    for (controls::DataGrid* counts : {companyCountGrid, dayCountGrid})
        counts->setMinimumWidth(260);

    fromDateEdit = makeDateEdit("fromDateEdit", QStringLiteral("Pokaż od"));
    toDateEdit = makeDateEdit("toDateEdit", QStringLiteral("Pokaż do"));
    companyBox = new QComboBox;
    companyBox->setObjectName(QStringLiteral("companyBox"));
    companyBox->setAccessibleName(QStringLiteral("Firma"));
    companyBox->setMinimumContentsLength(24);
    connect(companyBox, &QComboBox::currentIndexChanged, this, [this] { readIfShown(); });

    auto* fromLabel = new QLabel(QStringLiteral("Pokaż od:"));
    fromLabel->setBuddy(fromDateEdit);
    auto* toLabel = new QLabel(QStringLiteral("do:"));
    toLabel->setBuddy(toDateEdit);
    auto* companyLabel = new QLabel(QStringLiteral("Firma:"));
    companyLabel->setBuddy(companyBox);
    auto* rangeRow = new QHBoxLayout;
    rangeRow->addWidget(fromLabel);
    rangeRow->addWidget(fromDateEdit);
    rangeRow->addWidget(makePickButton("fromPickButton", fromDateEdit));
    rangeRow->addWidget(toLabel);
    rangeRow->addWidget(toDateEdit);
    rangeRow->addWidget(makePickButton("toPickButton", toDateEdit));
    rangeRow->addSpacing(16);
    rangeRow->addWidget(companyLabel);
    rangeRow->addWidget(companyBox);
    rangeRow->addStretch();

    auto* counts = new QVBoxLayout;
    counts->addWidget(new QLabel(QStringLiteral("Według firm:")));
    counts->addWidget(companyCountGrid, 1);
    counts->addWidget(new QLabel(QStringLiteral("Według dni:")));
    counts->addWidget(dayCountGrid, 1);
    pageLayout->removeWidget(grid);
    auto* lists = new QHBoxLayout;
    lists->addWidget(grid, 1);
    lists->addLayout(counts);
    pageLayout->insertLayout(0, rangeRow);
    pageLayout->insertLayout(1, lists, 1);

    // The current month up to today.
    const QDate today = desk_.clock().today();
    fromDateEdit->setDate(QDate(today.year(), today.month(), 1));
    toDateEdit->setDate(today);
    settingUp_ = false;
}

QDateEdit* HistoryPage::makeDateEdit(const char* name, const QString& accessibleName)
{
    auto* edit = new QDateEdit;
    edit->setObjectName(QString::fromLatin1(name));
    edit->setAccessibleName(accessibleName);
    edit->setDisplayFormat(QStringLiteral("dd-MM-yyyy"));
    edit->setLocale(QLocale(QLocale::Polish, QLocale::Poland));
    edit->setKeyboardTracking(false);  // a day typed digit by digit is read once complete
    connect(edit, &QDateEdit::dateChanged, this, [this] { readIfShown(); });
    return edit;
}

QToolButton* HistoryPage::makePickButton(const char* name, QDateEdit* edit)
{
    auto* button = new QToolButton;
    button->setObjectName(QString::fromLatin1(name));
    button->setText(QStringLiteral("…"));
    button->setAccessibleName(QStringLiteral("Kalendarz: ") + edit->accessibleName());
    connect(button, &QToolButton::clicked, this, [this, edit, button] {
        desk_.prompts().guarded([&] {
            if (const auto day = desk_.pickDate(edit->date(), button))
                edit->setDate(*day);
        });
    });
    return button;
}

void HistoryPage::readIfShown()
{
    if (!settingUp_ && isRead())
        desk_.prompts().guarded([this] { read(); });
}

void HistoryPage::readCompanies()
{
    const int chosen = companyBox->currentData().toInt();
    companies.close();
    companies.open();
    const QSignalBlocker quiet(companyBox);
    companyBox->clear();
    companyBox->addItem(QStringLiteral("(wszystkie)"), 0);
    for (int row = 0; row < companies.recordCount(); ++row)
        companyBox->addItem(companies.value(row, 1).toString(), companies.value(row, 0));
    companyBox->setCurrentIndex(qMax(0, companyBox->findData(chosen)));
}

void HistoryPage::setCountParams(db::DataSet& set) const
{
    set.setParam(QStringLiteral("data1"), QDateTime(fromDateEdit->date(), QTime(0, 0)));
    set.setParam(QStringLiteral("data2"), QDateTime(toDateEdit->date().addDays(1), QTime(0, 0)));
    set.setParam(QStringLiteral("firma"), companyBox->currentData().toInt());
}

void HistoryPage::prepareRead()
{
    readCompanies();
    setCountParams(visits);
}

void HistoryPage::afterRead()
{
    for (db::DataSet* counts : {&companyCounts, &dayCounts}) {
        counts->close();
        setCountParams(*counts);
        counts->open();
    }
}

controls::PrintedTable HistoryPage::printedTable() const
{
    controls::PrintedTable history = OverviewPage::table();
    auto countRows = [&](const QString& heading, const db::DataSet& counts, int nameColumn) {
        history.rows.push_back({heading});
        for (int row = 0; row < counts.recordCount(); ++row) {
            QStringList cells(history.headers.size());
            cells[0] = counts.value(row, nameColumn).toString();
            cells[1] = counts.value(row, counts.field(QStringLiteral("LICZBA")).index()).toString();
            history.rows.push_back(cells);
        }
    };
    countRows(QStringLiteral("Wizyty według firm"), companyCounts,
              companyCounts.field(QStringLiteral("FIRMA")).index());
    countRows(QStringLiteral("Wizyty według dni"), dayCounts, dayCounts.field(DayText).index());
    return history;
}

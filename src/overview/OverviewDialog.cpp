#include "overview/OverviewDialog.h"

#include "controls/Accessibility.h"
#include "controls/Clock.h"
#include "controls/DialogButtons.h"
#include "controls/Printing.h"
#include "controls/PrivateFiles.h"
#include "controls/Prompts.h"
#include "db/Database.h"
#include "db/DateTimeText.h"
#include "desk/Desk.h"
#include "desk/InformationClause.h"
#include "desk/LiveUpdates.h"
#include "desk/VisitCodes.h"
#include "overview/BadgesPage.h"
#include "overview/HistoryPage.h"
#include "overview/InsidePage.h"
#include "overview/MessagesPage.h"
#include "overview/ScanBox.h"
#include "overview/WaitingPage.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSaveFile>
#include <QShowEvent>
#include <QTabWidget>
#include <QVBoxLayout>
#include <algorithm>

namespace {

const QString DateTimeFormat = QStringLiteral("dd-MM-yyyy  hh:mm");

}  // namespace

class OverviewDialog::Private {
public:
    Private(OverviewDialog& window, desk::Desk& desk);

    void buildView();
    OverviewPage* currentPage() const;
    void showPage();
    void readPage(OverviewPage* page);
    void updateButtons();
    void followOtherDesks(const QStringList& tables);
    void editVisit(int visitId);
    void saveCsv();
    void print();
    void printPass();
    void showScanned(int visitId);

    OverviewDialog& window;
    desk::Desk& desk;
    std::vector<OverviewPage*> pages;
    // Pages whose rows may be out of date: read when next shown.
    std::vector<OverviewPage*> stale;

    QTabWidget* pageTabs = nullptr;
    ScanBox* scanBox = nullptr;
    QPushButton* passButton = nullptr;
    QPushButton* csvButton = nullptr;
    QPushButton* printButton = nullptr;
    QPushButton* closeButton = nullptr;
    QLabel* readAtLabel = nullptr;
};

OverviewDialog::Private::Private(OverviewDialog& window, desk::Desk& desk)
    : window(window), desk(desk)
{}

OverviewDialog::OverviewDialog(desk::Desk& desk, QWidget* parent)
    : QDialog(parent), d(std::make_unique<Private>(*this, desk))
{
    setObjectName(QStringLiteral("OverviewDialog"));
    setWindowTitle(QStringLiteral("Przegląd recepcji"));
    setWindowFlag(Qt::WindowMaximizeButtonHint);
    setSizeGripEnabled(true);
    resize(1150, 620);
    d->buildView();
    connect(&desk.liveUpdates(), &desk::LiveUpdates::changed, this,
            [this](const QStringList& tables) { d->followOtherDesks(tables); });
}

OverviewDialog::~OverviewDialog() = default;

void OverviewDialog::Private::buildView()
{
    pageTabs = new QTabWidget;
    pageTabs->setObjectName(QStringLiteral("pageTabs"));
    pageTabs->setAccessibleName(QStringLiteral("Strony przeglądu"));
    pages = {new InsidePage(desk), new WaitingPage(desk), new BadgesPage(desk),
             new MessagesPage(desk), new HistoryPage(desk)};
    for (OverviewPage* page : pages) {
        pageTabs->addTab(page, page->caption());
        QObject::connect(page, &OverviewPage::titleChanged, &window, [this, page] {
            pageTabs->setTabText(pageTabs->indexOf(page), page->title());
        });
        QObject::connect(page, &OverviewPage::selectionChanged, &window,
                         [this] { updateButtons(); });
        QObject::connect(page, &OverviewPage::visitsStored, &window, [this, page] {
            stale = pages;
            stale.erase(std::remove(stale.begin(), stale.end(), page), stale.end());
        });
        QObject::connect(page, &OverviewPage::visitChosen, &window, [this](int visitId) {
            desk.prompts().guarded([&] { editVisit(visitId); });
        });
    }
    QObject::connect(pageTabs, &QTabWidget::currentChanged, &window, [this] { showPage(); });

    passButton = controls::namedButton("passButton", QStringLiteral("Drukuj przepustkę"));
    csvButton = controls::namedButton("csvButton", QStringLiteral("Zapisz CSV"));
    printButton = controls::namedButton("printButton", QStringLiteral("Drukuj"));
    closeButton = controls::namedButton("closeButton", QStringLiteral("Zamknij"));
    QObject::connect(passButton, &QPushButton::clicked, &window,
                     [this] { desk.prompts().guarded([this] { printPass(); }); });
    QObject::connect(csvButton, &QPushButton::clicked, &window,
                     [this] { desk.prompts().guarded([this] { saveCsv(); }); });
    QObject::connect(printButton, &QPushButton::clicked, &window,
                     [this] { desk.prompts().guarded([this] { print(); }); });
    QObject::connect(closeButton, &QPushButton::clicked, &window, &QDialog::reject);
    readAtLabel = new QLabel;
    readAtLabel->setObjectName(QStringLiteral("readAtLabel"));
    controls::markDataLabel(readAtLabel, QStringLiteral("Stan na"));

    auto* bottomRow = new QHBoxLayout;
    bottomRow->addWidget(readAtLabel);
    bottomRow->addStretch();
    bottomRow->addWidget(passButton);
    bottomRow->addWidget(csvButton);
    bottomRow->addWidget(printButton);
    bottomRow->addSpacing(16);
    bottomRow->addWidget(closeButton);
    scanBox = new ScanBox(desk, Qt::Horizontal);
    QObject::connect(scanBox, &ScanBox::visitStored, &window,
                     [this](int visitId) { showScanned(visitId); });
    auto* layout = new QVBoxLayout(&window);
    layout->addWidget(scanBox);
    layout->addWidget(pageTabs, 1);
    layout->addLayout(bottomRow);
}

void OverviewDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (event->spontaneous())
        return;
    // Everything may have changed while the window was closed.
    d->stale = d->pages;
    d->showPage();
}

bool OverviewDialog::event(QEvent* event)
{
    // Back from a window opened over it: what the other desks did meanwhile is shown now.
    if (event->type() == QEvent::WindowActivate && isVisible())
        d->showPage();
    return QDialog::event(event);
}

OverviewPage* OverviewDialog::Private::currentPage() const
{
    return static_cast<OverviewPage*>(pageTabs->currentWidget());
}

void OverviewDialog::Private::readPage(OverviewPage* page)
{
    desk.prompts().guarded([&] {
        page->read();
        stale.erase(std::remove(stale.begin(), stale.end(), page), stale.end());
        readAtLabel->setText(desk.clock().now().toString(DateTimeFormat));
    });
}

void OverviewDialog::Private::showPage()
{
    OverviewPage* page = currentPage();
    if (!page || !window.isVisible())
        return;
    if (std::find(stale.begin(), stale.end(), page) != stale.end())
        readPage(page);
    updateButtons();
}

void OverviewDialog::Private::updateButtons()
{
    const OverviewPage* page = currentPage();
    const bool visit = page && page->currentVisitId() != 0;
    passButton->setEnabled(visit);
    csvButton->setEnabled(page && page->isRead());
    printButton->setEnabled(page && page->isRead());
}

// Another desk (or this one) committed: the page shown is read again at once, unless a
// window opened from it is in the middle of its work; the others when they are shown.
void OverviewDialog::Private::followOtherDesks(const QStringList& tables)
{
    if (!window.isVisible() || desk.closingWindows() || !desk.database().connected())
        return;
    // The pages show visits with their company, employee and the guest's mark "Zakaz
    // wstępu" (whose changes the guests' event says); the department trees are not on them.
    const bool shown =
        tables.contains(QStringLiteral("WIZYTY")) || tables.contains(QStringLiteral("FIRMY")) ||
        tables.contains(QStringLiteral("PERSONEL")) || tables.contains(QStringLiteral("GOSCIE"));
    if (!shown)
        return;
    stale = pages;
    if (QApplication::activeModalWidget() == &window)
        showPage();
}

void OverviewDialog::Private::editVisit(int visitId)
{
    const bool stored = desk.editVisit(visitId);
    if (!stored || desk.closingWindows())
        return;
    stale = pages;
    OverviewPage* page = currentPage();
    readPage(page);
    page->selectVisit(visitId);
}

// A scan stored an entry or an exit: every page may show it, the one shown at once.
void OverviewDialog::Private::showScanned(int visitId)
{
    stale = pages;
    OverviewPage* page = currentPage();
    readPage(page);
    page->selectVisit(visitId);
    updateButtons();
}

void OverviewDialog::Private::saveCsv()
{
    const OverviewPage* page = currentPage();
    const QString suggested = desk.csvFolder() + page->caption() + QStringLiteral(".csv");
    const QString fileName =
        desk.prompts().saveFileName(QStringLiteral("Zapisz stronę jako CSV"), suggested,
                                    QStringLiteral("Pliki CSV (*.csv)"), QStringLiteral("csv"));
    if (fileName.isEmpty())
        return;
    desk.rememberCsvFolder(fileName);
    const controls::PrintedTable table = page->table();
    // Written whole or not at all: a file half written is never left in place.
    QSaveFile file(fileName);
    if (!controls::openPrivate(file) ||
        file.write(controls::csvText(table.headers, table.rows)) < 0 || !file.commit())
        desk.prompts().message(
            QStringLiteral("Nie można zapisać pliku %1:\n%2").arg(fileName, file.errorString()),
            QStringLiteral("Zapisz CSV"), controls::Icon::Error);
}

void OverviewDialog::Private::print()
{
    const OverviewPage* page = currentPage();
    controls::printTable(desk.prompts(), QStringLiteral("Drukuj: ") + page->caption(),
                         page->printout(), desk.clock().now());
}

void OverviewDialog::Private::printPass()
{
    const OverviewPage* page = currentPage();
    auto text = [page](const char* field) {
        return page->currentValue(QString::fromLatin1(field)).toString();
    };
    controls::VisitPass pass;
    pass.guestName = text("GOSC_NAZWA");
    pass.company = text("FIRMA");
    pass.employee = text("PERSON_NAZWA");
    pass.floor = text("PIETRO");
    pass.room = text("POKOJ");
    pass.badge = text("IDENTYFIKATOR");
    const QVariant arrival = page->currentValue(QStringLiteral("DTPRZYBYCIA"));
    pass.day = arrival.isNull() ? desk.clock().today() : db::toDateTime(arrival.toDouble()).date();
    pass.back = desk::passBackText(desk);
    pass.code = desk::passCode(page->currentVisitId());
    controls::printPass(desk.prompts(), pass);
}

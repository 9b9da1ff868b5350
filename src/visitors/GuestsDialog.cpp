#include "visitors/GuestsDialog.h"

#include "controls/Accessibility.h"
#include "controls/Colours.h"
#include "controls/DataGrid.h"
#include "controls/DialogButtons.h"
#include "controls/FieldBinder.h"
#include "controls/Icons.h"
#include "controls/Prompts.h"
#include "db/DataSet.h"
#include "desk/Desk.h"
#include "desk/PersonalData.h"
#include "desk/Watchlist.h"
#include "visitors/GuestDataDialog.h"
#include "visitors/GuestDialog.h"

#include <QAction>
#include <QApplication>
#include <QHBoxLayout>
#include <QHash>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSplitter>
#include <QStringEncoder>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

constexpr auto SelectGuests = R"(select *
from GOSCIE
order by NAZWA)";
constexpr auto InsertGuest = R"(insert into GOSCIE
  (ID, NAZWA, DOKUM, INFO)
values
  (:ID, :NAZWA, :DOKUM, :INFO))";
constexpr auto UpdateGuest = R"(update GOSCIE
set
  ID = :ID,
  NAZWA = :NAZWA,
  DOKUM = :DOKUM,
  INFO = :INFO
where
  ID = :OLD_ID)";
constexpr auto DeleteGuest = R"(delete from GOSCIE
where
  ID = :OLD_ID)";
constexpr auto RefreshGuest = R"(Select 
  ID,
  NAZWA,
  DOKUM,
  INFO
from GOSCIE 
where
  ID = :ID)";

const QString Id = QStringLiteral("ID");
const QString Name = QStringLiteral("NAZWA");
const QString Document = QStringLiteral("DOKUM");
const QString Info = QStringLiteral("INFO");
const QString BanText = QStringLiteral("ZAKAZ");  // calculated: "ZAKAZ WSTĘPU" for a marked guest
const QString BanCaption = QStringLiteral("Zakaz wstępu");
constexpr int ReasonLength = 500;  // ZAKAZY_WSTEPU.POWOD

bool isEnter(const QKeyEvent* key)
{
    return key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
}

// A character typed in the list goes to the search text when Windows-1250 holds it with a
// code from 32 to 122 or from 128 to 255: "{", "|", "}", "~", DEL and control keys do not.
bool isSearchCharacter(const QString& typed)
{
    if (typed.size() != 1)
        return false;
    QStringEncoder encoder("windows-1250", QStringConverter::Flag::Stateless);
    const QByteArray bytes = encoder.encode(typed);
    if (encoder.hasError() || bytes.size() != 1)
        return false;
    const auto code = static_cast<unsigned char>(bytes.front());
    return (code >= 32 && code <= 122) || code >= 128;
}

}  // namespace

class GuestsDialog::Private : public QObject {
public:
    // The actions are brought up to date however the change ends (stored, refused, failed).
    struct ActionsAfter {
        Private& p;
        ~ActionsAfter() { p.updateActions(); }
    };
    Private(GuestsDialog& window, desk::Desk& desk);

    void buildView();
    QAction* makeAction(const char* name, const QString& text, const QString& hint,
                        controls::Picture picture, const std::function<void()>& handler);
    bool eventFilter(QObject* watched, QEvent* event) override;

    void onShown();
    void applyMode();
    void updateActions();
    int currentId() const;
    Guest currentGuest() const;

    void addGuest();
    void editGuest();
    void editRow(bool adding);
    void showStored(int id);
    void deleteGuest();
    void deleteGuestWithVisits(int visits);
    void showPersonalData();
    void erasePersonalData();
    void readBans();
    const desk::Ban* shownBan(int row) const;
    void showBan();
    void changeBan();
    void storeBanChange(int id, const std::function<void()>& change);
    void choose();
    void onGridDoubleClicked();
    bool typeIntoSearch(const QKeyEvent* key);
    void onSearchEnter();
    void search(const QString& text);
    void setSearchColour(bool matched);

    GuestsDialog& window;
    desk::Desk& desk;
    Mode mode = Mode::Edit;
    int shownFirstId = 0;
    Guest chosenGuest;
    bool searchMatched = true;
    // The marks "Zakaz wstępu" as read with the list, by guest.
    QHash<int, desk::Ban> bans;

    db::DataSet guests;

    QToolBar* toolBar = nullptr;
    controls::DataGrid* guestGrid = nullptr;
    QSplitter* infoSplitter = nullptr;
    QPlainTextEdit* infoEdit = nullptr;
    QLabel* banLabel = nullptr;
    QLineEdit* searchEdit = nullptr;
    QPushButton* okButton = nullptr;
    QPushButton* cancelButton = nullptr;

    QAction* addAction = nullptr;
    QAction* deleteAction = nullptr;
    QAction* editAction = nullptr;
    QAction* goToSearchAction = nullptr;
    QAction* personalDataAction = nullptr;
    QAction* eraseDataAction = nullptr;
    QAction* banAction = nullptr;

    GuestDialog* guestDialog = nullptr;
    GuestDataDialog* guestDataDialog = nullptr;
};

GuestsDialog::Private::Private(GuestsDialog& window, desk::Desk& desk)
    : window(window), desk(desk), guests(desk.database())
{
    guests.setObjectName(QStringLiteral("guests"));
    guests.setParent(&window);  // found by name from the window; owned here
    guests.setSelectSql(QString::fromUtf8(SelectGuests));
    guests.setInsertSql(QString::fromUtf8(InsertGuest));
    guests.setModifySql(QString::fromUtf8(UpdateGuest));
    guests.setDeleteSql(QString::fromUtf8(DeleteGuest));
    guests.setRefreshSql(QString::fromUtf8(RefreshGuest));
    guests.setGenerator(QStringLiteral("GEN_GOSCIE_ID"), Id, db::GeneratorApply::OnPost);
    guests.addCalculatedField(BanText, 12, [this](const db::DataSet& set) {
        const db::Field& id = set.field(Id);
        return !id.isNull() && bans.contains(id.asInteger())
                   ? QVariant(QStringLiteral("ZAKAZ WSTĘPU"))
                   : QVariant();
    });
}

QAction* GuestsDialog::Private::makeAction(const char* name, const QString& text,
                                           const QString& hint, controls::Picture picture,
                                           const std::function<void()>& handler)
{
    auto* action = new QAction(controls::icon(picture, 16), text, &window);
    action->setObjectName(QString::fromLatin1(name));
    action->setToolTip(hint);
    action->setStatusTip(hint);
    connect(action, &QAction::triggered, this,
            [this, handler] { desk.prompts().guarded(handler); });
    window.addAction(action);
    return action;
}

void GuestsDialog::Private::buildView()
{
    using controls::Picture;
    window.setObjectName(QStringLiteral("GuestsDialog"));
    window.setWindowTitle(QStringLiteral("Goście"));
    window.setSizeGripEnabled(true);
    window.resize(740, 520);

    addAction = makeAction("addAction", QStringLiteral("Dodaj"), QStringLiteral("Dodaj wpis"),
                           Picture::Add, [this] { addGuest(); });
    addAction->setShortcut(QKeySequence(Qt::Key_Insert));
    deleteAction = makeAction("deleteAction", QStringLiteral("Usuń"), QStringLiteral("Usuń wpis"),
                              Picture::Delete, [this] { deleteGuest(); });
    deleteAction->setShortcut(QKeySequence(Qt::Key_Delete));
    editAction = makeAction("editAction", QStringLiteral("Edytuj"), QStringLiteral("Edytuj wpis"),
                            Picture::Edit, [this] { editGuest(); });
    personalDataAction = makeAction("personalDataAction", QStringLiteral("Dane osobowe"),
                                    QStringLiteral("Dane osobowe gościa"), Picture::Info,
                                    [this] { showPersonalData(); });
    personalDataAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_D));
    eraseDataAction = makeAction("eraseDataAction", QStringLiteral("Usuń dane"),
                                 QStringLiteral("Usuń dane gościa"), Picture::Delete,
                                 [this] { erasePersonalData(); });
    banAction = makeAction("banAction", QStringLiteral("Zakaz wstępu..."),
                           QStringLiteral("Zakaz wstępu gościa, na polecenie administratora "
                                          "budynku"),
                           Picture::Guests, [this] { changeBan(); });
    goToSearchAction = new QAction(&window);
    goToSearchAction->setObjectName(QStringLiteral("goToSearchAction"));
    goToSearchAction->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_F), QKeySequence(Qt::Key_F3)});
    connect(goToSearchAction, &QAction::triggered, this, [this] { searchEdit->setFocus(); });
    window.addAction(goToSearchAction);

    toolBar = new QToolBar;
    toolBar->setObjectName(QStringLiteral("toolBar"));
    toolBar->setAccessibleName(QStringLiteral("Goście"));
    toolBar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    toolBar->setIconSize(QSize(16, 16));
    toolBar->addActions({addAction, deleteAction, editAction});
    toolBar->addSeparator();
    toolBar->addActions({personalDataAction, eraseDataAction});
    toolBar->addSeparator();
    toolBar->addAction(banAction);
    for (QAction* action : toolBar->actions())
        if (!action->isSeparator())
            toolBar->widgetForAction(action)->setAccessibleName(action->text());

    guestGrid = new controls::DataGrid(guests, desk.prompts());
    guestGrid->setObjectName(QStringLiteral("guestGrid"));
    guestGrid->setAccessibleName(QStringLiteral("Goście"));
    guestGrid->setColumns({
        {Id, QStringLiteral("ID"), 70, std::nullopt, Qt::AlignCenter},
        {Name, QStringLiteral("Nazwisko i imię"), 250},
        {Document, QStringLiteral("Dokument"), 250},
        {BanText, QStringLiteral("Zakaz wstępu"), 110},
    });
    guestGrid->dataModel().setRowTextColour([this](int row) {
        return shownBan(row) ? controls::windowsColor(controls::colours::Banned) : QColor();
    });
    guestGrid->installEventFilter(this);
    guestGrid->viewport()->installEventFilter(this);

    auto* infoStrip = new QWidget;
    infoStrip->setObjectName(QStringLiteral("infoStrip"));
    infoStrip->setMinimumHeight(60);
    auto* infoLayout = new QVBoxLayout(infoStrip);
    infoLayout->setContentsMargins(0, 2, 0, 0);
    infoLayout->setSpacing(2);
    infoEdit = new QPlainTextEdit;
    infoEdit->setObjectName(QStringLiteral("infoEdit"));
    infoEdit->setAccessibleName(QStringLiteral("Info"));
    controls::nameScrollBars(infoEdit, QStringLiteral("Info"));
    infoEdit->setReadOnly(true);
    infoEdit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    infoEdit->setTabChangesFocus(true);
    QPalette inactive = infoEdit->palette();
    inactive.setColor(QPalette::Base, controls::windowsColor(controls::colours::InactiveBox));
    infoEdit->setPalette(inactive);
    controls::followCurrentRow(infoEdit, guests, [this] {
        const QString info =
            guests.active() && guests.recNo() > 0 ? guests.field(Info).asString() : QString();
        if (info != infoEdit->toPlainText())
            infoEdit->setPlainText(info);
    });
    auto* infoLabel = new QLabel(QStringLiteral("Info:"));
    infoLabel->setBuddy(infoEdit);
    banLabel = new QLabel;
    banLabel->setObjectName(QStringLiteral("banLabel"));
    controls::markDataLabel(banLabel, BanCaption);
    QPalette red = banLabel->palette();
    red.setColor(QPalette::WindowText, controls::windowsColor(controls::colours::Banned));
    banLabel->setPalette(red);
    banLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    controls::followCurrentRow(banLabel, guests, [this] { showBan(); });
    auto* infoCaptions = new QHBoxLayout;
    infoCaptions->addWidget(infoLabel);
    infoCaptions->addStretch();
    infoCaptions->addWidget(banLabel);
    infoLayout->addLayout(infoCaptions);
    infoLayout->addWidget(infoEdit);

    infoSplitter = new QSplitter(Qt::Vertical);
    infoSplitter->setObjectName(QStringLiteral("infoSplitter"));
    infoSplitter->setChildrenCollapsible(false);
    infoSplitter->addWidget(guestGrid);
    infoSplitter->addWidget(infoStrip);
    infoSplitter->setStretchFactor(0, 1);
    infoSplitter->setStretchFactor(1, 0);
    infoSplitter->setSizes({380, 90});

    auto* searchLabel = new QLabel(QStringLiteral("  Szukaj:"));
    searchEdit = new QLineEdit;
    searchEdit->setObjectName(QStringLiteral("searchEdit"));
    searchEdit->setAccessibleName(QStringLiteral("Szukaj"));
    searchEdit->setFocusPolicy(Qt::ClickFocus);  // Tab passes it by; Ctrl+F and F3 reach it
    searchEdit->setAutoFillBackground(true);
    searchEdit->installEventFilter(this);
    searchLabel->setBuddy(searchEdit);
    connect(searchEdit, &QLineEdit::textChanged, this,
            [this](const QString& text) { desk.prompts().guarded([&] { search(text); }); });

    QHBoxLayout* buttons = controls::okCancelButtons(okButton, cancelButton);
    buttons->insertWidget(0, searchLabel);
    buttons->insertWidget(1, searchEdit, 1);
    delete buttons->takeAt(2);  // the stretch: the search box takes the room
    connect(okButton, &QPushButton::clicked, this,
            [this] { desk.prompts().guarded([this] { choose(); }); });
    connect(cancelButton, &QPushButton::clicked, &window, &QDialog::reject);

    auto* layout = new QVBoxLayout(&window);
    layout->addWidget(toolBar);
    layout->addWidget(infoSplitter, 1);
    layout->addLayout(buttons);

    guestDialog = new GuestDialog(guests, desk.prompts(), &window);
    guestDialog->setObjectName(QStringLiteral("guestDialog"));
    guestDataDialog = new GuestDataDialog(desk, &window);
    guestDataDialog->setObjectName(QStringLiteral("guestDataDialog"));

    window.installEventFilter(this);
    connect(&window, &QDialog::finished, this, [this] { guests.close(); });
}

// ------------------------------------------------------------ showing and modes

void GuestsDialog::Private::onShown()
{
    searchEdit->blockSignals(true);  // an emptied box searches for nothing anyway
    searchEdit->clear();
    searchEdit->blockSignals(false);
    setSearchColour(true);
    applyMode();
    guests.close();
    readBans();
    guests.open();
    if (shownFirstId != 0)
        guests.locate(Id, shownFirstId, 0);
    guestGrid->setFocus();
    updateActions();
}

// Run at show and at every focus of the list: Enter edits only while the list has the
// focus in Mode::Edit; in Mode::Pick it goes to the OK button.
void GuestsDialog::Private::applyMode()
{
    const QKeySequence ctrlEnter(Qt::CTRL | Qt::Key_Return);
    const QKeySequence ctrlKeypadEnter(Qt::CTRL | Qt::Key_Enter);
    if (mode == Mode::Edit) {
        editAction->setShortcuts({QKeySequence(Qt::Key_Return), ctrlEnter,
                                  QKeySequence(Qt::Key_Enter), ctrlKeypadEnter});
        okButton->hide();
        okButton->setDefault(false);
        cancelButton->setText(QStringLiteral("Zamknij"));
        eraseDataAction->setVisible(true);
        banAction->setVisible(true);
    } else {
        editAction->setShortcuts({ctrlEnter, ctrlKeypadEnter});
        okButton->show();
        okButton->setDefault(true);
        cancelButton->setText(QStringLiteral("Anuluj"));
        // A picker leaves its work to the visit editor: an erasure or a mark cannot wait for
        // that.
        eraseDataAction->setVisible(false);
        banAction->setVisible(false);
    }
}

int GuestsDialog::Private::currentId() const
{
    return guests.active() && !guests.isEmpty() ? guests.field(Id).asInteger() : 0;
}

GuestsDialog::Guest GuestsDialog::Private::currentGuest() const
{
    if (!guests.active() || guests.isEmpty())
        return {};
    return {guests.field(Id).asInteger(), guests.field(Name).asString(),
            guests.field(Document).asString()};
}

void GuestsDialog::Private::updateActions()
{
    const bool hasGuest = currentId() != 0;
    addAction->setEnabled(true);
    deleteAction->setEnabled(hasGuest);
    editAction->setEnabled(hasGuest);
    personalDataAction->setEnabled(hasGuest);
    eraseDataAction->setEnabled(hasGuest && mode == Mode::Edit);
    banAction->setEnabled(hasGuest && mode == Mode::Edit);
    showBan();
}

// ------------------------------------------------------------ adding, editing, deleting

void GuestsDialog::Private::addGuest()
{
    editRow(true);
}

void GuestsDialog::Private::editGuest()
{
    if (currentId() != 0)
        editRow(false);
}

void GuestsDialog::Private::editRow(bool adding)
{
    const ActionsAfter after{*this};
    const int id = currentId();  // shown again should the commit be refused
    if (adding)
        guests.append();
    else
        guests.edit();
    const int result = guestDialog->exec();
    // The list's own unit of work; a picker leaves its changes to the visit editor.
    if (mode == Mode::Edit) {
        if (result != QDialog::Accepted)
            desk.rollbackWork();
        else if (!desk.commitWork())
            showStored(id);
    }
    guestGrid->setFocus();
}

// After a refused commit the list shows what the database holds, not what was refused.
void GuestsDialog::Private::showStored(int id)
{
    guests.close();
    readBans();
    guests.open();
    if (id != 0)
        guests.locate(Id, id, 0);
}

void GuestsDialog::Private::deleteGuest()
{
    const ActionsAfter after{*this};
    const int id = currentId();
    if (id == 0)
        return;
    // The mark is the administrator's decision: it does not go with a deleted record.
    if (desk::banOfGuest(desk.database(), id)) {
        desk.prompts().message(
            QStringLiteral("Gościa: '%1' nie można usunąć: ma zakaz wstępu. Zakaz wstępu "
                           "zdejmuje się na polecenie administratora budynku.")
                .arg(guests.field(Name).asString()),
            QStringLiteral("Usunięcie wpisu"), controls::Icon::Warning);
        return;
    }
    if (const int visits = desk::countGuestVisits(desk, id); visits > 0) {
        deleteGuestWithVisits(visits);
        return;
    }
    const QString name = guests.field(Name).asString();
    if (!desk.prompts().question(
            QStringLiteral("Na pewno wpis: '") + name + QStringLiteral("'?\n\n"),
            QStringLiteral("Usunięcie wpisu")))
        return;
    guests.remove();
    if (mode == Mode::Edit && !desk.commitWork())
        showStored(id);
}

// A guest's visits keep copies of the name and the document, and the messages: the report
// and the erasure of a guest's data start from the registry, so nothing would reach those
// copies once the guest is gone. They go with the guest, by the erasure of "Usuń dane",
// committed with the deletion. A picker leaves its work to the visit editor, which an
// erasure cannot wait for: there the deletion is refused.
void GuestsDialog::Private::deleteGuestWithVisits(int visits)
{
    const QString caption = QStringLiteral("Usunięcie gościa");
    const QString name = guests.field(Name).asString();
    if (mode != Mode::Edit) {
        desk.prompts().message(
            QStringLiteral("Gościa: '%1' nie można usunąć przy wyborze gościa wizyty: jego wizyty "
                           "(%2) mają kopie jego danych osobowych.\n\nDane te usuwa \"Usuń "
                           "dane\" w oknie \"Goście\" otwartym z okna głównego.")
                .arg(name)
                .arg(visits),
            caption, controls::Icon::Information);
        return;
    }
    if (!desk.prompts().question(
            QStringLiteral("Na pewno usunąć gościa: '%1' razem z danymi osobowymi w jego "
                           "wizytach (%2)?\n\nTej operacji nie można cofnąć.")
                .arg(name)
                .arg(visits),
            caption))
        return;
    const int id = currentId();
    try {
        guests.remove();  // first: the erasure would change the row the list compares with
        desk::eraseGuestData(desk, id);
    } catch (const std::exception&) {
        desk.rollbackWork();  // the guest and the copies go together or not at all
        showStored(id);
        throw;
    }
    if (!desk.commitWork())
        showStored(id);
}

// ------------------------------------------------------------ personal data

void GuestsDialog::Private::showPersonalData()
{
    if (currentId() != 0)
        guestDataDialog->exec(currentId());
    guestGrid->setFocus();
}

// The guest's record and the copies in all their visits, by the rule of the removal of old
// data; committed at once, as every change of the list in Mode::Edit.
void GuestsDialog::Private::erasePersonalData()
{
    const ActionsAfter after{*this};
    const int id = currentId();
    if (id == 0 || mode != Mode::Edit)
        return;
    const int visits = desk::countGuestVisits(desk, id);
    if (!desk.prompts().question(
            QStringLiteral("Na pewno usunąć dane osobowe gościa: '%1' i jego wizyt (%2)?\n\n"
                           "Tej operacji nie można cofnąć.")
                .arg(guests.field(Name).asString())
                .arg(visits),
            QStringLiteral("Usunięcie danych gościa"), /*defaultNo*/ true))
        return;
    try {
        desk::eraseGuestData(desk, id);
    } catch (const std::exception&) {
        desk.rollbackWork();  // neither the record nor a visit keeps half of it
        showStored(id);
        throw;
    }
    desk.commitWork();
    showStored(id);
}

// ------------------------------------------------------------ the mark "Zakaz wstępu"

void GuestsDialog::Private::readBans()
{
    bans.clear();
    for (desk::Ban& ban : desk::allBans(desk.database()))
        bans.insert(ban.guestId, std::move(ban));
}

const desk::Ban* GuestsDialog::Private::shownBan(int row) const
{
    const db::Field* id = guests.findField(Id);
    const QVariant value = id ? guests.value(row, id->index()) : QVariant();
    const auto found = value.isNull() ? bans.end() : bans.find(value.toInt());
    return found == bans.end() ? nullptr : &*found;
}

// The reason under the list, and the action of the current guest: to mark or to take away.
void GuestsDialog::Private::showBan()
{
    const desk::Ban* ban =
        guests.active() && guests.recNo() > 0 ? shownBan(guests.recNo() - 1) : nullptr;
    banLabel->setText(ban ? QStringLiteral("%1 (od %2)")
                                .arg(ban->reason, ban->day.toString(QStringLiteral("dd-MM-yyyy")))
                          : QString());
    banAction->setText(ban ? QStringLiteral("Zdejmij zakaz wstępu")
                           : QStringLiteral("Zakaz wstępu..."));
    if (QWidget* button = toolBar->widgetForAction(banAction))
        button->setAccessibleName(banAction->text());
}

// Set or taken away on the building administrator's word, and committed at once, as every
// change of the list in Mode::Edit. The mark is read again first: another desk may have
// changed it since the list was read.
void GuestsDialog::Private::changeBan()
{
    const ActionsAfter after{*this};
    const int id = currentId();
    if (id == 0 || mode != Mode::Edit)
        return;
    const QString name = guests.field(Name).asString();
    if (const std::optional<desk::Ban> ban = desk::banOfGuest(desk.database(), id)) {
        if (desk.prompts().question(
                QStringLiteral("Zakaz wstępu zdejmuje się na polecenie administratora budynku. "
                               "Zdjąć zakaz wstępu gościa: '%1'?\n\nPowód: %2\nOd: %3")
                    .arg(name, ban->reason, ban->day.toString(QStringLiteral("dd-MM-yyyy"))),
                BanCaption, /*defaultNo*/ true))
            storeBanChange(id, [&] { desk::unmarkGuest(desk, id); });
        return;
    }
    const std::optional<QString> reason =
        desk.askValue({BanCaption,
                       QStringLiteral("Powód zakazu wstępu gościa: '%1'").arg(name),
                       {},
                       desk::ValueType::Text,
                       ReasonLength});
    if (!reason)
        return;
    if (reason->trimmed().isEmpty()) {
        desk.prompts().message(QStringLiteral("Nie podano powodu: zakazu wstępu nie wpisano."),
                               BanCaption, controls::Icon::Warning);
        return;
    }
    if (desk.prompts().question(
            QStringLiteral("Zakaz wstępu wpisuje się na polecenie administratora budynku. "
                           "Oznaczyć gościa: '%1' zakazem wstępu?\n\nPowód: %2")
                .arg(name, reason->trimmed()),
            BanCaption, /*defaultNo*/ true))
        storeBanChange(id, [&] { desk::markGuest(desk, id, *reason); });
}

void GuestsDialog::Private::storeBanChange(int id, const std::function<void()>& change)
{
    try {
        change();
    } catch (const std::exception&) {
        desk.rollbackWork();  // another desk's change of the mark, or a guest gone
        showStored(id);
        throw;
    }
    desk.commitWork();
    showStored(id);
}

// ------------------------------------------------------------ choosing

void GuestsDialog::Private::choose()
{
    if (mode != Mode::Pick)
        return;
    chosenGuest = currentGuest();
    window.accept();
}

void GuestsDialog::Private::onGridDoubleClicked()
{
    if (mode == Mode::Pick)
        choose();
    else if (editAction->isEnabled())
        editGuest();
}

// ------------------------------------------------------------ searching

// Typing in the list feeds the search box: a character is added to its text, Backspace
// takes the last one away. True when the key was used.
bool GuestsDialog::Private::typeIntoSearch(const QKeyEvent* key)
{
    QString text = searchEdit->text();
    if (key->key() == Qt::Key_Backspace) {
        text.chop(1);
    } else if (isSearchCharacter(key->text())) {
        text += key->text();
    } else {
        return false;
    }
    searchEdit->setText(text);
    return true;
}

// Enter in the search box goes to the list; in Mode::Pick it chooses the guest found, but
// never a guest the last search did not find.
void GuestsDialog::Private::onSearchEnter()
{
    if (mode == Mode::Pick && searchMatched)
        choose();
    else
        guestGrid->setFocus();
}

// The first guest whose number is the text, else whose name, else whose document begins
// with it in any letter case. An empty text leaves the list and the colour alone.
void GuestsDialog::Private::search(const QString& text)
{
    if (text.isEmpty() || !guests.active())
        return;
    bool isNumber = false;
    const int number = text.toInt(&isNumber);  // beyond 32 bits no guest number matches
    bool found = isNumber && guests.locate(Id, number, 0);
    const db::LocateOptions textMatch = db::CaseInsensitive | db::PartialKey;
    found = found || guests.locate(Name, text, textMatch);
    found = found || guests.locate(Document, text, textMatch);
    setSearchColour(found);
}

void GuestsDialog::Private::setSearchColour(bool matched)
{
    searchMatched = matched;
    QPalette palette = searchEdit->palette();
    palette.setColor(QPalette::Base, matched
                                         ? QApplication::palette(searchEdit).color(QPalette::Base)
                                         : controls::windowsColor(controls::colours::NoMatch));
    searchEdit->setPalette(palette);
}

// ------------------------------------------------------------ events

bool GuestsDialog::Private::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
        case QEvent::Show:
            if (watched == &window)
                desk.prompts().guarded([this] { onShown(); });
            break;
        case QEvent::FocusIn:
            if (watched == guestGrid)
                applyMode();
            break;
        case QEvent::FocusOut:
            if (watched == guestGrid)  // Enter edits only from the list
                editAction->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Return),
                                          QKeySequence(Qt::CTRL | Qt::Key_Enter)});
            break;
        case QEvent::KeyPress: {
            auto* key = static_cast<QKeyEvent*>(event);
            const bool plain = (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
            if (watched == searchEdit && isEnter(key) && plain) {
                desk.prompts().guarded([this] { onSearchEnter(); });
                return true;
            }
            if (watched == guestGrid && typeIntoSearch(key))
                return true;
            break;
        }
        case QEvent::MouseButtonDblClick:
            if (watched == guestGrid->viewport() &&
                static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
                desk.prompts().guarded([this] { onGridDoubleClicked(); });
                return true;
            }
            break;
        default:
            break;
    }
    return QObject::eventFilter(watched, event);
}

// ------------------------------------------------------------ the window

GuestsDialog::GuestsDialog(desk::Desk& desk, QWidget* parent)
    : QDialog(parent), d(new Private(*this, desk))
{
    d->buildView();
}

GuestsDialog::~GuestsDialog()
{
    delete d->guestDialog;  // it edits the list's rows: it goes before them
    delete d->guestDataDialog;
    d->guests.setParent(nullptr);
}

int GuestsDialog::exec(Mode mode, int guestId)
{
    d->mode = mode;
    d->shownFirstId = guestId;
    return QDialog::exec();
}

void GuestsDialog::open(Mode mode, int guestId)
{
    d->mode = mode;
    d->shownFirstId = guestId;
    QDialog::open();
}

GuestsDialog::Guest GuestsDialog::chosen() const
{
    return d->chosenGuest;
}

#include "visitors/VisitDialog.h"

#include "controls/Accessibility.h"
#include "controls/BoundLineEdit.h"
#include "controls/BoundTextEdit.h"
#include "controls/Clock.h"
#include "controls/Colours.h"
#include "controls/DialogButtons.h"
#include "controls/FieldBinder.h"
#include "controls/Printing.h"
#include "controls/Prompts.h"
#include "db/DataSet.h"
#include "db/Database.h"
#include "db/DateTimeText.h"
#include "db/Error.h"
#include "db/RecordRules.h"
#include "desk/Desk.h"
#include "desk/HandedOut.h"
#include "desk/InformationClause.h"
#include "desk/Invitation.h"
#include "desk/MailSetup.h"
#include "desk/VisitCodes.h"
#include "desk/VisitHost.h"
#include "desk/Watchlist.h"
#include "visitors/GuestsDialog.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace {

constexpr auto SelectGuest = R"(select NAZWA, DOKUM
from GOSCIE
where ID = :id)";
// The two names come apart and are joined here as everywhere in the program, so that an
// employee without a first name (or surname) still gets a name. The e-mail address decides
// whether the employee can be told of the guest.
constexpr auto SelectEmployee = R"(select NAZWISKO, IMIE, EMAIL
from PERSONEL
where ID = :id)";

const QString GuestId = QStringLiteral("GOSC_ID");
const QString GuestName = QStringLiteral("GOSC_NAZWA");
const QString GuestDocument = QStringLiteral("GOSC_DOKUM");
const QString CompanyId = QStringLiteral("FIRMA_ID");
const QString EmployeeId = QStringLiteral("PERSON_ID");
const QString EmployeeName = QStringLiteral("PERSON_NAZWA");
const QString Arrival = QStringLiteral("DTPRZYBYCIA");
const QString Entry = QStringLiteral("DTWEJSCIA");
const QString Exit = QStringLiteral("DTWYJSCIA");
const QString Badge = QStringLiteral("IDENTYFIKATOR");
const QString Card = QStringLiteral("NRKARTY");
const QString Message = QStringLiteral("WIADOMOSC");
const QString MessagePassedOn = QStringLiteral("DTODEBRWIADOM");

const QString NoticeAfterStore =
    QStringLiteral("Powiadomienie zostanie wysłane po zapisaniu wizyty");
const QString InvitationAfterStore =
    QStringLiteral("Zaproszenie zostanie wysłane po zapisaniu wizyty");

const QString DateFormat = QStringLiteral("dd-MM-yyyy");
const QString TimeFormat = QStringLiteral("hh:mm");
constexpr int LookupDelayMs = 200;

void setBackground(QWidget* widget, const QColor& colour)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Base, colour);
    widget->setPalette(palette);
}

QString dateText(const db::Field& field)
{
    return field.isNull() ? QString() : db::toDateTime(field.asDateTime()).toString(DateFormat);
}

QString timeText(const db::Field& field)
{
    return field.isNull() ? QString() : db::toDateTime(field.asDateTime()).toString(TimeFormat);
}

int numberOf(const QString& text)
{
    bool ok = false;
    const int number = text.trimmed().toInt(&ok);
    return ok ? number : 0;
}

// The kinds of typed box and where their separators stand.
enum class BoxKind { Date, Time };

bool isSeparatorPosition(BoxKind kind, int position)
{
    return kind == BoxKind::Date ? position == 2 || position == 5 : position == 2;
}

QChar separator(BoxKind kind)
{
    return kind == BoxKind::Date ? u'-' : u':';
}

int lastPosition(BoxKind kind)
{
    return kind == BoxKind::Date ? 9 : 4;
}

// The caret on `position` with the one character after it selected.
void placeCaret(QLineEdit* box, int position)
{
    if (position < box->text().size())
        box->setSelection(position + 1, -1);
    else
        box->setCursorPosition(position);
}

// A date and a time box with the calendar button of the date, and for the optional ones
// the check box that decides whether the timestamp exists.
struct Stamp {
    QString field;
    QLineEdit* dateEdit = nullptr;
    QPushButton* dateButton = nullptr;
    QLineEdit* timeEdit = nullptr;
    QCheckBox* check = nullptr;  // none for the arrival
};

}  // namespace

class VisitDialog::Private {
public:
    Private(VisitDialog& window, db::DataSet& visits, desk::Desk& desk)
        : window(window),
          visits(visits),
          desk(desk),
          guestLookup(desk.database()),
          employeeLookup(desk.database())
    {}

    VisitDialog& window;
    db::DataSet& visits;
    desk::Desk& desk;
    Mode mode = Mode::Add;
    bool changes = false;
    bool rolledBack = false;  // the unit of work was rolled back on leaving
    bool showing = false;     // the dialog fills its boxes itself

    // Where "Dodatki > Poczta" is set up the employee is told by e-mail, queued with the
    // visit when it is stored: a cancelled editor tells no one.
    bool notifiesByMail = false;
    bool notifiesAutomatically = false;  // a new visit of a guest not yet let in
    bool noticeRequested = false;        // "Powiadom pracownika" was pressed
    QString hostEmail;                   // of the employee shown, as last looked up
    // The guest's address typed for an invitation, which goes with the stored visit; kept
    // nowhere else.
    QString invitationAddress;

    // What a stored visit held when the editor opened: its own copies of the names stay
    // when the guest or employee has since been deleted from the registry.
    struct StoredGuest {
        int id = 0;
        QString name;
        QString document;
    } storedGuest;
    struct StoredEmployee {
        int id = 0;
        QString name;
    } storedEmployee;

    db::DataSet guestLookup;
    db::DataSet employeeLookup;
    QTimer* guestLookupTimer = nullptr;
    QTimer* employeeLookupTimer = nullptr;

    QTabWidget* pages = nullptr;
    QWidget* visitPage = nullptr;
    QWidget* messagePage = nullptr;
    Stamp arrival, entry, exit, messagePassed;
    controls::BoundLineEdit* guestNumberEdit = nullptr;
    QPushButton* guestPickButton = nullptr;
    QLabel* guestNameText = nullptr;
    QLabel* guestDocumentText = nullptr;
    controls::BoundLineEdit* employeeNumberEdit = nullptr;
    QPushButton* employeePickButton = nullptr;
    QLabel* employeeNameText = nullptr;
    QLabel* badgeLabel = nullptr;
    controls::BoundLineEdit* badgeEdit = nullptr;
    QLabel* cardLabel = nullptr;
    controls::BoundLineEdit* cardEdit = nullptr;
    controls::BoundTextEdit* messageEdit = nullptr;
    QPushButton* printPassButton = nullptr;
    QPushButton* notifyButton = nullptr;
    QLabel* noticeLabel = nullptr;
    QPushButton* inviteButton = nullptr;
    QLabel* invitationLabel = nullptr;
    QPushButton* okButton = nullptr;
    QPushButton* cancelButton = nullptr;
    GuestsDialog* guestsDialog = nullptr;

    void build();
    QLineEdit* makeTypedBox(const char* name, const QString& accessibleName, BoxKind kind);
    QPushButton* makeChooserButton(const char* name, const QString& accessibleName);
    void makeStamp(Stamp& stamp, const QString& field, const char* prefix,
                   const QString& accessibleName);
    controls::BoundLineEdit* makeBoundEdit(const QString& field, const char* name,
                                           const QString& accessibleName);
    QLabel* makeDataLabel(const char* name, const QString& accessibleName);

    void onShown();
    void showNames();
    void setChanged()
    {
        if (!showing)
            changes = true;
    }

    // Key handling of the typed boxes; true when the key was used up.
    bool filterTypedKey(QLineEdit* box, BoxKind kind, QKeyEvent* key);

    void pickDate(const Stamp& stamp);
    void chooseGuest();
    void chooseEmployee();
    bool lookUpGuest(int number);
    bool lookUpEmployee(int number);
    void markFound(QLineEdit* box, bool found);

    // The pass and the e-mail work on the visit as shown, and store nothing.
    bool readShownVisit();
    QDateTime shownArrival() const;
    int shownNumber(const QString& field) const;
    desk::VisitHost shownHost() const;
    void printVisitPass();
    void notifyHost();
    bool noticeGoesWithVisit() const;
    void showNotice();
    void queueNotice();
    bool invitationPossible() const;
    void inviteGuest();
    void queueGuestInvitation();

    void onCheckToggled(Stamp& stamp);
    void showStamp(const Stamp& stamp);
    void updateEntry();
    void updateExit();
    void updateMessage();
    void enableBox(QWidget* box, bool enabled);

    bool refuse(const QString& message, QWidget* page, QWidget* focus);
    bool checkAndWrite();
    bool writeStamp(const Stamp& stamp, const QString& dateMessage, const QString& timeMessage,
                    QWidget* page);
    bool writePendingTexts();
    bool handOut();
    void storeVisit();
    bool mayClose();
};

// ------------------------------------------------------------ building

QLineEdit* VisitDialog::Private::makeTypedBox(const char* name, const QString& accessibleName,
                                              BoxKind kind)
{
    auto* box = new QLineEdit;
    box->setObjectName(QString::fromLatin1(name));
    box->setAccessibleName(accessibleName);
    box->setMaxLength(kind == BoxKind::Date ? 10 : 5);
    // Characters are only overwritten: no pasting, dropping or editing menu.
    box->setContextMenuPolicy(Qt::NoContextMenu);
    box->setDragEnabled(false);
    box->setAcceptDrops(false);
    box->setProperty("boxKind", int(kind));
    box->installEventFilter(&window);
    const QFontMetrics metrics(box->font());
    box->setFixedWidth(metrics.horizontalAdvance(kind == BoxKind::Date
                                                     ? QStringLiteral("00-00-00000")
                                                     : QStringLiteral("00:000")) +
                       12);
    QObject::connect(box, &QLineEdit::textChanged, &window, [this] { setChanged(); });
    return box;
}

QPushButton* VisitDialog::Private::makeChooserButton(const char* name,
                                                     const QString& accessibleName)
{
    QPushButton* button = controls::namedButton(name, QStringLiteral("..."), accessibleName);
    button->setFocusPolicy(Qt::ClickFocus);  // Tab passes it by
    button->setFixedWidth(28);
    return button;
}

void VisitDialog::Private::makeStamp(Stamp& stamp, const QString& field, const char* prefix,
                                     const QString& accessibleName)
{
    const QByteArray p(prefix);
    stamp.field = field;
    stamp.dateEdit =
        makeTypedBox(p + "DateEdit", QStringLiteral("Data: ") + accessibleName, BoxKind::Date);
    stamp.timeEdit =
        makeTypedBox(p + "TimeEdit", QStringLiteral("Czas: ") + accessibleName, BoxKind::Time);
    stamp.dateButton =
        makeChooserButton(p + "DateButton", QStringLiteral("Wybierz datę: ") + accessibleName);
    QObject::connect(stamp.dateButton, &QPushButton::clicked, &window, [this, &stamp] {
        desk.prompts().guarded([this, &stamp] { pickDate(stamp); });
    });
}

controls::BoundLineEdit* VisitDialog::Private::makeBoundEdit(const QString& field, const char* name,
                                                             const QString& accessibleName)
{
    auto* edit = new controls::BoundLineEdit(visits, field);
    edit->setObjectName(QString::fromLatin1(name));
    edit->setAccessibleName(accessibleName);
    edit->setPrompts(&desk.prompts());
    return edit;
}

QLabel* VisitDialog::Private::makeDataLabel(const char* name, const QString& accessibleName)
{
    auto* label = new QLabel;
    label->setObjectName(QString::fromLatin1(name));
    controls::markDataLabel(label, accessibleName);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    QFont bold = label->font();
    bold.setBold(true);
    label->setFont(bold);
    return label;
}

void VisitDialog::Private::build()
{
    guestLookup.setObjectName(QStringLiteral("guestLookup"));
    guestLookup.setSelectSql(QString::fromUtf8(SelectGuest));
    employeeLookup.setObjectName(QStringLiteral("employeeLookup"));
    employeeLookup.setSelectSql(QString::fromUtf8(SelectEmployee));
    db::addSurnameFirstName(employeeLookup);

    guestLookupTimer = new QTimer(&window);
    guestLookupTimer->setObjectName(QStringLiteral("guestLookupTimer"));
    employeeLookupTimer = new QTimer(&window);
    employeeLookupTimer->setObjectName(QStringLiteral("employeeLookupTimer"));
    for (QTimer* timer : {guestLookupTimer, employeeLookupTimer}) {
        timer->setSingleShot(true);
        timer->setInterval(LookupDelayMs);
    }
    QObject::connect(guestLookupTimer, &QTimer::timeout, &window, [this] {
        desk.prompts().guarded([this] { lookUpGuest(numberOf(guestNumberEdit->text())); });
    });
    QObject::connect(employeeLookupTimer, &QTimer::timeout, &window, [this] {
        desk.prompts().guarded([this] { lookUpEmployee(numberOf(employeeNumberEdit->text())); });
    });

    makeStamp(arrival, Arrival, "arrival", QStringLiteral("przybycie"));
    makeStamp(entry, Entry, "entry", QStringLiteral("wejście"));
    makeStamp(exit, Exit, "exit", QStringLiteral("wyjście"));
    makeStamp(messagePassed, MessagePassedOn, "messagePassed",
              QStringLiteral("przekazanie wiadomości"));
    entry.check = new QCheckBox(QStringLiteral("Wejście:"));
    entry.check->setObjectName(QStringLiteral("entryCheck"));
    exit.check = new QCheckBox(QStringLiteral("Wyjście:"));
    exit.check->setObjectName(QStringLiteral("exitCheck"));
    messagePassed.check = new QCheckBox(QStringLiteral("Wiadomość przekazano:"));
    messagePassed.check->setObjectName(QStringLiteral("messagePassedCheck"));
    for (Stamp* stamp : {&entry, &exit, &messagePassed})
        QObject::connect(stamp->check, &QCheckBox::toggled, &window, [this, stamp] {
            desk.prompts().guarded([this, stamp] { onCheckToggled(*stamp); });
        });

    guestNumberEdit = makeBoundEdit(GuestId, "guestNumberEdit", QStringLiteral("Gość"));
    employeeNumberEdit =
        makeBoundEdit(EmployeeId, "employeeNumberEdit", QStringLiteral("Pracownik"));
    for (QLineEdit* box :
         {static_cast<QLineEdit*>(guestNumberEdit), static_cast<QLineEdit*>(employeeNumberEdit)}) {
        box->setFixedWidth(90);
        box->setMaxLength(11);
        box->installEventFilter(&window);
    }
    QObject::connect(guestNumberEdit, &QLineEdit::textChanged, &window, [this] {
        guestLookupTimer->start();
        setChanged();
    });
    QObject::connect(employeeNumberEdit, &QLineEdit::textChanged, &window, [this] {
        employeeLookupTimer->start();
        setChanged();
    });
    guestPickButton = makeChooserButton("guestPickButton", QStringLiteral("Wybierz gościa"));
    QObject::connect(guestPickButton, &QPushButton::clicked, &window,
                     [this] { desk.prompts().guarded([this] { chooseGuest(); }); });
    employeePickButton =
        makeChooserButton("employeePickButton", QStringLiteral("Wybierz pracownika"));
    QObject::connect(employeePickButton, &QPushButton::clicked, &window,
                     [this] { desk.prompts().guarded([this] { chooseEmployee(); }); });
    guestNameText = makeDataLabel("guestNameText", QStringLiteral("Nazwisko i imię gościa"));
    guestDocumentText = makeDataLabel("guestDocumentText", QStringLiteral("Dokument gościa"));
    employeeNameText =
        makeDataLabel("employeeNameText", QStringLiteral("Nazwisko i imię pracownika"));
    controls::followCurrentRow(&window, visits, [this] { showNames(); });

    badgeEdit = makeBoundEdit(Badge, "badgeEdit", QStringLiteral("Identyfikator"));
    cardEdit = makeBoundEdit(Card, "cardEdit", QStringLiteral("Nr karty"));
    for (QLineEdit* box : {static_cast<QLineEdit*>(badgeEdit), static_cast<QLineEdit*>(cardEdit)}) {
        box->setMaxLength(64);
        box->setFixedWidth(200);
        QObject::connect(box, &QLineEdit::textChanged, &window, [this] { setChanged(); });
    }
    badgeLabel = new QLabel(QStringLiteral("Identyfikator:"));
    badgeLabel->setObjectName(QStringLiteral("badgeLabel"));
    badgeLabel->setBuddy(badgeEdit);
    cardLabel = new QLabel(QStringLiteral("Nr karty:"));
    cardLabel->setObjectName(QStringLiteral("cardLabel"));
    cardLabel->setBuddy(cardEdit);

    messageEdit = new controls::BoundTextEdit(visits, Message);
    messageEdit->setObjectName(QStringLiteral("messageEdit"));
    messageEdit->setAccessibleName(QStringLiteral("Wiadomość"));
    controls::nameScrollBars(messageEdit, QStringLiteral("Wiadomość"));
    messageEdit->setPrompts(&desk.prompts());
    messageEdit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    messageEdit->setTabChangesFocus(true);
    QObject::connect(messageEdit, &QPlainTextEdit::textChanged, &window, [this] {
        desk.prompts().guarded([this] { updateMessage(); });
        setChanged();
    });

    // The visit page: one row per part of the visit.
    visitPage = new QWidget;
    visitPage->setObjectName(QStringLiteral("visitPage"));
    auto* grid = new QGridLayout(visitPage);
    grid->setColumnStretch(4, 1);
    grid->setVerticalSpacing(10);
    auto stampRow = [grid](int row, QWidget* caption, const Stamp& stamp) {
        grid->addWidget(caption, row, 0);
        auto* boxes = new QHBoxLayout;
        boxes->setSpacing(4);
        boxes->addWidget(stamp.dateEdit);
        boxes->addWidget(stamp.dateButton);
        boxes->addSpacing(8);
        boxes->addWidget(stamp.timeEdit);
        boxes->addStretch();
        grid->addLayout(boxes, row, 1, 1, 4);
    };
    auto* arrivalLabel = new QLabel(QStringLiteral("Przybycie:"));
    arrivalLabel->setBuddy(arrival.dateEdit);
    stampRow(0, arrivalLabel, arrival);
    // An arrival moved ahead, or back to now, decides whether the host is told automatically.
    for (QLineEdit* box : {arrival.dateEdit, arrival.timeEdit})
        QObject::connect(box, &QLineEdit::textChanged, &window, [this] { showNotice(); });

    auto* guestLabel = new QLabel(QStringLiteral("Gość:"));
    guestLabel->setBuddy(guestNumberEdit);
    grid->addWidget(guestLabel, 1, 0, Qt::AlignTop);
    auto* guestRow = new QHBoxLayout;
    guestRow->setSpacing(4);
    guestRow->addWidget(guestNumberEdit, 0, Qt::AlignTop);
    guestRow->addWidget(guestPickButton, 0, Qt::AlignTop);
    auto* guestTexts = new QVBoxLayout;
    guestTexts->setSpacing(2);
    guestTexts->addWidget(guestNameText);
    guestTexts->addWidget(guestDocumentText);
    guestRow->addSpacing(8);
    guestRow->addLayout(guestTexts, 1);
    grid->addLayout(guestRow, 1, 1, 1, 4);

    auto* employeeLabel = new QLabel(QStringLiteral("Pracownik:"));
    employeeLabel->setBuddy(employeeNumberEdit);
    grid->addWidget(employeeLabel, 2, 0);
    auto* employeeRow = new QHBoxLayout;
    employeeRow->setSpacing(4);
    employeeRow->addWidget(employeeNumberEdit);
    employeeRow->addWidget(employeePickButton);
    employeeRow->addSpacing(8);
    employeeRow->addWidget(employeeNameText, 1);
    grid->addLayout(employeeRow, 2, 1, 1, 4);

    stampRow(3, entry.check, entry);
    grid->addWidget(badgeLabel, 4, 0);
    grid->addWidget(badgeEdit, 4, 1, 1, 4, Qt::AlignLeft);
    grid->addWidget(cardLabel, 5, 0);
    grid->addWidget(cardEdit, 5, 1, 1, 4, Qt::AlignLeft);
    stampRow(6, exit.check, exit);
    grid->setRowStretch(7, 1);

    messagePage = new QWidget;
    messagePage->setObjectName(QStringLiteral("messagePage"));
    auto* messageLayout = new QVBoxLayout(messagePage);
    messageLayout->addWidget(messageEdit, 1);
    auto* passedRow = new QHBoxLayout;
    passedRow->setSpacing(4);
    passedRow->addWidget(messagePassed.check);
    passedRow->addSpacing(8);
    passedRow->addWidget(messagePassed.dateEdit);
    passedRow->addWidget(messagePassed.dateButton);
    passedRow->addSpacing(8);
    passedRow->addWidget(messagePassed.timeEdit);
    passedRow->addStretch();
    messageLayout->addLayout(passedRow);

    pages = new QTabWidget;
    pages->setObjectName(QStringLiteral("pages"));
    pages->setAccessibleName(QStringLiteral("Strony wizyty"));
    pages->addTab(visitPage, QStringLiteral("&Wizyta  "));
    pages->addTab(messagePage, QStringLiteral("Wiado&mość  "));
    QFont tabFont = pages->font();
    tabFont.setPointSizeF(tabFont.pointSizeF() * 1.2);
    pages->tabBar()->setFont(tabFont);

    printPassButton = controls::namedButton("printPassButton", QStringLiteral("Drukuj przepustkę"));
    QObject::connect(printPassButton, &QPushButton::clicked, &window,
                     [this] { desk.prompts().guarded([this] { printVisitPass(); }); });
    notifyButton = controls::namedButton("notifyButton", QStringLiteral("Powiadom pracownika"));
    QObject::connect(notifyButton, &QPushButton::clicked, &window,
                     [this] { desk.prompts().guarded([this] { notifyHost(); }); });
    noticeLabel = new QLabel(NoticeAfterStore);
    noticeLabel->setObjectName(QStringLiteral("noticeLabel"));
    noticeLabel->setAccessibleName(NoticeAfterStore);
    noticeLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    noticeLabel->hide();
    inviteButton = controls::namedButton("inviteButton", QStringLiteral("Zaproś"),
                                         QStringLiteral("Zaproś gościa e-mailem"));
    inviteButton->setToolTip(InvitationAfterStore);
    QObject::connect(inviteButton, &QPushButton::clicked, &window,
                     [this] { desk.prompts().guarded([this] { inviteGuest(); }); });
    invitationLabel = new QLabel(InvitationAfterStore);
    invitationLabel->setObjectName(QStringLiteral("invitationLabel"));
    invitationLabel->setAccessibleName(InvitationAfterStore);
    invitationLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    invitationLabel->hide();
    QHBoxLayout* buttons = controls::okCancelButtons(okButton, cancelButton);
    buttons->insertWidget(0, printPassButton);
    buttons->insertWidget(1, notifyButton);
    buttons->insertWidget(2, inviteButton);
    QObject::connect(okButton, &QPushButton::clicked, &window,
                     [this] { desk.prompts().guarded([this] { storeVisit(); }); });
    QObject::connect(cancelButton, &QPushButton::clicked, &window, &QDialog::reject);

    auto* layout = new QVBoxLayout(&window);
    layout->addWidget(pages, 1);
    layout->addWidget(noticeLabel);
    layout->addWidget(invitationLabel);
    layout->addLayout(buttons);

    QWidget::setTabOrder(arrival.dateEdit, arrival.timeEdit);
    QWidget::setTabOrder(arrival.timeEdit, guestNumberEdit);
    QWidget::setTabOrder(guestNumberEdit, employeeNumberEdit);
    QWidget::setTabOrder(employeeNumberEdit, entry.check);
    QWidget::setTabOrder(entry.check, entry.dateEdit);
    QWidget::setTabOrder(entry.dateEdit, entry.timeEdit);
    QWidget::setTabOrder(entry.timeEdit, badgeEdit);
    QWidget::setTabOrder(badgeEdit, cardEdit);
    QWidget::setTabOrder(cardEdit, exit.check);
    QWidget::setTabOrder(exit.check, exit.dateEdit);
    QWidget::setTabOrder(exit.dateEdit, exit.timeEdit);
}

// ------------------------------------------------------------ showing

void VisitDialog::Private::showNames()
{
    const bool row = visits.active() && visits.recNo() > 0;
    guestNameText->setText(row ? visits.field(GuestName).asString() : QString());
    guestDocumentText->setText(row ? visits.field(GuestDocument).asString() : QString());
    employeeNameText->setText(row ? visits.field(EmployeeName).asString() : QString());
}

void VisitDialog::Private::onShown()
{
    showing = true;
    pages->setCurrentWidget(visitPage);
    guestNumberEdit->showField();
    employeeNumberEdit->showField();
    badgeEdit->showField();
    cardEdit->showField();
    messageEdit->showField();
    showNames();
    markFound(guestNumberEdit, true);
    markFound(employeeNumberEdit, true);
    notifyButton->setEnabled(false);  // until the employee's look-up finds an address
    const mail::MailSettings mailSettings = desk::readMailSettings(desk);
    notifiesByMail = mailSettings.isSetUp();
    notifiesAutomatically = notifiesByMail && mailSettings.notifyAutomatically;
    noticeRequested = false;
    hostEmail.clear();
    invitationAddress.clear();
    notifyButton->setToolTip(notifiesByMail ? NoticeAfterStore : QString());
    notifyButton->setAccessibleDescription(notifyButton->toolTip());
    showNotice();

    storedGuest = {};
    storedEmployee = {};
    if (mode == Mode::Edit) {
        if (!visits.field(GuestId).isNull())
            storedGuest = {visits.field(GuestId).asInteger(), visits.field(GuestName).asString(),
                           visits.field(GuestDocument).asString()};
        if (!visits.field(EmployeeId).isNull())
            storedEmployee = {visits.field(EmployeeId).asInteger(),
                              visits.field(EmployeeName).asString()};
    }

    const db::Field& arrivalField = visits.field(Arrival);
    arrival.dateEdit->setText(dateText(arrivalField));
    arrival.timeEdit->setText(timeText(arrivalField));
    for (Stamp* stamp : {&entry, &exit, &messagePassed}) {
        const bool stored = !visits.field(stamp->field).isNull();
        if (stamp->check->isChecked() != stored)
            stamp->check->setChecked(stored);
    }
    // A new visit: its guest first, then the arrival date as for any showing. The list
    // opens once the dialog is on screen, so the focus is placed again after it.
    if (visits.field(GuestId).isNull())
        QTimer::singleShot(0, &window, [this] {
            desk.prompts().guarded([this] { chooseGuest(); });
            arrival.dateEdit->setFocus();
            placeCaret(arrival.dateEdit, 0);
        });
    updateEntry();
    updateExit();
    updateMessage();
    // The numbers the register filled in are looked up as if typed.
    guestLookupTimer->start();
    employeeLookupTimer->start();
    arrival.dateEdit->setFocus();
    placeCaret(arrival.dateEdit, 0);
    showing = false;
    changes = mode == Mode::Add;  // a new visit always asks before it is dropped
}

// ------------------------------------------------------------ typing dates and times

bool VisitDialog::Private::filterTypedKey(QLineEdit* box, BoxKind kind, QKeyEvent* key)
{
    const int code = key->key();
    if (code == Qt::Key_Delete) {
        desk.prompts().beep();
        return true;
    }
    if (kind == BoxKind::Date && (code == Qt::Key_Return || code == Qt::Key_Enter)) {
        for (const Stamp* stamp : {&arrival, &entry, &exit, &messagePassed})
            if (stamp->dateEdit == box)
                desk.prompts().guarded([this, stamp] { pickDate(*stamp); });
        return true;
    }
    // Editing chords that would insert or remove characters are refused like characters.
    const bool editingChord = key->matches(QKeySequence::Paste) ||
                              key->matches(QKeySequence::Cut) || key->matches(QKeySequence::Undo) ||
                              key->matches(QKeySequence::Redo) ||
                              key->matches(QKeySequence::DeleteEndOfWord) ||
                              key->matches(QKeySequence::DeleteStartOfWord) ||
                              key->matches(QKeySequence::DeleteEndOfLine);
    const QString typed = key->text();
    const bool printable = !typed.isEmpty() && typed.front() >= u' ' && typed.front() != u'\x7f';
    const bool character = code == Qt::Key_Backspace || code == Qt::Key_Return ||
                           code == Qt::Key_Enter ||
                           (printable && !(key->modifiers() & Qt::ControlModifier));
    if (!character && !editingChord)
        return false;  // moving the caret, selecting, copying, Tab

    const int position = box->hasSelectedText() ? box->selectionStart() : box->cursorPosition();
    const QChar c =
        typed.size() == 1 && !editingChord && code != Qt::Key_Backspace ? typed.front() : QChar();
    const bool allowed =
        !c.isNull() && position <= lastPosition(kind) && position < box->text().size() &&
        (isSeparatorPosition(kind, position) ? c == separator(kind) : c >= u'0' && c <= u'9');
    if (allowed) {
        QString text = box->text();
        text[position] = c;
        box->setText(text);
        const int next = position + 1;
        placeCaret(box, isSeparatorPosition(kind, next) ? next + 1 : next);
    } else {
        // A refused key moves the caret only over the separator it stands on.
        desk.prompts().beep();
        if (isSeparatorPosition(kind, position))
            placeCaret(box, position + 1);
    }
    return true;
}

void VisitDialog::Private::pickDate(const Stamp& stamp)
{
    db::DayCount date = db::parseDate(stamp.dateEdit->text());
    if (date == 0 && !visits.field(stamp.field).isNull())
        date = visits.field(stamp.field).asDateTime();
    // Neither the box nor the visit has a day: the calendar opens at today.
    const QDate shown = date != 0 ? db::toDate(date) : desk.clock().today();
    if (const std::optional<QDate> picked = desk.pickDate(shown, stamp.dateEdit))
        stamp.dateEdit->setText(picked->toString(DateFormat));
    stamp.dateEdit->setFocus();
    stamp.dateEdit->selectAll();
}

// ------------------------------------------------------------ guest and employee

void VisitDialog::Private::markFound(QLineEdit* box, bool found)
{
    setBackground(box, found ? window.palette().color(QPalette::Base)
                             : controls::windowsColor(controls::colours::NotFound));
}

bool VisitDialog::Private::lookUpGuest(int number)
{
    guestLookupTimer->stop();
    if (!visits.editing())
        return false;
    guestLookup.close();
    guestLookup.setParam(QStringLiteral("id"), number);
    guestLookup.open();
    const bool found = !guestLookup.isEmpty();
    const QString name = found ? guestLookup.field(QStringLiteral("NAZWA")).asString() : QString();
    const QString document =
        found ? guestLookup.field(QStringLiteral("DOKUM")).asString() : QString();
    guestLookup.close();
    markFound(guestNumberEdit, found);
    // A stored visit keeps its own copies of a guest who is no longer in the registry.
    const bool keptStored = !found && number != 0 && number == storedGuest.id;
    if (keptStored) {
        visits.field(GuestName).setAsString(storedGuest.name);
        visits.field(GuestDocument).setAsString(storedGuest.document);
    } else {
        visits.field(GuestName).setAsString(name);
        visits.field(GuestDocument).setAsString(document);
    }
    return found || keptStored;
}

bool VisitDialog::Private::lookUpEmployee(int number)
{
    employeeLookupTimer->stop();
    if (!visits.editing())
        return false;
    employeeLookup.close();
    employeeLookup.setParam(QStringLiteral("id"), number);
    employeeLookup.open();
    const bool found = !employeeLookup.isEmpty();
    const QString name =
        found ? employeeLookup.field(QStringLiteral("_nazwisko_imie")).asString() : QString();
    const QString email =
        found ? employeeLookup.field(QStringLiteral("EMAIL")).asString().trimmed() : QString();
    employeeLookup.close();
    hostEmail = email;
    if (email.isEmpty())
        noticeRequested = false;  // nobody to tell now
    notifyButton->setEnabled(!email.isEmpty() && !noticeRequested);
    showNotice();
    markFound(employeeNumberEdit, found);
    const bool keptStored = !found && number != 0 && number == storedEmployee.id;
    visits.field(EmployeeName).setAsString(keptStored ? storedEmployee.name : name);
    return found || keptStored;
}

void VisitDialog::Private::chooseGuest()
{
    if (!guestNumberEdit->writePending())
        return;
    if (!guestsDialog) {
        guestsDialog = new GuestsDialog(desk, &window);
        guestsDialog->setObjectName(QStringLiteral("guestsDialog"));
    }
    const int shownFirst = visits.field(GuestId).isNull() ? 0 : visits.field(GuestId).asInteger();
    const bool chosen = guestsDialog->exec(GuestsDialog::Mode::Pick, shownFirst) == Accepted;
    // Guests added, changed or deleted in the list are in this unit of work: leaving the
    // visit now asks, and Yes rolls them back too.
    changes = true;
    if (chosen && visits.editing()) {
        const GuestsDialog::Guest guest = guestsDialog->chosen();
        visits.field(GuestId).setAsInteger(guest.id);
        visits.field(GuestName).setAsString(guest.name);
        visits.field(GuestDocument).setAsString(guest.document);
        markFound(guestNumberEdit, true);
    }
    guestNumberEdit->setFocus();
}

void VisitDialog::Private::chooseEmployee()
{
    if (!employeeNumberEdit->writePending())
        return;
    const std::optional<desk::EmployeeChoice> choice = desk.findEmployee();
    if (choice && visits.editing()) {
        visits.field(EmployeeId).setAsInteger(choice->employeeId);
        visits.field(EmployeeName).setAsString(choice->surnameFirstName);
        markFound(employeeNumberEdit, true);
        changes = true;
    }
    employeeNumberEdit->setFocus();
}

// ------------------------------------------------------------ the pass and the e-mail

// What was typed goes into the row and the guest and employee are looked up now, as OK
// would; false, said as OK says it, when either is missing.
bool VisitDialog::Private::readShownVisit()
{
    if (!writePendingTexts() || !visits.editing())
        return false;
    if (!lookUpGuest(shownNumber(GuestId)))
        return refuse(QStringLiteral("Nie wybrano gościa."), visitPage, guestNumberEdit);
    if (!lookUpEmployee(shownNumber(EmployeeId)))
        return refuse(QStringLiteral("Nie wybrano pracownika."), visitPage, employeeNumberEdit);
    return true;
}

// The arrival in its boxes; the row's while they hold no valid date and time.
QDateTime VisitDialog::Private::shownArrival() const
{
    const db::DayCount date = db::parseDate(arrival.dateEdit->text());
    const double time = db::parseTime(arrival.timeEdit->text());
    if (date != 0 && time >= 0)
        return db::toDateTime(date + time);
    const db::Field& field = visits.field(Arrival);
    return field.isNull() ? desk.clock().now() : db::toDateTime(field.asDateTime());
}

int VisitDialog::Private::shownNumber(const QString& field) const
{
    const db::Field& number = visits.field(field);
    return number.isNull() ? 0 : number.asInteger();
}

desk::VisitHost VisitDialog::Private::shownHost() const
{
    return desk::readVisitHost(desk, shownNumber(CompanyId), shownNumber(EmployeeId));
}

void VisitDialog::Private::printVisitPass()
{
    if (!readShownVisit())
        return;
    // A new visit takes its number now: the pass printed before it is stored has its code.
    visits.assignKey();
    const db::Field& id = visits.field(QStringLiteral("ID"));
    const desk::VisitHost host = shownHost();
    // The employee as the visit names them, which stays when they have left the registry.
    const controls::VisitPass pass{visits.field(GuestName).asString(),
                                   host.company,
                                   visits.field(EmployeeName).asString(),
                                   host.floor,
                                   host.room,
                                   visits.field(Badge).asString(),
                                   shownArrival().date(),
                                   desk::passBackText(desk),
                                   desk::passCode(id.asInteger())};
    controls::printPass(desk.prompts(), pass);
}

void VisitDialog::Private::notifyHost()
{
    if (!readShownVisit())
        return;
    const desk::VisitHost host = shownHost();
    if (host.email.isEmpty())
        return;  // the look-up has just disabled the button
    if (notifiesByMail) {
        noticeRequested = true;
        notifyButton->setEnabled(false);  // once per visit
        showNotice();
        setChanged();
        return;
    }
    desk::notifyEmployee(desk, {host.email, visits.field(GuestName).asString(), host.company,
                                shownArrival(), shownNumber(QStringLiteral("ID"))});
}

// Asked for, or automatic for a new visit of a guest still to be let in, and once only: the
// editor stores a visit once. A visit registered ahead is no guest at the desk yet: "Gość w
// recepcji" would call the host down for someone who comes next week.
bool VisitDialog::Private::noticeGoesWithVisit() const
{
    if (!notifiesByMail || hostEmail.isEmpty())
        return false;
    constexpr qint64 ArrivalLeewaySeconds = 5 * 60;
    return noticeRequested ||
           (notifiesAutomatically && mode == Mode::Add && !entry.check->isChecked() &&
            shownArrival() <= desk.clock().now().addSecs(ArrivalLeewaySeconds));
}

void VisitDialog::Private::showNotice()
{
    noticeLabel->setVisible(noticeGoesWithVisit());
    const bool invitable = invitationPossible();
    inviteButton->setEnabled(invitable);
    invitationLabel->setVisible(invitable && !invitationAddress.isEmpty());
}

bool VisitDialog::Private::invitationPossible() const
{
    return notifiesByMail &&
           desk::awaitsInvitation(shownArrival(), entry.check->isChecked(), desk.clock().now());
}

// Asked again, the address typed last is offered for correcting.
void VisitDialog::Private::inviteGuest()
{
    if (!invitationPossible())
        return;
    const std::optional<QString> address = desk::askInvitationAddress(desk, invitationAddress);
    if (!address)
        return;
    invitationAddress = *address;
    showNotice();
    setChanged();
}

// With the visit just written, as the notice; an arrival moved back to the past, or an entry
// ticked since, sends none (the label had said so by going).
void VisitDialog::Private::queueGuestInvitation()
{
    if (invitationAddress.isEmpty() || !invitationPossible())
        return;
    desk::queueInvitation(desk, shownNumber(QStringLiteral("ID")), invitationAddress);
}

// In the unit of work of the visit just written, which has its number now.
void VisitDialog::Private::queueNotice()
{
    if (!noticeGoesWithVisit())
        return;
    const desk::VisitHost host = shownHost();
    if (host.email.isEmpty())
        return;
    desk::queueHostNotice(desk, {host.email, visits.field(GuestName).asString(), host.company,
                                 db::toDateTime(visits.field(Arrival).asDateTime()),
                                 shownNumber(QStringLiteral("ID"))});
}

// ------------------------------------------------------------ the optional timestamps

void VisitDialog::Private::onCheckToggled(Stamp& stamp)
{
    db::Field& field = visits.field(stamp.field);
    if (field.isNull() && visits.editing())
        field.setAsDateTime(db::fromDateTime(desk.clock().now()));
    if (&stamp == &entry) {
        updateEntry();
        showNotice();
    } else if (&stamp == &exit) {
        updateExit();
    } else {
        updateMessage();
    }
    setChanged();
}

void VisitDialog::Private::enableBox(QWidget* box, bool enabled)
{
    box->setEnabled(enabled);
    setBackground(box, enabled ? window.palette().color(QPalette::Base)
                               : controls::windowsColor(controls::colours::InactiveBox));
}

void VisitDialog::Private::showStamp(const Stamp& stamp)
{
    const bool on = stamp.check->isChecked();
    const db::Field& field = visits.field(stamp.field);
    stamp.dateEdit->setText(on ? dateText(field) : QString());
    stamp.timeEdit->setText(on ? timeText(field) : QString());
    enableBox(stamp.dateEdit, on);
    enableBox(stamp.timeEdit, on);
    stamp.dateButton->setEnabled(on);
}

void VisitDialog::Private::updateEntry()
{
    const bool entered = entry.check->isChecked();
    showStamp(entry);
    badgeLabel->setEnabled(entered);
    cardLabel->setEnabled(entered);
    enableBox(badgeEdit, entered);
    enableBox(cardEdit, entered);
    exit.check->setEnabled(entered);
    if (!entered)
        exit.check->setChecked(false);  // runs its own handling when it was ticked
}

void VisitDialog::Private::updateExit()
{
    showStamp(exit);
}

void VisitDialog::Private::updateMessage()
{
    if (!window.isVisible())
        return;
    enableBox(messageEdit, !messagePassed.check->isChecked());
    const bool hasMessage = !messageEdit->toPlainText().isEmpty();
    messagePassed.check->setEnabled(hasMessage);
    if (!hasMessage && messagePassed.check->isChecked()) {
        messagePassed.check->setChecked(false);  // runs this again through its handling
        return;
    }
    showStamp(messagePassed);
}

// ------------------------------------------------------------ storing

bool VisitDialog::Private::refuse(const QString& message, QWidget* page, QWidget* focus)
{
    desk.prompts().beep();
    desk.prompts().message(message);
    pages->setCurrentWidget(page);
    focus->setFocus();
    return false;
}

bool VisitDialog::Private::writeStamp(const Stamp& stamp, const QString& dateMessage,
                                      const QString& timeMessage, QWidget* page)
{
    const db::DayCount date = db::parseDate(stamp.dateEdit->text());
    if (date == 0)
        return refuse(dateMessage, page, stamp.dateEdit);
    const double time = db::parseTime(stamp.timeEdit->text());
    if (time < 0)
        return refuse(timeMessage, page, stamp.timeEdit);
    visits.field(stamp.field).setAsDateTime(date + time);
    return true;
}

// Checks the boxes in a fixed order and writes the timestamps into the row; the first
// failure is shown on its page with the focus in its box. What was written before a
// failure stays in the unsaved row.
bool VisitDialog::Private::checkAndWrite()
{
    if (!writeStamp(arrival, QStringLiteral("Błędna data przybycia."),
                    QStringLiteral("Błędny czas przybycia."), visitPage))
        return false;
    const db::Field& guest = visits.field(GuestId);
    if (!lookUpGuest(guest.isNull() ? 0 : guest.asInteger()))
        return refuse(QStringLiteral("Nie wybrano gościa."), visitPage, guestNumberEdit);
    const db::Field& employee = visits.field(EmployeeId);
    if (!lookUpEmployee(employee.isNull() ? 0 : employee.asInteger()))
        return refuse(QStringLiteral("Nie wybrano pracownika."), visitPage, employeeNumberEdit);
    if (entry.check->isChecked()) {
        if (!writeStamp(entry, QStringLiteral("Błędna data wejścia."),
                        QStringLiteral("Błędny czas wejścia."), visitPage))
            return false;
    } else {
        visits.field(Entry).clear();
    }
    if (exit.check->isChecked()) {
        if (!writeStamp(exit, QStringLiteral("Błędna data wyjścia."),
                        QStringLiteral("Błędny czas wyjścia."), visitPage))
            return false;
    } else {
        visits.field(Exit).clear();
    }
    if (!messagePassed.check->isChecked()) {
        visits.field(MessagePassedOn).clear();
        return true;
    }
    return writeStamp(messagePassed, QStringLiteral("Błędna data przekazania wiadomości."),
                      QStringLiteral("Błędny czas przekazania wiadomości."), messagePage);
}

bool VisitDialog::Private::writePendingTexts()
{
    for (controls::BoundLineEdit* box : {guestNumberEdit, employeeNumberEdit, badgeEdit, cardEdit})
        if (!box->writePending()) {
            pages->setCurrentWidget(visitPage);
            box->setFocus();
            return false;
        }
    if (!messageEdit->writePending()) {
        pages->setCurrentWidget(messagePage);
        messageEdit->setFocus();
        return false;
    }
    return true;
}

void VisitDialog::Private::storeVisit()
{
    // What was typed goes into the row first, so that a refused text is reported once.
    if (!writePendingTexts())
        return;
    okButton->setFocus();
    guestLookupTimer->stop();
    employeeLookupTimer->stop();
    // A guest marked "Zakaz wstępu" is asked about once, whatever is stored (an entry too).
    if (!visits.editing() || !checkAndWrite() ||
        !desk::mayStoreVisit(desk, shownNumber(GuestId), visits.field(GuestDocument).asString()) ||
        !handOut())
        return;
    // A row the database refuses keeps the dialog open with everything typed.
    visits.post();
    const bool queued = desk.prompts().guarded([this] {
        queueNotice();
        queueGuestInvitation();
    });
    if (!queued)
        desk.rollbackWork();
    if (!queued || !desk.commitWork()) {
        // The stored row was rolled back: the visit is edited, or new, again for another try.
        if (mode == Mode::Edit)
            visits.resumeEdit();
        else
            visits.reinsertCurrent();
        return;
    }
    changes = false;
    window.accept();
}

// A badge or card that goes out on this visit is not out on another at the same time: read
// right before the store, in its transaction.
bool VisitDialog::Private::handOut()
{
    if (!entry.check->isChecked() || exit.check->isChecked())
        return true;
    const db::Field& id = visits.field(QStringLiteral("ID"));
    if (desk::mayHandOut(desk, id.isNull() ? 0 : id.asInteger(), visits.field(Badge).asString(),
                         visits.field(Card).asString()))
        return true;
    pages->setCurrentWidget(visitPage);
    badgeEdit->setFocus();
    return false;
}

bool VisitDialog::Private::mayClose()
{
    if (!changes)
        return true;
    // The program is ending or its connection is gone: no question, and the connection's
    // end drops the work.
    if (desk.closingWindows()) {
        changes = false;
        return true;
    }
    if (!desk.prompts().question(QStringLiteral("Na pewno anulować wszystkie wprowadzone zmiany?"),
                                 QStringLiteral("Anulowanie zmian")))
        return false;
    desk.rollbackWork();
    rolledBack = true;
    changes = false;
    return true;
}

// ------------------------------------------------------------ the dialog

VisitDialog::VisitDialog(db::DataSet& visits, desk::Desk& desk, QWidget* parent)
    : QDialog(parent), d(new Private(*this, visits, desk))
{
    setObjectName(QStringLiteral("VisitDialog"));
    setWindowTitle(QStringLiteral("Wizyty u pracowników :: Edycja"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    d->build();
    setFixedSize(583, 408);
}

VisitDialog::~VisitDialog() = default;

int VisitDialog::exec(Mode mode)
{
    d->mode = mode;
    return QDialog::exec();
}

void VisitDialog::open(Mode mode)
{
    d->mode = mode;
    QDialog::open();
}

void VisitDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        d->desk.prompts().guarded([this] { d->onShown(); });
}

void VisitDialog::done(int result)
{
    if (result != Accepted && !d->mayClose())
        return;
    d->guestLookupTimer->stop();
    d->employeeLookupTimer->stop();
    d->desk.prompts().guarded([this] {
        if (d->visits.editing())
            d->visits.cancel();
        // A refused commit had stored the row before it was rolled back: the register
        // shows what the database holds again.
        if (d->rolledBack && d->mode == Mode::Edit)
            d->visits.refresh();
    });
    d->rolledBack = false;
    QDialog::done(result);
}

bool VisitDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress)
        return QDialog::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
    if (watched == d->guestNumberEdit && enter) {
        d->desk.prompts().guarded([this] { d->chooseGuest(); });
        return true;
    }
    if (watched == d->employeeNumberEdit && enter) {
        d->desk.prompts().guarded([this] { d->chooseEmployee(); });
        return true;
    }
    auto* box = qobject_cast<QLineEdit*>(watched);
    const QVariant kind = box ? box->property("boxKind") : QVariant();
    if (kind.isValid())
        return d->filterTypedKey(box, BoxKind(kind.toInt()), key);
    return QDialog::eventFilter(watched, event);
}

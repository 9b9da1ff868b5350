#include "admin/MailDialog.h"

#include "admin/BackgroundWork.h"
#include "controls/Accessibility.h"
#include "controls/Clock.h"
#include "controls/DialogButtons.h"
#include "controls/Prompts.h"
#include "db/Database.h"
#include "db/Error.h"
#include "desk/Desk.h"
#include "desk/MailSetup.h"
#include "mail/Courier.h"
#include "mail/SmtpClient.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSysInfo>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

using mail::Security;

namespace {

const QString Caption = QStringLiteral("Poczta");
const QString DefaultSenderName = QStringLiteral("Recepcja");
const QString TimeFormat = QStringLiteral("dd-MM-yyyy HH:mm");
// The outbox's columns share the width; the server's answer takes what is left.
constexpr int WidestOutboxColumn = 170;
// Shown in the empty password box while a password is stored: the stored one is never shown.
const QString StoredPasswordHint = QStringLiteral("(zapisane; wpisz nowe, aby je zmienić)");
const QString UnreadablePasswordHint = QStringLiteral(
    "(zapisane na innym komputerze lub przez innego użytkownika; wpisz je ponownie)");

// The wardens' box: one address a line, or several separated by ";".
QStringList addressList(const QString& text)
{
    static const QRegularExpression separators(QStringLiteral("[;\\n]"));
    QStringList addresses;
    for (const QString& part : text.split(separators, Qt::SkipEmptyParts))
        if (!part.trimmed().isEmpty())
            addresses << part.trimmed();
    return addresses;
}

QString kindText(mail::Kind kind)
{
    switch (kind) {
        case mail::Kind::HostNotice:
            return QStringLiteral("powiadomienie o gościu");
        case mail::Kind::EvacuationList:
            return QStringLiteral("lista ewakuacyjna");
        case mail::Kind::Test:
            return QStringLiteral("wiadomość próbna");
        case mail::Kind::Invitation:
            return QStringLiteral("zaproszenie");
    }
    return {};
}

QString stateText(const mail::OutboxEntry& entry)
{
    switch (entry.state) {
        case mail::State::Waiting:
            return QStringLiteral("czeka");
        case mail::State::Sending:
            return QStringLiteral("wysyłana (%1)").arg(entry.claimedBy);
        case mail::State::Failed:
            return QStringLiteral("nieudana");
    }
    return {};
}

QLineEdit* lineBox(const char* name, const QString& caption)
{
    auto* box = new QLineEdit;
    box->setObjectName(QLatin1String(name));
    box->setAccessibleName(caption);
    return box;
}

}  // namespace

MailDialog::MailDialog(desk::Desk& desk, QWidget* parent) : QDialog(parent), desk_(desk)
{
    setObjectName(QStringLiteral("MailDialog"));
    setWindowTitle(Caption);
    setSizeGripEnabled(true);

    serverEdit = lineBox("serverEdit", QStringLiteral("Serwer SMTP"));
    serverEdit->setPlaceholderText(QStringLiteral("(puste: poczta nie jest wysyłana)"));
    portEdit = lineBox("portEdit", QStringLiteral("Port"));
    portEdit->setMaxLength(5);
    portEdit->setMaximumWidth(80);
    securityBox = new QComboBox;
    securityBox->setObjectName(QStringLiteral("securityBox"));
    securityBox->setAccessibleName(QStringLiteral("Szyfrowanie"));
    securityBox->addItem(QStringLiteral("STARTTLS"), int(Security::StartTls));
    securityBox->addItem(QStringLiteral("TLS od początku połączenia"), int(Security::Tls));
    securityBox->addItem(QStringLiteral("bez szyfrowania"), int(Security::None));
    userEdit = lineBox("userEdit", QStringLiteral("Użytkownik"));
    userEdit->setPlaceholderText(QStringLiteral("(puste: bez logowania)"));
    passwordEdit = lineBox("passwordEdit", QStringLiteral("Hasło"));
    passwordEdit->setEchoMode(QLineEdit::Password);
    senderAddressEdit = lineBox("senderAddressEdit", QStringLiteral("Adres nadawcy"));
    senderNameEdit = lineBox("senderNameEdit", QStringLiteral("Nazwa nadawcy"));
    wardensEdit = new QPlainTextEdit;
    wardensEdit->setObjectName(QStringLiteral("wardensEdit"));
    wardensEdit->setAccessibleName(QStringLiteral("Adresy koordynatorów ewakuacji"));
    wardensEdit->setTabChangesFocus(true);
    wardensEdit->setFixedHeight(wardensEdit->fontMetrics().lineSpacing() * 4 + 12);
    wardensEdit->setPlaceholderText(
        QStringLiteral("jeden adres w wierszu lub adresy rozdzielone znakiem ;"));
    controls::nameScrollBars(wardensEdit, QStringLiteral("Adresy koordynatorów ewakuacji"));
    notifyCheck = new QCheckBox(QStringLiteral("Powiadamiaj automatycznie"));
    notifyCheck->setObjectName(QStringLiteral("notifyCheck"));
    notifyCheck->setAccessibleName(QStringLiteral("Powiadamiaj automatycznie"));
    notifyCheck->setToolTip(QStringLiteral(
        "Pracownik dostaje wiadomość, gdy zapisana zostanie nowa wizyta jego gościa, który "
        "czeka w recepcji (przybycie bez wejścia)"));
    buildingAddressEdit = new QPlainTextEdit;
    buildingAddressEdit->setObjectName(QStringLiteral("buildingAddressEdit"));
    buildingAddressEdit->setAccessibleName(QStringLiteral("Adres budynku (w zaproszeniach)"));
    buildingAddressEdit->setTabChangesFocus(true);
    buildingAddressEdit->setFixedHeight(buildingAddressEdit->fontMetrics().lineSpacing() * 3 + 12);
    buildingAddressEdit->setPlaceholderText(
        QStringLiteral("ulica i numer, kod pocztowy i miasto; puste: zaproszenia go nie podają"));
    controls::nameScrollBars(buildingAddressEdit, QStringLiteral("Adres budynku"));
    caFileEdit = lineBox("caFileEdit", QStringLiteral("Certyfikat CA (plik)"));
    caFileEdit->setPlaceholderText(QStringLiteral("(opcjonalnie; puste: certyfikaty systemu)"));
    caFileButton = controls::namedButton("caFileButton", QStringLiteral("Wybierz..."),
                                         QStringLiteral("Wybierz plik certyfikatu CA"));
    auto* caRow = new QHBoxLayout;
    caRow->addWidget(caFileEdit);
    caRow->addWidget(caFileButton);
    testAddressEdit = lineBox("testAddressEdit", QStringLiteral("Adres wiadomości próbnej"));
    testAddressEdit->setPlaceholderText(QStringLiteral("adres, na który wysłać"));
    testButton = controls::namedButton("testButton", QStringLiteral("Wyślij próbną wiadomość"));
    auto* testRow = new QHBoxLayout;
    testRow->addWidget(testAddressEdit);
    testRow->addWidget(testButton);

    auto* fields = new QFormLayout;
    fields->addRow(QStringLiteral("Serwer SMTP:"), serverEdit);
    fields->addRow(QStringLiteral("Port:"), portEdit);
    fields->addRow(QStringLiteral("Szyfrowanie:"), securityBox);
    fields->addRow(QStringLiteral("Użytkownik:"), userEdit);
    fields->addRow(QStringLiteral("Hasło:"), passwordEdit);
    fields->addRow(QStringLiteral("Adres nadawcy:"), senderAddressEdit);
    fields->addRow(QStringLiteral("Nazwa nadawcy:"), senderNameEdit);
    fields->addRow(QStringLiteral("Adresy koordynatorów ewakuacji:"), wardensEdit);
    fields->addRow(QString(), notifyCheck);
    fields->addRow(QStringLiteral("Adres budynku (w zaproszeniach):"), buildingAddressEdit);
    fields->addRow(QStringLiteral("Certyfikat CA (plik):"), caRow);
    fields->addRow(QStringLiteral("Wiadomość próbna do:"), testRow);
    auto* settingsBox = new QGroupBox(QStringLiteral("Serwer poczty tego stanowiska"));
    settingsBox->setObjectName(QStringLiteral("settingsBox"));
    settingsBox->setLayout(fields);

    outboxStateLabel = new QLabel;
    outboxStateLabel->setObjectName(QStringLiteral("outboxStateLabel"));
    outboxStateLabel->setWordWrap(true);
    controls::markDataLabel(outboxStateLabel, QStringLiteral("Poczta wychodząca"));
    outboxTable = new QTableWidget(0, 8);
    outboxTable->setObjectName(QStringLiteral("outboxTable"));
    outboxTable->setAccessibleName(QStringLiteral("Poczta wychodząca"));
    outboxTable->setHorizontalHeaderLabels(
        {QStringLiteral("Utworzona"), QStringLiteral("Rodzaj"), QStringLiteral("Adresat"),
         QStringLiteral("Temat"), QStringLiteral("Stan"), QStringLiteral("Próby"),
         QStringLiteral("Następna próba"), QStringLiteral("Odpowiedź serwera")});
    outboxTable->setSelectionBehavior(QAbstractItemView::SelectRows);
    outboxTable->setSelectionMode(QAbstractItemView::SingleSelection);
    outboxTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    outboxTable->verticalHeader()->hide();
    outboxTable->horizontalHeader()->setStretchLastSection(true);
    outboxTable->setTabKeyNavigation(false);
    outboxTable->setWordWrap(false);  // a long answer is read whole in its tool tip
    controls::nameScrollBars(outboxTable, QStringLiteral("Poczta wychodząca"));
    sendAgainButton = controls::namedButton("sendAgainButton", QStringLiteral("Wyślij ponownie"),
                                            QStringLiteral("Wyślij ponownie wybraną wiadomość"));
    dropButton = controls::namedButton("dropButton", QStringLiteral("Usuń"),
                                       QStringLiteral("Usuń wybraną wiadomość"));
    refreshButton = controls::namedButton("refreshButton", QStringLiteral("Odśwież"),
                                          QStringLiteral("Odczytaj pocztę wychodzącą ponownie"));
    auto* outboxButtons = new QHBoxLayout;
    outboxButtons->addWidget(sendAgainButton);
    outboxButtons->addWidget(dropButton);
    outboxButtons->addStretch();
    outboxButtons->addWidget(refreshButton);
    auto* outboxLayout = new QVBoxLayout;
    outboxLayout->addWidget(outboxStateLabel);
    outboxLayout->addWidget(outboxTable, 1);
    outboxLayout->addLayout(outboxButtons);
    auto* outboxBox = new QGroupBox(QStringLiteral("Poczta wychodząca (wszystkie stanowiska)"));
    outboxBox->setObjectName(QStringLiteral("outboxBox"));
    outboxBox->setLayout(outboxLayout);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(settingsBox);
    layout->addWidget(outboxBox, 1);
    layout->addLayout(controls::okCancelButtons(okButton, cancelButton));

    connect(securityBox, &QComboBox::currentIndexChanged, this, &MailDialog::onSecurityChanged);
    connect(caFileButton, &QPushButton::clicked, this,
            [this] { desk_.prompts().guarded([this] { chooseCaFile(); }); });
    connect(testButton, &QPushButton::clicked, this,
            [this] { desk_.prompts().guarded([this] { sendTestMessage(); }); });
    connect(outboxTable, &QTableWidget::itemSelectionChanged, this,
            &MailDialog::updateOutboxButtons);
    connect(sendAgainButton, &QPushButton::clicked, this,
            [this] { desk_.prompts().guarded([this] { sendAgain(); }); });
    connect(dropButton, &QPushButton::clicked, this,
            [this] { desk_.prompts().guarded([this] { dropMessage(); }); });
    connect(refreshButton, &QPushButton::clicked, this,
            [this] { desk_.prompts().guarded([this] { readOutbox(); }); });
    connect(okButton, &QPushButton::clicked, this, &MailDialog::accept);
    connect(cancelButton, &QPushButton::clicked, this, &MailDialog::reject);
    resize(1020, 790);
}

int MailDialog::exec()
{
    if (!desk_.prompts().guarded([this] { prepareForShowing(); }))
        return Rejected;
    return QDialog::exec();
}

void MailDialog::open()
{
    if (desk_.prompts().guarded([this] { prepareForShowing(); }))
        QDialog::open();
}

void MailDialog::prepareForShowing()
{
    read_ = desk::readMailSettings(desk_);
    showSettings(read_);
    testAddressEdit->clear();
    readOutbox();
    serverEdit->setFocus();
}

void MailDialog::showSettings(const mail::MailSettings& settings)
{
    serverEdit->setText(settings.server);
    {
        const QSignalBlocker quiet(securityBox);
        securityBox->setCurrentIndex(securityBox->findData(int(settings.security)));
    }
    shownSecurity_ = settings.security;
    portEdit->setText(QString::number(settings.port));
    userEdit->setText(settings.user);
    passwordEdit->clear();
    passwordEdit->setPlaceholderText(settings.passwordUnreadable   ? UnreadablePasswordHint
                                     : settings.password.isEmpty() ? QString()
                                                                   : StoredPasswordHint);
    senderAddressEdit->setText(settings.senderAddress);
    senderNameEdit->setText(settings.senderName.isEmpty() ? DefaultSenderName
                                                          : settings.senderName);
    wardensEdit->setPlainText(settings.wardens.join(u'\n'));
    notifyCheck->setChecked(settings.notifyAutomatically);
    buildingAddressEdit->setPlainText(settings.buildingAddress);
    caFileEdit->setText(settings.caFile);
}

// What the window shows; an empty password box keeps the stored password for as long as
// the server is logged in to with a user name.
mail::MailSettings MailDialog::shownSettings() const
{
    mail::MailSettings settings = read_;
    settings.server = serverEdit->text().trimmed();
    settings.port = portEdit->text().trimmed().toInt();
    settings.security = Security(securityBox->currentData().toInt());
    settings.user = userEdit->text().trimmed();
    if (!passwordEdit->text().isEmpty())
        settings.password = passwordEdit->text();
    else if (settings.user.isEmpty())
        settings.password.clear();
    settings.senderAddress = senderAddressEdit->text().trimmed();
    settings.senderName = senderNameEdit->text().trimmed();
    settings.wardens = addressList(wardensEdit->toPlainText());
    settings.notifyAutomatically = notifyCheck->isChecked();
    settings.buildingAddress = buildingAddressEdit->toPlainText().trimmed();
    settings.caFile = caFileEdit->text().trimmed();
    return settings;
}

bool MailDialog::refused(QWidget* field, const QString& text)
{
    desk_.prompts().beep();
    desk_.prompts().message(text, Caption, controls::Icon::Warning);
    field->setFocus();
    return false;
}

// A server needs a sender; every address given must be one, the port a port, and a named
// certificate file must be there.
bool MailDialog::settingsValidOrSaid()
{
    bool isNumber = false;
    const int port = portEdit->text().trimmed().toInt(&isNumber);
    if (!isNumber || port < 1 || port > 65535)
        return refused(portEdit, QStringLiteral("Port serwera poczty to liczba od 1 do 65535."));
    const mail::MailSettings settings = shownSettings();
    if (!settings.server.isEmpty() && settings.senderAddress.isEmpty())
        return refused(senderAddressEdit, QStringLiteral("Podaj adres nadawcy wiadomości."));
    if (!settings.senderAddress.isEmpty() && !mail::isAddress(settings.senderAddress))
        return refused(senderAddressEdit,
                       QStringLiteral("Adres nadawcy \"%1\" nie jest poprawnym adresem e-mail.")
                           .arg(settings.senderAddress));
    for (const QString& warden : settings.wardens)
        if (!mail::isAddress(warden))
            return refused(wardensEdit, QStringLiteral("Adres koordynatora ewakuacji \"%1\" nie "
                                                       "jest poprawnym adresem e-mail.")
                                            .arg(warden));
    if (!settings.caFile.isEmpty() && !QFileInfo(settings.caFile).isReadable())
        return refused(
            caFileEdit,
            QStringLiteral("Nie można odczytać pliku certyfikatu CA \"%1\".").arg(settings.caFile));
    return true;
}

// A port left at the usual one of the encryption follows the encryption chosen.
void MailDialog::onSecurityChanged()
{
    const auto chosen = Security(securityBox->currentData().toInt());
    if (portEdit->text().trimmed() == QString::number(mail::usualPort(shownSecurity_)))
        portEdit->setText(QString::number(mail::usualPort(chosen)));
    shownSecurity_ = chosen;
}

void MailDialog::chooseCaFile()
{
    const QString file = desk_.prompts().openFileName(
        QStringLiteral("Certyfikat CA"), QFileInfo(caFileEdit->text()).absolutePath(),
        QStringLiteral("Certyfikaty (*.pem *.crt *.cer);;Wszystkie pliki (*)"));
    if (!file.isEmpty())
        caFileEdit->setText(file);
}

// The values typed, not yet stored, are tried on the server; the window keeps repainting
// while the server answers.
void MailDialog::sendTestMessage()
{
    if (!settingsValidOrSaid())
        return;
    const mail::MailSettings settings = shownSettings();
    if (!settings.isSetUp()) {
        refused(serverEdit, QStringLiteral("Podaj serwer SMTP i adres nadawcy."));
        return;
    }
    const QString to = testAddressEdit->text().trimmed();
    if (!mail::isAddress(to)) {
        refused(testAddressEdit,
                QStringLiteral("Podaj poprawny adres, na który wysłać wiadomość próbną."));
        return;
    }
    mail::Message message;
    message.to = to;
    message.subject = QStringLiteral("Wiadomość próbna z programu Halvane");
    message.body = QStringLiteral(
                       "Tę wiadomość wysłano z okna Dodatki > Poczta na stanowisku "
                       "%1, %2, aby sprawdzić ustawienia poczty.\n")
                       .arg(QSysInfo::machineHostName(), desk_.clock().now().toString(TimeFormat));
    mail::SendResult result;
    sending_ = true;
    for (QPushButton* button : {testButton, okButton})
        button->setEnabled(false);
    const std::optional<QString> failure = admin::runInBackground(
        [&](const admin::LineSink&) { result = mail::SmtpClient(settings).send(message); }, {});
    for (QPushButton* button : {testButton, okButton})
        button->setEnabled(true);
    sending_ = false;
    if (failure) {
        desk_.prompts().message(failure.value(), Caption, controls::Icon::Error);
    } else if (result.sent()) {
        desk_.prompts().message(
            QStringLiteral("Wysłano wiadomość próbną do %1.\n\n%2").arg(to, result.answer), Caption,
            controls::Icon::Information);
    } else {
        desk_.prompts().beep();
        desk_.prompts().message(
            QStringLiteral("Nie wysłano wiadomości próbnej do %1.\n\n%2").arg(to, result.answer),
            Caption, controls::Icon::Error);
    }
}

void MailDialog::accept()
{
    bool stored = false;
    desk_.prompts().guarded([this, &stored] {
        if (!settingsValidOrSaid())
            return;
        desk::storeMailSettings(desk_, shownSettings());  // a file not written is reported
        stored = true;
    });
    if (stored)
        QDialog::accept();
}

bool MailDialog::changed() const
{
    const mail::MailSettings shown = shownSettings();
    return shown.server != read_.server || shown.port != read_.port ||
           shown.security != read_.security || shown.user != read_.user ||
           shown.password != read_.password || shown.senderAddress != read_.senderAddress ||
           shown.senderName !=
               (read_.senderName.isEmpty() ? DefaultSenderName : read_.senderName) ||
           shown.wardens != read_.wardens ||
           shown.notifyAutomatically != read_.notifyAutomatically || shown.caFile != read_.caFile ||
           shown.buildingAddress != read_.buildingAddress;
}

void MailDialog::reject()
{
    if (desk_.closingWindows()) {
        QDialog::reject();
        return;
    }
    if (sending_ || (changed() && !desk_.prompts().question(
                                      QStringLiteral("Na pewno anulować wprowadzone zmiany?"),
                                      QStringLiteral("Anulowanie zmian"))))
        return;
    QDialog::reject();
}

// ------------------------------------------------------------ the outbox

// A database made before the outbox has none: the settings stay usable, nothing is listed.
void MailDialog::readOutbox()
{
    try {
        const db::Database::ListReading reading(desk_.database());
        entries_ = mail::outboxEntries(desk_.database());
    } catch (const db::Error& error) {
        if (error.connectionLost())
            throw;
        entries_.clear();
        showEntries();
        outboxStateLabel->setText(QStringLiteral("nie można odczytać (baza danych wymaga "
                                                 "aktualizacji: Dodatki > Aktualizacja bazy "
                                                 "danych)\n") +
                                  error.message());
        return;
    }
    showEntries();
    outboxStateLabel->setText(
        entries_.empty() ? QStringLiteral("pusta: wszystko zostało wysłane")
                         : QStringLiteral("wiadomości do wysłania: %1").arg(entries_.size()));
}

void MailDialog::showEntries()
{
    const int kept = selectedEntry();
    outboxTable->clearContents();
    outboxTable->setRowCount(int(entries_.size()));
    for (int row = 0; row < int(entries_.size()); ++row) {
        const mail::OutboxEntry& entry = entries_[size_t(row)];
        const QStringList texts{
            entry.created.toString(TimeFormat),
            kindText(entry.kind),
            entry.to,
            entry.subject,
            stateText(entry),
            QString::number(entry.tries),
            entry.state == mail::State::Waiting ? entry.nextTry.toString(TimeFormat) : QString(),
            entry.answer};
        for (int column = 0; column < texts.size(); ++column) {
            auto* item = new QTableWidgetItem(texts[column]);
            item->setData(Qt::UserRole, entry.id);
            item->setToolTip(texts[column]);
            outboxTable->setItem(row, column, item);
        }
        if (entry.id == kept)
            outboxTable->selectRow(row);
    }
    outboxTable->resizeColumnsToContents();
    for (int column = 0; column + 1 < outboxTable->columnCount(); ++column)
        outboxTable->setColumnWidth(column,
                                    qMin(outboxTable->columnWidth(column), WidestOutboxColumn));
    if (outboxTable->currentRow() < 0 && !entries_.empty())
        outboxTable->selectRow(0);
    updateOutboxButtons();
}

int MailDialog::selectedEntry() const
{
    const QList<QTableWidgetItem*> selected = outboxTable->selectedItems();
    return selected.isEmpty() ? 0 : selected.first()->data(Qt::UserRole).toInt();
}

void MailDialog::updateOutboxButtons()
{
    const bool any = selectedEntry() != 0;
    sendAgainButton->setEnabled(any);
    dropButton->setEnabled(any);
}

void MailDialog::sendAgain()
{
    if (const int id = selectedEntry())
        changeEntry(&mail::sendAgain, id);
}

void MailDialog::dropMessage()
{
    const int id = selectedEntry();
    const auto entry = std::find_if(entries_.begin(), entries_.end(),
                                    [id](const mail::OutboxEntry& e) { return e.id == id; });
    if (entry == entries_.end() ||
        !desk_.prompts().question(
            QStringLiteral("Usunąć wiadomość do %1 \"%2\"? Nie zostanie wysłana.")
                .arg(entry->to, entry->subject),
            Caption, /*defaultNo*/ true))
        return;
    changeEntry(&mail::drop, id);
}

// One unit of work each; a message another desk is sending, or one already gone, is refused
// and the list shows what is there now. The courier is woken to send at once.
void MailDialog::changeEntry(void (*change)(db::Database&, int), int id)
{
    try {
        change(desk_.database(), id);
    } catch (const db::Error& error) {
        desk_.rollbackWork();  // a lost connection is reported there
        if (error.connectionLost())
            return;
        desk_.prompts().message(error.message(), Caption, controls::Icon::Warning);
        readOutbox();
        return;
    }
    if (desk_.commitWork()) {
        if (mail::Courier* courier = desk_.courier())
            courier->wake();
    }
    readOutbox();
}

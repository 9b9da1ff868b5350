#include "admin/DatabaseDialog.h"

#include "admin/ConnectionParamsFile.h"
#include "controls/Accessibility.h"
#include "controls/DialogButtons.h"
#include "controls/Prompts.h"
#include "db/Database.h"
#include "db/Error.h"
#include "desk/Desk.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QFontDatabase>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace admin {

QString databaseName(const DatabaseLocation& location)
{
    if (location.host == QLatin1String("localhost"))
        return location.dir + location.file;
    return location.host + u':' + location.dir + location.file;
}

}  // namespace admin

namespace {

// The usual place of the settings folder on each system; the name and the arrow take the
// first 11 characters of a line, the rest is the folder.
constexpr int kFolderNameWidth = 11;
const char* const WindowsFolderLines[] = {
    "Vista/7  ->  C:\\ProgramData\\Tervik\\halvane\\",
    "WinXP  ->  C:\\Documents and Settings\\All Users\\Dane aplikacji\\Tervik\\halvane\\",
    "Win98   ->  C:\\WINDOWS\\All Users\\Dane aplikacji\\Tervik\\halvane\\",
};

QComboBox* editableBox(const char* name, const QStringList& lines)
{
    auto* box = new QComboBox;
    box->setObjectName(QLatin1String(name));
    box->setEditable(true);
    box->setInsertPolicy(QComboBox::NoInsert);
    box->addItems(lines);
    return box;
}

}  // namespace

DatabaseDialog::DatabaseDialog(desk::Desk& desk, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint),
      desk_(desk)
{
    setObjectName(QStringLiteral("DatabaseDialog"));
    setWindowTitle(QStringLiteral("Wybór bazy danych"));

    // The first line, this computer's settings folder, is known only when the window is
    // shown: the main window finds the folder after the windows are made.
    QStringList folderLines{QString()};
    for (const char* line : WindowsFolderLines)
        folderLines << QString::fromUtf8(line);
    hostBox = editableBox("hostBox", {QStringLiteral("localhost")});
    folderBox = editableBox("folderBox", folderLines);
    fileBox = editableBox("fileBox", {QStringLiteral("HALVANE.FDB")});
    saveLocationButton = controls::namedButton("saveLocationButton", QStringLiteral("  Zapisz"));
    auto* locationGroup = new QGroupBox(QStringLiteral("Baza danych"));
    auto* locationForm = new QFormLayout(locationGroup);
    for (auto [box, caption] :
         {std::pair{hostBox, "Host"}, {folderBox, "Katalog"}, {fileBox, "Plik"}}) {
        box->setAccessibleName(QLatin1String(caption));
        box->lineEdit()->setAccessibleName(QLatin1String(caption));
    }
    locationForm->addRow(QStringLiteral("Host:"), hostBox);
    locationForm->addRow(QStringLiteral("Katalog:"), folderBox);
    locationForm->addRow(QStringLiteral("Plik:"), fileBox);
    locationForm->addRow(QString(), saveLocationButton);

    userEdit = new QLineEdit;
    userEdit->setObjectName(QStringLiteral("userEdit"));
    passwordEdit = new QLineEdit;
    passwordEdit->setObjectName(QStringLiteral("passwordEdit"));
    passwordEdit->setEchoMode(QLineEdit::Password);
    saveParamsButton = controls::namedButton("saveParamsButton", QStringLiteral("  Zapisz"));
    restoreDefaultsButton =
        controls::namedButton("restoreDefaultsButton", QStringLiteral("Przywróć domyślne"));
    auto* paramsGroup = new QGroupBox(QStringLiteral("Parametry dostępu"));
    auto* paramsForm = new QFormLayout(paramsGroup);
    paramsForm->addRow(QStringLiteral("Użytkownik:"), userEdit);
    paramsForm->addRow(QStringLiteral("Hasło:"), passwordEdit);
    auto* paramsButtons = new QHBoxLayout;
    paramsButtons->addWidget(saveParamsButton);
    paramsButtons->addWidget(restoreDefaultsButton);
    paramsForm->addRow(QString(), paramsButtons);

    testButton = controls::namedButton("testButton", QStringLiteral("Testuj"));
    reportEdit = new QPlainTextEdit;
    reportEdit->setObjectName(QStringLiteral("reportEdit"));
    reportEdit->setReadOnly(true);
    reportEdit->setLineWrapMode(QPlainTextEdit::NoWrap);
    reportEdit->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    reportEdit->setAccessibleName(QStringLiteral("Wynik testu połączenia"));
    controls::nameScrollBars(reportEdit, QStringLiteral("Wynik testu połączenia"));
    auto* testGroup = new QGroupBox(QStringLiteral("Test połączenia"));
    auto* testLayout = new QVBoxLayout(testGroup);
    testLayout->addWidget(testButton, 0, Qt::AlignLeft);
    testLayout->addWidget(reportEdit);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(locationGroup);
    layout->addWidget(paramsGroup);
    layout->addWidget(testGroup);

    folderTimer = new QTimer(this);
    folderTimer->setObjectName(QStringLiteral("folderTimer"));
    folderTimer->setSingleShot(true);
    folderTimer->setInterval(100);

    for (QComboBox* box : {hostBox, folderBox, fileBox})
        connect(box, &QComboBox::editTextChanged, this, &DatabaseDialog::onLocationEdited);
    connect(folderBox, qOverload<int>(&QComboBox::activated), this,
            &DatabaseDialog::onFolderPicked);
    connect(folderTimer, &QTimer::timeout, this, &DatabaseDialog::putPickedFolder);
    connect(saveLocationButton, &QPushButton::clicked, this, &DatabaseDialog::saveLocation);
    for (QLineEdit* edit : {userEdit, passwordEdit})
        connect(edit, &QLineEdit::textChanged, this, &DatabaseDialog::updateParamsButtons);
    connect(saveParamsButton, &QPushButton::clicked, this, &DatabaseDialog::saveParams);
    connect(restoreDefaultsButton, &QPushButton::clicked, this, &DatabaseDialog::restoreDefaults);
    connect(testButton, &QPushButton::clicked, this, &DatabaseDialog::testConnection);

    resize(520, 560);
    setFixedSize(sizeHint().expandedTo(QSize(520, 560)));
}

admin::DatabaseLocation DatabaseDialog::choose(const admin::DatabaseLocation& stored)
{
    stored_ = stored;
    prepareForShowing();
    exec();
    folderTimer->stop();
    return stored_;
}

void DatabaseDialog::open(const admin::DatabaseLocation& stored)
{
    stored_ = stored;
    prepareForShowing();
    QDialog::open();
}

void DatabaseDialog::prepareForShowing()
{
    folderBox->setItemText(0, QStringLiteral("Linux  ->  ") + desk_.settingsFolder());
    hostBox->setEditText(stored_.host);
    folderBox->setEditText(stored_.dir);
    fileBox->setEditText(stored_.file);
    saveLocationButton->setEnabled(false);
    userEdit->clear();  // the stored user name and password are never shown
    passwordEdit->clear();
    reportEdit->clear();
    hostBox->setFocus();
    updateParamsButtons();
}

QString DatabaseDialog::paramsFilePath() const
{
    return desk_.settingsFolder() + QLatin1String(admin::ConnectionParamsFileName);
}

void DatabaseDialog::updateParamsButtons()
{
    restoreDefaultsButton->setEnabled(QFile::exists(paramsFilePath()));
    saveParamsButton->setEnabled(!userEdit->text().isEmpty() && !passwordEdit->text().isEmpty());
}

void DatabaseDialog::onLocationEdited()
{
    saveLocationButton->setEnabled(true);
}

void DatabaseDialog::onFolderPicked(int index)
{
    pickedFolder = folderBox->itemText(index).mid(kFolderNameWidth).trimmed();
    folderTimer->start();
}

void DatabaseDialog::putPickedFolder()
{
    folderBox->setEditText(pickedFolder);
    folderBox->lineEdit()->selectAll();
    saveLocationButton->setEnabled(true);
}

void DatabaseDialog::saveLocation()
{
    stored_ = {hostBox->currentText(), folderBox->currentText(), fileBox->currentText()};
    saveLocationButton->setEnabled(false);
}

void DatabaseDialog::saveParams()
{
    const QString text = QStringLiteral("user_name=") + userEdit->text() +
                         QStringLiteral("\r\npassword=") + passwordEdit->text() +
                         QStringLiteral("\r\nlc_ctype=WIN1250\r\n");
    if (!desk_.prompts().guarded(
            [&] { admin::writeConnectionParams(desk_.settingsFolder(), text); }))
        return;  // reported; the boxes keep what was typed
    userEdit->clear();
    passwordEdit->clear();
    updateParamsButtons();
}

void DatabaseDialog::restoreDefaults()
{
    QFile::remove(paramsFilePath());
    userEdit->clear();
    passwordEdit->clear();
    updateParamsButtons();
    if (QFile::exists(paramsFilePath()))
        desk_.prompts().message(
            QStringLiteral("Nie można usunąć pliku '%1'.").arg(paramsFilePath()), {},
            controls::Icon::Error);
}

void DatabaseDialog::testConnection()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    reportEdit->clear();
    reportEdit->appendPlainText(QStringLiteral("Host    : ") + stored_.host);
    reportEdit->appendPlainText(QStringLiteral("Katalog : ") + stored_.dir);
    reportEdit->appendPlainText(QStringLiteral("Plik    : ") + stored_.file);
    reportEdit->appendPlainText(QStringLiteral("Test połączenia ..."));
    reportEdit->repaint();
    db::Database& database = desk_.database();
    try {
        database.setDatabaseName(admin::databaseName(stored_));
        database.setParamsText(admin::readConnectionParams(desk_.settingsFolder()));
        database.open();
        reportEdit->appendPlainText(QStringLiteral("--------------"));
        reportEdit->appendPlainText(QStringLiteral("Połączenie: OK"));
    } catch (const std::exception& error) {
        const auto* dbError = dynamic_cast<const db::Error*>(&error);
        reportEdit->appendPlainText(dbError ? dbError->message()
                                            : QString::fromLocal8Bit(error.what()));
        reportEdit->appendPlainText(QStringLiteral("---------------"));
        reportEdit->appendPlainText(QStringLiteral("Błąd połączenia"));
    }
    database.close();
    QApplication::restoreOverrideCursor();
}

void DatabaseDialog::reject()
{
    if (saveLocationButton->isEnabled() || saveParamsButton->isEnabled()) {
        if (!desk_.prompts().question(
                QStringLiteral(
                    "Niektóre zmiany nie są zapisane.\nNa pewno zamknąć okno bez zapisu?"),
                QStringLiteral("Zmiany")))
            return;
    }
    QDialog::reject();
}

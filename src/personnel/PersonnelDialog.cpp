#include "personnel/PersonnelDialog.h"
#include "personnel/StaffStatements.h"

#include "controls/Accessibility.h"
#include "controls/Clock.h"
#include "controls/DataGrid.h"
#include "controls/DialogButtons.h"
#include "controls/Icons.h"
#include "controls/PrivateFiles.h"
#include "controls/Prompts.h"
#include "db/Error.h"
#include "db/RecordRules.h"
#include "desk/Desk.h"
#include "personnel/CsvProgressDialog.h"
#include "personnel/EmployeeDialog.h"
#include "personnel/PersonnelCsv.h"

#include <QAction>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSaveFile>
#include <QToolBar>
#include <QVBoxLayout>

namespace {

constexpr auto SelectStaff = R"(select *
from PERSONEL
where
  FIRMA_ID = :firma_id
  and
  DZIAL_ID = :dzial_id
order by ID)";

constexpr auto DeleteEmployee = R"(delete from PERSONEL
where
  ID = :OLD_ID)";

constexpr auto RefreshEmployee = R"(Select 
  ID,
  FIRMA_ID,
  DZIAL_ID,
  IMIE,
  NAZWISKO,
  STANOWISKO,
  PIETRO,
  POKOJ,
  TELSTACJ,
  TELKOM,
  EMAIL,
  INFO
from PERSONEL 
where
  ID = :ID)";

constexpr auto CsvFilter = "Pliki CSV (*.csv);;Wszystkie pliki (*.*)";

// A name typed without an extension is a CSV file.
QString withCsvExtension(const QString& path)
{
    return QFileInfo(path).suffix().isEmpty() ? path + QStringLiteral(".csv") : path;
}

// Runs at the end of a step however it ends.
template <class F>
class Finally {
public:
    explicit Finally(F f) : f_(std::move(f)) {}
    ~Finally() { f_(); }
    Finally(const Finally&) = delete;
    Finally& operator=(const Finally&) = delete;

private:
    F f_;
};

}  // namespace

PersonnelDialog::PersonnelDialog(desk::Desk& desk, QWidget* parent)
    : QDialog(parent), desk_(desk), staff(desk.database(), this)
{
    setObjectName(QStringLiteral("PersonnelDialog"));
    setWindowTitle(QStringLiteral("Personel"));
    resize(1000, 560);

    staff.setObjectName(QStringLiteral("staff"));
    staff.setSelectSql(QString::fromUtf8(SelectStaff));
    staff.setInsertSql(QString::fromUtf8(personnel::InsertEmployee));
    staff.setModifySql(QString::fromUtf8(personnel::UpdateEmployee));
    staff.setDeleteSql(QString::fromUtf8(DeleteEmployee));
    staff.setRefreshSql(QString::fromUtf8(RefreshEmployee));
    staff.setGenerator(QStringLiteral("GEN_PERSONEL_ID"), QStringLiteral("ID"),
                       db::GeneratorApply::OnPost);
    db::addSurnameFirstName(staff);

    buildView();
    employeeDialog = new EmployeeDialog(staff, desk_, this);
}

PersonnelDialog::~PersonnelDialog() = default;

QAction* PersonnelDialog::makeAction(const QString& name, const QString& caption,
                                     const QString& hint, controls::Picture picture,
                                     void (PersonnelDialog::*handler)())
{
    auto* action = new QAction(controls::icon(picture, 16), caption, this);
    action->setObjectName(name);
    action->setToolTip(hint);
    action->setStatusTip(hint);
    if (handler)
        connect(action, &QAction::triggered, this,
                [this, handler] { desk_.prompts().guarded([&] { (this->*handler)(); }); });
    QWidget::addAction(action);
    return action;
}

QWidget* PersonnelDialog::namePanel(const QString& name, const QString& caption, QLabel*& nameLabel)
{
    auto* panel = new QWidget;
    panel->setObjectName(name + QStringLiteral("Panel"));
    auto* captionLabel = new QLabel(caption);
    nameLabel = new QLabel;
    nameLabel->setObjectName(name + QStringLiteral("NameLabel"));
    controls::markDataLabel(nameLabel, caption.trimmed().remove(u':'));
    QFont bold = nameLabel->font();
    bold.setBold(true);
    nameLabel->setFont(bold);
    auto* layout = new QHBoxLayout(panel);
    layout->setContentsMargins(4, 0, 4, 0);
    layout->setSpacing(0);
    layout->addWidget(captionLabel);
    layout->addWidget(nameLabel);
    return panel;
}

void PersonnelDialog::buildView()
{
    using controls::Picture;
    addAction =
        makeAction(QStringLiteral("addAction"), QStringLiteral("Dodaj"),
                   QStringLiteral("Dodaj pracownika"), Picture::Add, &PersonnelDialog::addEmployee);
    addAction->setShortcut(Qt::Key_Insert);
    deleteAction = makeAction(QStringLiteral("deleteAction"), QStringLiteral("Usuń"),
                              QStringLiteral("Usuń pracownika"), Picture::Delete,
                              &PersonnelDialog::deleteEmployee);
    deleteAction->setShortcut(Qt::Key_Delete);
    editAction = makeAction(QStringLiteral("editAction"), QStringLiteral("Edytuj"),
                            QStringLiteral("Edytuj dane pracownika"), Picture::Edit,
                            &PersonnelDialog::editEmployee);
    changeDepartmentAction =
        makeAction(QStringLiteral("changeDepartmentAction"), QStringLiteral("Zmień"),
                   QStringLiteral("Zmień firmę/dział"), Picture::Companies,
                   &PersonnelDialog::changeDepartment);
    changeDepartmentAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_D));
    importAction = makeAction(QStringLiteral("importAction"), QStringLiteral("Import"),
                              QStringLiteral("Import listy personelu z pliku CSV"),
                              Picture::DatabaseChoice, &PersonnelDialog::importStaffList);
    exportAction = makeAction(QStringLiteral("exportAction"), QStringLiteral("Eksport"),
                              QStringLiteral("Eksportuj listę personelu do pliku CSV"),
                              Picture::Backup, &PersonnelDialog::exportStaffList);

    toolBar = new QToolBar;
    toolBar->setObjectName(QStringLiteral("toolBar"));
    toolBar->setAccessibleName(QStringLiteral("Personel"));
    toolBar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    toolBar->setIconSize(QSize(16, 16));
    toolBar->addActions({addAction, deleteAction, editAction});
    toolBar->addSeparator();
    toolBar->addActions({importAction, exportAction});
    toolBar->addSeparator();
    toolBar->addWidget(
        namePanel(QStringLiteral("company"), QStringLiteral("Firma: "), companyNameLabel));
    toolBar->addWidget(
        namePanel(QStringLiteral("department"), QStringLiteral("Dział: "), departmentNameLabel));
    toolBar->addAction(changeDepartmentAction);

    staffGrid = new controls::DataGrid(staff, desk_.prompts());
    staffGrid->setObjectName(QStringLiteral("staffGrid"));
    staffGrid->setAccessibleName(QStringLiteral("Personel"));
    const Qt::Alignment centred = Qt::AlignCenter;
    staffGrid->setColumns({
        {QStringLiteral("ID"), QStringLiteral("ID"), 60, {}, centred},
        {QStringLiteral("_nazwisko_imie"), QStringLiteral("Nazwisko i imię"), 200},
        {QStringLiteral("STANOWISKO"), QStringLiteral("Stanowisko"), 160},
        {QStringLiteral("PIETRO"), QStringLiteral("Piętro"), 80, {}, centred},
        {QStringLiteral("POKOJ"), QStringLiteral("Pokój"), 80, {}, centred},
        {QStringLiteral("TELSTACJ"), QStringLiteral("Tel. stacjonarny"), 120},
        {QStringLiteral("TELKOM"), QStringLiteral("Tel. komórkowy"), 120},
        {QStringLiteral("EMAIL"), QStringLiteral("E-mail"), 120},
    });
    staffGrid->installEventFilter(this);
    connect(staffGrid, &QAbstractItemView::doubleClicked, this, [this] {
        if (editAction->isEnabled())
            editAction->trigger();
    });

    QHBoxLayout* buttons = controls::okCancelButtons(okButton, cancelButton);
    connect(okButton, &QPushButton::clicked, this,
            [this] { desk_.prompts().guarded([this] { confirm(); }); });
    connect(cancelButton, &QPushButton::clicked, this, &PersonnelDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(toolBar);
    layout->addWidget(staffGrid, 1);
    layout->addLayout(buttons);
}

// ------------------------------------------------------------ showing

int PersonnelDialog::exec(const Request& request)
{
    prepare(request);
    return QDialog::exec();
}

void PersonnelDialog::open(const Request& request)
{
    prepare(request);
    QDialog::open();
}

void PersonnelDialog::prepare(const Request& request)
{
    companyId_ = request.companyId;
    companyName_ = request.companyName;
    departmentId_ = request.departmentId;
    departmentName_ = request.departmentName;
    employeeId_ = request.employeeId;
    changed_ = false;
    chosen_ = {};
    desk_.prompts().guarded([this] { openList(); });
    showNames();
    staffGrid->setFocus();
    updateActions();
}

void PersonnelDialog::openList()
{
    staff.close();
    staff.setSelectSql(
        QString::fromUtf8(departmentId_ != 0 ? SelectStaff : personnel::SelectStaffOfNoDepartment));
    staff.setParam(QStringLiteral("firma_id"), companyId_);
    staff.setParam(QStringLiteral("dzial_id"), departmentId_);
    staff.open();
    staff.locate(QStringLiteral("ID"), employeeId_, 0);
}

void PersonnelDialog::showNames()
{
    for (QLabel* label : {companyNameLabel, departmentNameLabel}) {
        label->setText(label == companyNameLabel ? companyName_ : departmentName_);
        // Each panel is as wide as its caption and the name after it.
        QWidget* panel = label->parentWidget();
        auto* caption = panel->findChild<QLabel*>(QString(), Qt::FindDirectChildrenOnly);
        const int captionWidth = QFontMetrics(caption->font()).horizontalAdvance(caption->text());
        const int nameWidth = QFontMetrics(label->font()).horizontalAdvance(label->text());
        caption->setFixedWidth(captionWidth);
        label->setFixedWidth(nameWidth);
        const QMargins margins = panel->layout()->contentsMargins();
        panel->setFixedWidth(captionWidth + nameWidth + margins.left() + margins.right());
    }
}

int PersonnelDialog::currentEmployeeId() const
{
    if (!staff.active() || staff.isEmpty())
        return 0;
    return staff.field(QStringLiteral("ID")).asInteger();
}

void PersonnelDialog::updateActions()
{
    const bool employee = currentEmployeeId() != 0;
    deleteAction->setEnabled(employee);
    editAction->setEnabled(employee);
    okButton->setEnabled(changed_);
}

// ------------------------------------------------------------ employees

void PersonnelDialog::addEmployee()
{
    Finally update([this] { updateActions(); });
    staff.append();
    try {
        staff.field(QStringLiteral("FIRMA_ID")).setAsInteger(companyId_);
        staff.field(QStringLiteral("DZIAL_ID")).setAsInteger(departmentId_);
    } catch (...) {
        staff.cancel();
        throw;
    }
    editCurrentRow();
}

void PersonnelDialog::editEmployee()
{
    Finally update([this] { updateActions(); });
    if (currentEmployeeId() == 0)
        return;
    staff.edit();
    editCurrentRow();
}

void PersonnelDialog::editCurrentRow()
{
    if (employeeDialog->exec(companyName_, departmentName_) != QDialog::Accepted)
        return;
    // The row is stored: the change is marked before anything else can fail, so leaving
    // the window still asks and rolls it back.
    changed_ = true;
    companyId_ = staff.field(QStringLiteral("FIRMA_ID")).asInteger();
    departmentId_ = staff.field(QStringLiteral("DZIAL_ID")).asInteger();
    employeeId_ = staff.field(QStringLiteral("ID")).asInteger();
    companyName_ = employeeDialog->companyName();
    departmentName_ = employeeDialog->departmentName();
    showNames();
    openList();
}

void PersonnelDialog::deleteEmployee()
{
    Finally update([this] { updateActions(); });
    if (currentEmployeeId() == 0)
        return;
    const QString name = staff.field(QStringLiteral("_nazwisko_imie")).asString();
    if (!desk_.prompts().question(QStringLiteral("Na pewno usunąć z listy pracownika: '") + name +
                                      QStringLiteral("'?\n\n"),
                                  QStringLiteral("Usunięcie pracownika")))
        return;
    staff.remove();
    changed_ = true;
}

void PersonnelDialog::changeDepartment()
{
    Finally update([this] { updateActions(); });
    const std::optional<desk::CompanyAndDepartment> choice =
        desk_.pickCompanyAndDepartment(companyId_, departmentId_);
    if (!choice)
        return;
    companyId_ = choice->companyId;
    companyName_ = choice->companyName;
    departmentId_ = choice->departmentId;
    departmentName_ = choice->departmentName;
    showNames();
    openList();
}

// ------------------------------------------------------------ the CSV file

void PersonnelDialog::exportStaffList()
{
    const QString chosen = desk_.prompts().saveFileName(
        QString(), desk_.csvFolder() + personnelcsv::exportFileName(desk_.clock().today()),
        QString::fromLatin1(CsvFilter), QStringLiteral("csv"));
    if (chosen.isEmpty())
        return;
    desk_.rememberCsvFolder(chosen);
    QSaveFile file(withCsvExtension(chosen));
    if (!controls::openPrivate(file))
        throw db::Error(QStringLiteral("Nie można zapisać pliku '%1':\n%2")
                            .arg(file.fileName(), file.errorString()));
    CsvProgressDialog progress(QStringLiteral("Eksport listy personelu"), this);
    const int rows = personnelcsv::exportStaff(desk_.database(), file,
                                               [&](int lines) { return progress.advance(lines); });
    if (rows < 0) {
        // Stopped: the file is left as it was.
        file.cancelWriting();
        return;
    }
    if (!file.commit())
        throw db::Error(QStringLiteral("Nie można zapisać pliku '%1':\n%2")
                            .arg(file.fileName(), file.errorString()));
}

void PersonnelDialog::importStaffList()
{
    Finally update([this] { updateActions(); });
    personnelcsv::ImportReport report;
    QString path =
        desk_.prompts().openFileName(QString(), QString(), QString::fromLatin1(CsvFilter));
    if (!path.isEmpty()) {
        if (!QFileInfo::exists(path) && QFileInfo::exists(path + QStringLiteral(".csv")))
            path += QStringLiteral(".csv");
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            desk_.prompts().message(
                QStringLiteral("Nie można odczytać pliku '%1':\n%2").arg(path, file.errorString()),
                QString(), controls::Icon::Error);
        } else {
            const QByteArray bytes = file.readAll();
            file.close();
            CsvProgressDialog progress(QStringLiteral("Import listy personelu"), this);
            report = personnelcsv::importStaff(desk_.database(), bytes,
                                               [&](int lines) { return progress.advance(lines); });
            // From here on rows may be pending: leaving the window asks and rolls them back.
            changed_ = true;
            if (!report.headerMatched)
                desk_.prompts().message(QStringLiteral("Nieprawidłowy format pliku importu."));
        }
    }

    const personnelcsv::LogPlace log =
        personnelcsv::writeLog(report.log, personnelcsv::logFileName(desk_.clock().now()),
                               {desk_.programFolder(), desk_.settingsFolder()});
    if (!report.failure.isEmpty())
        desk_.prompts().message(QStringLiteral("Błąd zapisu do bazy danych w wierszu %1 pliku "
                                               "importu; import przerwano.\n%2")
                                    .arg(report.stoppedAtLine)
                                    .arg(report.failure),
                                QString(), controls::Icon::Error);
    QString summary;
    if (report.cancelled)
        summary +=
            QStringLiteral("Import przerwano po wierszu %1 pliku.\n\n").arg(report.stoppedAtLine);
    summary += QStringLiteral("Wykonano import listy personelu z pliku CSV.\nDodano: ") +
               QString::number(report.added) + QStringLiteral("\nAktualizowano: ") +
               QString::number(report.updated) + QStringLiteral("\nBłędów: ") +
               QString::number(report.errors);
    if (!log.path.isEmpty())
        summary += QStringLiteral("\n\nLog importu został zapisany w pliku:\n'") + log.path +
                   QStringLiteral("'");
    else
        summary += QStringLiteral(
                       "\n\nNie udało się zapisać logu importu ani w folderze "
                       "programu, ani w folderze ustawień:\n") +
                   log.error;
    desk_.prompts().message(summary);

    changed_ = true;
    openList();
}

bool PersonnelDialog::eventFilter(QObject* watched, QEvent* event)
{
    // Enter edits only while the list has the focus.
    if (watched == staffGrid && event->type() == QEvent::FocusIn)
        editAction->setShortcuts({QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)});
    else if (watched == staffGrid && event->type() == QEvent::FocusOut)
        editAction->setShortcuts({});
    return QDialog::eventFilter(watched, event);
}

// ------------------------------------------------------------ closing

void PersonnelDialog::confirm()
{
    desk_.commitWork();
    const bool employee = currentEmployeeId() != 0;
    chosen_.companyId = employee ? staff.field(QStringLiteral("FIRMA_ID")).asInteger() : 0;
    chosen_.departmentId = employee ? staff.field(QStringLiteral("DZIAL_ID")).asInteger() : 0;
    chosen_.employeeId = employee ? staff.field(QStringLiteral("ID")).asInteger() : 0;
    changed_ = false;
    accept();
}

void PersonnelDialog::reject()
{
    if (changed_) {
        if (!desk_.prompts().question(
                QStringLiteral("Na pewno anulować wszystkie wprowadzone zmiany?"),
                QStringLiteral("Anulowanie zmian")))
            return;
        if (!desk_.prompts().guarded([this] { desk_.rollbackWork(); }))
            return;
        changed_ = false;
    }
    QDialog::reject();
}

void PersonnelDialog::done(int result)
{
    QDialog::done(result);
    staff.close();
}

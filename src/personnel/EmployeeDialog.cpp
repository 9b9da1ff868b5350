#include "personnel/EmployeeDialog.h"

#include "controls/Accessibility.h"
#include "controls/BoundLineEdit.h"
#include "controls/BoundTextEdit.h"
#include "controls/DialogButtons.h"
#include "controls/FieldBinder.h"
#include "controls/Icons.h"
#include "controls/Prompts.h"
#include "db/DataSet.h"
#include "db/Error.h"
#include "db/Statement.h"
#include "desk/Desk.h"

#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

// The department an employee is put into, held until the unit of work ends: a desk deleting
// it meanwhile meets this lock (or, once it has deleted the row, this finds none), so the
// employee and the delete cannot both be stored.
constexpr auto LockDepartment = R"(select ID
from DZIALY
where
  ID = :DZIAL_ID
  and
  FIRMA_ID = :FIRMA_ID
with lock)";

QLabel* boldLabel(const QString& objectName)
{
    auto* label = new QLabel;
    label->setObjectName(objectName);
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

// "Nazwisko:" -> "Nazwisko", the name a screen reader gives the box.
QString accessibleFrom(const QString& caption)
{
    QString name = caption;
    if (name.endsWith(u':'))
        name.chop(1);
    return name;
}

}  // namespace

EmployeeDialog::EmployeeDialog(db::DataSet& staff, desk::Desk& desk, QWidget* parent)
    : QDialog(parent), staff_(staff), desk_(desk)
{
    setObjectName(QStringLiteral("EmployeeDialog"));
    setWindowTitle(QStringLiteral("Personel :: Edycja danych pracownika"));

    idLabel = boldLabel(QStringLiteral("idLabel"));
    surnameEdit = lineEdit(QStringLiteral("surnameEdit"), QStringLiteral("NAZWISKO"));
    firstNameEdit = lineEdit(QStringLiteral("firstNameEdit"), QStringLiteral("IMIE"));
    positionEdit = lineEdit(QStringLiteral("positionEdit"), QStringLiteral("STANOWISKO"));
    floorEdit = lineEdit(QStringLiteral("floorEdit"), QStringLiteral("PIETRO"));
    roomEdit = lineEdit(QStringLiteral("roomEdit"), QStringLiteral("POKOJ"));
    landlineEdit = lineEdit(QStringLiteral("landlineEdit"), QStringLiteral("TELSTACJ"));
    mobileEdit = lineEdit(QStringLiteral("mobileEdit"), QStringLiteral("TELKOM"));
    emailEdit = lineEdit(QStringLiteral("emailEdit"), QStringLiteral("EMAIL"));
    notesEdit = new controls::BoundTextEdit(staff_, QStringLiteral("INFO"));
    notesEdit->setObjectName(QStringLiteral("notesEdit"));
    notesEdit->setPrompts(&desk_.prompts());
    notesEdit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    notesEdit->setTabChangesFocus(true);
    // The widths of the columns, before the row tells them.
    const std::pair<controls::BoundLineEdit*, int> widths[] = {
        {surnameEdit, 64}, {firstNameEdit, 32}, {positionEdit, 64}, {floorEdit, 16},
        {roomEdit, 16},    {landlineEdit, 64},  {mobileEdit, 64},   {emailEdit, 64}};
    for (const auto& [edit, width] : widths)
        edit->setMaxLength(width);
    for (controls::BoundLineEdit* edit : {floorEdit, roomEdit})
        edit->setMaximumWidth(120);

    auto* fields = new QFormLayout;
    auto addRow = [fields](const QString& caption, QWidget* box) {
        auto* label = new QLabel(caption);
        label->setBuddy(box);
        if (!qobject_cast<QLabel*>(box))  // a label that shows data is read as its data
            box->setAccessibleName(accessibleFrom(caption));
        fields->addRow(label, box);
    };
    addRow(QStringLiteral("ID:"), idLabel);
    addRow(QStringLiteral("Nazwisko:"), surnameEdit);
    addRow(QStringLiteral("Imię:"), firstNameEdit);
    addRow(QStringLiteral("Stanowisko:"), positionEdit);
    addRow(QStringLiteral("Piętro:"), floorEdit);
    addRow(QStringLiteral("Pokój:"), roomEdit);
    addRow(QStringLiteral("Tel. stacjonarny:"), landlineEdit);
    addRow(QStringLiteral("Tel. komórkowy:"), mobileEdit);
    addRow(QStringLiteral("E-mail:"), emailEdit);

    auto* notesCaption = new QLabel(QStringLiteral("Info o pracowniku:"));
    notesCaption->setBuddy(notesEdit);
    notesEdit->setAccessibleName(QStringLiteral("Info o pracowniku"));
    controls::nameScrollBars(notesEdit, QStringLiteral("Info o pracowniku"));

    auto* group = new QGroupBox(QStringLiteral("Firma i dział"));
    group->setObjectName(QStringLiteral("companyAndDepartmentGroup"));
    companyNameLabel = boldLabel(QStringLiteral("companyNameLabel"));
    departmentNameLabel = boldLabel(QStringLiteral("departmentNameLabel"));
    changeDepartmentButton =
        new QPushButton(controls::icon(controls::Picture::Companies, 16), QStringLiteral("Zmień"));
    changeDepartmentButton->setObjectName(QStringLiteral("changeDepartmentButton"));
    changeDepartmentButton->setToolTip(QStringLiteral("Zmień firmę/dział"));
    changeDepartmentButton->setAccessibleDescription(QStringLiteral("Zmień firmę/dział"));
    changeDepartmentButton->setAutoDefault(false);
    auto* groupLayout = new QGridLayout(group);
    groupLayout->addWidget(new QLabel(QStringLiteral("Firma:")), 0, 0);
    groupLayout->addWidget(companyNameLabel, 0, 1);
    groupLayout->addWidget(new QLabel(QStringLiteral("Dział:")), 1, 0);
    groupLayout->addWidget(departmentNameLabel, 1, 1);
    groupLayout->addWidget(changeDepartmentButton, 0, 2, 2, 1, Qt::AlignVCenter);
    groupLayout->setColumnStretch(1, 1);

    QHBoxLayout* buttons = controls::okCancelButtons(okButton, cancelButton);
    okButton->setDefault(true);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addWidget(notesCaption);
    layout->addWidget(notesEdit, 1);
    layout->addWidget(group);
    layout->addLayout(buttons);
    resize(520, 560);

    connect(changeDepartmentButton, &QPushButton::clicked, this,
            [this] { desk_.prompts().guarded([this] { changeDepartment(); }); });
    connect(okButton, &QPushButton::clicked, this,
            [this] { desk_.prompts().guarded([this] { confirm(); }); });
    connect(cancelButton, &QPushButton::clicked, this, &QDialog::reject);
    controls::followCurrentRow(this, staff_, [this] { showRow(); });
}

controls::BoundLineEdit* EmployeeDialog::lineEdit(const QString& name, const QString& field)
{
    auto* edit = new controls::BoundLineEdit(staff_, field);
    edit->setObjectName(name);
    edit->setPrompts(&desk_.prompts());
    return edit;
}

int EmployeeDialog::exec(const QString& companyName, const QString& departmentName)
{
    companyName_ = companyName;
    departmentName_ = departmentName;
    storedDepartment_ = staff_.state() == db::DataSetState::Edit
                            ? staff_.field(QStringLiteral("DZIAL_ID")).asInteger()
                            : 0;
    return QDialog::exec();
}

void EmployeeDialog::showEvent(QShowEvent* event)
{
    showRow();
    for (controls::BoundLineEdit* edit : {surnameEdit, firstNameEdit, positionEdit, floorEdit,
                                          roomEdit, landlineEdit, mobileEdit, emailEdit})
        edit->showField();
    notesEdit->showField();
    showNames();
    surnameEdit->setFocus();
    QDialog::showEvent(event);
}

void EmployeeDialog::showRow()
{
    const db::Field* id = staff_.active() && staff_.recNo() > 0 ? staff_.findField("ID") : nullptr;
    idLabel->setText(id ? id->asString() : QString());
}

void EmployeeDialog::showNames()
{
    companyNameLabel->setText(companyName_);
    departmentNameLabel->setText(departmentName_);
}

bool EmployeeDialog::writeBoxes()
{
    for (controls::BoundLineEdit* edit : {surnameEdit, firstNameEdit, positionEdit, floorEdit,
                                          roomEdit, landlineEdit, mobileEdit, emailEdit})
        if (!edit->writePending())
            return false;
    return notesEdit->writePending();
}

void EmployeeDialog::changeDepartment()
{
    if (!writeBoxes())
        return;
    const std::optional<desk::CompanyAndDepartment> choice = desk_.pickCompanyAndDepartment(
        staff_.field("FIRMA_ID").asInteger(), staff_.field("DZIAL_ID").asInteger());
    if (!choice)
        return;
    staff_.field("FIRMA_ID").setAsInteger(choice->companyId);
    staff_.field("DZIAL_ID").setAsInteger(choice->departmentId);
    companyName_ = choice->companyName;
    departmentName_ = choice->departmentName;
    showNames();
}

void EmployeeDialog::refuse(const QString& text, QWidget* focus)
{
    desk_.prompts().beep();
    desk_.prompts().message(text, {}, controls::Icon::Warning);
    focus->setFocus();
}

bool EmployeeDialog::checkRow()
{
    if (staff_.field("NAZWISKO").asString().isEmpty()) {
        refuse(QStringLiteral("Nie wpisano nazwiska."), surnameEdit);
        return false;
    }
    if (staff_.field("FIRMA_ID").asInteger() == 0) {
        refuse(QStringLiteral("Nie wybrano firmy."), changeDepartmentButton);
        return false;
    }
    if (staff_.field("DZIAL_ID").asInteger() == 0) {
        refuse(QStringLiteral("Nie wybrano działu firmy."), changeDepartmentButton);
        return false;
    }
    return true;
}

void EmployeeDialog::confirm()
{
    okButton->setFocus();
    if (!writeBoxes() || !checkRow())
        return;
    // A row the database refused is no OK: the error is reported and the dialog stays with
    // everything typed, for another try or Anuluj.
    if (desk_.prompts().guarded([this] {
            lockDepartment();
            staff_.post();
        }))
        accept();
}

void EmployeeDialog::lockDepartment()
{
    // An employee staying in the department it is stored in takes no lock, so two desks
    // editing two people of one department do not stop each other.
    const int departmentId = staff_.field(QStringLiteral("DZIAL_ID")).asInteger();
    if (departmentId == storedDepartment_)
        return;
    db::Statement lock(desk_.database(), QString::fromUtf8(LockDepartment));
    std::vector<db::Values> rows;
    lock.execute(
        [&](const QString& name) {
            return name.compare(QLatin1String("DZIAL_ID"), Qt::CaseInsensitive) == 0
                       ? QVariant(departmentId)
                       : staff_.field(QStringLiteral("FIRMA_ID")).value();
        },
        &rows);
    if (rows.empty())
        throw db::Error(
            QStringLiteral("Wybranego działu nie ma już w bazie danych (usunięto go "
                           "na innym stanowisku?). Wybierz dział przyciskiem "
                           "„Zmień”."));
}

void EmployeeDialog::done(int result)
{
    staff_.cancel();  // after a stored row there is nothing left to cancel
    QDialog::done(result);
}

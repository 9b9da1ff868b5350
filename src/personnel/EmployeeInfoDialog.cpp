#include "personnel/EmployeeInfoDialog.h"

#include "controls/Accessibility.h"
#include "controls/BoundTextEdit.h"
#include "controls/Colours.h"
#include "controls/DialogButtons.h"
#include "controls/Prompts.h"
#include "db/DataSet.h"
#include "db/Statement.h"
#include "desk/Desk.h"

#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

// The employee with the names of the company and the department. An employee of no
// department (DZIAL_ID 0) is not found.
constexpr auto SelectEmployee = R"(select
  P.*,
  F.NAZWA as FIRMA,
  D.NAZWA as DZIAL
from
  PERSONEL P,
  FIRMY F,
  DZIALY D
where
  P.ID = :person_id
  and
  F.ID = P.FIRMA_ID
  and
  D.ID = P.DZIAL_ID)";

// Only the notes are ever written.
constexpr auto UpdateNotes = R"(update PERSONEL
set
  INFO = :INFO
where
  ID = :OLD_ID)";

// The notes as stored now: OK is refused when another desk stored other notes since they
// were read (the update writes only the notes, so no other value of the row can be lost).
constexpr auto RefreshNotes = R"(select
  ID,
  INFO
from PERSONEL
where
  ID = :ID)";

// Whether the employee exists at all, to say why the entry cannot be shown.
constexpr auto SelectEmployeeExists = R"(select count(*) from PERSONEL where ID = :person_id)";

// The read-only values of the upper panel: label, field, and the name of the box.
struct EntryBox {
    const char* label;
    const char* field;
    const char* name;
};
constexpr EntryBox LeftBoxes[] = {
    {"ID:", "ID", "idEdit"},
    {"Nazwisko:", "NAZWISKO", "surnameEdit"},
    {"Imię:", "IMIE", "firstNameEdit"},
    {"Firma:", "FIRMA", "companyEdit"},
    {"Dział:", "DZIAL", "departmentEdit"},
    {"Stanowisko:", "STANOWISKO", "positionEdit"},
};
constexpr EntryBox RightBoxes[] = {
    {"Piętro:", "PIETRO", "floorEdit"},
    {"Pokój:", "POKOJ", "roomEdit"},
    {"Tel. stacjonarny:", "TELSTACJ", "landlineEdit"},
    {"Tel. komórkowy:", "TELKOM", "mobileEdit"},
    {"E-mail:", "EMAIL", "emailEdit"},
};

QString withoutColon(const QString& label)
{
    return label.endsWith(u':') ? label.chopped(1) : label;
}

void paintInactive(QWidget* box)
{
    QPalette palette = box->palette();
    palette.setColor(QPalette::Base, controls::windowsColor(controls::colours::InactiveBox));
    box->setPalette(palette);
}

}  // namespace

struct EmployeeInfoDialog::Insides {
    db::DataSet* employee = nullptr;
    std::vector<std::pair<QLineEdit*, QString>> entryBoxes;  // box and its field
    QLabel* missingEntryLabel = nullptr;
    QLabel* notesLabel = nullptr;
    controls::BoundTextEdit* notesEdit = nullptr;
    QPushButton* okButton = nullptr;
    QPushButton* cancelButton = nullptr;
    bool changed = false;  // the notes were typed and neither stored nor discarded
};

EmployeeInfoDialog::EmployeeInfoDialog(desk::Desk& desk, QWidget* parent)
    : QDialog(parent), desk_(desk), d_(std::make_unique<Insides>())
{
    setObjectName(QStringLiteral("EmployeeInfoDialog"));
    setWindowTitle(QStringLiteral("Info o pracowniku"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(652, 324);

    d_->employee = new db::DataSet(desk.database(), this);
    d_->employee->setObjectName(QStringLiteral("employee"));
    d_->employee->setSelectSql(QString::fromUtf8(SelectEmployee));
    d_->employee->setModifySql(QString::fromUtf8(UpdateNotes));
    d_->employee->setRefreshSql(QString::fromUtf8(RefreshNotes));

    auto* entry = new QGridLayout;
    entry->setHorizontalSpacing(6);
    entry->setVerticalSpacing(3);
    const auto addColumn = [this, entry](const auto& boxes, int column) {
        int row = 0;
        for (const EntryBox& b : boxes) {
            const QString caption = QString::fromUtf8(b.label);
            auto* box = new QLineEdit;
            box->setObjectName(QString::fromUtf8(b.name));
            box->setReadOnly(true);
            box->setFocusPolicy(Qt::ClickFocus);
            box->setAccessibleName(withoutColon(caption));
            paintInactive(box);
            auto* label = new QLabel(caption);
            label->setObjectName(
                QString::fromUtf8(b.name).replace(QLatin1String("Edit"), QLatin1String("Label")));
            label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
            label->setBuddy(box);
            entry->addWidget(label, row, column);
            entry->addWidget(box, row, column + 1);
            d_->entryBoxes.emplace_back(box, QString::fromUtf8(b.field));
            ++row;
        }
    };
    addColumn(LeftBoxes, 0);
    addColumn(RightBoxes, 2);
    entry->setColumnStretch(1, 6);
    entry->setColumnStretch(3, 5);

    d_->notesEdit = new controls::BoundTextEdit(*d_->employee, QStringLiteral("INFO"));
    d_->notesEdit->setObjectName(QStringLiteral("notesEdit"));
    d_->notesEdit->setPrompts(&desk.prompts());
    d_->notesEdit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    d_->notesEdit->setTabChangesFocus(true);
    d_->notesEdit->setAccessibleName(QStringLiteral("Info o pracowniku"));
    controls::nameScrollBars(d_->notesEdit, QStringLiteral("Info o pracowniku"));
    d_->notesEdit->installEventFilter(this);
    // The window clears the flag again after it shows a row itself (prepare, OK, Cancel).
    connect(d_->notesEdit, &QPlainTextEdit::textChanged, this, [this] { d_->changed = true; });
    d_->notesLabel = new QLabel(QStringLiteral("Info o pracowniku:"));
    d_->notesLabel->setObjectName(QStringLiteral("notesLabel"));
    d_->notesLabel->setBuddy(d_->notesEdit);

    d_->missingEntryLabel = new QLabel;
    d_->missingEntryLabel->setObjectName(QStringLiteral("missingEntryLabel"));
    d_->missingEntryLabel->setWordWrap(true);
    d_->missingEntryLabel->setStyleSheet(QStringLiteral("color: #b00000; font-weight: bold;"));
    d_->missingEntryLabel->hide();

    QHBoxLayout* buttons = controls::okCancelButtons(d_->okButton, d_->cancelButton);
    d_->okButton->setDefault(true);
    buttons->insertWidget(0, d_->missingEntryLabel, 1);
    connect(d_->okButton, &QPushButton::clicked, this, &EmployeeInfoDialog::storeNotes);
    connect(d_->cancelButton, &QPushButton::clicked, this, &EmployeeInfoDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->setSpacing(4);
    layout->addLayout(entry);
    layout->addSpacing(4);
    layout->addWidget(d_->notesLabel);
    layout->addWidget(d_->notesEdit, 1);
    layout->addLayout(buttons);
}

EmployeeInfoDialog::~EmployeeInfoDialog()
{
    d_->notesEdit->removeEventFilter(this);
}

int EmployeeInfoDialog::exec(int employeeId)
{
    if (!prepare(employeeId))
        return QDialog::Rejected;
    return QDialog::exec();
}

void EmployeeInfoDialog::open(int employeeId)
{
    if (prepare(employeeId))
        QDialog::open();
}

bool EmployeeInfoDialog::prepare(int employeeId)
{
    db::DataSet& employee = *d_->employee;
    employee.close();
    d_->changed = false;
    const bool loaded = desk_.prompts().guarded([&] {
        employee.setParam(QStringLiteral("person_id"), employeeId);
        employee.open();
        // An empty set would start a new row when edited: there is nothing to edit then.
        if (employee.recordCount() == 1)
            employee.edit();
    });
    if (!loaded) {
        employee.close();
        return false;
    }
    if (employee.editing())
        showEntry();
    else
        showMissingEntry(employeeId);
    d_->changed = false;
    return true;
}

void EmployeeInfoDialog::showEntry()
{
    for (const auto& [box, field] : d_->entryBoxes) {
        box->setText(d_->employee->field(field).asString());
        box->setToolTip(box->text());  // a long company name does not fit in the box
        box->setCursorPosition(0);
    }
    d_->missingEntryLabel->hide();
    d_->notesEdit->setReadOnly(false);
    d_->notesEdit->setPalette(QPalette());
    d_->notesEdit->showField();
    d_->notesEdit->moveCursor(QTextCursor::End);  // a new remark goes after the old ones
    d_->okButton->setEnabled(true);
    d_->notesEdit->setFocus();
}

void EmployeeInfoDialog::showMissingEntry(int employeeId)
{
    for (const auto& [box, field] : d_->entryBoxes) {
        box->clear();
        box->setToolTip({});
    }
    d_->entryBoxes.front().first->setText(QString::number(employeeId));

    // Say why, and whether the employee is there at all.
    bool exists = false;
    desk_.prompts().guarded([&] {
        db::Statement count(desk_.database(), QString::fromUtf8(SelectEmployeeExists));
        std::vector<db::Values> rows;
        count.execute([employeeId](const QString&) { return QVariant(employeeId); }, &rows);
        exists = !rows.empty() && !rows.front().empty() && rows.front().front().toInt() > 0;
    });
    d_->missingEntryLabel->setText(
        exists ? QStringLiteral("Pracownik nr %1 nie należy do żadnego działu firmy: "
                                "nie ma tu danych do pokazania ani notatek do zapisania.")
                     .arg(employeeId)
               : QStringLiteral("Pracownik nr %1 nie istnieje (usunięty na innym stanowisku?).")
                     .arg(employeeId));
    d_->missingEntryLabel->show();
    d_->notesEdit->setReadOnly(true);
    paintInactive(d_->notesEdit);
    d_->notesEdit->showField();
    d_->okButton->setEnabled(false);
    d_->cancelButton->setFocus();
}

void EmployeeInfoDialog::storeNotes()
{
    db::DataSet& employee = *d_->employee;
    if (!employee.editing())
        return;  // nothing shown, nothing to store
    d_->okButton->setFocus();
    if (!d_->notesEdit->writePending())
        return;
    // A row the database refuses is no OK: the notes stay in the box for another try or
    // Cancel, and nothing of them is stored.
    if (!desk_.prompts().guarded([&] { employee.post(); })) {
        d_->notesEdit->setFocus();
        return;
    }
    // A commit the server refused was rolled back and reported: the notes stay in the box,
    // and the row is edited again so that the next OK stores them.
    if (!desk_.commitWork()) {
        desk_.prompts().guarded([&] { employee.resumeEdit(); });
        d_->notesEdit->setFocus();
        return;
    }
    d_->changed = false;
    accept();
}

void EmployeeInfoDialog::reject()
{
    if (d_->changed) {
        if (!desk_.prompts().question(QStringLiteral("Na pewno anulować wprowadzone zmiany?"),
                                      QStringLiteral("Anulowanie zmian")))
            return;
        d_->employee->cancel();
        desk_.rollbackWork();
        d_->changed = false;
    }
    QDialog::reject();
}

void EmployeeInfoDialog::done(int result)
{
    QDialog::done(result);
    d_->employee->cancel();  // after stored notes there is nothing left to cancel
    d_->employee->close();
    d_->changed = false;
}

bool EmployeeInfoDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == d_->notesEdit && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
        if (enter && (key->modifiers() & Qt::ControlModifier)) {
            storeNotes();
            return true;
        }
        if (key->key() == Qt::Key_Escape) {
            reject();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

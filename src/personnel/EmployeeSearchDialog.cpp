#include "personnel/EmployeeSearchDialog.h"

#include "controls/Colours.h"
#include "controls/DataGrid.h"
#include "controls/DialogButtons.h"
#include "controls/Prompts.h"
#include "db/DataSet.h"
#include "db/RecordRules.h"
#include "personnel/EmployeeSearch.h"

#include <QButtonGroup>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QTimer>
#include <QVBoxLayout>

namespace {

// The search runs this long after the last change of a criterion.
constexpr int SearchDelayMs = 400;
// Record numbers are 32-bit: ten digits at most.
constexpr auto NumberPattern = R"([0-9]{0,10})";

QLineEdit* criterionBox(const QString& name, const QString& accessibleName, int maxLength)
{
    auto* box = new QLineEdit;
    box->setObjectName(name);
    box->setMaxLength(maxLength);
    box->setAccessibleName(accessibleName);
    QFont font = box->font();
    font.setPixelSize(13);
    font.setBold(true);
    box->setFont(font);
    return box;
}

QLabel* labelFor(QLineEdit* box, const QString& name, const QString& caption)
{
    auto* label = new QLabel(caption);
    label->setObjectName(name);
    label->setBuddy(box);
    return label;
}

}  // namespace

struct EmployeeSearchDialog::Insides {
    EmployeeSearchDialog& dialog;
    desk::Desk& desk;
    db::DataSet* results = nullptr;
    QLineEdit* numberEdit = nullptr;
    QLineEdit* surnameEdit = nullptr;
    QLineEdit* firstNameEdit = nullptr;
    QLineEdit* positionEdit = nullptr;
    QLabel* numberLabel = nullptr;
    QLabel* surnameLabel = nullptr;
    QLabel* firstNameLabel = nullptr;
    QLabel* positionLabel = nullptr;
    QGroupBox* matchModeGroup = nullptr;
    QRadioButton* beginningButton = nullptr;
    QRadioButton* anywhereButton = nullptr;
    QButtonGroup* matchModeButtons = nullptr;
    controls::DataGrid* resultGrid = nullptr;
    QPushButton* okButton = nullptr;
    QPushButton* cancelButton = nullptr;
    QTimer* searchTimer = nullptr;
    desk::EmployeeChoice choice;

    Insides(EmployeeSearchDialog& owner, desk::Desk& desk) : dialog(owner), desk(desk) {}

    void build();
    QList<QLineEdit*> boxes() const
    {
        return {numberEdit, surnameEdit, firstNameEdit, positionEdit};
    }
    personnel::EmployeeCriteria criteria() const;

    void onCriterionChanged();
    void onSearchDelayElapsed();
    void onMatchModeChosen();
    void searchNowAndGoToResults();
    void search();
    void refreshControls();
    bool canChoose() const;
    void chooseCurrent();
};

void EmployeeSearchDialog::Insides::build()
{
    dialog.setObjectName(QStringLiteral("EmployeeSearchDialog"));
    dialog.setWindowTitle(QStringLiteral("Szukaj pracownika"));
    dialog.setWindowFlag(Qt::WindowMaximizeButtonHint);
    dialog.setMinimumSize(750, 300);
    dialog.resize(1080, 520);

    results = new db::DataSet(desk.database(), &dialog);
    results->setObjectName(QStringLiteral("results"));
    db::addSurnameFirstName(*results);

    numberEdit = criterionBox(QStringLiteral("numberEdit"), QStringLiteral("ID"), 10);
    numberEdit->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QString::fromLatin1(NumberPattern)), numberEdit));
    surnameEdit = criterionBox(QStringLiteral("surnameEdit"), QStringLiteral("Nazwisko"),
                               personnel::SurnameWidth);
    firstNameEdit = criterionBox(QStringLiteral("firstNameEdit"), QStringLiteral("Imię"),
                                 personnel::FirstNameWidth);
    positionEdit = criterionBox(QStringLiteral("positionEdit"), QStringLiteral("Stanowisko"),
                                personnel::PositionWidth);
    numberLabel = labelFor(numberEdit, QStringLiteral("numberLabel"), QStringLiteral("ID:"));
    surnameLabel =
        labelFor(surnameEdit, QStringLiteral("surnameLabel"), QStringLiteral("Nazwisko:"));
    firstNameLabel =
        labelFor(firstNameEdit, QStringLiteral("firstNameLabel"), QStringLiteral("Imię:"));
    positionLabel =
        labelFor(positionEdit, QStringLiteral("positionLabel"), QStringLiteral("Stanowisko:"));

    matchModeGroup = new QGroupBox(QStringLiteral("Dopasuj:"));
    matchModeGroup->setObjectName(QStringLiteral("matchModeGroup"));
    beginningButton = new QRadioButton(QStringLiteral("&Początek pola"));
    beginningButton->setObjectName(QStringLiteral("beginningButton"));
    anywhereButton = new QRadioButton(QStringLiteral("&Dowolny fragment pola"));
    anywhereButton->setObjectName(QStringLiteral("anywhereButton"));
    matchModeButtons = new QButtonGroup(&dialog);
    matchModeButtons->setObjectName(QStringLiteral("matchModeButtons"));
    matchModeButtons->addButton(beginningButton, int(personnel::MatchMode::Beginning));
    matchModeButtons->addButton(anywhereButton, int(personnel::MatchMode::Anywhere));
    beginningButton->setChecked(true);
    auto* modeLayout = new QVBoxLayout(matchModeGroup);
    modeLayout->addWidget(beginningButton);
    modeLayout->addWidget(anywhereButton);

    resultGrid = new controls::DataGrid(*results, desk.prompts());
    resultGrid->setObjectName(QStringLiteral("resultGrid"));
    resultGrid->setAccessibleName(QStringLiteral("Znalezieni pracownicy"));
    const auto centred = Qt::AlignHCenter | Qt::AlignVCenter;
    resultGrid->setColumns({
        {QStringLiteral("ID"), QStringLiteral("ID"), 60, {}, centred},
        {QStringLiteral("_nazwisko_imie"), QStringLiteral("Nazwisko i imię"), 200},
        {QStringLiteral("STANOWISKO"), QStringLiteral("Stanowisko"), 200},
        {QStringLiteral("FIRMA"), QStringLiteral("Firma"), 200},
        {QStringLiteral("DZIAL"), QStringLiteral("Dział"), 200},
        {QStringLiteral("PIETRO"), QStringLiteral("Piętro"), 80, {}, centred},
        {QStringLiteral("POKOJ"), QStringLiteral("Pokój"), 80, {}, centred},
    });

    QHBoxLayout* buttons = controls::okCancelButtons(okButton, cancelButton);

    searchTimer = new QTimer(&dialog);
    searchTimer->setObjectName(QStringLiteral("searchTimer"));
    searchTimer->setSingleShot(true);
    searchTimer->setInterval(SearchDelayMs);

    auto* criteriaLayout = new QGridLayout;
    int column = 0;
    for (auto [label, box] :
         {std::pair{numberLabel, numberEdit}, std::pair{surnameLabel, surnameEdit},
          std::pair{firstNameLabel, firstNameEdit}, std::pair{positionLabel, positionEdit}}) {
        criteriaLayout->addWidget(label, 0, column, Qt::AlignBottom);
        criteriaLayout->addWidget(box, 1, column);
        ++column;
    }
    numberEdit->setMaximumWidth(110);
    criteriaLayout->addWidget(matchModeGroup, 0, column, 2, 1);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addLayout(criteriaLayout);
    layout->addWidget(resultGrid, 1);
    layout->addLayout(buttons);

    for (QLineEdit* box : boxes()) {
        box->installEventFilter(&dialog);
        QObject::connect(box, &QLineEdit::textChanged, &dialog, [this] { onCriterionChanged(); });
    }
    resultGrid->installEventFilter(&dialog);
    QObject::connect(searchTimer, &QTimer::timeout, &dialog, [this] { onSearchDelayElapsed(); });
    QObject::connect(matchModeButtons, &QButtonGroup::idClicked, &dialog,
                     [this] { onMatchModeChosen(); });
    QObject::connect(resultGrid, &QAbstractItemView::doubleClicked, &dialog, [this] {
        if (okButton->isEnabled())
            chooseCurrent();
    });
    QObject::connect(okButton, &QPushButton::clicked, &dialog, [this] { chooseCurrent(); });
    QObject::connect(cancelButton, &QPushButton::clicked, &dialog, &QDialog::reject);

    QWidget::setTabOrder(numberEdit, surnameEdit);
    QWidget::setTabOrder(surnameEdit, firstNameEdit);
    QWidget::setTabOrder(firstNameEdit, positionEdit);
    QWidget::setTabOrder(positionEdit, beginningButton);
    QWidget::setTabOrder(beginningButton, anywhereButton);
    QWidget::setTabOrder(anywhereButton, resultGrid);
    QWidget::setTabOrder(resultGrid, okButton);
    QWidget::setTabOrder(okButton, cancelButton);
}

personnel::EmployeeCriteria EmployeeSearchDialog::Insides::criteria() const
{
    personnel::EmployeeCriteria c;
    c.number = numberEdit->text();
    c.surname = surnameEdit->text();
    c.firstName = firstNameEdit->text();
    c.position = positionEdit->text();
    c.mode = anywhereButton->isChecked() ? personnel::MatchMode::Anywhere
                                         : personnel::MatchMode::Beginning;
    return c;
}

void EmployeeSearchDialog::Insides::onCriterionChanged()
{
    searchTimer->start();  // restarts a running delay
    refreshControls();
}

void EmployeeSearchDialog::Insides::onSearchDelayElapsed()
{
    searchTimer->stop();
    search();
    refreshControls();
}

void EmployeeSearchDialog::Insides::onMatchModeChosen()
{
    search();
    refreshControls();
}

void EmployeeSearchDialog::Insides::searchNowAndGoToResults()
{
    if (searchTimer->isActive()) {
        searchTimer->stop();
        search();
    }
    resultGrid->setFocus();
    refreshControls();
}

// A refused search (the connection lost, the database shut down) is reported and leaves
// the result closed and empty; the caller refreshes the controls either way, so OK never
// stays enabled over the rows of earlier criteria.
void EmployeeSearchDialog::Insides::search()
{
    results->close();
    const std::optional<personnel::EmployeeSearch> statement =
        personnel::composeEmployeeSearch(criteria());
    if (!statement)
        return;
    desk.prompts().guarded([&] {
        results->setSelectSql(statement->sql);
        for (const auto& [name, value] : statement->params)
            results->setParam(name, value);
        results->open();
    });
}

void EmployeeSearchDialog::Insides::refreshControls()
{
    const bool numberGiven = !numberEdit->text().isEmpty();
    const bool textGiven = !surnameEdit->text().isEmpty() || !firstNameEdit->text().isEmpty() ||
                           !positionEdit->text().isEmpty();
    numberEdit->setEnabled(!textGiven);
    for (QLineEdit* box : {surnameEdit, firstNameEdit, positionEdit})
        box->setEnabled(!numberGiven);
    matchModeGroup->setEnabled(!numberGiven);

    const QColor normal = dialog.palette().color(QPalette::Active, QPalette::Base);
    const QColor inactive = controls::windowsColor(controls::colours::InactiveBox);
    for (QLineEdit* box : boxes()) {
        QPalette palette = box->palette();
        palette.setColor(QPalette::Base, box->isEnabled() ? normal : inactive);
        box->setPalette(palette);
    }
    for (QLabel* label : {numberLabel, surnameLabel, firstNameLabel, positionLabel})
        label->setEnabled(label->buddy()->isEnabled());
    okButton->setEnabled(canChoose());
}

bool EmployeeSearchDialog::Insides::canChoose() const
{
    return results->active() && !results->isEmpty() && results->recNo() > 0;
}

void EmployeeSearchDialog::Insides::chooseCurrent()
{
    if (!canChoose())
        return;
    choice.companyId = results->field(QStringLiteral("FIRMA_ID")).asInteger();
    choice.departmentId = results->field(QStringLiteral("DZIAL_ID")).asInteger();
    choice.employeeId = results->field(QStringLiteral("ID")).asInteger();
    choice.surnameFirstName = results->field(QStringLiteral("_nazwisko_imie")).asString();
    dialog.accept();
}

EmployeeSearchDialog::EmployeeSearchDialog(desk::Desk& desk, QWidget* parent)
    : QDialog(parent), d(std::make_unique<Insides>(*this, desk))
{
    d->build();
    d->refreshControls();
}

EmployeeSearchDialog::~EmployeeSearchDialog() = default;

std::optional<desk::EmployeeChoice> EmployeeSearchDialog::find()
{
    if (exec() != QDialog::Accepted)
        return std::nullopt;
    return d->choice;
}

void EmployeeSearchDialog::open()
{
    QDialog::open();
}

desk::EmployeeChoice EmployeeSearchDialog::choice() const
{
    return d->choice;
}

void EmployeeSearchDialog::showEvent(QShowEvent* event)
{
    // Every use starts from empty boxes; the match mode stays as last chosen.
    for (QLineEdit* box : d->boxes())
        box->clear();
    d->surnameEdit->setFocus();
    d->refreshControls();
    QDialog::showEvent(event);
}

void EmployeeSearchDialog::done(int result)
{
    d->searchTimer->stop();
    d->results->close();
    QDialog::done(result);
}

bool EmployeeSearchDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == d->resultGrid) {
        // OK is the default button, so Enter chooses, only while the grid has the focus.
        if (event->type() == QEvent::FocusIn)
            d->okButton->setDefault(true);
        else if (event->type() == QEvent::FocusOut)
            d->okButton->setDefault(false);
    } else if (event->type() == QEvent::KeyPress &&
               d->boxes().contains(qobject_cast<QLineEdit*>(watched))) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            d->searchNowAndGoToResults();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

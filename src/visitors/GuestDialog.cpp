#include "visitors/GuestDialog.h"

#include "controls/Accessibility.h"
#include "controls/BoundLineEdit.h"
#include "controls/BoundTextEdit.h"
#include "controls/DialogButtons.h"
#include "controls/FieldBinder.h"
#include "controls/Prompts.h"
#include "db/DataSet.h"
#include "desk/Watchlist.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

const QString Id = QStringLiteral("ID");
const QString Name = QStringLiteral("NAZWA");
const QString Document = QStringLiteral("DOKUM");
const QString Info = QStringLiteral("INFO");

QFont bold(QFont font)
{
    font.setBold(true);
    return font;
}

}  // namespace

struct GuestDialog::Ui {
    db::DataSet& guests;
    controls::Prompts& prompts;

    QLabel* idText = nullptr;
    controls::BoundLineEdit* nameEdit = nullptr;
    controls::BoundLineEdit* documentEdit = nullptr;
    controls::BoundTextEdit* infoEdit = nullptr;
    QPushButton* okButton = nullptr;
    QPushButton* cancelButton = nullptr;
    QString shownDocument;  // the stored guest's, when the dialog was shown

    // The number of a stored guest; a new one has none until it is stored.
    void showId()
    {
        const bool stored =
            guests.active() && guests.recNo() > 0 && guests.state() != db::DataSetState::Insert;
        idText->setText(stored ? guests.field(Id).asString() : QString());
    }

    // A new guest, or a document changed, with the document number of a guest marked "Zakaz
    // wstępu" (another record of the same person) is stored only after the question.
    bool mayStoreDocument()
    {
        const bool adding = guests.state() == db::DataSetState::Insert;
        const QString document = guests.field(Document).asString();
        if (!adding && document == shownDocument)
            return true;
        const std::optional<desk::Ban> ban = desk::banOfDocument(guests.database(), document);
        if (!ban || (!adding && ban->guestId == guests.field(Id).asInteger()))
            return true;
        return desk::goOnDespiteBan(prompts, *ban, QStringLiteral("Zapisać gościa mimo to?"),
                                    QStringLiteral("Goście :: Edycja"));
    }
};

GuestDialog::GuestDialog(db::DataSet& guests, controls::Prompts& prompts, QWidget* parent)
    : QDialog(parent), ui(new Ui{guests, prompts})
{
    setObjectName(QStringLiteral("GuestDialog"));
    setWindowTitle(QStringLiteral("Goście :: Edycja"));

    ui->idText = new QLabel;
    ui->idText->setObjectName(QStringLiteral("idText"));
    controls::markDataLabel(ui->idText, QStringLiteral("ID"));
    ui->idText->setFont(bold(ui->idText->font()));
    ui->idText->setTextInteractionFlags(Qt::TextSelectableByMouse);
    controls::followCurrentRow(ui->idText, guests, [this] { ui->showId(); });

    ui->nameEdit = new controls::BoundLineEdit(guests, Name);
    ui->nameEdit->setObjectName(QStringLiteral("nameEdit"));
    ui->nameEdit->setAccessibleName(QStringLiteral("Nazwisko i imię"));
    ui->nameEdit->setMaxLength(100);
    ui->documentEdit = new controls::BoundLineEdit(guests, Document);
    ui->documentEdit->setObjectName(QStringLiteral("documentEdit"));
    ui->documentEdit->setAccessibleName(QStringLiteral("Dokument"));
    ui->documentEdit->setMaxLength(64);
    for (controls::BoundLineEdit* edit : {ui->nameEdit, ui->documentEdit}) {
        edit->setFont(bold(edit->font()));
        edit->setPrompts(&prompts);
    }
    ui->nameEdit->setMinimumWidth(380);
    ui->infoEdit = new controls::BoundTextEdit(guests, Info);
    ui->infoEdit->setObjectName(QStringLiteral("infoEdit"));
    ui->infoEdit->setAccessibleName(QStringLiteral("Info"));
    controls::nameScrollBars(ui->infoEdit, QStringLiteral("Info"));
    ui->infoEdit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    ui->infoEdit->setTabChangesFocus(true);
    ui->infoEdit->setPrompts(&prompts);
    ui->infoEdit->setFixedHeight(110);

    QHBoxLayout* buttons = controls::okCancelButtons(ui->okButton, ui->cancelButton);
    ui->okButton->setDefault(true);

    auto* fields = new QGridLayout;
    auto addRow = [fields](int row, const QString& caption, QWidget* field) {
        auto* label = new QLabel(caption);
        label->setBuddy(field);
        fields->addWidget(label, row, 0, Qt::AlignLeft | Qt::AlignTop);
        fields->addWidget(field, row, 1);
    };
    addRow(0, QStringLiteral("ID:"), ui->idText);
    addRow(1, QStringLiteral("Nazwisko i imię:"), ui->nameEdit);
    addRow(2, QStringLiteral("Dokument:"), ui->documentEdit);
    addRow(3, QStringLiteral("Info:"), ui->infoEdit);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(ui->okButton, &QPushButton::clicked, this, [this] {
        ui->okButton->setFocus();
        // A text a field refused was reported where it was typed; the dialog stays.
        if (!ui->nameEdit->writePending() || !ui->documentEdit->writePending() ||
            !ui->infoEdit->writePending())
            return;
        bool mayStore = false;
        if (!ui->prompts.guarded([&] { mayStore = ui->mayStoreDocument(); }) || !mayStore) {
            ui->documentEdit->setFocus();
            return;
        }
        // A guest the database would not store is no OK: the dialog stays with what was
        // typed, for another try or Anuluj.
        if (ui->prompts.guarded([this] { ui->guests.post(); }))
            accept();
        else
            ui->nameEdit->setFocus();
    });
    connect(ui->cancelButton, &QPushButton::clicked, this, &QDialog::reject);
}

GuestDialog::~GuestDialog() = default;

void GuestDialog::showEvent(QShowEvent* event)
{
    ui->showId();
    ui->shownDocument = ui->guests.field(Document).asString();
    ui->nameEdit->showField();
    ui->documentEdit->showField();
    ui->infoEdit->showField();
    ui->nameEdit->setFocus();
    QDialog::showEvent(event);
}

void GuestDialog::done(int result)
{
    ui->guests.cancel();  // after a stored row there is nothing left to cancel
    QDialog::done(result);
}

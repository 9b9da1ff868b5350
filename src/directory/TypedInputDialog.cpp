#include "directory/TypedInputDialog.h"

#include "controls/DialogButtons.h"
#include "controls/Prompts.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>
#include <cmath>

TypedInputDialog::TypedInputDialog(controls::Prompts& prompts, QWidget* parent)
    : QDialog(parent), prompts_(prompts)
{
    setObjectName(QStringLiteral("TypedInputDialog"));
    setFixedSize(385, 105);
    promptLabel = new QLabel;
    promptLabel->setObjectName(QStringLiteral("promptLabel"));
    valueEdit = new QLineEdit;
    valueEdit->setObjectName(QStringLiteral("valueEdit"));
    promptLabel->setBuddy(valueEdit);
    QHBoxLayout* buttons = controls::okCancelButtons(okButton, cancelButton);
    okButton->setDefault(true);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(promptLabel);
    layout->addWidget(valueEdit);
    layout->addLayout(buttons);

    valueEdit->installEventFilter(this);
    connect(valueEdit, &QLineEdit::textChanged, this, &TypedInputDialog::updateOk);
    connect(okButton, &QPushButton::clicked, this, &TypedInputDialog::confirm);
    connect(cancelButton, &QPushButton::clicked, this, &QDialog::reject);
}

void TypedInputDialog::prepare(const desk::ValueRequest& request)
{
    setWindowTitle(request.title);
    prompt_ = request.label;
    value_ = request.value;
    type_ = request.type;
    maxLength_ = request.maxLength;
}

std::optional<QString> TypedInputDialog::ask(const desk::ValueRequest& request)
{
    prepare(request);
    if (QDialog::exec() != QDialog::Accepted)
        return std::nullopt;
    return value_;
}

void TypedInputDialog::open(const desk::ValueRequest& request)
{
    prepare(request);
    QDialog::open();
}

void TypedInputDialog::showEvent(QShowEvent* event)
{
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.x() + (area.width() - width()) / 2, area.y() + (area.height() - height()) / 2);
    }
    promptLabel->setText(prompt_);
    valueEdit->setMaxLength(maxLength_ > 0 ? maxLength_ : 32767);
    valueEdit->setText(value_);
    valueEdit->setFocus();
    valueEdit->selectAll();
    updateOk();
    QDialog::showEvent(event);
}

void TypedInputDialog::updateOk()
{
    okButton->setEnabled(!valueEdit->text().isEmpty());
}

bool TypedInputDialog::acceptsCharacter(const QString& character) const
{
    if (type_ == desk::ValueType::Text)
        return true;
    const QChar c = character.at(0);
    if ((c >= u'0' && c <= u'9') || c == QChar(8))
        return true;
    const QString separator = QLocale().decimalPoint();
    return character == separator && !valueEdit->text().contains(separator);
}

bool TypedInputDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == valueEdit && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        // Characters only: moving, deleting and the Ctrl shortcuts (paste) pass.
        const QString text = key->text();
        const bool character = !text.isEmpty() &&
                               (text.at(0).isPrint() || text.at(0) == QChar(8)) &&
                               !(key->modifiers() & Qt::ControlModifier);
        if (character && !acceptsCharacter(text))
            return true;
    }
    return QDialog::eventFilter(watched, event);
}

double TypedInputDialog::amountOf(const QString& text)
{
    // Only what can be typed into the box: digits and at most one decimal separator. The
    // locale's own reading would also take signs, exponents and thousands separators.
    const QString separator = QLocale().decimalPoint();
    bool digit = false;
    for (const QChar c : text) {
        if (c >= u'0' && c <= u'9')
            digit = true;
        else if (QString(c) != separator)
            return -1;
    }
    if (!digit || text.count(separator) > 1)
        return -1;
    bool ok = false;
    const double value = QLocale().toDouble(text, &ok);
    if (!ok || !std::isfinite(value))
        return -1;
    return std::round(value * 10000.0) / 10000.0;
}

void TypedInputDialog::confirm()
{
    const QString text = valueEdit->text();
    if (text.isEmpty())
        return;
    if (type_ == desk::ValueType::Currency && amountOf(text) == -1) {
        prompts_.beep();
        prompts_.message(QStringLiteral("Niepoprawna wartość: '") + text + u'\'');
        valueEdit->setFocus();
        return;
    }
    value_ = text;
    accept();
}

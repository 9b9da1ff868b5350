#include "directory/TypedInputDialog.h"

#include "controls/Prompts.h"
#include "controls/DialogButtons.h"

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
    setObjectName(QStringLiteral("Form_InputBox"));
    setFixedSize(385, 105);
    Label1 = new QLabel;
    Label1->setObjectName(QStringLiteral("Label1"));
    Edit1 = new QLineEdit;
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Label1->setBuddy(Edit1);
    QHBoxLayout* przyciski = controls::okCancelButtons(btnOK, btnAnuluj);
    btnOK->setDefault(true);
    auto* uklad = new QVBoxLayout(this);
    uklad->addWidget(Label1);
    uklad->addWidget(Edit1);
    uklad->addLayout(przyciski);

    Edit1->installEventFilter(this);
    connect(Edit1, &QLineEdit::textChanged, this, &TypedInputDialog::UstawOK);
    connect(btnOK, &QPushButton::clicked, this, &TypedInputDialog::btnOKClick);
    connect(btnAnuluj, &QPushButton::clicked, this, &QDialog::reject);
}

void TypedInputDialog::prepare(const desk::ValueRequest& request)
{
    setWindowTitle(request.title);
    Label = request.label;
    Wartosc = request.value;
    Typ = request.type == desk::ValueType::Currency ? QStringLiteral("CURRENCY") : QStringLiteral("STRING");
    MaxDlugosc = request.maxLength;
}

std::optional<QString> TypedInputDialog::ask(const desk::ValueRequest& request)
{
    prepare(request);
    if (QDialog::exec() != QDialog::Accepted)
        return std::nullopt;
    return Wartosc;
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
    Label1->setText(Label);
    Edit1->setMaxLength(MaxDlugosc > 0 ? MaxDlugosc : 32767);
    Edit1->setText(Wartosc);
    Edit1->setFocus();
    Edit1->selectAll();
    UstawOK();
    QDialog::showEvent(event);
}

void TypedInputDialog::UstawOK()
{
    btnOK->setEnabled(!Edit1->text().isEmpty());
}

bool TypedInputDialog::przepuscZnak(const QString& znak)
{
    if (Typ == QLatin1String("STRING"))
        return true;
    if (Typ != QLatin1String("CURRENCY")) {
        prompts_.message(QStringLiteral("Nieznany typ danych: '") + Typ + u'\'');
        return true;
    }
    const QChar c = znak.at(0);
    if ((c >= u'0' && c <= u'9') || c == QChar(8))
        return true;
    const QString separator = QLocale().decimalPoint();
    return znak == separator && !Edit1->text().contains(separator);
}

bool TypedInputDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == Edit1 && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        // Characters only: moving, deleting and the Ctrl shortcuts (paste) pass.
        const QString text = key->text();
        const bool znak = !text.isEmpty() && (text.at(0).isPrint() || text.at(0) == QChar(8)) &&
                          !(key->modifiers() & Qt::ControlModifier);
        if (znak && !przepuscZnak(text))
            return true;
    }
    return QDialog::eventFilter(watched, event);
}

double TypedInputDialog::JakoKwota(const QString& text)
{
    bool ok = false;
    const double value = QLocale().toDouble(text, &ok);
    if (!ok || !std::isfinite(value))
        return -1;
    return std::round(value * 10000.0) / 10000.0;
}

void TypedInputDialog::btnOKClick()
{
    const QString tekst = Edit1->text();
    if (tekst.isEmpty())
        return;
    if (Typ == QLatin1String("CURRENCY") && JakoKwota(tekst) == -1) {
        prompts_.beep();
        prompts_.message(QStringLiteral("Niepoprawna wartość: '") + tekst + u'\'');
        Edit1->setFocus();
        return;
    }
    Wartosc = tekst;
    accept();
}

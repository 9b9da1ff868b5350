#include "app/AboutDialog.h"

#include "controls/Prompts.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QScreen>
#include <QTabWidget>
#include <QVBoxLayout>

const char* const AboutDialog::kAdresWww = "https://www.tervik.example.com";
const char* const AboutDialog::kAdresEmail = "biuro@tervik.example.com";

LinkLabel::LinkLabel(const QString& text, QWidget* parent) : QLabel(text, parent)
{
    setCursor(Qt::PointingHandCursor);
    setColour(QColor(0x00, 0x00, 0xFF));
}

void LinkLabel::setColour(const QColor& colour)
{
    QPalette p = palette();
    p.setColor(QPalette::WindowText, colour);
    setPalette(p);
}

void LinkLabel::enterEvent(QEnterEvent* event)
{
    setColour(QColor(0xFF, 0x00, 0x00));
    QLabel::enterEvent(event);
}

void LinkLabel::leaveEvent(QEvent* event)
{
    setColour(QColor(0x00, 0x00, 0xFF));
    QLabel::leaveEvent(event);
}

void LinkLabel::mouseReleaseEvent(QMouseEvent* event)
{
    QLabel::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
}

AboutDialog::AboutDialog(controls::Prompts& prompts, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint),
      prompts_(prompts)
{
    setObjectName(QStringLiteral("Form_OProgramie"));
    setWindowTitle(QStringLiteral("O programie"));
    setFixedSize(505, 292);

    auto* strony = new QTabWidget(this);
    auto* strona = new QWidget;
    strony->addTab(strona, QStringLiteral("O programie"));
    auto* uklad = new QVBoxLayout(strona);
    uklad->setContentsMargins(24, 18, 24, 18);

    Label6 = new QLabel(QStringLiteral("tvHalvane 1.1"));
    QFont duza = Label6->font();
    duza.setPixelSize(28);
    duza.setBold(true);
    Label6->setFont(duza);
    Label1 = new QLabel(QStringLiteral("Program wykonała firma:"));
    Label2 = new QLabel(QStringLiteral("Tervik"));
    QFont gruba = Label2->font();
    gruba.setBold(true);
    gruba.setPixelSize(16);
    Label2->setFont(gruba);
    Label3 = new QLabel(QStringLiteral("Oprogramowanie na zamówienie"));
    Label4 = new LinkLabel(QString::fromLatin1(kAdresWww));
    Label5 = new LinkLabel(QString::fromLatin1(kAdresEmail));
    const std::pair<QLabel*, const char*> nazwy[] = {{Label6, "Label6"}, {Label1, "Label1"},
                                                     {Label2, "Label2"}, {Label3, "Label3"},
                                                     {Label4, "Label4"}, {Label5, "Label5"}};
    for (const auto& [label, name] : nazwy)
        label->setObjectName(QString::fromLatin1(name));
    Label4->setAccessibleDescription(QStringLiteral("Strona internetowa"));
    Label5->setAccessibleDescription(QStringLiteral("Adres e-mail"));

    uklad->addWidget(Label6);
    uklad->addSpacing(16);
    uklad->addWidget(Label1);
    uklad->addWidget(Label2);
    uklad->addWidget(Label3);
    uklad->addSpacing(12);
    uklad->addWidget(Label4);
    uklad->addWidget(Label5);
    uklad->addStretch();

    auto* glowny = new QVBoxLayout(this);
    glowny->setContentsMargins(8, 8, 8, 8);
    glowny->addWidget(strony);

    connect(Label4, &LinkLabel::clicked, this, &AboutDialog::Label4Click);
    connect(Label5, &LinkLabel::clicked, this, &AboutDialog::Label5Click);
}

void AboutDialog::Label4Click()
{
    prompts_.openUrl(Label4->text());
}

void AboutDialog::Label5Click()
{
    prompts_.openUrl(QStringLiteral("mailto:") + Label5->text() + QStringLiteral("?subject=Halvane"));
}

void AboutDialog::showEvent(QShowEvent* event)
{
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->geometry();
        move(area.center() - rect().center());
    }
    QDialog::showEvent(event);
}

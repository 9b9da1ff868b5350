#include "app/AboutDialog.h"

#include "controls/Prompts.h"

#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QScreen>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

constexpr auto WebAddress = "https://www.tervik.example.com";
constexpr auto EmailAddress = "biuro@tervik.example.com";

// A label that works as a link: blue, red under the mouse, a hand pointer.
class LinkLabel : public QLabel {
    Q_OBJECT
public:
    explicit LinkLabel(const QString& text, QWidget* parent = nullptr) : QLabel(text, parent)
    {
        setCursor(Qt::PointingHandCursor);
        setColour(QColor(0x00, 0x00, 0xFF));
    }

signals:
    void clicked();

protected:
    void enterEvent(QEnterEvent* event) override
    {
        setColour(QColor(0xFF, 0x00, 0x00));
        QLabel::enterEvent(event);
    }
    void leaveEvent(QEvent* event) override
    {
        setColour(QColor(0x00, 0x00, 0xFF));
        QLabel::leaveEvent(event);
    }
    void mouseReleaseEvent(QMouseEvent* event) override
    {
        QLabel::mouseReleaseEvent(event);
        if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
            emit clicked();
    }

private:
    void setColour(const QColor& colour)
    {
        QPalette linkPalette = palette();
        linkPalette.setColor(QPalette::WindowText, colour);
        setPalette(linkPalette);
    }
};

QLabel* namedLabel(QLabel* label, const char* name)
{
    label->setObjectName(QString::fromLatin1(name));
    return label;
}

}  // namespace

AboutDialog::AboutDialog(controls::Prompts& prompts, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint),
      prompts_(prompts)
{
    setObjectName(QStringLiteral("AboutDialog"));
    setWindowTitle(QStringLiteral("O programie"));
    setFixedSize(505, 292);

    auto* pages = new QTabWidget(this);
    pages->setObjectName(QStringLiteral("pages"));
    auto* page = new QWidget;
    pages->addTab(page, QStringLiteral("O programie"));
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(24, 18, 24, 18);

    productLabel = namedLabel(new QLabel(QStringLiteral("tvHalvane 1.1")), "productLabel");
    QFont large = productLabel->font();
    large.setPixelSize(28);
    large.setBold(true);
    productLabel->setFont(large);
    madeByLabel = namedLabel(new QLabel(QStringLiteral("Program wykonała firma:")), "madeByLabel");
    makerLabel = namedLabel(new QLabel(QStringLiteral("Tervik")), "makerLabel");
    QFont bold = makerLabel->font();
    bold.setBold(true);
    bold.setPixelSize(16);
    makerLabel->setFont(bold);
    offerLabel =
        namedLabel(new QLabel(QStringLiteral("Oprogramowanie na zamówienie")), "offerLabel");
    auto* web = new LinkLabel(QString::fromLatin1(WebAddress));
    auto* email = new LinkLabel(QString::fromLatin1(EmailAddress));
    webLink = namedLabel(web, "webLink");
    emailLink = namedLabel(email, "emailLink");
    webLink->setAccessibleDescription(QStringLiteral("Strona internetowa"));
    emailLink->setAccessibleDescription(QStringLiteral("Adres e-mail"));

    layout->addWidget(productLabel);
    layout->addSpacing(16);
    layout->addWidget(madeByLabel);
    layout->addWidget(makerLabel);
    layout->addWidget(offerLabel);
    layout->addSpacing(12);
    layout->addWidget(webLink);
    layout->addWidget(emailLink);
    layout->addStretch();

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(8, 8, 8, 8);
    outer->addWidget(pages);

    connect(web, &LinkLabel::clicked, this, &AboutDialog::openWebSite);
    connect(email, &LinkLabel::clicked, this, &AboutDialog::writeEmail);
}

void AboutDialog::openWebSite()
{
    prompts_.openUrl(webLink->text());
}

void AboutDialog::writeEmail()
{
    prompts_.openUrl(QStringLiteral("mailto:") + emailLink->text() +
                     QStringLiteral("?subject=Halvane"));
}

void AboutDialog::showEvent(QShowEvent* event)
{
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->geometry();
        move(area.center() - rect().center());
    }
    QDialog::showEvent(event);
}

#include "AboutDialog.moc"

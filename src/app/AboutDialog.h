#pragma once
// The about window: the product, its maker and two links.
#include <QDialog>
#include <QLabel>

namespace controls { class Prompts; }

// A label that works as a link: blue, red under the mouse, a hand pointer.
class LinkLabel : public QLabel {
    Q_OBJECT
public:
    explicit LinkLabel(const QString& text, QWidget* parent = nullptr);
signals:
    void clicked();

protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void setColour(const QColor& colour);
};

class AboutDialog : public QDialog {
    Q_OBJECT
public:
    static const char* const kAdresWww;
    static const char* const kAdresEmail;

    explicit AboutDialog(controls::Prompts& prompts, QWidget* parent = nullptr);

    QLabel* Label6;
    QLabel* Label1;
    QLabel* Label2;
    QLabel* Label3;
    LinkLabel* Label4;
    LinkLabel* Label5;

    void Label4Click();
    void Label5Click();

protected:
    void showEvent(QShowEvent* event) override;

private:
    controls::Prompts& prompts_;
};

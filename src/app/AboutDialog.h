#pragma once
// The about window: the product, its maker and two links, one to the maker's web site
// and one that starts an e-mail to the maker.
#include <QDialog>

class QLabel;
namespace controls {
class Prompts;
}

class AboutDialog : public QDialog {
    Q_OBJECT
public:
    explicit AboutDialog(controls::Prompts& prompts, QWidget* parent = nullptr);
    // QDialog::exec() shows it; it returns nothing of use.

protected:
    void showEvent(QShowEvent* event) override;

private:
    void openWebSite();
    void writeEmail();

    controls::Prompts& prompts_;
    QLabel* productLabel;
    QLabel* madeByLabel;
    QLabel* makerLabel;
    QLabel* offerLabel;
    QLabel* webLink;
    QLabel* emailLink;
};

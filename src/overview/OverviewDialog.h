#pragma once
// The reception overview: who is in the building, who waits, which badges and cards are
// out, which messages wait for their employee, and the history of visits; each page saved
// as a file or printed, a pass printed for a visit, and the pages kept up to date with the
// other desks' work.
#include <QDialog>
#include <memory>

namespace desk {
class Desk;
}

class OverviewDialog : public QDialog {
    Q_OBJECT
public:
    explicit OverviewDialog(desk::Desk& desk, QWidget* parent = nullptr);
    ~OverviewDialog() override;
    // exec() shows the overview on the page shown last, read afresh, and waits until it
    // is closed; open() shows it without waiting.

private:
    void showEvent(QShowEvent* event) override;
    bool event(QEvent* event) override;

    class Private;
    std::unique_ptr<Private> d;
};

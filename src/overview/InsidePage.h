#pragma once
// "W budynku": everyone who came in and has not left, whatever the day, oldest entry
// first; the fire warden's evacuation list. A visit entered on an earlier day was never
// closed: it is marked, and the page closes it with the exit now.
#include "overview/OverviewPage.h"

class InsidePage : public OverviewPage {
    Q_OBJECT
public:
    explicit InsidePage(desk::Desk& desk, QWidget* parent = nullptr);
    bool printsSignatures() const override { return true; }

private:
    void updateButtons() override;
    void closeVisit();
    bool drawCell(QPainter* painter, const QRect& cell, int row,
                  const controls::GridColumn& column);
    bool enteredEarlier(int row) const;

    QPushButton* closeVisitButton = nullptr;
};

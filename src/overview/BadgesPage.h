#pragma once
// "Identyfikatory": the badges and cards handed out and not returned, that is the visits
// inside the building with a badge or a card, grouped by the day they went in.
#include "overview/OverviewPage.h"

class BadgesPage : public OverviewPage {
    Q_OBJECT
public:
    explicit BadgesPage(desk::Desk& desk, QWidget* parent = nullptr);
    controls::PrintedTable printedTable() const override;

private:
    bool startsDay(int row) const;
    QString dayOf(int row) const;
};

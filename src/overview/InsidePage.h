#pragma once
// "W budynku": everyone who came in and has not left, whatever the day, oldest entry
// first; the fire warden's evacuation list, printed or sent by e-mail to every warden. A
// visit entered on an earlier day was never closed: it is marked, and the page closes it with
// the exit now.
#include "overview/OverviewPage.h"

#include <QSet>

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
    void sendEvacuationList();
    QString evacuationListBody(const QDateTime& now) const;
    void followDeliveries(const QList<int>& messageIds);
    void showDeliveries();

    QPushButton* closeVisitButton = nullptr;
    QPushButton* evacuationButton = nullptr;
    // The messages of the list sent last that have not been delivered yet, and how many went.
    QSet<int> awaitedMessages;
    int listMessages = 0, listDelivered = 0;
    QMetaObject::Connection deliveries;
};

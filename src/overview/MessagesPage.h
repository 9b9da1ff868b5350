#pragma once
// "Wiadomości": messages left for employees and not yet passed on, the oldest first,
// with how long each has waited; "Przekazano" notes the selected one passed on now.
#include "overview/OverviewPage.h"

class MessagesPage : public OverviewPage {
    Q_OBJECT
public:
    explicit MessagesPage(desk::Desk& desk, QWidget* parent = nullptr);

private:
    void updateButtons() override;
    void markPassedOn();

    QPushButton* passedOnButton = nullptr;
};

#pragma once
// "Oczekujący": visits that have neither entry nor exit and arrive today or later, the
// earliest first: a guest waiting in the lobby, or a visit entered ahead. "Wejście" lets
// the guest in now with the badge and card typed in a small dialog, after a question when
// the guest is marked "Zakaz wstępu"; "Powiadom pracownika" writes to the employee that the
// guest has come; "Zaproś" e-mails the guest of a visit ahead an invitation with its code.
#include "overview/OverviewPage.h"

class WaitingPage : public OverviewPage {
    Q_OBJECT
public:
    explicit WaitingPage(desk::Desk& desk, QWidget* parent = nullptr);

private:
    void prepareRead() override;
    void updateButtons() override;
    void letIn();
    void notifyEmployee();
    void inviteGuest();

    QPushButton* entryButton = nullptr;
    QPushButton* notifyButton = nullptr;
    QPushButton* inviteButton = nullptr;
};

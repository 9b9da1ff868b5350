#pragma once
// Acting on a modal window that another modal window opens: a timer finds the active
// modal widget and hands it to the test; a watchdog closes every modal window when
// nothing happened in time, or when the window acted on is still open long after, so a
// failed check never hangs the suite.
#include <QPointer>
#include <QTimer>
#include <QString>
#include <QWidget>
#include <functional>

namespace testsupport {

class ModalAction {
public:
    // When a modal window other than `except` is active, `act` runs on it once.
    explicit ModalAction(std::function<void(QWidget*)> act, QWidget* except = nullptr,
                         int watchdogMs = 5000);
    ~ModalAction();
    bool acted() const { return acted_; }
    bool timedOut() const { return timedOut_; }

private:
    void poll();
    std::function<void(QWidget*)> act_;
    QPointer<QWidget> except_;
    QPointer<QWidget> actedOn_;
    int elapsedMs_ = 0;
    int watchdogMs_;
    bool acted_ = false;
    bool timedOut_ = false;
    QTimer timer_;
};

}  // namespace testsupport

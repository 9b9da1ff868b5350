#include "support/Modal.h"

#include <QApplication>
#include <QDialog>
#include <QTimer>

namespace testsupport {

namespace {
constexpr int kPollMs = 20;
// Keys and focus reach a window once it is active; a loaded machine activates it later.
constexpr int kActivationPolls = 50;
}  // namespace

ModalAction::ModalAction(std::function<void(QWidget*)> act, QWidget* except, int watchdogMs)
    : act_(std::move(act)), except_(except), watchdogMs_(watchdogMs)
{
    timer_.setInterval(kPollMs);
    QObject::connect(&timer_, &QTimer::timeout, [this] { poll(); });
    timer_.start();
}

ModalAction::~ModalAction() = default;

void ModalAction::poll()
{
    QWidget* modal = QApplication::activeModalWidget();
    if (!acted_ && modal && modal != except_) {
        if (!modal->isActiveWindow() && ++inactivePolls_ < kActivationPolls)
            return;
        acted_ = true;
        actedOn_ = modal;
        elapsedMs_ = 0;
        act_(modal);
        return;
    }
    // After acting, the watchdog still looks after the window acted on.
    if (acted_ && (actedOn_.isNull() || !actedOn_->isVisible())) {
        timer_.stop();
        return;
    }
    elapsedMs_ += kPollMs;
    if (elapsedMs_ < watchdogMs_)
        return;
    timer_.stop();
    timedOut_ = true;
    while (QWidget* open = QApplication::activeModalWidget()) {
        if (auto* dialog = qobject_cast<QDialog*>(open))
            dialog->reject();
        else
            open->close();
        if (QApplication::activeModalWidget() == open)
            break;
    }
}

}  // namespace testsupport

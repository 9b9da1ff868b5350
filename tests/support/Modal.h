#pragma once
// Acting on a modal window that another modal window opens: a timer finds the active
// modal widget and hands it to the test; a watchdog closes every modal window when
// nothing happened in time, or when the window acted on is still open long after, so a
// failed check never hangs the suite.
#include <QApplication>
#include <QDialog>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <vector>

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
    int inactivePolls_ = 0;
    int watchdogMs_;
    bool acted_ = false;
    bool timedOut_ = false;
    QTimer timer_;
};

// Acts on the modal windows as they come up: each step runs once, on the first active
// modal window of its name or class.
class ModalScript {
public:
    struct Step {
        QString window;
        std::function<void(QDialog*)> act;
    };
    explicit ModalScript(std::vector<Step> steps) : steps_(std::move(steps))
    {
        timer_.setInterval(10);
        QObject::connect(&timer_, &QTimer::timeout, [this] { poll(); });
        timer_.start();
    }
    bool finished() const { return next_ == steps_.size(); }

private:
    void poll()
    {
        if (finished())
            return;
        auto* modal = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        const QString& wanted = steps_[next_].window;
        if (!modal || (modal->objectName() != wanted &&
                       QLatin1String(modal->metaObject()->className()) != wanted))
            return;
        // A step may open a window and wait in its loop, and a timer is not run again
        // while its handler runs: the step runs from a timer of its own.
        auto act = steps_[next_++].act;
        QPointer<QDialog> window(modal);
        QTimer::singleShot(0, modal, [act, window] {
            if (window)
                act(window);
        });
    }
    std::vector<Step> steps_;
    size_t next_ = 0;
    QTimer timer_;
};

}  // namespace testsupport

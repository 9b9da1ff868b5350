#include "app/Termination.h"

#include "app/ModalWindows.h"
#include "db/Attach.h"
#include "db/Firebird.h"
#include "desk/Desk.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QThread>
#include <QTimer>

#include <ibase.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

namespace app {

namespace {

constexpr int WatchedSignals[] = {SIGTERM, SIGINT, SIGHUP};

// The pipe the signal handler writes into: [0] read by the event loop, [1] written.
int signalPipe[2] = {-1, -1};

void onSignalArrived(int)
{
    const int savedErrno = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(signalPipe[1], &byte, 1);
    errno = savedErrno;
}

// The Firebird client answers SIGINT and SIGTERM too, on a thread of its own that shuts
// every connection down while this program ends its own way, and crashed in it as the
// process exited. Its shutdown on a signal is refused: the program ends the connections.
int refuseShutdownOnSignal(const int reason, const int, void*)
{
    return reason == fb_shutrsn_signal ? 1 : 0;
}

void keepSignalsFromTheDatabaseClient()
{
    static const bool registered = [] {
        ISC_STATUS_ARRAY status = {};
        return fb_shutdown_callback(status, refuseShutdownOnSignal, fb_shut_confirmation,
                                    nullptr) == 0;
    }();
    Q_UNUSED(registered);
}

}  // namespace

Termination::Termination(QWidget* mainWindow, int mainLoopLevel, QObject* parent)
    : QObject(parent), mainWindow_(mainWindow), mainLoopLevel_(mainLoopLevel)
{
    if (signalPipe[0] < 0) {
        if (::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
            signalPipe[0] = signalPipe[1] = -1;
    }
    if (signalPipe[0] >= 0) {
        notifier_ = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, this);
        connect(notifier_, &QSocketNotifier::activated, this, &Termination::onSignal);
    }
    keepSignalsFromTheDatabaseClient();
    struct sigaction action = {};
    action.sa_handler = onSignalArrived;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int i = 0; i < 3; ++i)
        sigaction(WatchedSignals[i], &action, &previous_[i]);
    step_ = new QTimer(this);
    step_->setInterval(10);
    connect(step_, &QTimer::timeout, this, &Termination::closeModalWindowsThenMain);
}

Termination::~Termination()
{
    for (int i = 0; i < 3; ++i)
        sigaction(WatchedSignals[i], &previous_[i], nullptr);
}

void Termination::onSignal()
{
    char bytes[16];
    while (::read(signalPipe[0], bytes, sizeof bytes) > 0) {
    }
    endProgram();
}

void Termination::endProgram()
{
    if (ending_)
        return;
    ending_ = true;
    // The windows close as cancelled, without their questions.
    if (auto* desk = dynamic_cast<desk::Desk*>(mainWindow_.data()))
        desk->setClosingWindows(true);
    closeModalWindowsThenMain();
    if (ending_)
        step_->start();
}

void Termination::closeModalWindowsThenMain()
{
    // Every modal window ends as cancelled: nothing is committed, and the connection's
    // close rolls back what those windows had written. Then wait until the windows' own
    // event loops have returned to the program's main loop.
    if (!closeModalWindows() || QThread::currentThread()->loopLevel() > mainLoopLevel_)
        return;
    step_->stop();
    if (mainWindow_)
        mainWindow_->close();
    QCoreApplication::quit();
    emit ended();
}

void shutDownDatabaseEngine()
{
    // An attach given up on a stalled server waits in the engine for ever, and so would
    // the engine's shutdown: it is not begun, and the shutdown is bounded in any case.
    if (db::fb::givenUpAttaches() > 0)
        return;
    db::fb::Status status;
    Firebird::IProvider* dispatcher = db::fb::master()->getDispatcher();
    dispatcher->shutdown(&status, EngineShutdownTimeoutMs, fb_shutrsn_app_stopped);
    dispatcher->release();
}

void leaveIfAttachesWereGivenUp(int exitCode)
{
    if (db::fb::givenUpAttaches() == 0)
        return;
    std::fflush(nullptr);
    std::_Exit(exitCode);
}

}  // namespace app

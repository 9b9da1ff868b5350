#pragma once
// Ends the program its normal way when the system asks it to stop: SIGTERM (a logout, a
// service stop), SIGINT and SIGHUP. The signal handler only writes a byte into a pipe;
// the event loop reads it, closes every open modal window without committing anything,
// leaves the nested event loops, closes the main window (which writes the settings and
// closes the connection, rolling back what was not committed) and quits.
#include <QObject>
#include <QPointer>
#include <QWidget>
#include <csignal>

class QSocketNotifier;
class QTimer;

namespace app {

class Termination : public QObject {
    Q_OBJECT
public:
    // Watches the signals for as long as it lives; `mainWindow` is closed on a signal once
    // the event loops of modal windows have returned to the loop at `mainLoopLevel` (1: the
    // application's exec(); 0 when the caller runs no loop of its own).
    explicit Termination(QWidget* mainWindow, int mainLoopLevel = 1, QObject* parent = nullptr);
    ~Termination() override;

    // Ends the program as a signal does.
    void endProgram();
    bool ending() const { return ending_; }

signals:
    // The main window was closed and the application told to quit.
    void ended();

private:
    void onSignal();
    void closeModalWindowsThenMain();

    QPointer<QWidget> mainWindow_;
    QSocketNotifier* notifier_ = nullptr;
    QTimer* step_ = nullptr;
    int mainLoopLevel_;
    bool ending_ = false;
    struct sigaction previous_[3] = {};
};

// How long the engine's shutdown may wait for its connections and threads.
constexpr unsigned EngineShutdownTimeoutMs = 3000;

// Shuts the database engine down for good: the last thing the program does with it.
void shutDownDatabaseEngine();

// Ends the process at once, with what was written flushed, when an attach to a stalled
// server was given up and still runs: its thread would hold the process's exit, which
// waits for the engine. The settings are written and the connection closed before.
void leaveIfAttachesWereGivenUp(int exitCode);

}  // namespace app

#include "admin/BackgroundWork.h"

#include "db/Error.h"

#include <QApplication>
#include <QEventLoop>
#include <QPointer>
#include <QThread>
#include <memory>

namespace admin {

std::optional<QString> runInBackground(const std::function<void(const LineSink&)>& work,
                                       const LineSink& onLine)
{
    // What the thread shares with this one; the lines are queued to the application object.
    struct Run {
        std::optional<QString> failure;
        bool waiting = true;  // read and written on this thread only
    };
    auto state = std::make_shared<Run>();
    QThread* worker = QThread::create([state, work, onLine] {
        const LineSink sink = [state, onLine](const QString& line) {
            QMetaObject::invokeMethod(
                qApp,
                [state, onLine, line] {
                    if (state->waiting && onLine)
                        onLine(line);
                },
                Qt::QueuedConnection);
        };
        try {
            work(sink);
        } catch (const db::Error& error) {
            state->failure = error.message();
        } catch (const std::exception& error) {
            state->failure = QString::fromLocal8Bit(error.what());
        }
    });
    QApplication::setOverrideCursor(Qt::BusyCursor);
    QEventLoop waiting;
    QObject::connect(worker, &QThread::finished, &waiting, &QEventLoop::quit);
    QObject::connect(worker, &QThread::finished, worker, &QObject::deleteLater);
    worker->start();
    waiting.exec();
    QCoreApplication::sendPostedEvents(qApp, QEvent::MetaCall);  // the last lines
    state->waiting = false;
    QApplication::restoreOverrideCursor();
    return state->failure;
}

}  // namespace admin

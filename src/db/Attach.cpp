#include "db/Attach.h"

#include "db/Error.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>
#include <QTimer>
#include <ibase.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

namespace db::fb {
namespace {

using Clock = std::chrono::steady_clock;

// Attaches given up that still wait for their server, by server. The engine cannot cancel
// them; a new attach to that server waits for the old one instead of starting another,
// and the program leaves without waiting for them.
struct GivenUp {
    std::mutex mutex;
    std::map<QByteArray, int> running;
};

GivenUp& givenUp()
{
    static GivenUp* attaches = new GivenUp;  // never destroyed: threads may outlive main
    return *attaches;
}

// The server part of a name: "host" of "host:path", "host/port" of "host/port:path".
QByteArray serverOf(const QByteArray& name)
{
    return name.left(name.indexOf(':'));
}

int givenUpRunning(const QByteArray& server)
{
    GivenUp& attaches = givenUp();
    std::lock_guard<std::mutex> lock(attaches.mutex);
    const auto found = attaches.running.find(server);
    return found == attaches.running.end() ? 0 : found->second;
}

void countGivenUp(const QByteArray& server, int change)
{
    GivenUp& attaches = givenUp();
    std::lock_guard<std::mutex> lock(attaches.mutex);
    if ((attaches.running[server] += change) == 0)
        attaches.running.erase(server);
}

// What the attaching thread leaves for the waiting one, shared so that either may end first.
template <class T>
struct Pending {
    std::mutex mutex;
    std::condition_variable ended;
    bool finished = false;
    bool givenUp = false;
    T* result = nullptr;
    QString message;
    std::vector<long> codes;
};

// A short wait that lets this thread's events through, where it has an event loop.
void pause()
{
    if (QCoreApplication::instance() && QThread::currentThread()->eventDispatcher()) {
        QEventLoop loop;
        QTimer::singleShot(10, &loop, &QEventLoop::quit);
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    } else {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

// A name that reaches a server over the network ("host:path", "host/port:path",
// "inet://..."), not a file of this computer ("/path", "C:\\path", "service_mgr").
bool throughNetwork(const QByteArray& name)
{
    if (name.startsWith("inet") || name.startsWith("\\\\"))
        return true;
    const qsizetype colon = name.indexOf(':');
    return colon > 1;
}

template <class T>
T* attachHere(std::function<T*(Firebird::CheckStatusWrapper*)> attach)
{
    Status st([](const QByteArray& bytes) { return QString::fromUtf8(bytes); });
    T* result = attach(&st);
    st.check();
    return result;
}

template <class T>
T* attachBounded(const QByteArray& name, std::function<T*(Firebird::CheckStatusWrapper*)> attach,
                 int seconds)
{
    // The embedded engine opens a file of this computer: nothing there waits on a network.
    if (!throughNetwork(name))
        return attachHere<T>(attach);
    auto pending = std::make_shared<Pending<T>>();
    const auto started = Clock::now();
    // A little longer than the engine's own limit, so that its message comes first.
    const auto deadline = started + std::chrono::seconds(seconds + 2);
    const QByteArray server = serverOf(name);
    while (givenUpRunning(server) > 0) {
        if (Clock::now() >= deadline)
            throw Error(noAnswerMessage(seconds) +
                            QStringLiteral("\nPoprzednia próba połączenia z tym serwerem wciąż "
                                           "czeka na jego odpowiedź. Jeśli serwer już działa, "
                                           "uruchom program ponownie."),
                        {isc_net_connect_err});
        pause();
    }
    std::thread([pending, attach, server] {
        // The path, the parameters and so the server's messages are UTF-8.
        Status st([](const QByteArray& bytes) { return QString::fromUtf8(bytes); });
        T* result = attach(&st);
        std::lock_guard<std::mutex> lock(pending->mutex);
        if (st.failed()) {
            pending->message = st.text();
            pending->codes = st.codes();
        }
        if (pending->givenUp) {
            if (result) {
                Status closing;
                result->detach(&closing);
                if (closing.failed())
                    result->release();
                result = nullptr;
            }
            countGivenUp(server, -1);
        }
        pending->result = result;
        pending->finished = true;
        pending->ended.notify_all();
    }).detach();

    // Most attaches end within moments: wait for those without running any events.
    {
        std::unique_lock<std::mutex> lock(pending->mutex);
        pending->ended.wait_for(lock, std::chrono::milliseconds(100),
                                [&] { return pending->finished; });
    }

    for (;;) {
        {
            std::lock_guard<std::mutex> lock(pending->mutex);
            if (pending->finished)
                break;
            if (Clock::now() >= deadline) {
                pending->givenUp = true;
                countGivenUp(server, +1);
                throw Error(noAnswerMessage(seconds), {isc_net_connect_err});
            }
        }
        pause();
    }
    if (pending->result)
        return pending->result;
    // The engine's own limit ran out: say so beside its terse message.
    const bool timedOut = Clock::now() - started >= std::chrono::seconds(seconds);
    throw Error(timedOut ? noAnswerMessage(seconds) + u'\n' + pending->message : pending->message,
                pending->codes);
}

}  // namespace

int givenUpAttaches()
{
    GivenUp& attaches = givenUp();
    std::lock_guard<std::mutex> lock(attaches.mutex);
    int total = 0;
    for (const auto& [server, count] : attaches.running)
        total += count;
    return total;
}

QString noAnswerMessage(int seconds)
{
    return QStringLiteral(
               "Serwer nie odpowiedział w ciągu %1 s; połączenie nie zostało "
               "nawiązane.")
        .arg(seconds);
}

Firebird::IAttachment* attachDatabase(const QByteArray& name, const QByteArray& dpb, int seconds)
{
    return attachBounded<Firebird::IAttachment>(
        name,
        [name, dpb](Firebird::CheckStatusWrapper* st) {
            Ref<Firebird::IProvider> provider(master()->getDispatcher());
            return provider->attachDatabase(
                st, name.constData(), unsigned(dpb.size()),
                reinterpret_cast<const unsigned char*>(dpb.constData()));
        },
        seconds);
}

Firebird::IService* attachServiceManager(const QByteArray& name, const QByteArray& spb, int seconds)
{
    return attachBounded<Firebird::IService>(
        name,
        [name, spb](Firebird::CheckStatusWrapper* st) {
            Ref<Firebird::IProvider> provider(master()->getDispatcher());
            return provider->attachServiceManager(
                st, name.constData(), unsigned(spb.size()),
                reinterpret_cast<const unsigned char*>(spb.constData()));
        },
        seconds);
}

}  // namespace db::fb

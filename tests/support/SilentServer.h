#pragma once
// A TCP port on the loopback that takes connections and never answers: a server that
// hangs, or a network that swallows the handshake; or one that passes the first exchange
// to the server on localhost:3050 and then nothing more, a server that stalls half-way.
// Lives as long as the object.
#include <QString>

#include <arpa/inet.h>
#include <atomic>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace testsupport {

class SilentServer {
public:
    enum class Kind {
        Accepting,    // the connection is made, then nothing is ever said
        Full,         // the listen queue is full: the connection is never made
        AnswersOnce,  // the server's first reply comes through, then nothing either way
    };
    explicit SilentServer(Kind kind)
    {
        listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
        socklen_t length = sizeof address;
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
        port_ = ntohs(address.sin_port);
        ::listen(listener_, kind == Kind::Full ? 0 : 16);
        if (kind == Kind::Full) {
            // Connections of our own, never accepted, fill the queue.
            for (int i = 0; i < 4; ++i) {
                const int s = ::socket(AF_INET, SOCK_STREAM, 0);
                ::fcntl(s, F_SETFL, O_NONBLOCK);
                ::connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address);
                fillers_.push_back(s);
            }
            ::usleep(200 * 1000);
        }
        if (kind == Kind::AnswersOnce)
            relay_ = std::thread([this] { relayFirstExchanges(); });
    }
    ~SilentServer()
    {
        stop_ = true;
        if (relay_.joinable())
            relay_.join();
        for (const int s : fillers_)
            ::close(s);
        ::close(listener_);
    }
    SilentServer(const SilentServer&) = delete;
    SilentServer& operator=(const SilentServer&) = delete;

    // The server part of a Firebird connection string: "127.0.0.1/port".
    QString host() const { return QStringLiteral("127.0.0.1/%1").arg(port_); }

private:
    void relayFirstExchanges()
    {
        while (!stop_) {
            pollfd waiting{listener_, POLLIN, 0};
            if (::poll(&waiting, 1, 100) <= 0)
                continue;
            const int client = ::accept(listener_, nullptr, nullptr);
            const int server = ::socket(AF_INET, SOCK_STREAM, 0);
            sockaddr_in address{};
            address.sin_family = AF_INET;
            address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
            address.sin_port = htons(3050);
            ::connect(server, reinterpret_cast<sockaddr*>(&address), sizeof address);
            char buffer[4096];
            const ssize_t asked = ::read(client, buffer, sizeof buffer);
            if (asked > 0 && ::write(server, buffer, size_t(asked)) == asked) {
                const ssize_t answered = ::read(server, buffer, sizeof buffer);
                if (answered > 0) [[maybe_unused]]
                    const ssize_t passed = ::write(client, buffer, size_t(answered));
            }
            fillers_.push_back(client);  // held open, silent, until the object goes
            fillers_.push_back(server);
        }
    }

    std::thread relay_;
    std::atomic<bool> stop_{false};
    int listener_ = -1;
    int port_ = 0;
    std::vector<int> fillers_;
};

}  // namespace testsupport

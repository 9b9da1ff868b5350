#pragma once
// A TCP port on the loopback that takes connections and never answers: a server that
// hangs, or a network that swallows the handshake. Lives as long as the object.
#include <QString>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace testsupport {

class SilentServer {
public:
    enum class Kind {
        Accepting,  // the connection is made, then nothing is ever said
        Full,       // the listen queue is full: the connection is never made
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
    }
    ~SilentServer()
    {
        for (const int s : fillers_)
            ::close(s);
        ::close(listener_);
    }
    SilentServer(const SilentServer&) = delete;
    SilentServer& operator=(const SilentServer&) = delete;

    // The server part of a Firebird connection string: "127.0.0.1/port".
    QString host() const { return QStringLiteral("127.0.0.1/%1").arg(port_); }

private:
    int listener_ = -1;
    int port_ = 0;
    std::vector<int> fillers_;
};

}  // namespace testsupport

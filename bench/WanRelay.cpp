#include "WanRelay.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <deque>
#include <list>
#include <stdexcept>
#include <string>
#include <vector>

namespace bench {
namespace {

using Clock = std::chrono::steady_clock;

struct Chunk {
    Clock::time_point due;
    std::string bytes;
    size_t sent = 0;
};

// One direction of a relayed connection: what was read from `from` and waits for its time
// to be written to `to`.
struct Stream {
    int from = -1;
    int to = -1;
    std::deque<Chunk> held;
    bool ended = false;    // `from` has closed: nothing more comes
    bool blocked = false;  // `to` took part of a chunk: wait until it may be written again
};

struct Link {
    Stream up;    // client to server
    Stream down;  // server to client
    bool clientSpoke = false;
    bool broken = false;
    bool finished() const
    {
        return broken || (up.ended && up.held.empty()) || (down.ended && down.held.empty());
    }
};

void fail(const char* what)
{
    throw std::runtime_error(std::string("relay: ") + what + ": " + std::strerror(errno));
}

void makeNonBlocking(int fd)
{
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
}

// Each chunk goes out as soon as it is due, not gathered with later ones.
void sendAtOnce(int fd)
{
    const int on = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
}

sockaddr_in loopback(std::uint16_t port)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

int connectToServer(std::uint16_t port)
{
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    const sockaddr_in address = loopback(port);
    if (fd < 0 || connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) < 0) {
        if (fd >= 0)
            close(fd);
        return -1;
    }
    sendAtOnce(fd);
    makeNonBlocking(fd);
    return fd;
}

// Holds what `from` has sent; true when there was something. A closed or failed `from`
// ends the stream.
bool receive(Stream& stream, Clock::duration delay)
{
    char buffer[65536];
    const ssize_t got = recv(stream.from, buffer, sizeof buffer, 0);
    if (got < 0 && (errno == EAGAIN || errno == EINTR))
        return false;
    if (got <= 0) {
        stream.ended = true;
        return false;
    }
    stream.held.push_back({Clock::now() + delay, std::string(buffer, size_t(got))});
    return true;
}

// Writes the chunks that are due; false when `to` failed.
bool deliver(Stream& stream, Clock::time_point now)
{
    stream.blocked = false;
    while (!stream.held.empty() && stream.held.front().due <= now) {
        Chunk& chunk = stream.held.front();
        const ssize_t put = send(stream.to, chunk.bytes.data() + chunk.sent,
                                 chunk.bytes.size() - chunk.sent, MSG_NOSIGNAL);
        if (put < 0) {
            if (errno == EAGAIN || errno == EINTR) {
                stream.blocked = true;
                return true;
            }
            return false;
        }
        chunk.sent += size_t(put);
        if (chunk.sent < chunk.bytes.size()) {
            stream.blocked = true;
            return true;
        }
        stream.held.pop_front();
    }
    return true;
}

short wanted(const Stream& reading, const Stream& writing)
{
    return short((reading.ended ? 0 : POLLIN) | (writing.blocked ? POLLOUT : 0));
}

}  // namespace

WanRelay::WanRelay(std::chrono::milliseconds oneWay, std::uint16_t serverPort)
    : oneWay_(oneWay), serverPort_(serverPort)
{
    listener_ = socket(AF_INET, SOCK_STREAM, 0);
    const int on = 1;
    setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in address = loopback(0);
    socklen_t length = sizeof address;
    if (listener_ < 0 || bind(listener_, reinterpret_cast<sockaddr*>(&address), length) < 0 ||
        listen(listener_, 16) < 0 ||
        getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) < 0)
        fail("listen");
    port_ = ntohs(address.sin_port);
    makeNonBlocking(listener_);
    int wake[2];
    if (pipe(wake) < 0)
        fail("pipe");
    wakeRead_ = wake[0];
    wakeWrite_ = wake[1];
    thread_ = std::thread([this] { run(); });
}

WanRelay::~WanRelay()
{
    const char stop = 0;
    if (write(wakeWrite_, &stop, 1) < 0)
        std::perror("relay: stop");
    thread_.join();
    for (int fd : {listener_, wakeRead_, wakeWrite_})
        close(fd);
}

void WanRelay::run()
{
    std::list<Link> links;
    std::vector<pollfd> watched;
    for (;;) {
        // Until the next chunk is due, or something arrives.
        Clock::time_point next = Clock::time_point::max();
        watched.assign({{wakeRead_, POLLIN, 0}, {listener_, POLLIN, 0}});
        for (Link& link : links) {
            watched.push_back({link.up.from, wanted(link.up, link.down), 0});
            watched.push_back({link.down.from, wanted(link.down, link.up), 0});
            for (const Stream* stream : {&link.up, &link.down})
                if (!stream->held.empty() && !stream->blocked)
                    next = std::min(next, stream->held.front().due);
        }
        timespec wait{1, 0};
        if (next != Clock::time_point::max()) {
            const auto left = std::max(next - Clock::now(), Clock::duration::zero());
            const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(left).count();
            wait = {time_t(ns / 1000000000), long(ns % 1000000000)};
        }
        if (ppoll(watched.data(), nfds_t(watched.size()), &wait, nullptr) < 0 && errno != EINTR)
            fail("poll");
        if (watched[0].revents)
            break;
        if (watched[1].revents & POLLIN) {
            const int client = accept4(listener_, nullptr, nullptr, SOCK_NONBLOCK);
            const int server = client >= 0 ? connectToServer(serverPort_) : -1;
            if (server < 0) {
                if (client >= 0)
                    close(client);
            } else {
                sendAtOnce(client);
                Link& link = links.emplace_back();
                link.up.from = link.down.to = client;
                link.down.from = link.up.to = server;
            }
        }
        size_t index = 2;
        for (Link& link : links) {
            if (index + 1 >= watched.size())
                break;  // accepted in this turn: nothing polled for it yet
            const short fromClient = watched[index++].revents;
            const short fromServer = watched[index++].revents;
            const short readable = POLLIN | POLLHUP | POLLERR;
            if ((fromClient & readable) && !link.up.ended && receive(link.up, oneWay_))
                link.clientSpoke = true;
            if ((fromServer & readable) && !link.down.ended && receive(link.down, oneWay_) &&
                link.clientSpoke) {
                ++roundTrips_;
                link.clientSpoke = false;
            }
        }
        const Clock::time_point now = Clock::now();
        for (auto link = links.begin(); link != links.end();) {
            link->broken |= !deliver(link->up, now) || !deliver(link->down, now);
            if (link->finished()) {
                close(link->up.from);
                close(link->down.from);
                link = links.erase(link);
            } else {
                ++link;
            }
        }
    }
    for (Link& link : links) {
        close(link.up.from);
        close(link.down.from);
    }
}

}  // namespace bench

#pragma once
// A slow link between a desk and the Firebird server, for the benchmarks: listens on a
// loopback port and relays every connection to the server, holding each chunk of bytes
// for a one-way delay in either direction, in order. It counts the turns of the
// conversation: a round trip is each answer of the server that follows something the
// client sent since the server's previous answer.
#include <atomic>
#include <chrono>
#include <cstdint>
#include <thread>

namespace bench {

class WanRelay {
public:
    // Starts relaying at once, on a thread of its own, to 127.0.0.1:serverPort.
    explicit WanRelay(std::chrono::milliseconds oneWay, std::uint16_t serverPort = 3050);
    ~WanRelay();
    WanRelay(const WanRelay&) = delete;
    WanRelay& operator=(const WanRelay&) = delete;

    std::uint16_t port() const { return port_; }
    // Round trips of every relayed connection so far.
    std::int64_t roundTrips() const { return roundTrips_.load(); }

private:
    void run();

    std::chrono::milliseconds oneWay_;
    std::uint16_t serverPort_;
    std::uint16_t port_ = 0;
    int listener_ = -1;
    int wakeRead_ = -1;
    int wakeWrite_ = -1;
    std::atomic<std::int64_t> roundTrips_{0};
    std::thread thread_;
};

}  // namespace bench

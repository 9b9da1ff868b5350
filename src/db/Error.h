#pragma once
#include <QString>
#include <stdexcept>
#include <vector>

namespace db {

// The one exception of the data layer: every server error and every misuse of a
// data set arrives as this, carrying the message to show the user and, for a server
// error, the server's error codes.
class Error : public std::runtime_error {
public:
    explicit Error(const QString& message, std::vector<long> codes = {})
        : std::runtime_error(message.toStdString()), message_(message), codes_(std::move(codes))
    {}
    const QString& message() const { return message_; }
    // The server's error codes (isc_...), the first one first; empty for the program's own.
    const std::vector<long>& codes() const { return codes_; }
    bool has(long code) const;
    // The connection to the database or the server is gone (the network, a server that
    // stopped, a connection shut down): nothing more can be done on it.
    bool connectionLost() const;

private:
    QString message_;
    std::vector<long> codes_;
};

}  // namespace db

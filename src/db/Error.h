#pragma once
#include <QString>
#include <stdexcept>

namespace db {

// The one exception of the data layer: every server error and every misuse of a
// data set arrives as this, carrying the message to show the user.
class Error : public std::runtime_error {
public:
    explicit Error(const QString& message)
        : std::runtime_error(message.toStdString()), message_(message)
    {}
    const QString& message() const { return message_; }

private:
    QString message_;
};

}  // namespace db

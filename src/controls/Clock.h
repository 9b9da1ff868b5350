#pragma once
// "Today" and "now" of the program, asked of one object so that tests can set them.
#include <QDate>
#include <QDateTime>

namespace controls {

class Clock {
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;
    QDate today() const { return now().date(); }
};

// The computer's own local time.
class SystemClock : public Clock {
public:
    QDateTime now() const override { return QDateTime::currentDateTime(); }
};

}  // namespace controls

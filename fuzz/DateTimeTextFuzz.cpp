// The date and time parsers over any text: nothing the user types may crash them, and what
// they accept is what they promise, a real day or time of day written back as it was typed.
#include "db/DateTimeText.h"

#include <QString>
#include <cmath>
#include <cstdint>
#include <cstdlib>

namespace {

void checkDate(const QString& text)
{
    const db::DayCount date = db::parseDate(text);
    if (date == 0)
        return;
    if (db::toDate(date).toString(QStringLiteral("dd-MM-yyyy")) != text)
        std::abort();
}

void checkTime(const QString& text)
{
    const double time = db::parseTime(text);
    if (time == -1)
        return;
    if (!(time >= 0 && time < 1))
        std::abort();
    const auto minutes = int(std::lround(time * 1440));
    if (QString::asprintf("%02d:%02d", minutes / 60, minutes % 60) != text)
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    checkDate(text);
    checkTime(text);
    return 0;
}

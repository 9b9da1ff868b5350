// The number reader over any text, in both forms: no crash, only finite numbers, the C form
// a subset of the Polish one, what formatNumber writes read back, and whole numbers equal to
// their digits.
#include "db/NumberText.h"

#include <QString>
#include <cmath>
#include <cstdint>
#include <cstdlib>

namespace {

void checkNumber(const QString& text)
{
    const std::optional<double> c = db::parseNumber(text, db::NumberForm::C);
    const std::optional<double> polish = db::parseNumber(text, db::NumberForm::Polish);
    if (c && !std::isfinite(*c))
        std::abort();
    if (polish && !std::isfinite(*polish))
        std::abort();
    // "." is the decimal separator of both forms, so a C number reads the same in Polish.
    if (c && (!polish || *polish != *c))
        std::abort();
    for (const auto form : {db::NumberForm::C, db::NumberForm::Polish}) {
        const std::optional<double> value = form == db::NumberForm::C ? c : polish;
        if (!value)
            continue;
        const std::optional<double> back = db::parseNumber(db::formatNumber(*value, form), form);
        // Fifteen significant digits: the value back within the last of them.
        if (!back || std::fabs(*back - *value) > std::fabs(*value) * 1e-14)
            std::abort();
    }
}

// The digits of an accepted whole number, written as QString::number writes them.
QString canonicalWhole(const QString& text)
{
    QString plain = text.trimmed();
    const bool negative = plain.startsWith(u'-');
    if (negative || plain.startsWith(u'+'))
        plain.remove(0, 1);
    while (plain.size() > 1 && plain.startsWith(u'0'))
        plain.remove(0, 1);
    return negative && plain != QLatin1String("0") ? u'-' + plain : plain;
}

bool isSignedDigits(const QString& text)
{
    const QString plain = text.trimmed();
    const qsizetype start = plain.startsWith(u'-') || plain.startsWith(u'+') ? 1 : 0;
    if (plain.size() == start)
        return false;
    for (qsizetype i = start; i < plain.size(); ++i)
        if (plain[i] < u'0' || plain[i] > u'9')
            return false;
    return true;
}

void checkWholeNumber(const QString& text)
{
    const std::optional<qint64> value = db::parseWholeNumber(text);
    if (value) {
        if (!isSignedDigits(text) || QString::number(*value) != canonicalWhole(text))
            std::abort();
        return;
    }
    // Refused: not digits, or more than 64 bits (eighteen digits always fit).
    if (isSignedDigits(text) && canonicalWhole(text).remove(u'-').size() <= 18)
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    checkNumber(text);
    checkWholeNumber(text);
    return 0;
}

#include "db/NumberText.h"

#include <QLocale>
#include <cmath>
#include <limits>

namespace db {

std::optional<double> parseNumber(const QString& text, NumberForm form)
{
    QString plain = text.trimmed();
    if (form == NumberForm::Polish) {
        if (plain.count(u',') > 1 || (plain.contains(u',') && plain.contains(u'.')))
            return std::nullopt;
        plain.replace(u',', u'.');
    }
    QLocale c = QLocale::c();
    c.setNumberOptions(QLocale::RejectGroupSeparator);
    bool ok = false;
    const double value = c.toDouble(plain, &ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::optional<qint64> parseWholeNumber(const QString& text)
{
    const QString plain = text.trimmed();
    const qsizetype start = plain.startsWith(u'-') || plain.startsWith(u'+') ? 1 : 0;
    if (plain.size() == start)
        return std::nullopt;
    for (qsizetype i = start; i < plain.size(); ++i)
        if (plain[i] < u'0' || plain[i] > u'9')
            return std::nullopt;
    bool ok = false;
    const qint64 value = plain.toLongLong(&ok);
    if (!ok)
        return std::nullopt;
    return value;
}

bool fitsInBits(qint64 value, int bits)
{
    if (bits >= 64)
        return true;
    const qint64 limit = qint64(1) << (bits - 1);
    return value >= -limit && value < limit;
}

std::optional<qint64> roundToWhole(double value, int bits)
{
    if (!std::isfinite(value))
        return std::nullopt;
    const double rounded = std::round(value);
    // 2^63 is the first double beyond qint64; everything below it converts exactly.
    constexpr double beyond = 9223372036854775808.0;
    if (rounded >= beyond || rounded < -beyond)
        return std::nullopt;
    const auto whole = qint64(rounded);
    if (!fitsInBits(whole, bits))
        return std::nullopt;
    return whole;
}

QString formatNumber(double value, NumberForm form)
{
    QString text = QString::number(value, 'g', 15);
    if (form == NumberForm::Polish)
        text.replace(u'.', u',');
    return text;
}

}  // namespace db

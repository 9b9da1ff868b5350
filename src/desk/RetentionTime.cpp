#include "desk/RetentionTime.h"

namespace desk {

const QString PersonalDataSection = QStringLiteral("RODO");
const QString RetentionMonthsKey = QStringLiteral("Miesiace");

int numberInRange(const QString& stored, int min, int max, int fallback)
{
    bool isNumber = false;
    const int number = stored.trimmed().toInt(&isNumber);
    return isNumber && number >= min && number <= max ? number : fallback;
}

int retentionMonths(const QString& stored)
{
    return numberInRange(stored, MinRetentionMonths, MaxRetentionMonths, DefaultRetentionMonths);
}

QString monthsText(int months)
{
    const int lastDigit = months % 10, lastTwo = months % 100;
    const char* form = months == 1 ? "miesiąc"
                       : lastDigit >= 2 && lastDigit <= 4 && (lastTwo < 12 || lastTwo > 14)
                           ? "miesiące"
                           : "miesięcy";
    return QString::number(months) + u' ' + QString::fromUtf8(form);
}

}  // namespace desk

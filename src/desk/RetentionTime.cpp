#include "desk/RetentionTime.h"

namespace desk {

const QString PersonalDataSection = QStringLiteral("RODO");
const QString RetentionMonthsKey = QStringLiteral("Miesiace");

int retentionMonths(const QString& stored)
{
    bool isNumber = false;
    const int months = stored.trimmed().toInt(&isNumber);
    return isNumber && months >= MinRetentionMonths && months <= MaxRetentionMonths
               ? months
               : DefaultRetentionMonths;
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

#include "controls/CsvFields.h"

#include <QStringEncoder>

namespace controls::csv {

QByteArray encode(const QString& text)
{
    QStringEncoder encoder("windows-1250");
    return encoder.encode(text);
}

}  // namespace controls::csv

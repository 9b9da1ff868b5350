#include "controls/CsvFields.h"

#include <QStringEncoder>

namespace controls::csv {

QByteArray encode(const QString& text)
{
    QStringEncoder encoder("windows-1250");
    return encoder.encode(text);
}

void appendQuotedField(QByteArray& line, const QString& text)
{
    static const QString formulaStarts = QStringLiteral("=+-@\t\r");
    const bool formula = !text.isEmpty() && formulaStarts.contains(text.front());
    const QByteArray field = encode(formula ? QLatin1Char('\'') + text : text);
    if (!formula && !field.contains(Separator) && !field.contains('"') && !field.contains('\r') &&
        !field.contains('\n')) {
        line.append(field);
        return;
    }
    line.append('"');
    for (const char c : field) {
        if (c == '"')
            line.append('"');
        line.append(c);
    }
    line.append('"');
}

}  // namespace controls::csv

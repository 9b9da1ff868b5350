#include "db/NamedParams.h"

namespace db {
namespace {

bool isNameChar(QChar c)
{
    return c.isLetterOrNumber() || c == u'_' || c == u'$';
}

// Copies a quoted run ('...' or "...", a doubled quote standing for itself) and
// returns the index after it.
qsizetype copyQuoted(const QString& sql, qsizetype i, QString& out)
{
    const QChar quote = sql[i];
    out += quote;
    ++i;
    while (i < sql.size()) {
        out += sql[i];
        if (sql[i] == quote) {
            if (i + 1 < sql.size() && sql[i + 1] == quote) {
                out += sql[i + 1];
                i += 2;
                continue;
            }
            return i + 1;
        }
        ++i;
    }
    return i;
}

qsizetype copyUntil(const QString& sql, qsizetype i, const QString& end, QString& out)
{
    const qsizetype stop = sql.indexOf(end, i);
    const qsizetype next = stop < 0 ? sql.size() : stop + end.size();
    out += sql.mid(i, next - i);
    return next;
}

}  // namespace

PositionalSql toPositional(const QString& sql)
{
    PositionalSql result;
    // An execute block takes its parameters in the list after its name; in its body a
    // colon marks one of its own variables.
    const bool block =
        sql.trimmed().startsWith(QLatin1String("execute block"), Qt::CaseInsensitive);
    int depth = 0;
    qsizetype i = 0;
    while (i < sql.size()) {
        const QChar c = sql[i];
        if (block && (c == u'(' || c == u')')) {
            depth += c == u'(' ? 1 : -1;
            result.text += c;
            ++i;
            if (depth == 0) {  // the end of the parameter list: the rest is the body's
                result.text += sql.mid(i);
                return result;
            }
        } else if (c == u'\'' || c == u'"') {
            i = copyQuoted(sql, i, result.text);
        } else if (c == u'-' && sql.mid(i, 2) == QLatin1String("--")) {
            i = copyUntil(sql, i, QStringLiteral("\n"), result.text);
        } else if (c == u'/' && sql.mid(i, 2) == QLatin1String("/*")) {
            i = copyUntil(sql, i, QStringLiteral("*/"), result.text);
        } else if (c == u':' && i + 1 < sql.size() && isNameChar(sql[i + 1])) {
            qsizetype end = i + 1;
            while (end < sql.size() && isNameChar(sql[end]))
                ++end;
            result.names << sql.mid(i + 1, end - i - 1);
            result.text += u'?';
            i = end;
        } else {
            result.text += c;
            ++i;
        }
    }
    return result;
}

}  // namespace db

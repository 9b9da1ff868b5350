#pragma once
#include <QString>
#include <QStringList>

namespace db {

// A statement with named parameters (":firma_id") turned into the positional form
// the server takes ("?"), with the names in the order of their places.
struct PositionalSql {
    QString text;
    QStringList names;  // as written, one per "?"
};

// Colons inside string literals, quoted identifiers and comments are text, and so are those
// of an execute block's body (its variables).
PositionalSql toPositional(const QString& sql);

}  // namespace db

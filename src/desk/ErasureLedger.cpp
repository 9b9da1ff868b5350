#include "desk/ErasureLedger.h"

#include "controls/PrivateFiles.h"

#include "db/Database.h"
#include "db/DateTimeText.h"
#include "db/Error.h"
#include "db/Statement.h"

#include <QFile>
#include <QSaveFile>
#include <algorithm>
#include <cstdlib>

namespace desk {

const QString LedgerFileName = QStringLiteral("usuniecia_danych.txt");

namespace {

constexpr auto SelectErasures = R"(select DTUSUNIECIA, GOSC_ID, GRANICA
from USUNIECIA
order by DTUSUNIECIA, ID)";

const QString TimeFormat = QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz");
const QString GuestKind = QStringLiteral("gosc");
const QString CutOffKind = QStringLiteral("granica");

QString lineOf(const Erasure& erasure, const QString& database)
{
    const QStringList fields = {
        erasure.at.toString(TimeFormat),
        erasure.guestId != 0 ? GuestKind : CutOffKind,
        erasure.guestId != 0 ? QString::number(erasure.guestId)
                             : erasure.cutOff.toString(Qt::ISODate),
        database,
    };
    return fields.join(u'\t');
}

// A line's erasure and its database; false for a line that does not read.
bool parse(const QString& line, Erasure& erasure, QString& database)
{
    const QStringList fields = line.split(u'\t');
    if (fields.size() != 4)
        return false;
    erasure = {};
    erasure.at = QDateTime::fromString(fields[0], TimeFormat);
    database = fields[3];
    if (fields[1] == GuestKind) {
        bool isNumber = false;
        erasure.guestId = fields[2].toInt(&isNumber);
        return erasure.at.isValid() && isNumber && erasure.guestId > 0;
    }
    erasure.cutOff = QDate::fromString(fields[2], Qt::ISODate);
    return fields[1] == CutOffKind && erasure.at.isValid() && erasure.cutOff.isValid();
}

QStringList linesOf(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    return QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts);
}

}  // namespace

bool sameErasure(const Erasure& a, const Erasure& b)
{
    // The database keeps the time as a day count: read back, it may be a millisecond off.
    return a.guestId == b.guestId && a.cutOff == b.cutOff && std::abs(a.at.msecsTo(b.at)) < 1000;
}

QList<Erasure> readLedger(const QString& path, const QString& database)
{
    QList<Erasure> erasures;
    for (const QString& line : linesOf(path)) {
        Erasure erasure;
        QString lineDatabase;
        if (parse(line.trimmed(), erasure, lineDatabase) && lineDatabase == database)
            erasures << erasure;
    }
    return erasures;
}

void addToLedger(const QString& path, const QString& database, const QList<Erasure>& erasures)
{
    QStringList lines = linesOf(path);
    const int kept = int(lines.size());
    for (const Erasure& erasure : erasuresMissing(erasures, readLedger(path, database)))
        lines << lineOf(erasure, database);
    if (lines.size() == kept && QFile::exists(path))
        return;
    QSaveFile file(path);
    const bool written =
        controls::openPrivate(file) &&
        file.write(lines.isEmpty() ? QByteArray() : (lines.join(u'\n') + u'\n').toUtf8()) >= 0 &&
        file.commit();
    if (!written)
        throw db::Error(QStringLiteral("Nie można zapisać rejestru usunięć danych osobowych "
                                       "'%1': %2")
                            .arg(path, file.errorString()));
}

bool recordsErasures(db::Database& database)
{
    return database.hasTable(QStringLiteral("USUNIECIA"));
}

QList<Erasure> recordedErasures(db::Database& database)
{
    if (!recordsErasures(database))
        return {};
    db::Statement select(database, QString::fromUtf8(SelectErasures));
    std::vector<db::Values> rows;
    select.execute([](const QString&) { return QVariant(); }, &rows);
    QList<Erasure> erasures;
    for (const db::Values& row : rows)
        erasures << Erasure{db::toDateTime(row[0].toDouble()), row[1].toInt(), db::dateOf(row[2])};
    return erasures;
}

QList<Erasure> erasuresMissing(const QList<Erasure>& wanted, const QList<Erasure>& held)
{
    QList<Erasure> missing;
    const auto in = [](const QList<Erasure>& list, const Erasure& erasure) {
        return std::any_of(list.begin(), list.end(),
                           [&](const Erasure& e) { return sameErasure(e, erasure); });
    };
    for (const Erasure& erasure : wanted)
        if (!in(held, erasure) && !in(missing, erasure))
            missing << erasure;
    return missing;
}

}  // namespace desk

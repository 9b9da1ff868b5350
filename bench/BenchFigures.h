#pragma once
// What the benchmarks share: a statement run through the Firebird client alone (the
// "bare" side of a figure), timing, and the printed line of a figure.
#include "db/Database.h"
#include "db/Firebird.h"
#include "db/NamedParams.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <ibase.h>
#include <utility>
#include <vector>

namespace bench {

using Params = std::vector<std::pair<QString, QVariant>>;

// The input message of a statement with the values in the order of its parameters (null,
// texts, timestamps and whole numbers), texts in the connection's bytes.
inline std::vector<unsigned char> bindMessage(
    Firebird::IMessageMetadata* in, const std::vector<QVariant>& values,
    const std::function<QByteArray(const QString&)>& encode)
{
    db::fb::Status st;
    std::vector<unsigned char> input(in->getMessageLength(&st), 0);
    for (unsigned i = 0; i < unsigned(values.size()); ++i) {
        const QVariant& value = values[i];
        unsigned char* at = input.data() + in->getOffset(&st, i);
        *reinterpret_cast<short*>(input.data() + in->getNullOffset(&st, i)) =
            value.isNull() ? -1 : 0;
        if (value.isNull())
            continue;
        const unsigned type = in->getType(&st, i) & ~1u;
        if (type == SQL_VARYING) {
            const QByteArray bytes = encode(value.toString());
            const unsigned short length = (unsigned short)bytes.size();
            std::memcpy(at, &length, sizeof length);
            std::memcpy(at + 2, bytes.constData(), size_t(bytes.size()));
        } else if (type == SQL_TIMESTAMP) {
            const QDateTime when = value.toDateTime();
            Firebird::IUtil* util = db::fb::master()->getUtilInterface();
            const ISC_TIMESTAMP stamp{
                util->encodeDate(unsigned(when.date().year()), unsigned(when.date().month()),
                                 unsigned(when.date().day())),
                util->encodeTime(unsigned(when.time().hour()), unsigned(when.time().minute()),
                                 unsigned(when.time().second()), 0)};
            std::memcpy(at, &stamp, sizeof stamp);
        } else if (type == SQL_INT64) {
            const qint64 number = value.toLongLong();
            std::memcpy(at, &number, sizeof number);
        } else {
            const qint32 number = value.toInt();
            std::memcpy(at, &number, sizeof number);
        }
    }
    st.check();
    return input;
}

// Opens the select's cursor with the input message and fetches every row; the number of rows.
inline int fetchAll(Firebird::IStatement* statement, Firebird::ITransaction* transaction,
                    Firebird::IMessageMetadata* in, std::vector<unsigned char>& input,
                    Firebird::IMessageMetadata* out)
{
    db::fb::Status st;
    std::vector<unsigned char> row(out->getMessageLength(&st));
    db::fb::Ref<Firebird::IResultSet> cursor(
        statement->openCursor(&st, transaction, in, input.data(), out, 0));
    st.check();
    int rows = 0;
    while (cursor->fetchNext(&st, row.data()) == Firebird::IStatus::RESULT_OK)
        ++rows;
    st.check();
    cursor->close(&st);
    st.check();
    cursor.forget();
    return rows;
}

// The statement prepared once through the Firebird client; each run binds the values,
// opens the cursor and fetches every row.
class BareQuery {
public:
    BareQuery(db::Database& database, const QString& sql) : database_(database)
    {
        const db::PositionalSql positional = db::toPositional(sql);
        names_ = positional.names;
        db::fb::Status st;
        const QByteArray text = database.encode(positional.text);
        statement_.reset(database.attachment()->prepare(
            &st, database.transaction().handle(), unsigned(text.size()), text.constData(), 3,
            Firebird::IStatement::PREPARE_PREFETCH_METADATA));
        st.check();
        in_.reset(statement_->getInputMetadata(&st));
        out_.reset(statement_->getOutputMetadata(&st));
        st.check();
    }
    ~BareQuery()
    {
        db::fb::Status st;
        statement_->free(&st);
        if (!st.failed())
            statement_.forget();
    }

    QString plan()
    {
        db::fb::Status st;
        const char* text = statement_->getPlan(&st, false);
        return st.failed() || !text ? QString() : QString::fromUtf8(text).trimmed();
    }

    int run(const Params& params)
    {
        db::fb::Status st;
        std::vector<unsigned char> input = bind(params);
        return fetchAll(statement_.get(), database_.transaction().handle(), in_.get(), input,
                        out_.get());
    }

    // An insert, update or delete: the rows it wrote.
    quint64 execute(const Params& params)
    {
        db::fb::Status st;
        std::vector<unsigned char> input = bind(params);
        statement_->execute(&st, database_.transaction().handle(), in_.get(), input.data(), nullptr,
                            nullptr);
        st.check();
        const ISC_UINT64 written = statement_->getAffectedRecords(&st);
        st.check();
        return written;
    }

private:
    std::vector<unsigned char> bind(const Params& params)
    {
        std::vector<QVariant> values(size_t(names_.size()));
        for (size_t i = 0; i < values.size(); ++i)
            for (const auto& [name, v] : params)
                if (name.compare(names_[int(i)], Qt::CaseInsensitive) == 0)
                    values[i] = v;
        return bindMessage(in_.get(), values,
                           [this](const QString& text) { return database_.encode(text); });
    }

    db::Database& database_;
    QStringList names_;
    db::fb::Ref<Firebird::IStatement> statement_;
    db::fb::Ref<Firebird::IMessageMetadata> in_;
    db::fb::Ref<Firebird::IMessageMetadata> out_;
};

inline double elapsedMs(const std::function<void()>& work)
{
    QElapsedTimer timer;
    timer.start();
    work();
    return double(timer.nsecsElapsed()) / 1e6;
}

inline double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

inline QString ms(double value)
{
    return QString::number(value, 'f', value < 10 ? 2 : 0);
}

inline void print(const QString& line)
{
    std::printf("%s\n", line.toUtf8().constData());
    std::fflush(stdout);
}

// Runs both sides alternately (and the data set alone, when given, as the program's share),
// after one run of each to warm the caches; prints medians.
inline void compare(const QString& what, const std::function<int()>& program,
                    const std::function<int()>& bare, const std::function<int()>& dataSet = {},
                    int runs = 9)
{
    const int programRows = program();
    const int bareRows = bare();
    if (programRows != bareRows)
        print(QStringLiteral("%1: the program found %2 rows, the client %3")
                  .arg(what)
                  .arg(programRows)
                  .arg(bareRows));
    if (dataSet)
        dataSet();
    std::vector<double> programTimes, bareTimes, dataSetTimes;
    for (int i = 0; i < runs; ++i) {
        programTimes.push_back(elapsedMs([&] { program(); }));
        bareTimes.push_back(elapsedMs([&] { bare(); }));
        if (dataSet)
            dataSetTimes.push_back(elapsedMs([&] { dataSet(); }));
    }
    const double p = median(programTimes), b = median(bareTimes);
    print(QStringLiteral("%1: program %2 ms, bare %3 ms, ratio %4 (%5 rows)")
              .arg(what, ms(p), ms(b), QString::number(p / b, 'f', 2))
              .arg(bareRows));
    if (dataSet)
        print(QStringLiteral("  of which the data set alone: %1 ms").arg(ms(median(dataSetTimes))));
}

// The most memory the process has held so far.
inline double peakMegabytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
    return 0;
}

}  // namespace bench

#include "mail/Courier.h"

#include "db/Database.h"
#include "db/DateTimeText.h"
#include "db/Error.h"
#include "db/Statement.h"
#include "mail/Outbox.h"
#include "mail/SmtpClient.h"

#include <QThread>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <optional>

namespace mail {

namespace {

// A desk claims this many due messages at once and sends them on one connection.
constexpr int Batch = 25;

constexpr auto SelectOwnAttachment = R"(select current_connection
from RDB$DATABASE)";
constexpr auto SelectDue = R"(select first 25 ID
from POCZTA
where STAN = 0 and DTNASTEPNEJ <= current_timestamp
order by DTNASTEPNEJ, ID)";
// Taken only while still waiting: a desk that got there first has changed STAN, and the
// no-wait transaction refuses a row another desk is claiming at this moment.
constexpr auto Claim = R"(update POCZTA
set STAN = 1, WYSYLA = :WYSYLA, DTPOBRANIA = current_timestamp
where ID = :ID and STAN = 0)";
constexpr auto SelectMessage = R"(select ID, DTUTWORZENIA, RODZAJ, ADRESAT, TEMAT, TRESC,
  ZALACZNIK_NAZWA, ZALACZNIK, PROBY
from POCZTA
where ID = :ID)";
constexpr auto DeleteSent = R"(delete from POCZTA
where ID = :ID)";
constexpr auto PutBack = R"(update POCZTA
set STAN = :STAN, WYSYLA = null, DTPOBRANIA = null, PROBY = PROBY + :PROBA,
  ODPOWIEDZ = coalesce(:ODPOWIEDZ, ODPOWIEDZ),
  DTNASTEPNEJ = dateadd(:PAUZA millisecond to current_timestamp)
where ID = :ID and STAN = 1)";
// A claim older than the pause (given negative): the desk stopped while sending and nobody knows
// whether the server got it.
constexpr auto MarkAbandoned = R"(update POCZTA
set STAN = 2, ODPOWIEDZ = :PRZED || coalesce(WYSYLA, '?') || :PO, WYSYLA = null
where STAN = 1 and DTPOBRANIA < dateadd(:PAUZA millisecond to current_timestamp))";

struct Claimed {
    int id = 0;
    Kind kind = Kind::HostNotice;
    int tries = 0;
    Message message;
};

QString mimeTypeOf(const QString& fileName)
{
    return fileName.endsWith(QLatin1String(".pdf"), Qt::CaseInsensitive)
               ? QStringLiteral("application/pdf")
               : QStringLiteral("application/octet-stream");
}

// The same on every try, so that a message the server took twice is seen as one.
QString messageIdOf(int id, const QDateTime& created, const QString& sender)
{
    const QString domain = sender.section(u'@', -1).trimmed();
    return QStringLiteral("halvane.%1.%2@%3")
        .arg(id)
        .arg(created.toString(QStringLiteral("yyyyMMddhhmmsszzz")),
             domain.isEmpty() ? QStringLiteral("localhost") : domain);
}

}  // namespace

class Courier::Worker : public QObject {
    Q_OBJECT
public:
    Worker(CourierOptions options, std::shared_ptr<std::atomic<qint64>> attachmentId)
        : options_(std::move(options)), attachmentId_(std::move(attachmentId))
    {}

    void start()
    {
        timer_ = new QTimer(this);
        connect(timer_, &QTimer::timeout, this, &Worker::round);
        timer_->start(options_.lookEvery);
        round();
    }

    void round()
    {
        if (stopping_)
            return;
        try {
            openDatabase();
            markAbandoned();
            while (!stopping_ && sendBatch()) {
            }
        } catch (const db::Error& error) {
            emit outboxUnreachable(error.message());
            database_.close();  // a new connection at the next round
            attachmentId_->store(0);
        }
        client_.reset();  // no connection is held while the outbox is empty
    }

    void stop() { stopping_ = true; }
    // Called from the owner's thread: a message being sent is given up at once.
    void abortSending()
    {
        stopping_ = true;
        if (SmtpClient* client = clientInUse_.load())
            client->abort();
    }

    void finish()
    {
        if (timer_)
            timer_->stop();
        database_.close();
        attachmentId_->store(0);
    }

signals:
    void delivered(int messageId, const QString& address, int kind);
    void notDelivered(int messageId, const QString& address, const QString& answer);
    void outboxUnreachable(const QString& message);

private:
    void openDatabase()
    {
        if (database_.connected())
            return;
        database_.setDatabaseName(options_.databaseName);
        database_.setParams(options_.params);
        database_.open();
        std::vector<db::Values> own;
        run(SelectOwnAttachment, {}, &own);
        database_.transaction().commit();
        attachmentId_->store(own.front()[0].toLongLong());
    }

    void run(const char* sql, const db::ParamSource& params,
             std::vector<db::Values>* rows = nullptr)
    {
        db::Statement statement(database_, QString::fromUtf8(sql));
        statement.execute(params, rows);
    }

    void markAbandoned()
    {
        const qint64 after = options_.abandonedAfter.count();
        run(MarkAbandoned, [after](const QString& name) -> QVariant {
            if (name == QLatin1String("PRZED"))
                return QStringLiteral("Wysyłanie przerwane na stanowisku ");
            if (name == QLatin1String("PO"))
                return QStringLiteral(
                    ": nie wiadomo, czy serwer poczty przyjął wiadomość. "
                    "Wyślij ją ponownie albo usuń.");
            return -after;
        });
        database_.transaction().commit();
    }

    // Claims what is due, commits the claim, sends; false when nothing was due.
    bool sendBatch()
    {
        std::vector<Claimed> claimed = claim();
        if (claimed.empty())
            return false;
        if (!client_)
            client_ = std::make_unique<SmtpClient>(options_.settings);
        std::vector<std::pair<const Claimed*, SendResult>> results;
        size_t sentUpTo = 0;
        for (; sentUpTo < claimed.size() && !stopping_; ++sentUpTo) {
            clientInUse_ = client_.get();
            SendResult result = client_->send(claimed[sentUpTo].message);
            clientInUse_ = nullptr;
            results.emplace_back(&claimed[sentUpTo], result);
            // A server that is down or silent is so for the rest of the batch too.
            if (result.outcome == SendResult::Outcome::Temporary) {
                ++sentUpTo;
                break;
            }
        }
        record(results, claimed, sentUpTo);
        return !stopping_ && std::all_of(results.begin(), results.end(), [](const auto& r) {
            return r.second.outcome != SendResult::Outcome::Temporary;
        });
    }

    std::vector<Claimed> claim()
    {
        std::vector<db::Values> due;
        run(SelectDue, {}, &due);
        std::vector<int> ids;
        for (const db::Values& row : due) {
            const int id = row[0].toInt();
            db::Statement update(database_, QString::fromUtf8(Claim));
            try {
                update.execute([&](const QString& name) -> QVariant {
                    return name == QLatin1String("ID") ? QVariant(id) : QVariant(options_.deskName);
                });
            } catch (const db::Error& error) {
                if (error.connectionLost())
                    throw;
                continue;  // another desk is claiming it this moment
            }
            if (update.affectedRows() == 1)
                ids.push_back(id);
        }
        database_.transaction().commit();
        std::vector<Claimed> claimed;
        for (int id : ids)
            if (std::optional<Claimed> c = read(id))
                claimed.push_back(std::move(*c));
        database_.transaction().commit();
        return claimed;
    }

    // Nothing when removed meanwhile (the removal of old data): then sent to nobody.
    std::optional<Claimed> read(int id)
    {
        std::vector<db::Values> rows;
        run(
            SelectMessage, [id](const QString&) -> QVariant { return id; }, &rows);
        if (rows.empty())
            return std::nullopt;
        Claimed c;
        c.id = id;
        const db::Values& row = rows.front();
        c.kind = Kind(row[2].toInt());
        c.tries = row[8].toInt();
        c.message.to = row[3].toString();
        c.message.subject = row[4].toString();
        c.message.body = row[5].toString();
        if (!row[6].isNull())
            c.message.attachment =
                Attachment{row[6].toString(), mimeTypeOf(row[6].toString()), row[7].toByteArray()};
        c.message.messageId =
            messageIdOf(id, db::toDateTime(row[1].toDouble()), options_.settings.senderAddress);
        return c;
    }

    std::chrono::milliseconds pauseAfter(int tries) const
    {
        std::chrono::milliseconds pause = options_.firstPause;
        for (int i = 0; i < tries && pause < options_.longestPause; ++i)
            pause *= 2;
        return std::min(pause, options_.longestPause);
    }

    // One unit of work for the whole batch: the sent ones deleted, the others put back.
    void record(const std::vector<std::pair<const Claimed*, SendResult>>& results,
                const std::vector<Claimed>& claimed, size_t sentUpTo)
    {
        std::chrono::milliseconds lastPause{0};
        for (const auto& [c, result] : results) {
            if (result.sent()) {
                run(DeleteSent, [c = c](const QString&) -> QVariant { return c->id; });
                continue;
            }
            const bool aborted = stopping_ && result.outcome == SendResult::Outcome::Temporary;
            lastPause = aborted ? std::chrono::milliseconds(0) : pauseAfter(c->tries);
            putBack(
                c->id,
                result.outcome == SendResult::Outcome::Permanent ? State::Failed : State::Waiting,
                aborted ? 0 : 1, aborted ? QVariant() : QVariant(result.answer), lastPause);
        }
        // Not tried in this round: waiting again, after the same pause as the failed one.
        for (size_t i = sentUpTo; i < claimed.size(); ++i)
            putBack(claimed[i].id, State::Waiting, 0, QVariant(), lastPause);
        database_.transaction().commit();
        for (const auto& [c, result] : results) {
            if (result.sent())
                emit delivered(c->id, c->message.to, int(c->kind));
            else
                emit notDelivered(c->id, c->message.to, result.answer);
        }
    }

    void putBack(int id, State state, int tries, const QVariant& answer,
                 std::chrono::milliseconds pause)
    {
        run(PutBack, [&](const QString& name) -> QVariant {
            if (name == QLatin1String("STAN"))
                return int(state);
            if (name == QLatin1String("PROBA"))
                return tries;
            if (name == QLatin1String("ODPOWIEDZ"))
                return answer;
            if (name == QLatin1String("PAUZA"))
                return qint64(pause.count());
            return id;
        });
    }

    CourierOptions options_;
    std::shared_ptr<std::atomic<qint64>> attachmentId_;
    db::Database database_;
    std::unique_ptr<SmtpClient> client_;
    std::atomic<SmtpClient*> clientInUse_{nullptr};
    std::atomic<bool> stopping_{false};
    QTimer* timer_ = nullptr;
};

Courier::Courier(CourierOptions options, QObject* parent)
    : QObject(parent),
      thread_(std::make_unique<QThread>()),
      attachmentId_(std::make_shared<std::atomic<qint64>>(0)),
      worker_(new Worker(std::move(options), attachmentId_))
{
    worker_->moveToThread(thread_.get());
    connect(worker_, &Worker::delivered, this, &Courier::delivered);
    connect(worker_, &Worker::notDelivered, this, &Courier::notDelivered);
    connect(worker_, &Worker::outboxUnreachable, this, &Courier::outboxUnreachable);
    connect(thread_.get(), &QThread::started, worker_, &Worker::start);
    connect(thread_.get(), &QThread::finished, worker_, &QObject::deleteLater);
    thread_->setObjectName(QStringLiteral("Poczta"));
    thread_->start();
}

Courier::~Courier()
{
    worker_->abortSending();
    QMetaObject::invokeMethod(worker_, &Worker::finish, Qt::BlockingQueuedConnection);
    thread_->quit();
    thread_->wait();
}

void Courier::wake()
{
    QMetaObject::invokeMethod(worker_, &Worker::round, Qt::QueuedConnection);
}

}  // namespace mail

#include "Courier.moc"

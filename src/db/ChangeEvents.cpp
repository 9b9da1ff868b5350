#include "db/ChangeEvents.h"

#include "db/DataSet.h"
#include "db/Database.h"
#include "db/Error.h"
#include "db/Firebird.h"

#include <QMetaObject>
#include <atomic>
#include <mutex>
#include <utility>
#include <vector>

namespace db {
namespace {

constexpr auto SelectTriggers = R"(select
  trim(RDB$TRIGGER_NAME) as NAZWA,
  trim(RDB$RELATION_NAME) as TABELA
from RDB$TRIGGERS
where
  coalesce(RDB$SYSTEM_FLAG, 0) = 0
  and
  coalesce(RDB$TRIGGER_INACTIVE, 0) = 0)";

// EPB_version1, the one version of an event block (the engine's own headers name it).
constexpr char EventBlockVersion = 1;

struct Counted {
    QByteArray name;
    quint32 count = 0;
};

// The events of a block in its order; what does not read as a block gives none.
std::vector<Counted> readBlock(const QByteArray& block)
{
    std::vector<Counted> events;
    const auto* bytes = reinterpret_cast<const unsigned char*>(block.constData());
    const qsizetype size = block.size();
    if (size < 1 || bytes[0] != EventBlockVersion)
        return {};
    for (qsizetype at = 1; at < size;) {
        const qsizetype length = bytes[at++];
        if (at + length + 4 > size)
            return {};
        Counted event;
        event.name = block.mid(at, length);
        at += length;
        event.count = quint32(bytes[at]) | quint32(bytes[at + 1]) << 8 |
                      quint32(bytes[at + 2]) << 16 | quint32(bytes[at + 3]) << 24;
        at += 4;
        events.push_back(std::move(event));
    }
    return events;
}

}  // namespace

// What the client's thread and this object's thread share: whether the object still
// listens, and which queued request it listens to.
struct ChangeEvents::Channel {
    std::mutex mutex;
    ChangeEvents* owner = nullptr;
    quint64 generation = 0;  // written on the owner's thread only, under the mutex
};

// The callback of one queued request. The client calls it on a thread of its own (the
// embedded engine's delivery thread, the network client's event thread), or on the thread
// that cancels; it only hands the counts over to the owner's thread.
class ChangeEvents::Delivery final
    : public Firebird::IEventCallbackImpl<Delivery, Firebird::CheckStatusWrapper> {
public:
    Delivery(std::shared_ptr<Channel> channel, quint64 generation)
        : channel_(std::move(channel)), generation_(generation)
    {}

    void addRef() override { ++references_; }
    int release() override
    {
        if (--references_ == 0) {
            delete this;
            return 0;
        }
        return 1;
    }

    // No counts (length 0): the client gave the request up, cancelled or with its
    // connection gone.
    void eventCallbackFunction(unsigned length, const unsigned char* events) override
    {
        const QByteArray counts =
            events && length > 0 ? QByteArray(reinterpret_cast<const char*>(events), int(length))
                                 : QByteArray();
        const std::lock_guard<std::mutex> lock(channel_->mutex);
        ChangeEvents* owner = channel_->owner;
        if (!owner || channel_->generation != generation_)
            return;  // a request no longer listened to
        const quint64 generation = generation_;
        QMetaObject::invokeMethod(
            owner, [owner, generation, counts] { owner->deliver(generation, counts); },
            Qt::QueuedConnection);
    }

private:
    std::shared_ptr<Channel> channel_;
    const quint64 generation_;
    std::atomic<int> references_{1};
};

ChangeEvents::ChangeEvents(QObject* parent) : QObject(parent), channel_(std::make_shared<Channel>())
{
    channel_->owner = this;
}

ChangeEvents::~ChangeEvents()
{
    stop();
    {
        const std::lock_guard<std::mutex> lock(channel_->mutex);
        channel_->owner = nullptr;
    }
    if (retired_)
        retired_->release();
}

QString ChangeEvents::triggerName(const QString& table)
{
    return QStringLiteral("TR_%1_ZMIANY").arg(table);
}

QStringList ChangeEvents::tablesPostingEvents(Database& database, const QStringList& tables)
{
    DataSet triggers(database);
    triggers.setSelectSql(QString::fromUtf8(SelectTriggers));
    triggers.open();
    QStringList found;
    for (const QString& table : tables)
        for (triggers.first(); !triggers.eof(); triggers.next())
            if (triggers.field(QStringLiteral("NAZWA")).asString() == triggerName(table) &&
                triggers.field(QStringLiteral("TABELA")).asString() == table) {
                found << table;
                break;
            }
    return found;
}

QByteArray ChangeEvents::eventBlock(const QStringList& names)
{
    QByteArray block(1, EventBlockVersion);
    for (const QString& name : names) {
        const QByteArray bytes = name.toLatin1().left(255);
        block += char(bytes.size());
        block += bytes;
        block += QByteArray(4, '\0');
    }
    return block;
}

QStringList ChangeEvents::raised(const QByteArray& before, const QByteArray& after)
{
    const std::vector<Counted> old = readBlock(before);
    QStringList names;
    for (const Counted& event : readBlock(after)) {
        quint32 was = 0;
        for (const Counted& known : old)
            if (known.name == event.name)
                was = known.count;
        // The counts only grow; a difference of any sign is news (a count that wrapped).
        if (event.count != was)
            names << QString::fromLatin1(event.name);
    }
    return names;
}

void ChangeEvents::start(Database& database, const QStringList& names)
{
    stop();
    database.attachment();  // throws when not connected
    database_ = &database;
    database.add(this);
    block_ = eventBlock(names);
    initial_ = true;
    try {
        queue();
    } catch (const Error&) {
        stop();
        throw;
    }
}

void ChangeEvents::stop()
{
    {
        // What is delivered from here on belongs to no request listened to.
        const std::lock_guard<std::mutex> lock(channel_->mutex);
        ++channel_->generation;
    }
    dropQueued();
    if (database_) {
        database_->remove(this);
        database_ = nullptr;
    }
    block_.clear();
    initial_ = true;
}

void ChangeEvents::queue()
{
    Firebird::IAttachment* attachment = database_->attachment();
    quint64 generation = 0;
    {
        const std::lock_guard<std::mutex> lock(channel_->mutex);
        generation = ++channel_->generation;
    }
    // The request before (delivered already) goes first: the network client hands its
    // place to the next request, and letting it go after that would cancel the next one.
    dropQueued();
    auto* delivery = new Delivery(channel_, generation);
    fb::Status st(database_->decoder());
    Firebird::IEvents* events =
        attachment->queEvents(&st, delivery, unsigned(block_.size()),
                              reinterpret_cast<const unsigned char*>(block_.constData()));
    if (st.failed() || !events) {
        delivery->release();
        st.check();
        throw Error(QStringLiteral("Serwer nie przyjął zgłoszenia na zdarzenia"));
    }
    queued_ = events;
    delivery_ = delivery;
}

void ChangeEvents::dropQueued()
{
    if (queued_) {
        // A request delivered already, or one of a connection that is gone, has nothing
        // to cancel: the interface goes all the same.
        fb::Status st;
        queued_->cancel(&st);
        queued_->release();
        queued_ = nullptr;
    }
    if (delivery_) {
        // The engine may be about to call a request's callback as the request is cancelled:
        // the callback stays until the next one is let go.
        if (retired_)
            retired_->release();
        retired_ = std::exchange(delivery_, nullptr);
    }
}

void ChangeEvents::deliver(quint64 generation, const QByteArray& counts)
{
    if (!database_ || generation != channel_->generation)
        return;  // stopped, or queued again since
    if (counts.isEmpty() || readBlock(counts).empty()) {
        stop();
        emit lost();
        return;
    }
    const QStringList names = raised(block_, counts);
    block_ = counts;
    const bool initial = std::exchange(initial_, false);
    try {
        queue();
    } catch (const Error&) {
        stop();
        emit lost();
        return;
    }
    if (initial)
        emit ready();
    else if (!names.isEmpty())
        emit posted(names);
}

}  // namespace db

#pragma once
// Named Firebird events of one connection: the database posts them (here the triggers of
// schema.sql, one event per table, named as the table) and the server tells every
// connection that listens once the work that posted them is committed.
#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>
#include <memory>

namespace Firebird {
class IEvents;
}

namespace db {

class Database;

class ChangeEvents : public QObject {
    Q_OBJECT
public:
    explicit ChangeEvents(QObject* parent = nullptr);
    ~ChangeEvents() override;

    // The trigger that posts a table's event after every change: TR_<table>_ZMIANY.
    static QString triggerName(const QString& table);
    // Those of the tables whose trigger the database has, active (RDB$TRIGGERS, read in the
    // connection's transaction). Throws Error.
    static QStringList tablesPostingEvents(Database& database, const QStringList& tables);

    // Listens for the named events on the database's open connection until stop(), until
    // the connection closes (Database::close() stops it first) or until it is lost. Throws
    // Error when the connection refuses; nothing is then listened for.
    void start(Database& database, const QStringList& names);
    // Cancels what is queued; nothing more is told after it. Never throws.
    void stop();
    bool listening() const { return database_ != nullptr; }
    // Listening, and the counts as they stood at start() have come (see ready()).
    bool isReady() const { return listening() && !initial_; }

    // Event parameter blocks (a version byte 1, then per event its name's length, the name and a
    // count of 4 bytes, least significant first), built and compared here rather than with
    // isc_event_block, whose buffers come from the client's heap.
    static QByteArray eventBlock(const QStringList& names);
    // The events whose count in `after` is above their count in `before`, in block order.
    static QStringList raised(const QByteArray& before, const QByteArray& after);

signals:
    // The counts as they stood when start() queued the first request have come: every
    // commit from here on is told.
    void ready();
    // Events posted since the last time, each named once, by committed work of any
    // connection, this one too. On this object's thread.
    void posted(const QStringList& names);
    // The connection that carried the events is gone (the server stopped, the network
    // failed): nothing more comes.
    void lost();

private:
    struct Channel;
    class Delivery;

    // Queues the block for the next delivery; throws Error.
    void queue();
    // Lets go of the queued request without waiting for it.
    void dropQueued();
    // On this object's thread: a delivery of the request queued as `generation`.
    void deliver(quint64 generation, const QByteArray& counts);

    Database* database_ = nullptr;
    // The counts last delivered (none at first).
    QByteArray block_;
    // The first delivery after start() brings the counts as they are: no change.
    bool initial_ = true;
    std::shared_ptr<Channel> channel_;
    Firebird::IEvents* queued_ = nullptr;
    Delivery* delivery_ = nullptr;
    // The callback of the request let go last, kept until the next one is let go.
    Delivery* retired_ = nullptr;
};

}  // namespace db

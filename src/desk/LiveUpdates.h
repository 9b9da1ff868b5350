#pragma once
// What other desks commit, as it happens: the tables whose lists a desk reads again. Where
// the database's triggers post change events (schema.sql) they are followed; a database
// without them is read again every 30 s instead.
#include <QObject>
#include <QStringList>
#include <chrono>

class QTimer;
namespace db {
class ChangeEvents;
class Database;
}  // namespace db

namespace desk {

class LiveUpdates : public QObject {
    Q_OBJECT
public:
    explicit LiveUpdates(QObject* parent = nullptr);
    ~LiveUpdates() override;

    // The tables followed, in the order of changed() from the timer.
    static const QStringList& tables();

    // Follows the database's change events where its triggers post them, else reads again
    // every 30 s.
    void start(db::Database& database);
    void stop();
    bool followsEvents() const;
    // How often a database without change events is read again; 30 s unless set.
    void setPollInterval(std::chrono::milliseconds interval);
    std::chrono::milliseconds pollInterval() const;

signals:
    // Committed changes of these tables ("WIZYTY", "GOSCIE", "PERSONEL", "FIRMY", "DZIALY"),
    // by another desk or this one; from the 30 s timer all five. On the GUI thread; a burst
    // of events within ~100 ms gives one signal.
    void changed(const QStringList& tables);
    // Once per start() where the database has no change events: the caller says so once in
    // the status bar.
    void pollingInstead();

private:
    void onPosted(const QStringList& names);
    void onEventsLost();
    void tellChanged();

    db::ChangeEvents* events_;
    QTimer* pollTimer_;
    QTimer* burstTimer_;  // gathers the events of one burst
    QStringList pending_;
};

}  // namespace desk

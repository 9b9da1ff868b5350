#include "desk/LiveUpdates.h"

#include "db/ChangeEvents.h"
#include "db/Database.h"
#include "db/Error.h"

#include <QTimer>

namespace desk {
namespace {

constexpr std::chrono::milliseconds DefaultPollInterval{30000};
// Events that come within this time of the first are told together.
constexpr std::chrono::milliseconds BurstTime{100};

}  // namespace

LiveUpdates::LiveUpdates(QObject* parent)
    : QObject(parent),
      events_(new db::ChangeEvents(this)),
      pollTimer_(new QTimer(this)),
      burstTimer_(new QTimer(this))
{
    setObjectName(QStringLiteral("liveUpdates"));
    events_->setObjectName(QStringLiteral("changeEvents"));
    pollTimer_->setObjectName(QStringLiteral("pollTimer"));
    pollTimer_->setInterval(DefaultPollInterval);
    burstTimer_->setObjectName(QStringLiteral("burstTimer"));
    burstTimer_->setSingleShot(true);
    burstTimer_->setInterval(BurstTime);
    connect(events_, &db::ChangeEvents::posted, this, &LiveUpdates::onPosted);
    connect(events_, &db::ChangeEvents::lost, this, &LiveUpdates::onEventsLost);
    connect(burstTimer_, &QTimer::timeout, this, &LiveUpdates::tellChanged);
    connect(pollTimer_, &QTimer::timeout, this, [this] { emit changed(tables()); });
}

LiveUpdates::~LiveUpdates()
{
    stop();
}

const QStringList& LiveUpdates::tables()
{
    static const QStringList names{QStringLiteral("WIZYTY"), QStringLiteral("GOSCIE"),
                                   QStringLiteral("PERSONEL"), QStringLiteral("FIRMY"),
                                   QStringLiteral("DZIALY")};
    return names;
}

void LiveUpdates::start(db::Database& database)
{
    stop();
    if (!database.connected())
        return;
    try {
        // Events are followed where every table has its trigger; a database made before
        // the triggers came (or with some of them dropped) is read again instead.
        if (db::ChangeEvents::tablesPostingEvents(database, tables()).size() == tables().size()) {
            events_->start(database, tables());
            return;
        }
    } catch (const db::Error&) {
        // the server refused the request (a network that lets no events through): the
        // lists are read again on time instead
    }
    pollTimer_->start();
    emit pollingInstead();
}

void LiveUpdates::stop()
{
    events_->stop();
    pollTimer_->stop();
    burstTimer_->stop();
    pending_.clear();
}

bool LiveUpdates::followsEvents() const
{
    return events_->listening();
}

void LiveUpdates::setPollInterval(std::chrono::milliseconds interval)
{
    pollTimer_->setInterval(interval);
}

std::chrono::milliseconds LiveUpdates::pollInterval() const
{
    return pollTimer_->intervalAsDuration();
}

void LiveUpdates::onPosted(const QStringList& names)
{
    for (const QString& name : names)
        if (!pending_.contains(name))
            pending_ << name;
    if (!burstTimer_->isActive())
        burstTimer_->start();
}

void LiveUpdates::onEventsLost()
{
    // The events' connection is gone; what it still lets through is read again on time.
    tellChanged();
    pollTimer_->start();
}

void LiveUpdates::tellChanged()
{
    burstTimer_->stop();
    if (pending_.isEmpty())
        return;
    QStringList names;
    for (const QString& table : tables())
        if (pending_.contains(table))
            names << table;
    pending_.clear();
    emit changed(names);
}

}  // namespace desk

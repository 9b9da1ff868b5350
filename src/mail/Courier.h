#pragma once
// Sends what the outbox holds, on a thread of its own with a connection of its own, so that
// the desk never waits for the mail server. Every desk that has mail set up runs one; a
// message is claimed in a committed transaction before it is sent, so two desks never send
// it twice. A message that did not go is tried again after a pause that doubles each time, at
// most `longestPause`; one the server refused for good waits for the administrator.
#include "mail/MailSettings.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <atomic>
#include <chrono>
#include <memory>

namespace mail {

struct CourierOptions {
    QString databaseName;  // as db::Database takes it, with the desk's connection params
    QStringList params;
    MailSettings settings;
    QString deskName;  // who claimed a message, in "Poczta"
    std::chrono::milliseconds firstPause{std::chrono::seconds(30)};
    std::chrono::milliseconds longestPause{std::chrono::minutes(5)};
    // The outbox is read for messages due this often, and whenever wake() is called.
    std::chrono::milliseconds lookEvery{std::chrono::seconds(15)};
    // A claim this old belongs to a desk that stopped while sending: whether the server got
    // the message is not known, so it is marked failed for the administrator, never resent.
    std::chrono::milliseconds abandonedAfter{std::chrono::minutes(10)};
};

class Courier : public QObject {
    Q_OBJECT
public:
    explicit Courier(CourierOptions options, QObject* parent = nullptr);
    // Lets a message being sent finish (at most the settings' timeout) and stops the thread.
    ~Courier() override;

    // Messages were committed: look at the outbox now rather than at the next round.
    void wake();
    // The server's number of the courier's own connection (MON$ATTACHMENT_ID), 0 while it has
    // none: this desk's, not another desk holding the database.
    qint64 attachmentId() const { return attachmentId_->load(); }

signals:
    // On the thread of the Courier's owner.
    void delivered(int messageId, const QString& address, int kind);
    void notDelivered(int messageId, const QString& address, const QString& answer);
    // The outbox could not be read (a lost connection); tried again at the next round.
    void outboxUnreachable(const QString& message);

private:
    class Worker;
    std::unique_ptr<class QThread> thread_;
    std::shared_ptr<std::atomic<qint64>> attachmentId_;
    Worker* worker_;
};

}  // namespace mail

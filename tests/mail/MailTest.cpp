// E-mail through a real mail server: what arrives is what the desk wrote, a message waits in
// the outbox through every kind of failure and arrives once, two desks never send one twice,
// and the password is kept for its owner only.
#include "db/Database.h"
#include "mail/Courier.h"
#include "mail/Outbox.h"
#include "mail/SmtpClient.h"
#include "support/MailServer.h"
#include "support/ServerDatabase.h"
#include "support/TestDatabase.h"
#include "support/testmain.h"

#include <QBuffer>
#include <QJsonArray>
#include <QPainter>
#include <QPdfWriter>
#include <QTest>

using testsupport::MailServer;
using Mode = MailServer::Mode;
using Outcome = mail::SendResult::Outcome;

namespace {

constexpr auto ClaimAs = R"(update POCZTA set STAN = 1, WYSYLA = 'Recepcja 2',
  DTPOBRANIA = dateadd(%1 minute to current_timestamp) where ID = %2)";
const QString Polish = QStringLiteral("ąćęłńóśźż ĄĆĘŁŃÓŚŹŻ");

QByteArray evacuationPdf()
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter writer(&buffer);
    QPainter painter(&writer);
    painter.drawText(QPointF(200, 400), QStringLiteral("Lista ewakuacyjna ") + Polish);
    painter.end();
    return buffer.data();
}

mail::Message notice(const QString& messageId = {})
{
    return {QStringLiteral("gospodarz@halvane.test"), QStringLiteral("Gość w recepcji: ") + Polish,
            QStringLiteral("Treść ") + Polish + QStringLiteral("\nDruga linia."), std::nullopt,
            messageId};
}

int queued(db::Database& database)
{
    const int id = mail::queue(database, notice(), mail::Kind::HostNotice);
    database.transaction().commitRetaining();
    return id;
}

std::unique_ptr<mail::Courier> courier(const db::Database& database, const MailServer& server,
                                       const QString& desk = QStringLiteral("Recepcja 1"))
{
    mail::CourierOptions options{database.databaseName(), database.params(), server.settings(),
                                 desk};
    options.settings.timeoutSeconds = 1;
    options.firstPause = std::chrono::milliseconds(50);
    options.longestPause = options.lookEvery = std::chrono::milliseconds(200);
    return std::make_unique<mail::Courier>(options);
}

mail::OutboxEntry entry(db::Database& database, int id)
{
    for (const mail::OutboxEntry& entry : mail::outboxEntries(database))
        if (entry.id == id)
            return entry;
    return {};
}

}  // namespace

class MailTest : public QObject {
    Q_OBJECT
private slots:
    void aMessageArrivesAsWrittenOrWithTheServersRefusal_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("password");  // empty: the right one
        QTest::addColumn<QString>("refusal");   // empty: the message is sent
        const QString none;
        QTest::newRow("plain") << int(Mode::Plain) << none << none;
        QTest::newRow("starttls") << int(Mode::StartTls) << none << none;
        QTest::newRow("tls") << int(Mode::Tls) << none << none;
        QTest::newRow("auth") << int(Mode::Auth) << none << none;
        QTest::newRow("login refused") << int(Mode::Auth) << "zle"
                                       << "Serwer poczty nie przyjął użytkownika lub hasła. (535 "
                                          "5.7.8 Authentication credentials invalid)";
        QTest::newRow("address refused")
            << int(Mode::RefusePermanent) << none
            << "Serwer poczty odrzucił wiadomość. (550 5.1.1 No such user here)";
    }
    void aMessageArrivesAsWrittenOrWithTheServersRefusal()
    {
        QFETCH(int, mode);
        QFETCH(QString, password);
        QFETCH(QString, refusal);
        MailServer server{Mode(mode)};
        mail::MailSettings settings = server.settings();
        settings.senderName = QStringLiteral("Recepcja – Łódź");
        if (!password.isEmpty())
            settings.password = password;
        mail::Message message = notice(QStringLiteral("halvane.7.x1@recepcja"));
        message.attachment = {QStringLiteral("Lista ewakuacyjna ") + Polish + ".pdf",
                              QStringLiteral("application/pdf"), evacuationPdf()};
        const mail::SendResult result = mail::SmtpClient(settings).send(message);
        QCOMPARE(result.outcome, refusal.isEmpty() ? Outcome::Sent : Outcome::Permanent);
        QCOMPARE(server.messages().size(), result.sent() ? 1 : 0);
        QCOMPARE(result.sent() ? QString() : result.answer, refusal);
        if (!result.sent())
            return;
        const QJsonObject got = server.messages().first();
        QCOMPARE(got["fromName"].toString(), settings.senderName);
        QCOMPARE(got["from"].toString(), settings.senderAddress);
        QCOMPARE(got["to"].toArray(), QJsonArray{message.to});
        QCOMPARE(got["subject"].toString(), message.subject);
        QCOMPARE(got["body"].toString().trimmed(), message.body);
        QCOMPARE(got["messageId"].toString(), message.messageId);
        QCOMPARE(got["attachments"][0]["name"].toString(), message.attachment->fileName);
        QCOMPARE(MailServer::attachmentBytes(got), message.attachment->bytes);
        QVERIFY(MailServer::attachmentText(got).contains(Polish));
    }

    void aQueuedMessageWaitsThroughFailuresAndArrivesOnce_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("stopped");
        QTest::addColumn<QString>("answer");
        QTest::newRow("refused for now")
            << int(Mode::RefuseTemporary) << false
            << "Serwer poczty chwilowo nie przyjmuje wiadomości. (451 4.7.1 Greylisted, please "
               "try again later)";
        QTest::newRow("silent") << int(Mode::Silent) << false
                                << "Serwer poczty nie odpowiedział w ciągu 1 s.";
        QTest::newRow("drops the message")
            << int(Mode::Drop) << false << "Serwer poczty przerwał połączenie.";
        QTest::newRow("stopped") << int(Mode::Plain) << true
                                 << "Nie można połączyć się z serwerem poczty 127.0.0.1";
    }
    void aQueuedMessageWaitsThroughFailuresAndArrivesOnce()
    {
        QFETCH(int, mode);
        QFETCH(bool, stopped);
        QFETCH(QString, answer);
        MailServer server{Mode(mode)};
        if (stopped)
            server.stop();
        testsupport::TestDatabase database;
        const int id = queued(database.db());
        const auto sender = courier(database.db(), server);
        QTRY_VERIFY_WITH_TIMEOUT(entry(database.db(), id).tries >= 2, 10000);
        const mail::OutboxEntry waiting = entry(database.db(), id);
        QCOMPARE(waiting.state, mail::State::Waiting);
        QVERIFY2(waiting.answer.startsWith(answer), qPrintable(waiting.answer));
        QCOMPARE(server.arrivalsOf(id), 0);
        if (stopped)
            server.start();
        else
            server.setMode(Mode::Plain);
        QTRY_COMPARE_WITH_TIMEOUT(server.arrivalsOf(id), 1, 10000);
        QTRY_VERIFY(mail::outboxEntries(database.db()).empty());
        QTest::qWait(500);  // rounds enough to send it again, were it still there
        QCOMPARE(server.messages().size(), 1);
    }

    void twoDesksNeverSendAMessageTwice()
    {
        REQUIRE_FIREBIRD_SERVER();
        testsupport::ServerDatabase shared;
        const auto desk = testsupport::connectTo(shared.name());
        MailServer server;
        std::vector<int> ids;
        for (int i = 0; i < 40; ++i)
            ids.push_back(queued(*desk));
        const auto first = courier(*desk, server, QStringLiteral("Recepcja 1"));
        const auto second = courier(*desk, server, QStringLiteral("Recepcja 2"));
        first->wake();
        second->wake();
        QTRY_COMPARE_WITH_TIMEOUT(server.messages().size(), 40, 30000);
        QTest::qWait(500);  // rounds enough for a message sent twice to arrive again
        QCOMPARE(server.messages().size(), 40);
        for (const int id : ids)
            QCOMPARE(server.arrivalsOf(id), 1);
        QVERIFY(mail::outboxEntries(*desk).empty());
    }

    void anAbandonedClaimWaitsForTheAdministrator()
    {
        testsupport::TestDatabase database;
        const int abandoned = queued(database.db());
        const int beingSent = queued(database.db());
        database.run({QString::fromLatin1(ClaimAs).arg(-60).arg(abandoned),
                      QString::fromLatin1(ClaimAs).arg(0).arg(beingSent)});
        MailServer server;
        const auto sender = courier(database.db(), server);
        QTRY_COMPARE(entry(database.db(), abandoned).state, mail::State::Failed);
        QVERIFY(entry(database.db(), abandoned)
                    .answer.startsWith("Wysyłanie przerwane na stanowisku Recepcja 2"));
        QTest::qWait(500);
        QCOMPARE(entry(database.db(), beingSent).state, mail::State::Sending);
        QCOMPARE(server.messages().size(), 0);
    }
};

HALVANE_TEST(MailTest);
#include "MailTest.moc"

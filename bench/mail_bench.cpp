// A morning's mail at once: 1,000 host notices queued in the outbox of a fresh database, then
// delivered by a courier to the tests' mail server (python3-aiosmtpd, no encryption), against
// libcurl alone sending the same messages with one handle to the same server.
#include "db/Database.h"
#include "db/Statement.h"
#include "desk/VisitHost.h"
#include "mail/Courier.h"
#include "mail/Outbox.h"
#include "support/MailServer.h"
#include "support/ServerDatabase.h"
#include "support/TestDatabase.h"
#include "support/TestDesk.h"

#include <QApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QEventLoop>
#include <cstdio>
#include <curl/curl.h>

namespace {

constexpr int Messages = 1000;

mail::Message notice(int i)
{
    return {QStringLiteral("gospodarz%1@halvane.test").arg(i % 50),
            QStringLiteral("Gość w recepcji: Łucja Żółkiewska %1").arg(i),
            QStringLiteral("W recepcji czeka na Panią/Pana gość: Łucja Żółkiewska %1.\n"
                           "Firma: Przedsiębiorstwo Świętokrzyskie.\nRecepcja")
                .arg(i),
            std::nullopt, QString()};
}

QByteArray encodedWord(const QString& text)
{
    return "=?UTF-8?B?" + text.toUtf8().toBase64() + "?=";
}

// The same messages through libcurl alone: one easy handle, the same MIME parts.
double bareDelivery(const mail::MailSettings& settings)
{
    CURL* curl = curl_easy_init();
    const QByteArray url =
        QStringLiteral("smtp://%1:%2").arg(settings.server).arg(settings.port).toUtf8();
    const QByteArray from = '<' + settings.senderAddress.toUtf8() + '>';
    curl_easy_setopt(curl, CURLOPT_URL, url.constData());
    curl_easy_setopt(curl, CURLOPT_MAIL_FROM, from.constData());
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < Messages; ++i) {
        const mail::Message message = notice(i);
        const QByteArray to = '<' + message.to.toUtf8() + '>';
        curl_slist* recipients = curl_slist_append(nullptr, to.constData());
        const QByteArray headerLines[] = {
            "Date: " + QDateTime::currentDateTime().toString(Qt::RFC2822Date).toUtf8(),
            "From: " + encodedWord(settings.senderName) + " " + from, "To: " + to,
            "Subject: " + encodedWord(message.subject),
            "Message-ID: <halvane.bare." + QByteArray::number(i) + "@bench>"};
        curl_slist* headers = nullptr;
        for (const QByteArray& line : headerLines)
            headers = curl_slist_append(headers, line.constData());
        curl_mime* mime = curl_mime_init(curl);
        curl_mimepart* text = curl_mime_addpart(mime);
        const QByteArray body = message.body.toUtf8();
        curl_mime_data(text, body.constData(), size_t(body.size()));
        curl_mime_type(text, "text/plain; charset=UTF-8");
        curl_mime_encoder(text, "quoted-printable");
        curl_easy_setopt(curl, CURLOPT_MAIL_RCPT, recipients);
        curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
        curl_easy_setopt(curl, CURLOPT_MIMEPOST, mime);
        if (const CURLcode code = curl_easy_perform(curl); code != CURLE_OK)
            std::printf("bare: %s\n", curl_easy_strerror(code));
        curl_mime_free(mime);
        curl_slist_free_all(headers);
        curl_slist_free_all(recipients);
    }
    const double elapsed = double(timer.nsecsElapsed()) / 1e6;
    curl_easy_cleanup(curl);
    return elapsed;
}

// From the courier's start until it has reported every message delivered.
double courierDelivery(const db::Database& database, const mail::MailSettings& settings)
{
    mail::CourierOptions options{database.databaseName(), database.params(), settings,
                                 QStringLiteral("Recepcja 1")};
    QEventLoop loop;
    int delivered = 0;
    QElapsedTimer timer;
    timer.start();
    mail::Courier courier(options);
    QObject::connect(&courier, &mail::Courier::delivered, [&] {
        if (++delivered == Messages)
            loop.quit();
    });
    QObject::connect(&courier, &mail::Courier::notDelivered,
                     [](int id, const QString&, const QString& answer) {
                         std::printf("message %d: %s\n", id, qPrintable(answer));
                     });
    courier.wake();
    loop.exec();
    return double(timer.nsecsElapsed()) / 1e6;
}

constexpr auto InsertVisit = R"(insert into WIZYTY (ID, FIRMA_ID, DZIAL_ID, GOSC_ID, GOSC_NAZWA,
  PERSON_ID, PERSON_NAZWA, DTPRZYBYCIA)
values (gen_id(GEN_WIZYTY_ID, 1), 1, 1, 1, 'Łucja Żółkiewska', 1, 'Host', current_timestamp)
returning ID)";

// The visit editor's OK on a new visit, on the server as a second desk has it: the visit
// written and committed, with the automatic notice (the host read, the message queued in the
// same unit of work) or without. The desk's courier sends meanwhile, on its own connection.
double storingVisits(testsupport::TestDesk& desk, bool withNotice)
{
    constexpr int Visits = 200;
    db::Statement insert(desk.database(), QString::fromUtf8(InsertVisit));
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < Visits; ++i) {
        std::vector<db::Values> row;
        insert.execute({}, &row);
        if (withNotice) {
            const desk::VisitHost host = desk::readVisitHost(desk, 1, 1);
            desk::queueHostNotice(
                desk, {QStringLiteral("gospodarz@halvane.test"), QStringLiteral("Łucja Żółkiewska"),
                       host.company, QDateTime::currentDateTime(), row[0][0].toInt()});
        }
        desk.commitWork();
        QCoreApplication::processEvents();  // the courier's reports
    }
    return double(timer.nsecsElapsed()) / 1e6 / Visits;
}

void printVisitStore(const mail::MailSettings& settings)
{
    if (!testsupport::serverProblem().isEmpty()) {
        std::printf("store a visit: no Firebird server on localhost\n");
        return;
    }
    testsupport::ServerDatabase shared;
    const auto connection = testsupport::connectTo(shared.name());
    testsupport::TestDesk desk(*connection);
    desk.setUpMail(settings);
    storingVisits(desk, true);  // the statements prepared once by the server, as on a busy desk
    const double without = storingVisits(desk, false);
    const double with = storingVisits(desk, true);
    std::printf(
        "store a visit with the automatic notice: program %.2f ms, bare %.2f ms, "
        "ratio %.2f\n",
        with, without, with / without);
}

}  // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    testsupport::MailServer server;
    testsupport::TestDatabase database;
    for (int i = 0; i < Messages; ++i)
        mail::queue(database.db(), notice(i), mail::Kind::HostNotice);
    database.db().transaction().commitRetaining();
    const double program = courierDelivery(database.db(), server.settings());
    const double bare = bareDelivery(server.settings());
    std::printf("deliver %d messages: program %.0f ms, bare %.0f ms, ratio %.2f\n", Messages,
                program, bare, program / bare);
    printVisitStore(server.settings());
    if (server.messages().size() < 2 * Messages)
        std::printf("the server took %lld messages, fewer than %d\n",
                    qlonglong(server.messages().size()), 2 * Messages);
    return 0;
}

#include "mail/SmtpClient.h"

#include <QDateTime>
#include <QStringList>
#include <curl/curl.h>

#include <atomic>
#include <mutex>

namespace mail {

namespace {

void initialiseCurlOnce()
{
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

bool isAscii(const QString& text)
{
    for (const QChar c : text)
        if (c.unicode() > 0x7e || c.unicode() < 0x20)
            return false;
    return true;
}

// A header's text: as it is when plain ASCII, else RFC 2047 encoded words of whole UTF-8
// characters, folded so that no line is longer than the standard's 78 characters. libcurl
// sends headers as given and encodes only the parts' bodies.
QByteArray headerText(const QString& text)
{
    if (isAscii(text))
        return text.toUtf8();
    QByteArray words;
    QByteArray chunk;
    const auto flush = [&] {
        if (chunk.isEmpty())
            return;
        if (!words.isEmpty())
            words += "\r\n ";
        words += "=?UTF-8?B?" + chunk.toBase64() + "?=";
        chunk.clear();
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const qsizetype length = text[i].isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        const QByteArray character = text.mid(i, length).toUtf8();
        if (chunk.size() + character.size() > 45)  // 60 base64 characters a word
            flush();
        chunk += character;
        i += length - 1;
    }
    flush();
    return words;
}

QString withServerText(const QString& text, const QString& serverText)
{
    return serverText.isEmpty() ? text : text + QStringLiteral(" (") + serverText + u')';
}

// What went wrong, in Polish.
QString failureText(CURLcode code, long response, const MailSettings& settings)
{
    switch (code) {
        case CURLE_COULDNT_RESOLVE_HOST:
            return QStringLiteral("Nie znaleziono serwera poczty „%1”.").arg(settings.server);
        case CURLE_COULDNT_CONNECT:
            return QStringLiteral("Nie można połączyć się z serwerem poczty %1 (port %2).")
                .arg(settings.server)
                .arg(settings.port);
        case CURLE_OPERATION_TIMEDOUT:
            return QStringLiteral("Serwer poczty nie odpowiedział w ciągu %1 s.")
                .arg(settings.timeoutSeconds);
        case CURLE_LOGIN_DENIED:
            return QStringLiteral("Serwer poczty nie przyjął użytkownika lub hasła.");
        case CURLE_USE_SSL_FAILED:
            return QStringLiteral("Serwer poczty nie pozwala zaszyfrować połączenia (STARTTLS).");
        case CURLE_PEER_FAILED_VERIFICATION:
            return QStringLiteral("Certyfikat serwera poczty nie został potwierdzony.");
        case CURLE_SSL_CONNECT_ERROR:
            return QStringLiteral(
                "Nie udało się nawiązać szyfrowanego połączenia z serwerem poczty.");
        case CURLE_ABORTED_BY_CALLBACK:
            return QStringLiteral("Wysyłanie przerwane: program kończy pracę.");
        case CURLE_SSL_CACERT_BADFILE:
            return QStringLiteral("Nie można odczytać pliku certyfikatu CA „%1”.")
                .arg(settings.caFile);
        default:
            break;
    }
    if (response >= 500)
        return QStringLiteral("Serwer poczty odrzucił wiadomość.");
    if (response >= 400)
        return QStringLiteral("Serwer poczty chwilowo nie przyjmuje wiadomości.");
    if (code == CURLE_SEND_ERROR || code == CURLE_RECV_ERROR || code == CURLE_GOT_NOTHING ||
        code == CURLE_WEIRD_SERVER_REPLY || code == CURLE_PARTIAL_FILE)
        return QStringLiteral("Serwer poczty przerwał połączenie.");
    return QStringLiteral("Nie wysłano wiadomości: %1.")
        .arg(QString::fromUtf8(curl_easy_strerror(code)));
}

// Failures that trying again will not mend: the server's final refusal, or a certificate
// or login the administrator must put right.
bool isPermanent(CURLcode code, long response)
{
    return response >= 500 || code == CURLE_PEER_FAILED_VERIFICATION ||
           code == CURLE_SSL_CACERT_BADFILE || code == CURLE_USE_SSL_FAILED ||
           code == CURLE_LOGIN_DENIED;
}

}  // namespace

struct SmtpClient::Handle {
    MailSettings settings;
    CURL* curl = nullptr;
    QString lastAnswer;  // the server's last line, for the report
    std::atomic<bool> aborted{false};

    static int onProgress(void* self, curl_off_t, curl_off_t, curl_off_t, curl_off_t)
    {
        return static_cast<Handle*>(self)->aborted.load() ? 1 : 0;
    }

    // libcurl gives every line the server sent as "header in"; the last one is its answer,
    // but for the "221 Bye" of the QUIT that libcurl sends after a refused address.
    static int onDebug(CURL*, curl_infotype type, char* data, size_t size, void* self)
    {
        if (type == CURLINFO_HEADER_IN) {
            const QString line = QString::fromUtf8(data, qsizetype(size)).trimmed();
            if (!line.isEmpty() && !line.startsWith(QLatin1String("221")))
                static_cast<Handle*>(self)->lastAnswer = line;
        }
        return 0;
    }

    ~Handle()
    {
        if (curl)
            curl_easy_cleanup(curl);
    }

    QByteArray url() const
    {
        const QString host =
            settings.server.contains(u':') ? u'[' + settings.server + u']' : settings.server;
        return (settings.security == Security::Tls ? QByteArrayLiteral("smtps://")
                                                   : QByteArrayLiteral("smtp://")) +
               host.trimmed().toUtf8() + ':' + QByteArray::number(settings.port);
    }

    // Options that stay for every message; the connection is kept between messages.
    void setUp()
    {
        curl = curl_easy_init();
        curl_easy_setopt(curl, CURLOPT_URL, url().constData());
        curl_easy_setopt(
            curl, CURLOPT_USE_SSL,
            settings.security == Security::None ? long(CURLUSESSL_NONE) : long(CURLUSESSL_ALL));
        if (!settings.caFile.isEmpty())
            curl_easy_setopt(curl, CURLOPT_CAINFO, settings.caFile.toLocal8Bit().constData());
        if (!settings.user.isEmpty()) {
            curl_easy_setopt(curl, CURLOPT_USERNAME, settings.user.toUtf8().constData());
            curl_easy_setopt(curl, CURLOPT_PASSWORD, settings.password.toUtf8().constData());
        }
        curl_easy_setopt(curl, CURLOPT_MAIL_FROM,
                         ('<' + settings.senderAddress.trimmed().toUtf8() + '>').constData());
        curl_easy_setopt(curl, CURLOPT_TIMEOUT, long(settings.timeoutSeconds));
        curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, long(settings.timeoutSeconds));
        curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);  // it runs on the courier's thread
        curl_easy_setopt(curl, CURLOPT_VERBOSE, 1L);   // for the debug function only
        curl_easy_setopt(curl, CURLOPT_DEBUGFUNCTION, &Handle::onDebug);
        curl_easy_setopt(curl, CURLOPT_DEBUGDATA, this);
        curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
        curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, &Handle::onProgress);
        curl_easy_setopt(curl, CURLOPT_XFERINFODATA, this);
    }

    curl_slist* headers(const Message& message) const
    {
        const QByteArray address = '<' + settings.senderAddress.trimmed().toUtf8() + '>';
        const QString name = settings.senderName.trimmed();
        QByteArrayList lines{
            "Date: " + QDateTime::currentDateTime().toString(Qt::RFC2822Date).toUtf8(),
            "From: " + (name.isEmpty() ? address : headerText(name) + ' ' + address),
            "To: <" + message.to.trimmed().toUtf8() + '>',
            "Subject: " + headerText(message.subject)};
        if (!message.messageId.isEmpty())
            lines << "Message-ID: <" + message.messageId.toUtf8() + '>';
        curl_slist* list = nullptr;
        for (const QByteArray& line : lines)
            list = curl_slist_append(list, line.constData());
        return list;
    }

    curl_mime* body(const Message& message) const
    {
        curl_mime* mime = curl_mime_init(curl);
        curl_mimepart* text = curl_mime_addpart(mime);
        const QByteArray utf8 = message.body.toUtf8();
        curl_mime_data(text, utf8.constData(), size_t(utf8.size()));
        curl_mime_type(text, "text/plain; charset=UTF-8");
        curl_mime_encoder(text, "quoted-printable");
        if (message.attachment) {
            const Attachment& file = *message.attachment;
            curl_mimepart* part = curl_mime_addpart(mime);
            curl_mime_data(part, file.bytes.constData(), size_t(file.bytes.size()));
            curl_mime_filename(part, file.fileName.toUtf8().constData());
            curl_mime_type(part, file.mimeType.toUtf8().constData());
            curl_mime_encoder(part, "base64");
        }
        return mime;
    }
};

SmtpClient::SmtpClient(const MailSettings& settings) : handle_(std::make_unique<Handle>())
{
    initialiseCurlOnce();
    handle_->settings = settings;
    handle_->setUp();
}

SmtpClient::~SmtpClient() = default;

void SmtpClient::abort()
{
    handle_->aborted = true;
}

SendResult SmtpClient::send(const Message& message)
{
    Handle& h = *handle_;
    h.lastAnswer.clear();
    curl_slist* recipients =
        curl_slist_append(nullptr, ('<' + message.to.trimmed().toUtf8() + '>').constData());
    curl_slist* headers = h.headers(message);
    curl_mime* mime = h.body(message);
    curl_easy_setopt(h.curl, CURLOPT_MAIL_RCPT, recipients);
    curl_easy_setopt(h.curl, CURLOPT_HTTPHEADER, headers);
    curl_easy_setopt(h.curl, CURLOPT_MIMEPOST, mime);
    const CURLcode code = curl_easy_perform(h.curl);
    long response = 0;
    curl_easy_getinfo(h.curl, CURLINFO_RESPONSE_CODE, &response);
    curl_easy_setopt(h.curl, CURLOPT_MAIL_RCPT, nullptr);
    curl_easy_setopt(h.curl, CURLOPT_HTTPHEADER, nullptr);
    curl_easy_setopt(h.curl, CURLOPT_MIMEPOST, nullptr);
    curl_mime_free(mime);
    curl_slist_free_all(headers);
    curl_slist_free_all(recipients);

    SendResult result;
    if (code == CURLE_OK) {
        result.outcome = SendResult::Outcome::Sent;
        result.answer =
            withServerText(QStringLiteral("Serwer poczty przyjął wiadomość."), h.lastAnswer);
        return result;
    }
    // Only a refusal is the server's answer to us: not its greeting or its "354 go ahead".
    const QString serverText =
        h.lastAnswer.startsWith(u'4') || h.lastAnswer.startsWith(u'5') ? h.lastAnswer : QString();
    result.outcome = isPermanent(code, response) ? SendResult::Outcome::Permanent
                                                 : SendResult::Outcome::Temporary;
    result.answer = withServerText(failureText(code, response, h.settings), serverText);
    return result;
}

}  // namespace mail

#pragma once
// Sending through the building's mail server with libcurl's SMTP and MIME: one client keeps
// its connection for the messages sent one after another.
#include "mail/MailSettings.h"
#include "mail/Message.h"

#include <QString>
#include <memory>

namespace mail {

struct SendResult {
    enum class Outcome {
        Sent,       // the server took the message
        Temporary,  // no connection, no answer, a dropped connection or a 4xx answer: try later
        Permanent,  // a 5xx answer (a refused address, a login refused): the administrator decides
    };
    Outcome outcome = Outcome::Temporary;
    // In Polish, with the server's own last answer after it where there was one:
    // "Serwer poczty odrzucił wiadomość (550 5.1.1 No such user)".
    QString answer;
    bool sent() const { return outcome == Outcome::Sent; }
};

class SmtpClient {
public:
    explicit SmtpClient(const MailSettings& settings);
    ~SmtpClient();
    SmtpClient(const SmtpClient&) = delete;
    SmtpClient& operator=(const SmtpClient&) = delete;

    // Sends one message from the settings' sender; blocks for at most the settings' timeout.
    SendResult send(const Message& message);
    // From any thread: the message being sent is given up at once (the program is ending);
    // its result is Temporary, as the server did not take it.
    void abort();

private:
    struct Handle;
    std::unique_ptr<Handle> handle_;
};

}  // namespace mail

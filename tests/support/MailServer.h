#pragma once
// The tests' mail server: smtp_server.py (python3-aiosmtpd) on a free loopback port, in a
// mode that can change while it runs, and the messages it took as a reader sees them.
#include "mail/MailSettings.h"

#include <QJsonObject>
#include <QList>
#include <QProcess>
#include <QTemporaryDir>

namespace testsupport {

class MailServer {
public:
    enum class Mode {
        Plain,
        StartTls,         // required, with a certificate made for the run
        Tls,              // from the first byte
        Auth,             // STARTTLS, then AUTH PLAIN or LOGIN as User with Password
        RefuseTemporary,  // "451 4.7.1 Greylisted, ..." to every address
        RefusePermanent,  // "550 5.1.1 No such user here" to every address
        Silent,           // takes the connection and never answers
        Drop,             // cuts the connection in the middle of the message
    };
    static const char* const User;
    static const char* const Password;

    explicit MailServer(Mode mode = Mode::Plain);
    ~MailServer() { stop(); }

    void setMode(Mode mode);  // for the commands and connections to come
    void stop();              // every connection goes with the process
    void start();             // again, on the same port, in the last mode
    QString certificate() const { return folder_.filePath("cert.pem"); }
    // A desk's settings for it: sender "Recepcja Halvane" <recepcja@halvane.test>, the
    // certificate trusted, the login in Auth, a timeout of 5 s.
    mail::MailSettings settings() const;

    // Oldest first: fromName, from, to [], subject, messageId, body, attachments [{name, file}].
    QList<QJsonObject> messages() const;
    int arrivalsOf(int outboxId) const;  // by the Message-ID the courier gives it
    static QByteArray attachmentBytes(const QJsonObject& message);
    static QString attachmentText(const QJsonObject& message);  // through pdftotext

private:
    QString readLine();

    QTemporaryDir folder_;
    QProcess process_;
    Mode mode_;
    int port_ = 0;
};

}  // namespace testsupport

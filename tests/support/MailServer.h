#pragma once
// The tests' mail server: tests/support/smtp_server.py (python3-aiosmtpd) on a free port of
// the loopback, in one of its modes, and the messages it accepted as a reader sees them.
// Runs from construction to destruction unless stopped.
#include "mail/MailSettings.h"

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

namespace testsupport {

class MailServer {
public:
    enum class Mode {
        Plain,            // no encryption
        StartTls,         // STARTTLS offered and required, with a certificate of its own
        Tls,              // TLS from the first byte
        Auth,             // STARTTLS, then AUTH PLAIN or LOGIN as User with Password
        RefuseTemporary,  // "451 4.7.1 Greylisted, ..." to every address
        RefusePermanent,  // "550 5.1.1 No such user here" to every address
        Silent,           // takes the connection and never answers
        Drop,             // cuts the connection in the middle of the message
    };
    static const char* const User;
    static const char* const Password;

    explicit MailServer(Mode mode = Mode::Plain);
    ~MailServer();
    MailServer(const MailServer&) = delete;
    MailServer& operator=(const MailServer&) = delete;

    // For the connections and commands to come; the running process keeps its port.
    void setMode(Mode mode);
    // The process ends, and every connection with it.
    void stop();
    // Again on the same port, in the last mode.
    void start();
    int port() const { return port_; }
    // The self-signed certificate of this run, for MailSettings::caFile.
    QString certificate() const { return folder_.filePath("cert.pem"); }
    // A desk's settings for this server in its mode: the sender "Recepcja Halvane"
    // <recepcja@halvane.test>, the certificate trusted, the login in Auth, 5 s of patience.
    mail::MailSettings settings() const;

    // What arrived, oldest first: fromName, from, to [], subject, messageId, body and
    // attachments [{name, file, type}], all decoded.
    QList<QJsonObject> messages() const;
    int countOf(const QString& messageId) const;
    static QByteArray attachmentBytes(const QJsonObject& message, int index = 0);
    // The attachment's text through pdftotext.
    static QString attachmentText(const QJsonObject& message, int index = 0);

private:
    QString readLine();

    QTemporaryDir folder_;
    QProcess process_;
    Mode mode_;
    int port_ = 0;
};

}  // namespace testsupport

#include "support/MailServer.h"

#include "support/PdfPages.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTest>

namespace testsupport {

const char* const MailServer::User = "recepcja";
const char* const MailServer::Password = "Hasło ąę 123";

namespace {

const char* modeName(MailServer::Mode mode)
{
    static const char* const names[] = {
        "plain",  "starttls", "tls", "auth", "refuse-temporary", "refuse-permanent",
        "silent", "drop"};
    return names[int(mode)];
}

}  // namespace

MailServer::MailServer(Mode mode) : mode_(mode)
{
    start();
}

MailServer::~MailServer()
{
    stop();
}

QString MailServer::readLine()
{
    while (!process_.canReadLine())
        if (!process_.waitForReadyRead(20000))
            return {};
    return QString::fromUtf8(process_.readLine()).trimmed();
}

void MailServer::start()
{
    process_.start(
        "/usr/bin/python3",
        {QStringLiteral(HALVANE_SOURCE_DIR "/tests/support/smtp_server.py"), QString::number(port_),
         modeName(mode_), folder_.path(), QString::fromUtf8(User), QString::fromUtf8(Password)});
    const QString line = readLine();
    if (!line.startsWith("listening "))
        QTest::qFail(
            qPrintable("The mail server did not start: " + line + process_.readAllStandardError()),
            __FILE__, __LINE__);
    port_ = line.section(u' ', 1).toInt();
}

void MailServer::stop()
{
    process_.kill();
    process_.waitForFinished();
}

void MailServer::setMode(Mode mode)
{
    mode_ = mode;
    process_.write(QByteArray("mode ") + modeName(mode) + '\n');
    if (readLine() != QLatin1String("mode ") + modeName(mode))
        QTest::qFail("The mail server did not change its mode", __FILE__, __LINE__);
}

mail::MailSettings MailServer::settings() const
{
    mail::MailSettings settings;
    settings.server = QStringLiteral("127.0.0.1");
    settings.port = port_;
    settings.security = mode_ == Mode::Tls                               ? mail::Security::Tls
                        : mode_ == Mode::StartTls || mode_ == Mode::Auth ? mail::Security::StartTls
                                                                         : mail::Security::None;
    if (mode_ == Mode::Auth) {
        settings.user = QString::fromUtf8(User);
        settings.password = QString::fromUtf8(Password);
    }
    settings.senderAddress = QStringLiteral("recepcja@halvane.test");
    settings.senderName = QStringLiteral("Recepcja Halvane");
    settings.caFile = certificate();
    settings.timeoutSeconds = 5;
    return settings;
}

QList<QJsonObject> MailServer::messages() const
{
    QList<QJsonObject> messages;
    const QDir folder(folder_.path());
    for (const QString& name : folder.entryList({"*.json"}, QDir::Files, QDir::Name)) {
        QFile file(folder.filePath(name));
        file.open(QIODevice::ReadOnly);
        messages << QJsonDocument::fromJson(file.readAll()).object();
    }
    return messages;
}

int MailServer::countOf(const QString& messageId) const
{
    int count = 0;
    for (const QJsonObject& message : messages())
        count += message["messageId"].toString() == messageId ? 1 : 0;
    return count;
}

QByteArray MailServer::attachmentBytes(const QJsonObject& message, int index)
{
    QFile file(message["attachments"].toArray().at(index)["file"].toString());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString MailServer::attachmentText(const QJsonObject& message, int index)
{
    return pdfText(message["attachments"].toArray().at(index)["file"].toString());
}

}  // namespace testsupport

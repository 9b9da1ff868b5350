#include "support/MailServer.h"

#include "support/PdfPages.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTest>

namespace testsupport {

const char* const MailServer::User = "recepcja";
const char* const MailServer::Password = "Hasło ąę 123";

namespace {

const char* const ModeNames[] = {
    "plain", "starttls", "tls", "auth", "refuse-temporary", "refuse-permanent", "silent", "drop"};

QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString attachmentFile(const QJsonObject& message)
{
    return message["attachments"].toArray().at(0)["file"].toString();
}

}  // namespace

MailServer::MailServer(Mode mode) : mode_(mode)
{
    start();
}

QString MailServer::readLine()
{
    while (!process_.canReadLine())
        if (!process_.waitForReadyRead(20000))
            return QString::fromUtf8(process_.readAllStandardError());
    return QString::fromUtf8(process_.readLine()).trimmed();
}

void MailServer::start()
{
    process_.start("/usr/bin/python3",
                   {HALVANE_SOURCE_DIR "/tests/support/smtp_server.py", QString::number(port_),
                    ModeNames[int(mode_)], folder_.path(), User, QString::fromUtf8(Password)});
    const QString line = readLine();
    if (!line.startsWith("listening "))
        QTest::qFail(qPrintable("The mail server did not start: " + line), __FILE__, __LINE__);
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
    process_.write(QByteArray("mode ") + ModeNames[int(mode)] + '\n');
    if (readLine() != QLatin1String("mode ") + ModeNames[int(mode)])
        QTest::qFail("The mail server did not change its mode", __FILE__, __LINE__);
}

mail::MailSettings MailServer::settings() const
{
    mail::MailSettings settings;
    settings.server = QStringLiteral("127.0.0.1");
    settings.port = port_;
    const bool startTls = mode_ == Mode::StartTls || mode_ == Mode::Auth;
    settings.security = mode_ == Mode::Tls ? mail::Security::Tls
                        : startTls         ? mail::Security::StartTls
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
    for (const QString& name : folder.entryList({"*.json"}, QDir::Files, QDir::Name))
        messages << QJsonDocument::fromJson(fileBytes(folder.filePath(name))).object();
    return messages;
}

int MailServer::arrivalsOf(int outboxId) const
{
    int count = 0;
    for (const QJsonObject& message : messages())
        count += message["messageId"].toString().startsWith(QString("halvane.%1.").arg(outboxId));
    return count;
}

QByteArray MailServer::attachmentBytes(const QJsonObject& message)
{
    return fileBytes(attachmentFile(message));
}

QString MailServer::attachmentText(const QJsonObject& message)
{
    return pdfText(attachmentFile(message));
}

}  // namespace testsupport

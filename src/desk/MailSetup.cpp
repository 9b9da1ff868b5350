#include "desk/MailSetup.h"

#include "desk/Desk.h"
#include "desk/RetentionTime.h"
#include "mail/PasswordFile.h"

#include <QRegularExpression>

namespace desk {

namespace {

QString value(const Desk& desk, const char* key)
{
    return desk.settingsValue(QLatin1String(mail::SettingsSection), QLatin1String(key)).trimmed();
}

void store(Desk& desk, const char* key, const QString& text)
{
    desk.storeSettingsValue(QLatin1String(mail::SettingsSection), QLatin1String(key), text);
}

// A settings line holds one line: the address's line breaks, and the backslash that marks
// them, are written as "\n" and "\\".
QString oneLine(const QString& text)
{
    QString line;
    for (const QChar c : text) {
        if (c == u'\\')
            line += QStringLiteral("\\\\");
        else if (c == u'\n')
            line += QStringLiteral("\\n");
        else if (c != u'\r')
            line += c;
    }
    return line;
}

QString linesOf(const QString& line)
{
    QString text;
    for (qsizetype i = 0; i < line.size(); ++i) {
        if (line[i] == u'\\' && i + 1 < line.size()) {
            ++i;
            text += line[i] == u'n' ? QChar(u'\n') : line[i];
        } else {
            text += line[i];
        }
    }
    return text;
}

}  // namespace

bool mailIsSetUp(const Desk& desk)
{
    return !value(desk, mail::key::Server).isEmpty() &&
           !value(desk, mail::key::SenderAddress).isEmpty();
}

mail::MailSettings readMailSettings(const Desk& desk)
{
    mail::MailSettings settings;
    settings.server = value(desk, mail::key::Server);
    settings.security = mail::securityFromText(value(desk, mail::key::Security));
    settings.port =
        numberInRange(value(desk, mail::key::Port), 1, 65535, mail::usualPort(settings.security));
    settings.user = value(desk, mail::key::User);
    settings.password = mail::readPassword(desk.settingsFolder(), &settings.passwordUnreadable);
    settings.senderAddress = value(desk, mail::key::SenderAddress);
    settings.senderName = value(desk, mail::key::SenderName);
    settings.wardens =
        value(desk, mail::key::Wardens)
            .split(QRegularExpression(QStringLiteral("[;,\\s]+")), Qt::SkipEmptyParts);
    settings.notifyAutomatically = value(desk, mail::key::NotifyAutomatically) == u'1';
    settings.caFile = value(desk, mail::key::CaFile);
    settings.timeoutSeconds = numberInRange(value(desk, mail::key::Timeout), 1, 600, 30);
    settings.buildingAddress = linesOf(value(desk, mail::key::BuildingAddress));
    return settings;
}

void storeMailSettings(Desk& desk, const mail::MailSettings& settings)
{
    // The password first: a settings file that says mail is set up never points at a
    // password that could not be stored.
    mail::writePassword(desk.settingsFolder(), settings.password);
    store(desk, mail::key::Server, settings.server.trimmed());
    store(desk, mail::key::Port, QString::number(settings.port));
    store(desk, mail::key::Security, mail::securityText(settings.security));
    store(desk, mail::key::User, settings.user.trimmed());
    store(desk, mail::key::SenderAddress, settings.senderAddress.trimmed());
    store(desk, mail::key::SenderName, settings.senderName.trimmed());
    store(desk, mail::key::Wardens, settings.wardens.join(u';'));
    store(desk, mail::key::NotifyAutomatically,
          settings.notifyAutomatically ? QStringLiteral("1") : QStringLiteral("0"));
    store(desk, mail::key::CaFile, settings.caFile.trimmed());
    store(desk, mail::key::Timeout, QString::number(settings.timeoutSeconds));
    store(desk, mail::key::BuildingAddress, oneLine(settings.buildingAddress.trimmed()));
}

}  // namespace desk

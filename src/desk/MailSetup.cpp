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

}  // namespace

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
}

}  // namespace desk

#pragma once
// How this desk reaches the building's mail server ("Dodatki > Poczta"): kept in the settings
// file's section "Poczta", the password apart from it (mail/PasswordFile.h).
#include <QString>
#include <QStringList>

namespace mail {

enum class Security { StartTls, Tls, None };

struct MailSettings {
    QString server;  // host name or address; empty: mail is not set up on this desk
    int port = 587;
    Security security = Security::StartTls;
    QString user;  // empty: the server is used without logging in
    QString password;
    QString senderAddress;             // "recepcja@firma.pl"
    QString senderName;                // "Recepcja …", shown in the From header
    QStringList wardens;               // the evacuation wardens' addresses
    bool notifyAutomatically = false;  // "Powiadamiaj automatycznie"
    // Certificates trusted beside the system's ones (a building's own authority); empty: the
    // system's only.
    QString caFile;
    int timeoutSeconds = 30;  // a server that stops answering is given up after this
    // The building's address as invitations give it, lines apart (a desk may stand in
    // another building than the rest); empty: invitations say nothing of it.
    QString buildingAddress;
    // A password is stored, but sealed for another computer or user: typed again in "Poczta".
    bool passwordUnreadable = false;

    // A server and a sender: the host is told by e-mail, not through the desktop's mail program.
    bool isSetUp() const
    {
        return !server.trimmed().isEmpty() && !senderAddress.trimmed().isEmpty();
    }
};

// The settings file's section and keys.
extern const char* const SettingsSection;  // "Poczta"
namespace key {
extern const char* const Server;               // "Serwer"
extern const char* const Port;                 // "Port"
extern const char* const Security;             // "Szyfrowanie": "STARTTLS", "TLS", "brak"
extern const char* const User;                 // "Uzytkownik"
extern const char* const SenderAddress;        // "Nadawca"
extern const char* const SenderName;           // "NazwaNadawcy"
extern const char* const Wardens;              // "Ewakuacja": addresses separated by ";"
extern const char* const NotifyAutomatically;  // "PowiadamiajAutomatycznie": "1" or "0"
extern const char* const CaFile;               // "PlikCA"
extern const char* const Timeout;              // "LimitCzasu": seconds
// "AdresBudynku": one line, "\n" between the address's lines and "\\" for a backslash
extern const char* const BuildingAddress;
}  // namespace key

// The shape of one e-mail address: "name@domain.tld" without blanks or special characters.
bool isAddress(const QString& text);

QString securityText(Security security);
// The port a server usually listens on for the encryption: 587, 465 or 25.
int usualPort(Security security);
Security securityFromText(const QString& text);  // STARTTLS for an unknown text

}  // namespace mail

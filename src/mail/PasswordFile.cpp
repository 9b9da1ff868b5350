#include "mail/PasswordFile.h"

#include "db/Error.h"

#include <QCryptographicHash>
#include <QFile>
#include <QSaveFile>
#include <QSysInfo>
#include <openssl/evp.h>
#include <openssl/rand.h>

#include <memory>
#include <unistd.h>

namespace mail {

const char* const PasswordFileName = "poczta.db";

namespace {

const QByteArray Header = QByteArrayLiteral("Halvane-poczta-1\n");
constexpr int IvLength = 12;
constexpr int TagLength = 16;

// This computer's identity (systemd's machine ID) and this user's: the file gives nothing
// away once copied to another computer or read by another account.
QByteArray key()
{
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(QByteArrayLiteral("Halvane: haslo serwera poczty\n"));
    hash.addData(QSysInfo::machineUniqueId());
    hash.addData(QByteArray::number(qulonglong(getuid())));
    return hash.result();
}

using Cipher = std::unique_ptr<EVP_CIPHER_CTX, decltype(&EVP_CIPHER_CTX_free)>;

Cipher newCipher()
{
    return Cipher(EVP_CIPHER_CTX_new(), &EVP_CIPHER_CTX_free);
}

QByteArray encrypt(const QByteArray& plain)
{
    QByteArray iv(IvLength, '\0');
    QByteArray sealed(plain.size(), '\0');
    QByteArray tag(TagLength, '\0');
    const QByteArray k = key();
    Cipher cipher = newCipher();
    int length = 0;
    int last = 0;
    if (!cipher || RAND_bytes(reinterpret_cast<unsigned char*>(iv.data()), IvLength) != 1 ||
        EVP_EncryptInit_ex(cipher.get(), EVP_aes_256_gcm(), nullptr,
                           reinterpret_cast<const unsigned char*>(k.constData()),
                           reinterpret_cast<const unsigned char*>(iv.constData())) != 1 ||
        EVP_EncryptUpdate(cipher.get(), reinterpret_cast<unsigned char*>(sealed.data()), &length,
                          reinterpret_cast<const unsigned char*>(plain.constData()),
                          int(plain.size())) != 1 ||
        EVP_EncryptFinal_ex(cipher.get(), reinterpret_cast<unsigned char*>(sealed.data()) + length,
                            &last) != 1 ||
        EVP_CIPHER_CTX_ctrl(cipher.get(), EVP_CTRL_GCM_GET_TAG, TagLength, tag.data()) != 1)
        throw db::Error(QStringLiteral("Nie można zaszyfrować hasła serwera poczty."));
    return iv + sealed + tag;
}

// Empty when the bytes were not sealed with this computer's and user's key.
QByteArray decrypt(const QByteArray& bytes)
{
    if (bytes.size() < IvLength + TagLength)
        return {};
    const QByteArray iv = bytes.left(IvLength);
    const QByteArray sealed = bytes.mid(IvLength, bytes.size() - IvLength - TagLength);
    QByteArray tag = bytes.right(TagLength);
    QByteArray plain(sealed.size(), '\0');
    const QByteArray k = key();
    Cipher cipher = newCipher();
    int length = 0;
    int last = 0;
    if (!cipher ||
        EVP_DecryptInit_ex(cipher.get(), EVP_aes_256_gcm(), nullptr,
                           reinterpret_cast<const unsigned char*>(k.constData()),
                           reinterpret_cast<const unsigned char*>(iv.constData())) != 1 ||
        EVP_DecryptUpdate(cipher.get(), reinterpret_cast<unsigned char*>(plain.data()), &length,
                          reinterpret_cast<const unsigned char*>(sealed.constData()),
                          int(sealed.size())) != 1 ||
        EVP_CIPHER_CTX_ctrl(cipher.get(), EVP_CTRL_GCM_SET_TAG, TagLength, tag.data()) != 1 ||
        EVP_DecryptFinal_ex(cipher.get(), reinterpret_cast<unsigned char*>(plain.data()) + length,
                            &last) != 1)
        return {};
    return plain;
}

}  // namespace

QString readPassword(const QString& settingsFolder, bool* unreadable)
{
    QFile file(settingsFolder + QLatin1String(PasswordFileName));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray content = file.read(4096);
    const QByteArray plain =
        content.startsWith(Header)
            ? decrypt(QByteArray::fromBase64(content.mid(Header.size()).trimmed()))
            : QByteArray();
    if (unreadable)
        *unreadable = plain.isEmpty();
    return QString::fromUtf8(plain);
}

void writePassword(const QString& settingsFolder, const QString& password)
{
    const QString path = settingsFolder + QLatin1String(PasswordFileName);
    if (password.isEmpty()) {
        if (QFile::exists(path) && !QFile::remove(path))
            throw db::Error(QStringLiteral("Nie można usunąć pliku %1.").arg(path));
        return;
    }
    const QByteArray content = Header + encrypt(password.toUtf8()).toBase64() + '\n';
    QSaveFile file(path);
    // The new file is the owner's alone before the first byte goes into it.
    if (!file.open(QIODevice::WriteOnly) ||
        !file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner) ||
        file.write(content) != content.size() || !file.commit())
        throw db::Error(
            QStringLiteral("Nie można zapisać pliku %1:\n%2").arg(path, file.errorString()));
}

}  // namespace mail

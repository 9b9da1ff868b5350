// The mail password's file over any bytes written as poczta.db: no crash, nothing read from
// bytes this computer did not seal (unreadable instead), and a password of such bytes sealed
// and read back unchanged.
#include "SettingsFolder.h"
#include "mail/PasswordFile.h"

#include <cstdint>
#include <cstdlib>

using fuzzing::settingsFolder;
using fuzzing::writeFile;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const QString& folder = settingsFolder();
    writeFile(folder + QLatin1String(mail::PasswordFileName), bytes);
    bool unreadable = false;
    if (!mail::readPassword(folder, &unreadable).isEmpty() || !unreadable)
        std::abort();  // the fuzzer cannot forge the seal
    const QString password = QString::fromUtf8(bytes.left(200));
    if (password.isEmpty())
        return 0;
    mail::writePassword(folder, password);
    if (mail::readPassword(folder, &unreadable) != password || unreadable)
        std::abort();
    return 0;
}

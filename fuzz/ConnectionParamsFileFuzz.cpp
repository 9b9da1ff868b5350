// The connection parameter file reader over any bytes written as params.db: no crash, the
// file read as unscramble reads its bytes, and a text that fits the code page scrambled and
// read back unchanged.
#include "SettingsFolder.h"
#include "admin/ConnectionParamsFile.h"
#include "db/Error.h"

#include <cstdint>
#include <cstdlib>

using fuzzing::settingsFolder;
using fuzzing::writeFile;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const QString& folder = settingsFolder();
    writeFile(folder + QLatin1String(admin::ConnectionParamsFileName), bytes);
    const QString text = admin::unscramble(bytes);
    if (size <= 64 * 1024 && admin::readConnectionParams(folder) != text)
        std::abort();
    // The round trip draws two random bytes a character from the system: only for texts of
    // the size a parameter file holds, so that the fuzzer spends its time on the reader.
    if (text.size() > 256)
        return 0;
    QByteArray again;
    try {
        again = admin::scramble(text);
    } catch (const db::Error&) {
        return 0;  // a character that Windows-1250 cannot hold is refused, not stored
    }
    if (admin::unscramble(again) != text)
        std::abort();
    return 0;
}

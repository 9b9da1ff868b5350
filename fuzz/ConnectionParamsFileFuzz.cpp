// The connection parameter file reader over any bytes written as params.db: no crash, the
// file read as unscramble reads its bytes, and a text that fits the code page scrambled and
// read back unchanged.
#include "admin/ConnectionParamsFile.h"
#include "db/Error.h"

#include <QFile>
#include <QTemporaryDir>
#include <cstdint>
#include <cstdlib>

namespace {

const QString& settingsFolder()
{
    static QTemporaryDir dir;
    static const QString folder = dir.path() + u'/';
    if (!dir.isValid())
        std::abort();
    return folder;
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        std::abort();
}

}  // namespace

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

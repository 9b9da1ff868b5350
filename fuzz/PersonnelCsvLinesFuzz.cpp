// The CSV line reader over any bytes: no crash, and the lines it gives are the file up to its
// first zero byte, in order, each ended by CR, LF or CR LF and holding none of them.
#include "personnel/PersonnelCsv.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray file(reinterpret_cast<const char*>(data), qsizetype(size));
    const qsizetype zero = file.indexOf('\0');
    const qsizetype end = zero < 0 ? file.size() : zero;
    const std::vector<QByteArrayView> lines = personnelcsv::splitLines(file);
    qsizetype at = 0;
    for (size_t i = 0; i < lines.size(); ++i) {
        const QByteArrayView line = lines[i];
        if (at == end)  // a line after the last break, or in an empty file
            std::abort();
        if (line.data() != file.constData() + at || at + line.size() > end)
            std::abort();
        if (line.contains('\r') || line.contains('\n'))
            std::abort();
        at += line.size();
        if (at == end) {
            if (i + 1 != lines.size())
                std::abort();
            break;
        }
        if (file[at] != '\r' && file[at] != '\n')
            std::abort();
        at += file[at] == '\r' && at + 1 < end && file[at + 1] == '\n' ? 2 : 1;
    }
    if (at != end)
        std::abort();
    return 0;
}

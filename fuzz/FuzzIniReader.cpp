// libFuzzer target: arbitrary bytes as the content of an INI file, through
// the store's text loading, its reads and writes, and the written text.

#include "IniReaderOracle.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QString failure = qm::fuzz::checkIniReader(bytes);
    if (!failure.isEmpty()) {
        std::fprintf(stderr, "INI reader check failed: %s\n", failure.toUtf8().constData());
        std::abort();
    }
    return 0;
}

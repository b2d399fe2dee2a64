// libFuzzer target: arbitrary bytes as the element style file, loaded into a
// style list, saved and loaded again.

#include "ElementStylesOracle.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QString failure = qm::fuzz::checkElementStyles(bytes);
    if (!failure.isEmpty()) {
        std::fprintf(stderr, "element styles check failed: %s\n", failure.toUtf8().constData());
        std::abort();
    }
    return 0;
}

// libFuzzer target: arbitrary bytes as a project file, through loading,
// saving and loading again.

#include "ProjectLoaderOracle.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QString failure = qm::fuzz::checkProjectLoader(bytes);
    if (!failure.isEmpty()) {
        std::fprintf(stderr, "project loader check failed: %s\n", failure.toUtf8().constData());
        std::abort();
    }
    return 0;
}

#include "common/Assertion.h"

#include <string_view>

using namespace Qt::StringLiterals;

namespace qm {

QString sourcePath(const char* file) {
    std::string_view path(file);
    const auto at = path.rfind("/src/");
    if (at != std::string_view::npos) {
        path.remove_prefix(at + 1);
    }
    return QString::fromUtf8(path.data(), static_cast<qsizetype>(path.size()));
}

void raiseAssertion(const char* file, int line, const QString& message) {
    throw AssertionFailure(u"%1 (%2, line %3)"_s.arg(message, sourcePath(file)).arg(line));
}

}  // namespace qm

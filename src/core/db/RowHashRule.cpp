#include "db/RowHashRule.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>

namespace qm {

std::optional<int> RowHashRule::gridExponentFor(double tolerance) {
    const double half = tolerance / 2;
    if (!std::isfinite(half) || half < 1e-100) {
        return std::nullopt;
    }
    // log10 may be off by one at a power of ten: the power is checked as
    // both databases read it ("1eN").
    int e = std::min(100, static_cast<int>(std::floor(std::log10(half))) + 1);
    while (std::strtod(("1e" + std::to_string(e)).c_str(), nullptr) > half) {
        --e;
    }
    return e;
}

bool anyLoosened(const std::vector<RowHashRule>& rules) {
    return std::any_of(rules.begin(), rules.end(),
                       [](const RowHashRule& r) { return !r.isExact(); });
}

}  // namespace qm

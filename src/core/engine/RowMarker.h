#pragma once

#include "engine/ComparedColumns.h"
#include "engine/KeyMatcher.h"
#include "list/FieldType.h"
#include "list/Value.h"

#include <cstdint>
#include <functional>
#include <vector>

namespace qm {

class MemData;

/// Works out the marks of a comparison from the two lists alone: for each
/// target row whether the source has its partner and whether a compared
/// cell differs, and for each source row whether the target has its
/// partner. It only reads the lists; storing the marks into their flag
/// columns is the caller's business, so work that is stopped or refused
/// half way leaves the lists as they were.
class RowMarker {
public:
    /// Bits of a target row's mark.
    enum : std::uint8_t { kFound = 1, kDifferent = 2 };
    /// Asked every kStopInterval rows; true stops the work with Cancelled.
    using StopAsked = std::function<bool()>;
    static constexpr int kStopInterval = 1024;

    /// `matcher` finds partners (and refuses a missing or null key); the
    /// lists and the matcher must outlive the marker.
    RowMarker(const MemData& target, const MemData& source, KeyMatcher& matcher,
              StopAsked stopAsked);

    /// One mark per target row; `plan` is KeyMatcher::plan(source, target,
    /// spec) and `compared` the columns' answer for exactly these two
    /// lists. With the source closed every row is unmatched. Where `renew`
    /// is not empty only the rows it flags are worked out, and the others
    /// take their mark from `previous` (both by target row).
    std::vector<std::uint8_t> targetMarks(const KeyPlan& plan, const ComparedColumns& compared,
                                          const std::vector<bool>& renew = {},
                                          const std::vector<std::uint8_t>& previous = {});

    /// Per source row whether the target holds its partner; `plan` is
    /// KeyMatcher::plan(target, source, spec). Without `known` every row's
    /// key is checked first (a missing key column or a null key value is
    /// refused even with the target closed). With `known` (by source row) a
    /// row it flags counts as found without a search.
    std::vector<bool> sourceFound(const KeyPlan& plan, const std::vector<bool>& known = {});

    /// Whether the cell of compared column `c` differs between target row
    /// `tp` and source row `sp` under the column's rule.
    static bool cellDiffers(const MemData& target, int tp, const MemData& source, int sp,
                            const ComparedColumn& c);
    /// Whether a target value is the text its column stored for the source
    /// number, so that storing the number again would change nothing.
    static bool holdsNumberText(const ValueRef& target, FieldType targetType,
                                const ValueRef& source);

private:
    /// Raises Cancelled when asked to stop; called for every row.
    void checkStop(int row) const;

    const MemData& target_;
    const MemData& source_;
    KeyMatcher& matcher_;
    StopAsked stopAsked_;
};

}  // namespace qm

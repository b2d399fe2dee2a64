#include "engine/RowMarker.h"

#include "common/Cancellation.h"
#include "engine/PrimaryKey.h"
#include "engine/RuleEquality.h"
#include "list/MemData.h"
#include "list/TaggedValue.h"

#include <string>
#include <utility>

using namespace Qt::StringLiterals;

namespace qm {

RowMarker::RowMarker(const MemData& target, const MemData& source, KeyMatcher& matcher,
                     StopAsked stopAsked)
    : target_(target), source_(source), matcher_(matcher), stopAsked_(std::move(stopAsked)) {}

void RowMarker::checkStop(int row) const {
    if (row % kStopInterval == 0 && stopAsked_ && stopAsked_()) {
        throw Cancelled();
    }
}

bool RowMarker::holdsNumberText(const ValueRef& target, FieldType targetType,
                                const ValueRef& source) {
    const std::optional<std::string> text = TaggedValue::numberAsText(source);
    if (!text || target.null) {
        return false;
    }
    if (targetType == FieldType::Variant) {
        return TaggedValue::tagOf(target.bytes) == TaggedValue::Tag::Text &&
               TaggedValue::payload(target.bytes) == *text;
    }
    return storageClassOf(targetType) == StorageClass::Bytes && !isBinaryType(targetType) &&
           targetType != FieldType::BCD && target.bytes == *text;
}

bool RowMarker::cellDiffers(const MemData& target, int tp, const MemData& source, int sp,
                            const ComparedColumn& c) {
    const ValueRef tv = target.refAt(tp, c.target);
    const ValueRef sv = source.refAt(sp, c.source);
    const FieldType tt = target.field(c.target).type;
    return !equalUnderRule(tv, tt, sv, source.field(c.source).type, c.rule, c.loose) &&
           !(c.numberAsText && holdsNumberText(tv, tt, sv));
}

std::vector<std::uint8_t> RowMarker::targetMarks(const KeyPlan& plan,
                                                 const ComparedColumns& compared,
                                                 const std::vector<bool>& renew,
                                                 const std::vector<std::uint8_t>& previous) {
    const MemData& d = target_;
    const MemData& s = source_;
    const int rows = d.isOpen() ? d.recordCount() : 0;
    std::vector<std::uint8_t> marks(static_cast<std::size_t>(rows), 0);
    const bool sourceOpen = s.isOpen();
    for (int dp = 0; dp < rows; ++dp) {
        checkStop(dp);
        const auto row = static_cast<std::size_t>(dp);
        if (!renew.empty() && !renew[row]) {
            marks[row] = row < previous.size() ? previous[row] : 0;
            continue;
        }
        const int sp = sourceOpen ? matcher_.matchRow(s, d, dp, plan, false) : -1;
        if (sp < 0) {
            continue;
        }
        std::uint8_t m = kFound;
        // One differing cell decides the row; the rest are not looked at.
        for (const ComparedColumn& c : compared.columns) {
            if (cellDiffers(d, dp, s, sp, c)) {
                m |= kDifferent;
                break;
            }
        }
        marks[row] = m;
    }
    return marks;
}

std::vector<bool> RowMarker::sourceFound(const KeyPlan& plan, const std::vector<bool>& known) {
    const MemData& s = source_;
    const MemData& d = target_;
    const int rows = s.isOpen() ? s.recordCount() : 0;
    std::vector<bool> found(static_cast<std::size_t>(rows), false);
    const bool targetOpen = d.isOpen();
    if (!known.empty()) {
        for (int sp = 0; sp < rows; ++sp) {
            checkStop(sp);
            const auto row = static_cast<std::size_t>(sp);
            found[row] = (row < known.size() && known[row]) ||
                         (targetOpen && matcher_.matchRow(d, s, sp, plan, false) >= 0);
        }
        return found;
    }
    const PrimaryKey key(plan.spec);
    std::vector<int> keyFields;
    for (int i = 0; i < key.fieldCount(); ++i) {
        keyFields.push_back(s.findDataField(key.fieldName(i)));
    }
    for (int sp = 0; sp < rows; ++sp) {
        checkStop(sp);
        // A source row's key is checked even where no target is open to
        // search, as KeyValues checks it, without building the texts.
        for (std::size_t i = 0; i < keyFields.size(); ++i) {
            if (keyFields[i] < 0) {
                matcher_.refuse(
                    u"Key field \"%1\" not found"_s.arg(key.fieldName(static_cast<int>(i))));
            }
            if (s.refAt(sp, keyFields[i]).null) {
                matcher_.refuse(
                    u"Key field \"%1\" contained a null value. Primary key fields "
                    "should not be allowed to contain null"_s.arg(key.spec()));
            }
        }
        found[static_cast<std::size_t>(sp)] =
            targetOpen && matcher_.matchRow(d, s, sp, plan, false) >= 0;
    }
    return found;
}

}  // namespace qm

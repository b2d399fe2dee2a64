#include "models/TargetCellColours.h"

#include "common/Errors.h"
#include "engine/RuleEquality.h"
#include "engine/TDM.h"
#include "engine/ValueEquality.h"

namespace qm {
namespace {

// The index of a field of the target list in a list made from its columns
// (the copy and the snapshot keep the target's column order).
int sameField(const MemData& list, const MemData& target, int field) {
    if (field < 0 || field >= target.fieldCount()) {
        return -1;
    }
    if (field < list.fieldCount() && list.field(field).name == target.field(field).name) {
        return field;
    }
    return list.findField(target.field(field).name);
}

bool differ(const ValueRef& a, FieldType typeA, const ValueRef& b, FieldType typeB,
            const ColumnRule& rule = ColumnRule()) {
    try {
        return rule.loosens() ? !equalUnderLooseRule(a, typeA, b, typeB, rule)
                              : !ValueEquality::equal(a, typeA, b, typeB);
    } catch (const ConversionError&) {
        return true;  // a value that cannot be converted equals nothing
    }
}

}  // namespace

TargetCellColours::TargetCellColours(TDM& dm)
    : lists_([&dm] {
          Lists l;
          l.target = &dm.DestMemData();
          l.copy = &dm.DestMemDataCopy();  // rebuilt here when a post made it stale
          l.orig = &dm.OrigMemData();
          l.source = &dm.SourceMemData();
          l.newField = dm.fieldNewField();
          l.onlyInDest = dm.fieldOnlyInDest();
          l.sourceMatch = [&dm](int copyPos) {
              return dm.MatchingRow(dm.SourceMemData(), dm.DestMemDataCopy(), copyPos);
          };
          l.compared = &dm.MarksColumns();
          return l;
      }) {}

int TargetCellColours::sourcePartner(const Lists& lists, int copyPos) {
    return lists.source->isOpen() && lists.sourceMatch ? lists.sourceMatch(copyPos) : -1;
}

std::optional<CellColour> TargetCellColours::kindOf(int recId, int field) const {
    const Lists lists = lists_();
    if (!lists.target || !lists.copy || !lists.orig || !lists.source) {
        return std::nullopt;
    }
    const MemData& target = *lists.target;
    const MemData& orig = *lists.orig;
    if (!target.isOpen() || !orig.isOpen() || target.recordCount() == 0 || field < 0 ||
        field >= target.fieldCount()) {
        return std::nullopt;
    }
    const MemData& copy = *lists.copy;
    const int copyField = copy.isOpen() ? sameField(copy, target, field) : -1;
    // The copy's field decides what a mark column is; before the copy is
    // made, the target's own does.
    if ((copyField >= 0 ? copy.field(copyField).tag : target.field(field).tag) == kFlagTag) {
        return CellColour::InfoField;  // whatever the other rules would choose
    }
    {
        const int targetPos = target.positionOfRecId(recId);
        const int copyPos =
            copy.isOpen() && copy.recordCount() == target.recordCount() ? targetPos : -1;
        const int newField = copy.isOpen() ? sameField(copy, target, lists.newField) : -1;
        const int onlyInDest = copy.isOpen() ? sameField(copy, target, lists.onlyInDest) : -1;
        if (copyPos < 0 || copyField < 0 || newField < 0 || onlyInDest < 0) {
            return CellColour::NotInCopy;
        }
        if (copy.refAt(copyPos, newField).i != 0 && !copy.refAt(copyPos, newField).null) {
            return CellColour::NewRecord;
        }
        const ValueRef value = copy.refAt(copyPos, copyField);
        const FieldType type = copy.field(copyField).type;
        const bool targetOnly =
            !copy.refAt(copyPos, onlyInDest).null && copy.refAt(copyPos, onlyInDest).i != 0;
        const MemData& source = *lists.source;
        if (!targetOnly && source.isOpen()) {
            const int sourceField = source.findDataField(target.field(field).name);
            const bool ignored = lists.compared && lists.compared->isIgnored(field);
            const ComparedColumn* compared =
                lists.compared ? lists.compared->forTarget(field) : nullptr;
            const ColumnRule rule = compared ? compared->rule : ColumnRule();
            const int partner = sourceField >= 0 && !ignored ? sourcePartner(lists, copyPos) : -1;
            if (partner >= 0 && differ(source.refAt(partner, sourceField),
                                       source.field(sourceField).type, value, type, rule)) {
                return CellColour::DifferentField;
            }
        }
        const int origPos = orig.positionOfRecId(recId);
        const int origField = sameField(orig, target, field);
        if (origPos < 0 || origField < 0) {
            return std::nullopt;
        }
        if (differ(orig.refAt(origPos, origField), orig.field(origField).type, value, type)) {
            return CellColour::DifferentFromOriginal;
        }
        if (orig.field(origField).tag != kFlagTag && source.isOpen() && !targetOnly) {
            return CellColour::Duplicate;
        }
        return std::nullopt;
    }
}

std::optional<QColor> TargetCellColours::colourOf(int recId, int field) const {
    try {
        if (const std::optional<CellColour> kind = kindOf(recId, field)) {
            return LegendColours::colourOf(*kind);
        }
    } catch (const Error&) {
        // Painting goes on; the cell keeps the grid's own colours.
    }
    return std::nullopt;
}

std::function<std::optional<QColor>(int, int)> TargetCellColours::provider() const {
    return [this](int recId, int field) { return colourOf(recId, field); };
}

}  // namespace qm

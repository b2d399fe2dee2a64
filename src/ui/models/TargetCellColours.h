#pragma once

#include "engine/ComparedColumns.h"
#include "models/LegendColours.h"

#include <QColor>
#include <QStringList>
#include <functional>
#include <optional>

namespace qm {

class MemData;
class TDM;

/// The background colour of a target grid cell, worked out from the
/// engine's lists each time a cell is drawn. The first rule that applies
/// wins:
///
///  1. the row's copy carries the insert mark: "New Record";
///  2. the copy of the target list has no such row: blue;
///  3. the row has a source partner (it is not target-only) and the
///     partner's same-named value differs from the copy's: "Different Field";
///  4. the row was loaded and its value as loaded differs from the copy's:
///     "Different From Original";
///  5. the row was loaded, the field is not a mark column, the source is
///     open and the row is not target-only: "Dublicate Record";
///  6. otherwise no colour.
/// A mark column (the engine's own flag columns) is "Info Fields" whatever
/// the rules chose. Nothing when the target list or its snapshot is closed,
/// or the target list is empty. Values are compared as the comparison
/// compared them: by the value equality rule, loosened by the column's
/// comparison rule.
///
/// Only reads: the target row is found in the copy by its place (the copy
/// holds the target rows in the same order, so this holds also after rows
/// were deleted and RecIds have gaps) and in the snapshot by RecId; the
/// source partner is found by the engine's key rule through the source
/// list's key index, which lives until the source list changes. No list moves, so the grids
/// the user sees stay where they are. A row the list is still inserting is
/// in no copy: blue.
class TargetCellColours {
public:
    /// The lists the rules read, and what they need to know of them.
    struct Lists {
        const MemData* target = nullptr;  // DestMemData
        const MemData* copy = nullptr;    // DestMemDataCopy, up to date
        const MemData* orig = nullptr;    // OrigMemData
        const MemData* source = nullptr;  // SourceMemData
        int newField = -1;                // target field index of the insert mark
        int onlyInDest = -1;              // target field index of the target-only mark
        /// Position in the source of the partner of a copy row (the engine's
        /// key rule, TDM::MatchingRow); -1 when it has none. Without it no
        /// row has a partner.
        std::function<int(int copyPos)> sourceMatch;
        /// The columns the comparison compared, with their rules: a cell
        /// equal to its partner under its column's rule, or of a column the
        /// rules ignore, is not "Different Field". Without it every column
        /// is compared exactly.
        const ComparedColumns* compared = nullptr;
    };

    /// Reads the engine's lists at each call; the engine must outlive this.
    explicit TargetCellColours(TDM& dm);
    /// Reads the lists that `lists` gives at each call.
    explicit TargetCellColours(std::function<Lists()> lists) : lists_(std::move(lists)) {}

    /// The rule that colours the cell of the target row with that RecId in
    /// the target list's field; nothing when none applies.
    std::optional<CellColour> kindOf(int recId, int field) const;
    /// kindOf as a colour of the legend. A value that cannot be compared
    /// gives no colour rather than a failure while painting.
    std::optional<QColor> colourOf(int recId, int field) const;
    /// colourOf as a MemDataModel colour provider; this object and the
    /// engine must outlive it.
    std::function<std::optional<QColor>(int, int)> provider() const;

private:
    /// Position in the source list of the partner of copy row `copyPos`; -1 if none.
    static int sourcePartner(const Lists& lists, int copyPos);

    std::function<Lists()> lists_;
};

}  // namespace qm

#pragma once

#include <QColor>
#include <QString>
#include <array>

namespace qm {

/// What a target grid cell's background says about its value. The first
/// five are the legend's entries, in the legend's order.
enum class CellColour {
    DifferentField,
    NewRecord,
    DifferentFromOriginal,
    Duplicate,
    InfoField,
    /// A row the copy of the target list does not hold; not in the legend.
    NotInCopy,
};

/// One entry of the legend strip: the label's object name, its caption,
/// its background colour (which the target grid paints) and its place in
/// the strip.
struct LegendEntry {
    CellColour kind;
    QString name;
    QString caption;
    QColor colour;
    int left;
    int width;
};

/// The one table of the colour code: the window's legend strip is built
/// from it and the target grid's colours are read from it, so the two
/// always agree.
namespace LegendColours {

inline constexpr int kEntryCount = 5;
/// Height of every entry; the plain "Legend:" label stands at kTitleLeft.
inline constexpr int kEntryHeight = 25;
inline constexpr int kTitleLeft = 8;
/// Width of the whole strip of entries, kept at the right edge of the window:
/// the last entry ends at 649, and a margin of 8 keeps it off the edge.
inline constexpr int kStripWidth = 657;

const std::array<LegendEntry, kEntryCount>& entries();
/// The background colour of a kind of cell.
QColor colourOf(CellColour kind);
/// The legend caption of a kind ("Not in copy" for the one outside the legend).
QString captionOf(CellColour kind);

}  // namespace LegendColours
}  // namespace qm

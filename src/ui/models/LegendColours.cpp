#include "models/LegendColours.h"

using namespace Qt::StringLiterals;

namespace qm::LegendColours {

const std::array<LegendEntry, kEntryCount>& entries() {
    static const std::array<LegendEntry, kEntryCount> table = {{
        {CellColour::DifferentField, u"DiffLabel"_s, u"Different Field"_s, QColor(255, 0, 0), 64,
         105},
        {CellColour::NewRecord, u"NewLabel"_s, u"New Record"_s, QColor(255, 255, 0), 184, 105},
        {CellColour::DifferentFromOriginal, u"DifferentFromOriginalLabel"_s,
         u"Different From Original"_s, QColor(0, 255, 255), 304, 137},
        {CellColour::Duplicate, u"SameLabel"_s, u"Dublicate Record"_s, QColor(192, 192, 192), 456,
         105},
        {CellColour::InfoField, u"InfoFieldLabel"_s, u"Info Fields"_s, QColor(255, 255, 255), 576,
         73},
    }};
    return table;
}

QColor colourOf(CellColour kind) {
    for (const LegendEntry& e : entries()) {
        if (e.kind == kind) {
            return e.colour;
        }
    }
    return QColor(0, 0, 255);  // a row missing from the copy of the target list
}

QString captionOf(CellColour kind) {
    for (const LegendEntry& e : entries()) {
        if (e.kind == kind) {
            return e.caption;
        }
    }
    return u"Not in copy"_s;
}

}  // namespace qm::LegendColours

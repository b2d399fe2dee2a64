#pragma once

#include "engine/EnginePorts.h"

#include <QString>
#include <QStringList>
#include <optional>

namespace qm {

/// The five statistics texts in the order the statistics strip shows them.
struct StatisticTexts {
    QString inserts, updates, deletes, differences, targetOnly;
    /// The five texts in that order.
    QStringList all() const { return {inserts, updates, deletes, differences, targetOnly}; }
};

/// The record-count text of one side: "Not open" while it is closed,
/// "%1 records" for the source and "%1 records initially" for the target
/// (the count right after loading).
QString recordCountText(Side side, std::optional<qsizetype> records);
/// recordCountText of a side whose database counted `unloaded` equal rows
/// more than were loaded (a comparison inside the databases): the count is
/// of all rows, "1000 records (990 equal, not loaded)"; as above for 0.
QString recordCountText(Side side, std::optional<qsizetype> records, qint64 unloaded);

/// Each count's text ("Inserts: 3"), or its "none" text for 0 ("No
/// inserts"); five empty texts when the counts were cleared. The window and
/// the command-line tool both show these.
StatisticTexts statisticTexts(const std::optional<ComparisonCounts>& counts);

}  // namespace qm

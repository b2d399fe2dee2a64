#pragma once

#include "DbSides.h"
#include "engine/EnginePorts.h"
#include "support/EngineHarness.h"

#include <QString>
#include <QStringList>
#include <optional>

// Running one table setup both ways, the full load and after comparing
// inside the databases, for tests that compare the two.

namespace qm::test {

/// What a run gave.
struct Outcome {
    QStringList script;
    std::optional<ComparisonCounts> counts;
    qint64 sourceRows = 0;
    qint64 targetRows = 0;
    qint64 rowsLoaded = 0;
    bool opened = false;
    /// Every message shown.
    QStringList errors;
};

/// Sets the harness's single table setup: both tables read whole in key
/// order, the target table, and the comparison rules (their text form;
/// none when empty).
void configure(EngineHarness& h, const SideTable& src, const SideTable& dst, const QString& key,
               const QString& rules = QString());

/// Opens, changes the target to equal the source and writes the script,
/// either after the full load (no budget) or after comparing inside the
/// databases with the given load budget and first segment bits.
Outcome run(const QString& aliasFile, const SideTable& src, const SideTable& dst,
            const QString& key, std::optional<qint64> budget, int firstBits = 0,
            const QString& rules = QString());

}  // namespace qm::test

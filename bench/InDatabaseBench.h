#pragma once

#include <QList>
#include <QString>
#include <cstdint>

namespace qmbench {

/// The in-database part of quillmere-bench. For each size, SQLite files are
/// made with SQL inside SQLite: a source table
/// t(id INTEGER PRIMARY KEY, name TEXT, qty INTEGER, price REAL, day TEXT, note TEXT),
/// a target with 0.1 % of the rows changed (0.08 % with another name,
/// 0.01 % missing, 0.01 % new) and an equal copy. Each run is a fresh
/// quillmere-cli process, timed as a whole with its peak memory (maxrss):
///
/// - changed pair: `script` with the full load (the baseline) against
///   `script --in-database`; both scripts must be equal byte for byte;
/// - equal pair: `compare --in-database` against the time SQLite needs to
///   scan both tables twice (`SELECT count(*), sum(length(...))...` twice on
///   each file, in this process).
///
/// Best of `repeat` runs each; prints times, ratios, peaks and the goals (a
/// missed goal prints MISSED). Returns whether every run passed its checks.
bool runInDatabaseBench(const QString& dir, const QList<std::int64_t>& sizes, int repeat,
                        int timeoutSeconds, bool regenerate, const QString& cli);

}  // namespace qmbench

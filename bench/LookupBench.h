#pragma once

#include <QList>
#include <QString>
#include <cstdint>

namespace qmbench {

/// The lookup part of quillmere-bench: for each size, the target file of
/// the generated pair is copied and given two lookup tables of 100,000 rows
/// (made with SQL inside SQLite): lk_qty(code INTEGER, label) for t.qty and
/// lk_name(name TEXT, label) for t.name. Opening the target is timed in
/// fresh child processes without lookups and with the two lookup columns,
/// best of `repeat`; prints both times, the ratio and the goal. Returns
/// whether every run passed its checks and the goal was met.
bool runLookupBench(const QString& dir, const QList<std::int64_t>& sizes, int repeat,
                    int timeoutSeconds, bool regenerate);

/// The child: opens the target of `targetPath` as the desktop program does
/// for a project's table setup, with or without the two lookup definitions,
/// and prints tagged lines (kChildTag): the open time, the time to read
/// every lookup cell once, the rows and the lookup cells that found a value.
int runLookupChild(const QString& targetPath, bool withLookups);

}  // namespace qmbench

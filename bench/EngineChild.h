#pragma once

#include <QString>
#include <cstdint>

namespace qmbench {

/// The child mode: compares the two files through the engine the way
/// `quillmere-cli compare` does and prints tagged result lines (see
/// kChildTag) for the parent: timings, peak memory and the texts the engine
/// wrote. With `profile`, also the time of each phase and of a few extra
/// passes that are not part of the timed run. With a `scriptPath`, runs the
/// whole job the way `quillmere-cli script` does it: after the comparison,
/// changes the target rows to equal the source, writes the statements to
/// `scriptPath` (lines ending in CR LF) and prints the time from the
/// engine's creation to the written file as well. Returns the exit code.
int runEngineChild(const QString& sourcePath, const QString& targetPath, bool profile,
                   const QString& scriptPath = QString(), const QString& rules = QString());

/// Where the child's two tables are.
struct ChildTables {
    QString aliasText;  // the alias file: entries BenchSource and BenchTarget
    QString table;      // read with SELECT * on both sides
    QString key;
    // SQLite files for the profile's raw scans; empty where there are none.
    QString sourceFile;
    QString targetFile;
    // The table setup's comparison rules (their text form); empty for none.
    QString rules;
};
ChildTables sqliteTables(const QString& sourcePath, const QString& targetPath);
/// pgbench_accounts (key aid) of two databases of one PostgreSQL server.
ChildTables pgAccountTables(const QString& host, int port, const QString& user,
                            const QString& sourceDb, const QString& targetDb);
int runEngineChild(const ChildTables& tables, bool profile, const QString& scriptPath = QString());

/// Starts every line the child prints for the parent.
inline constexpr char kChildTag[] = "QMBENCH";

/// Current and peak resident memory of this process in KiB (VmRSS, VmHWM).
std::int64_t residentKiB();
std::int64_t peakResidentKiB();

}  // namespace qmbench

#pragma once

#include <QList>
#include <QString>
#include <cstdint>

namespace qmbench {

// The parts of a run, chosen with --jobs.
enum Job { kCompare = 1, kFull = 2, kExecute = 4, kLookups = 8, kPg = 16, kInDatabase = 32 };
// The parts that run on the generated SQLite files.
constexpr int kSqliteJobs = kCompare | kFull | kExecute;

struct SqliteBenchOptions {
    QString dir;
    QList<std::int64_t> sizes;
    int repeat = 3;
    bool regenerate = false;
    bool profile = false;
    QString sqldiff;
    QString cli;
    QString sqlite3;
    int jobs = kCompare | kFull | kExecute;
    int timeoutSeconds = 3600;
    bool sqlData = false;  // every size generated with SQL, not only the large ones
    QString rules;         // comparison rules of the engine runs (text form)
};

/// Generates the SQLite file pairs of every size, times the chosen parts
/// (compare, whole job, execute) against sqldiff and the sqlite3 shell,
/// checks the results and prints the tables with their goals. True when
/// every check passed.
bool runSqliteBench(const SqliteBenchOptions& options);

}  // namespace qmbench

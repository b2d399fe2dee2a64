#pragma once

#include <QString>

namespace qmbench {

/// The PostgreSQL server and programs of the PostgreSQL part of the bench.
struct PgBenchOptions {
    QString host;
    int port = 0;
    QString user;
    QString pgbench;  // empty when not found: the part is skipped
    QString psql;
    int repeat = 3;
    bool regenerate = false;
    int timeoutSeconds = 3600;
};

/// Compares pgbench_accounts of two databases made by `pgbench -i -s 10`
/// (the target then changed by `pgbench -n -t 3000`) through the engine, in
/// a child process, against copying both tables out with COPY ... TO STDOUT
/// in the same run; checks the engine's counts and prints the ratio and the
/// peak memory. Returns false when a check or a run failed.
bool runPgBench(const PgBenchOptions& options);

}  // namespace qmbench

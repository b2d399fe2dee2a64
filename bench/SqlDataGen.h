#pragma once

#include "DataGen.h"

#include <QString>
#include <cstdint>

namespace qmbench {

/// Writes a pair of files like generatePair (table t, 1 % of the rows only
/// in the source, 5 % with one column changed, 1 % only in the target), but
/// with SQL inside SQLite: one recursive query per table, so that tens of
/// millions of rows take seconds rather than a long walk through C++. The
/// values are drawn from integer hashes of the row number instead of a
/// random sequence; the counts are taken from the same formulas in SQL and
/// kept in the source file's table bench_meta.
bool generatePairSql(std::int64_t rows, const QString& sourcePath, const QString& targetPath,
                     Expected& expected, QString& error);

/// True when both files were written by generatePairSql for `rows` rows and
/// hold what bench_meta says; fills `expected` from it.
bool sqlPairIsUsable(std::int64_t rows, const QString& sourcePath, const QString& targetPath,
                     Expected& expected);

}  // namespace qmbench

#pragma once

#include <QString>
#include <cstdint>

namespace qmbench {

/// What a generated pair of files holds, known without reading them back.
struct Expected {
    std::int64_t sourceRows = 0;
    std::int64_t targetRows = 0;
    std::int64_t changed = 0;     // rows in both files with one column changed in the target
    std::int64_t sourceOnly = 0;  // rows only in the source
    std::int64_t targetOnly = 0;  // rows only in the target
};

/// The counts of the pair of files for `rows` source rows. Runs the same
/// random sequence as generatePair without writing anything.
Expected expectedFor(std::int64_t rows);

/// Writes `sourcePath` and `targetPath`, each with the table
/// t(id INTEGER PRIMARY KEY, name TEXT, qty INTEGER, price REAL, day TEXT, note TEXT).
/// Returns false with `error` set on failure.
bool generatePair(std::int64_t rows, const QString& sourcePath, const QString& targetPath,
                  Expected& expected, QString& error);

/// True when both files exist, were written by this generator and hold the
/// expected numbers of rows.
bool pairIsUsable(const QString& sourcePath, const QString& targetPath, const Expected& expected);

/// Replaces the pair's files with the finished temporary ones, so that a
/// generation that fails half-way never leaves a usable-looking pair.
bool moveIntoPlace(const QString& sourceTmp, const QString& sourcePath, const QString& targetTmp,
                   const QString& targetPath, QString& error);

}  // namespace qmbench

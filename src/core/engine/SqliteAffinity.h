#pragma once

#include <QString>

namespace qm {

/// SQLite's column affinities: how SQLite converts a value stored into a
/// column, after the column's declared type.
enum class SqliteAffinity { Text, Numeric, Integer, Real, Blob };

namespace SqliteAffinityRules {

/// The affinity of a declared type, by SQLite's rules: INT gives Integer;
/// CHAR, CLOB or TEXT give Text; BLOB or no type give Blob (none); REAL,
/// FLOA or DOUB give Real; anything else (DATE, NUMBER, BOOLEAN) Numeric.
SqliteAffinity of(const QString& declaredType);

/// Whether a text value stored into a column of that affinity is kept as
/// that text, or becomes a number whose own text is the same. Numeric,
/// integer and real affinities turn text that reads as a number into the
/// number, so that '007', ' 7', '+7' or '1e3' are stored as other values.
/// Gives the text of the number stored in `stored` when it is not kept.
bool keepsText(SqliteAffinity affinity, const QString& text, QString* stored = nullptr);

}  // namespace SqliteAffinityRules
}  // namespace qm

#pragma once

#include <QString>
#include <QtGlobal>

namespace qm {

class TDM;
struct TableSetup;

/// Compares the current table setup inside its two databases before any
/// row is loaded: each database sums its rows per segment of the key space
/// (a count and a checksum over a canonical form of each row, see
/// SegmentSide), segments that differ are split further while their rows
/// are many, and the table setup's queries are then restricted to the rows
/// of the differing segments. Opening the sides afterwards loads only those
/// rows, which go through the ordinary comparison, merge and statements:
/// rows outside them are equal on both sides and give no statement.
///
/// A segment is the set of keys whose hash has the same low bits, so no key
/// order, collation or index is needed and keys of any type and any number
/// of fields work alike. Both sides must be on the same engine (SQLite or
/// PostgreSQL), which computes the same canonical form.
class InDatabaseCompare {
public:
    struct Outcome {
        /// All rows of each side, counted by the databases.
        qint64 sourceRows = 0;
        qint64 targetRows = 0;
        /// Rows of both sides in the differing segments (the rows loaded),
        /// estimated from the rows per segment.
        qint64 rowsToLoad = 0;
        /// Summing passes over each side.
        int passes = 0;
        /// Whether the queries were restricted (the counts are set).
        bool restricted = false;
    };

    /// Why the drivers of the source and target aliases (SQLITE, PSQL, ...)
    /// do not allow a comparison inside the databases; "" when they do.
    static QString refusal(const QString& sourceDriver, const QString& targetDriver);

    /// Why the table setup's comparison rules do not allow a comparison
    /// inside the databases (a relative tolerance, which no hashed form
    /// keeps), naming the table setup and the column; "" when they do.
    static QString rulesRefusal(const TableSetup& setup);

    explicit InDatabaseCompare(TDM& dm) : dm_(dm) {}

    /// Segments that differ are split further while their rows (both sides
    /// together) are more than this.
    void setLoadBudget(qint64 rows) { loadBudget_ = rows; }
    /// The segments of the first pass as a number of bits (up to 62); 0,
    /// the default, sizes them from the rows.
    void setFirstBits(int bits) { firstBits_ = bits; }

    /// Connects both sides, compares them inside the databases and
    /// restricts the current table setup's queries, under its comparison
    /// rules (rulesRefusal raised as Error before connecting). Where a key field is
    /// not a column of both queries, nothing is restricted (opening reports
    /// it). Raises Error (the database's message, naming the side) or
    /// SilentAbort (a failed connection, already reported).
    Outcome restrictCurrentTableSetup();

private:
    TDM& dm_;
    qint64 loadBudget_ = 200000;
    int firstBits_ = 0;
};

}  // namespace qm

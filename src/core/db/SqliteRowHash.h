#pragma once

#include "db/RowHashRule.h"

#include <QString>
#include <cstdint>
#include <memory>
#include <vector>

struct sqlite3;

namespace qm {

class Connection;

/// SQL functions that let a SQLite database summarise its rows by segment,
/// registered on the connection's own handle:
///
/// - `quillmere_key_hash(v1, ...)`: a 64-bit hash of the values' canonical
///   bytes, where a real holding a whole number counts as that integer (as
///   SQLite's `=` finds 1.0 equal to 1); its low bits name the segment a
///   row belongs to.
/// - `quillmere_row_hash(v1, ...)`: the same hash without that, for the
///   columns of a row too wide for one call (a function takes at most 127
///   arguments in many builds): their hashes stand in for them.
/// - `quillmere_segment_sums(bits, nkeys, k1, ..., knkeys, c1, ...)`, an
///   aggregate: the number of rows and, for every segment
///   `quillmere_key_hash(k...) & (2^bits - 1)`, the sum (modulo 2^64) of the
///   hashes of its rows' canonical bytes over c1, ... (see SegmentBlob),
///   and whether the keys came as ascending integers.
/// - `quillmere_segment_sums_ruled(bits, nkeys, rules, k1, ..., c1, ...)` and
///   `quillmere_row_hash_ruled(rules, c1, ...)`: the same, where each
///   column's value enters the hash in the form its RowHashRule gives
///   (`rules`: see rulesLiteral).
/// - `quillmere_in_segments(list, bits, k1, ...)`: 1 when the segment of the
///   key is in `list`, a blob of ascending 64-bit segment numbers in the
///   machine's byte order; else 0.
///
/// Canonical bytes of a value, by storage class: NULL is "N"; an integer
/// is "I" and its 64-bit two's complement; a real is "R" and its exact IEEE
/// 754 bit pattern (values one unit in the last place apart differ); text
/// is "T", its length in bytes and its UTF-8 bytes as stored (letter case
/// and trailing blanks count); a blob is "B", its length and its bytes.
/// Dates, times, booleans and numerics are whatever class SQLite stored
/// them as.
///
/// Under a RowHashRule: a NULL counted as the empty text is "T" and length
/// 0; a text is "T", length and the bytes after trimming (a text of blanks
/// only, under nullAsEmpty, becomes one space, which no trimmed text is),
/// cutting and folding; a date-time text is cut only where it is exactly
/// `YYYY-MM-DD HH:MM:SS` (or `T` for the blank) with any fraction of a
/// second and a valid date and time, or a time `HH:MM:SS` with any fraction
/// (second and minute only), by keeping its first 19, 16 or 10 (8 or 5)
/// characters; on a grid, an integer is "J" and floor(x / 10^e) as an
/// integer, a real "G" and the bit pattern of floor(x / 10^e) as a double
/// while that is below 2^50 in magnitude (else exact). Other values are
/// hashed exactly.
namespace SqliteRowHash {

/// Up to 2^kDenseBits segments are summed in an array and returned whole.
inline constexpr int kDenseBits = 22;

/// What `quillmere_segment_sums` returned, read in place: the row count,
/// and either the sum of every segment (dense: bits <= kDenseBits) or the
/// (segment, sum) pairs of the segments holding rows, ascending.
struct SegmentBlob {
    std::uint64_t rows = 0;
    bool dense = false;
    /// Every row's key was one integer, each greater than the one before
    /// (so none is NULL and none repeats).
    bool keysAscending = false;
    /// Dense: `count` sums. Sparse: `count` pairs, segment then sum.
    const std::uint64_t* data = nullptr;
    std::size_t count = 0;
    /// Keeps `data` alive: the statement that returned it.
    std::shared_ptr<void> owner;
};

/// The connection's SQLite handle. Raises DatabaseError when it is not
/// reachable.
sqlite3* handle(Connection& connection);

/// Registers the functions on a connected SQLite connection (again is
/// harmless). Raises DatabaseError.
void install(Connection& connection);

/// Runs a query whose one row holds one `quillmere_segment_sums` blob.
/// Touches only the handle, so it may run on another thread while no other
/// uses that handle. Raises DatabaseError with the database's message.
SegmentBlob segmentSums(sqlite3* db, const QString& sql);

/// The first column of the first row of a query, as an integer (a count).
/// May run on another thread like segmentSums.
std::int64_t integerOf(sqlite3* db, const QString& sql);
/// Every column of the first row of a query, as integers. May run on
/// another thread like segmentSums.
std::vector<std::int64_t> integersOf(sqlite3* db, const QString& sql);

/// Whether the library lets two connections work on two threads at once.
bool threadSafe();

/// The rules of the compared columns, one after the other, as the SQL blob
/// literal (X'...') the ruled functions take: two bytes a column, flags
/// and the grid's exponent.
QString rulesLiteral(const std::vector<RowHashRule>& rules);

/// A `quillmere_in_segments` list as an SQL blob literal (X'...').
QString segmentListLiteral(const std::vector<std::uint64_t>& segments);

}  // namespace SqliteRowHash

}  // namespace qm

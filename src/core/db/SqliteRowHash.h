#pragma once

#include <QString>
#include <cstdint>
#include <vector>

struct sqlite3;

namespace qm {

class Connection;

/// SQL functions that let a SQLite database summarise its rows by segment,
/// registered on the connection's own handle:
///
/// - `quillmere_key_hash(v1, ...)`: a 64-bit hash of the values' canonical
///   bytes; its low bits name the segment a row belongs to.
/// - `quillmere_segment_sums(bits, nkeys, k1, ..., knkeys, c1, ...)`, an
///   aggregate: for every segment `quillmere_key_hash(k...) & (2^bits - 1)`
///   that holds rows, the number of rows and the sum (modulo 2^64) of the
///   hashes of the rows' canonical bytes over c1, ...; returned as a blob of
///   SegmentSum records in segment order.
///
/// Canonical bytes of a value, by storage class: NULL is "N"; an integer
/// is "I" and its 64-bit two's complement; a real is "R" and its exact IEEE
/// 754 bit pattern (values one unit in the last place apart differ); text
/// is "T", its length in bytes and its UTF-8 bytes as stored (letter case
/// and trailing blanks count); a blob is "B", its length and its bytes.
/// Dates, times, booleans and numerics are whatever class SQLite stored
/// them as.
namespace SqliteRowHash {

struct SegmentSum {
    std::uint64_t segment;
    std::uint64_t count;
    std::uint64_t sum;
};

/// Registers the functions on a connected SQLite connection (again is
/// harmless). Raises DatabaseError when the handle is not reachable.
void install(Connection& connection);

/// The connection's SQLite handle. Raises DatabaseError when it is not
/// reachable.
sqlite3* handle(Connection& connection);

/// Runs a query whose one row holds one `quillmere_segment_sums` blob and
/// returns its records. Touches only the handle, so it may run on another
/// thread while no other uses that handle. Raises DatabaseError with the
/// database's message.
std::vector<SegmentSum> segmentSums(sqlite3* db, const QString& sql);

}  // namespace SqliteRowHash

}  // namespace qm

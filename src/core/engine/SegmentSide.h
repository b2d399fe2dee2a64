#pragma once

#include "db/Query.h"
#include "db/RowHashRule.h"
#include "db/SqliteRowHash.h"

#include <QString>
#include <memory>
#include <vector>

namespace qm {

class Connection;

/// Segments of the key space: a row belongs to segment
/// `keyHash(key) & (2^bits - 1)`; `segments` lists some of them, ascending.
struct SegmentFilter {
    int bits = 0;
    std::vector<std::uint64_t> segments;
};

/// The row count of one side and its sum per segment.
using SegmentSums = SqliteRowHash::SegmentBlob;

/// One side of a comparison inside the databases: its query, the key and
/// compared columns, and the SQL of its database's dialect that sums the
/// rows per segment and reads the rows of chosen segments.
///
/// The rows are summed over a canonical form of each value. SQLite: see
/// SqliteRowHash; a segment's checksum is the sum of its rows' hashes
/// modulo 2^64. PostgreSQL: the text of a value is, for a real (float4,
/// float8), the hexadecimal IEEE 754 bit pattern of the value as float8
/// (exact: values one unit in the last place apart differ), for a bytea its
/// bytes in hexadecimal, and for anything else the type's own output text
/// as the server writes it (integers and numerics in decimal with their
/// scale, text and char(n) with letter case and blanks as stored, booleans
/// "t"/"f", dates and times in ISO style and the UTC zone).
/// Where both servers are PostgreSQL 11 or later, each column's text is
/// hashed with hashtextextended seeded with the column's position (NULL:
/// the position negated) and a row's hash is the exclusive or of them;
/// otherwise a row's form is, per column, "N" for NULL or "V", the text's
/// length, ":" and the text, hashed with md5 (first 64 bits). A segment's
/// checksum comes from two integer sums of 31-bit parts of its rows'
/// hashes, which the server adds without overflow.
///
/// Under comparison rules (setRules) a value enters the hash in the form
/// its RowHashRule gives, on PostgreSQL: text with A to Z folded
/// (translate), blanks trimmed (btrim of space, tab, CR, LF), NULL as the
/// empty text, a text of blanks only as one space where NULL counts as
/// empty; a timestamp cut with date_trunc, a time as its first 8 or 5
/// characters; on a grid, an integer or numeric as "G" and
/// floor(x * 10^-e), a float as "G" and the bit pattern of
/// floor(x / 10^e) while below 2^50 in magnitude. Date-time text in a text
/// column is hashed as stored.
///
/// A row's segment comes from a hash of its key, taken so that keys the
/// database finds equal though they differ as stored (1 and 1.0, 'a' and
/// 'A' in a NOCASE column, 'a' and 'a ' in an RTRIM one, 1.0 and 1.00 as
/// PostgreSQL numerics) fall into the same segment: a statement for one of
/// them would change the other, so both are loaded, and the comparison
/// refuses them as it does in a full load.
class SegmentSide {
public:
    /// Reads the query's columns (the query runs once without rows).
    /// Raises DatabaseError.
    static std::unique_ptr<SegmentSide> create(Connection& connection, const QString& query);
    virtual ~SegmentSide() = default;
    SegmentSide(const SegmentSide&) = delete;
    SegmentSide& operator=(const SegmentSide&) = delete;

    const std::vector<QueryField>& fields() const { return fields_; }
    /// How the database compares a key column's text, on either side:
    /// keys it finds equal must fall into one segment.
    struct KeyText {
        bool noCase = false;
        bool rtrim = false;
    };
    /// The key columns and the compared columns, as indexes into fields().
    void setColumns(std::vector<int> keys, std::vector<KeyText> keyText,
                    std::vector<int> compared) {
        keys_ = std::move(keys);
        keyText_ = std::move(keyText);
        compared_ = std::move(compared);
    }
    /// How each compared column (in the order of setColumns) enters a
    /// row's hash; none, the default, hashes every value exactly.
    void setRules(std::vector<RowHashRule> rules) { rules_ = std::move(rules); }
    /// Agrees with the other side (same dialect) on how both hash, where
    /// that depends on the servers.
    virtual void pairWith(const SegmentSide& other) { (void)other; }
    /// The segments of the first pass, for that many rows on the larger side.
    virtual int firstBits(std::uint64_t rows) const = 0;
    /// The number of rows the query reads.
    virtual std::int64_t countRows() = 0;
    /// Whether the database tells every row's key apart from the others':
    /// no key is NULL and no two keys are one to the database's own
    /// grouping (a repeated key, 'a' and 'A' in a NOCASE column, 1 and 1.0,
    /// 1.0 and 1.00 as numerics). Where they are not, only the full load
    /// can say which rows meet. `firstPass`: this side's sums of the first
    /// pass, which may already prove it.
    virtual bool keysApart(const SegmentSums& firstPass) = 0;
    /// The checksum of every segment at that many bits, and the rows
    /// summed; only rows within the parent's segments when given.
    virtual SegmentSums summarize(int bits, const SegmentFilter* parent) = 0;
    /// Whether countRows and summarize may run on another thread than the
    /// one that made the connection (while nothing else uses it).
    virtual bool summarizesOnAnyThread() const { return false; }
    /// The query restricted to the rows of the filter's segments, in the
    /// query's own order.
    virtual QString restrictedQuery(const SegmentFilter& filter) const = 0;

protected:
    SegmentSide(Connection& connection, QString query)
        : connection_(connection), query_(std::move(query)) {}
    /// The query as a subquery named q: without a final ";", on lines of
    /// its own so that a closing line comment ends before the parenthesis.
    QString wrapped() const;
    static QString segmentList(const SegmentFilter& filter);
    /// 2^bits - 1 as SQL text.
    static QString maskOf(int bits);
    /// A query that returns a row where a key is NULL or the database finds
    /// two keys equal, grouping by the key columns given as SQL
    /// expressions; it stops at the first such group.
    QString keyClashSql(const QStringList& keyColumns) const;

    Connection& connection_;
    QString query_;
    std::vector<QueryField> fields_;
    std::vector<int> keys_;
    std::vector<KeyText> keyText_;
    std::vector<int> compared_;
    /// Empty, or one rule per compared column.
    std::vector<RowHashRule> rules_;
};

}  // namespace qm

#include "engine/PgSegmentSide.h"

#include "common/Errors.h"
#include "db/PgRows.h"
#include "engine/SqlIdentifier.h"

#include <algorithm>
#include <bit>
#include <cstdlib>

using namespace Qt::StringLiterals;

namespace qm {
namespace {

class PgSide final : public SegmentSide {
public:
    PgSide(Connection& connection, QString query)
        : SegmentSide(connection, std::move(query)), conn_(PgRows::handle(connection)) {
        // hashtextextended (PostgreSQL 11 on) is a 64-bit hash of a text
        // three times as fast as md5; both sides of a pair use the same.
        Query version(connection_);
        version.setSql(u"SELECT current_setting('server_version_num')"_s);
        version.open();
        serverVersion_ = version.text(0).toInt();
    }
    // Each segment is a row the server sends and the client reads: about 16
    // rows per segment, at most 2^18 segments.
    int firstBits(std::uint64_t rows) const override {
        return std::clamp(static_cast<int>(std::bit_width(rows / 16)), 1, 18);
    }

    void pairWith(const SegmentSide& other) override {
        const auto* pg = dynamic_cast<const PgSide*>(&other);
        fastHash_ = pg != nullptr && serverVersion_ >= 110000 && pg->serverVersion_ >= 110000;
    }

    bool summarizesOnAnyThread() const override { return true; }

    std::int64_t countRows() override {
        std::int64_t rows = 0;
        PgRows::forEachRow(conn_, u"SELECT count(*) FROM "_s + wrapped(),
                           [&](const char* const* values, int) {
                               rows = values[0] != nullptr ? std::atoll(values[0]) : 0;
                           });
        return rows;
    }

    bool keysApart(const SegmentSums&) override {
        QStringList keys;
        for (const int k : keys_) {
            keys << column(k);
        }
        bool apart = true;
        try {
            PgRows::forEachRow(conn_, keyClashSql(keys),
                               [&](const char* const*, int) { apart = false; });
        } catch (const DatabaseError&) {
            // A key type without an equality to group by (json): the full
            // load judges the keys.
            apart = false;
        }
        return apart;
    }

    SegmentSums summarize(int bits, const SegmentFilter* parent) override {
        // Two sums of 31-bit halves of the hashes: integer sums, which the
        // server adds without overflow and far faster than numeric ones.
        QString sql =
            u"SELECT s.b, count(*), sum((s.h & 2147483647)::integer), sum(((s.h >> 32) & "
            "2147483647)::integer) FROM (SELECT t.kh & %1::bigint AS b, t.h FROM (SELECT %2 AS "
            "kh, %3 AS h FROM %4) AS t"_s.arg(maskOf(bits), keyHash(), rowHash(), wrapped());
        if (parent != nullptr) {
            sql += u" WHERE "_s + condition(*parent, u"t.kh"_s);
        }
        sql += u") AS s GROUP BY s.b ORDER BY s.b"_s;
        auto pairs = std::make_shared<std::vector<std::uint64_t>>();
        SegmentSums sums;
        PgRows::forEachRow(conn_, sql, [&](const char* const* values, int) {
            const auto number = [values](int i) {
                return values[i] != nullptr ? std::strtoull(values[i], nullptr, 10) : 0;
            };
            pairs->push_back(number(0));
            // Never 0 for a segment with rows: 0 stands for an empty one.
            pairs->push_back((number(2) * 0x9e3779b97f4a7c15ULL + number(3)) | 1);
            sums.rows += number(1);
        });
        sums.dense = false;
        sums.data = pairs->data();
        sums.count = pairs->size() / 2;
        sums.owner = pairs;
        return sums;
    }

    QString restrictedQuery(const SegmentFilter& filter) const override {
        return u"SELECT * FROM %1 WHERE %2"_s.arg(wrapped(), condition(filter, keyHash()));
    }

private:
    // The canonical form of one column's value (see the class comment).
    QString column(int index) const {
        return u"q."_s + SqlIdentifier::of(fields_[static_cast<std::size_t>(index)].name,
                                           SqlDialect::PostgreSQL);
    }
    // The text of a column's value in the canonical form.
    QString text(int index) const {
        const QString c = column(index);
        switch (fields_[static_cast<std::size_t>(index)].type) {
            case FieldType::Float:
                // + 0 turns -0 into 0, which the comparison finds equal.
                return u"encode(float8send(%1::float8 + 0), 'hex')"_s.arg(c);
            case FieldType::Blob:
                return u"encode(%1, 'hex')"_s.arg(c);
            default:
                // concat() writes the type's output text; a cast to text
                // would drop the blanks that pad a char(n) value. The text
                // keeps the column's collation, and hashtextextended hashes
                // a text under a case-insensitive one by its sort key: "C"
                // hashes the bytes, so 'abc' and 'ABC' differ as they do
                // to the comparison.
                return u"(concat(%1) COLLATE \"C\")"_s.arg(c);
        }
    }
    // The rule of the compared column at that position.
    const RowHashRule& ruleAt(std::size_t position) const {
        static const RowHashRule exact;
        return position < rules_.size() ? rules_[position] : exact;
    }
    // The text of a compared column's value under its rule (see the class
    // comment); a rule that does not fit the column's type leaves it exact.
    QString ruledText(int index, const RowHashRule& rule) const {
        const FieldType type = fields_[static_cast<std::size_t>(index)].type;
        const QString c = column(index);
        if (rule.gridExponent && (isIntegerType(type) || type == FieldType::BCD)) {
            // A numeric times a power of ten is exact, as is its floor. An
            // oid reaches numeric only through bigint. Beyond 2^50 cells a
            // number is hashed exactly: the comparison takes numbers as
            // doubles, whose rounding there may reach a cell's width.
            const QString cell = u"floor(%1%2::numeric * '1e%3'::numeric)"_s.arg(
                c, type == FieldType::BCD ? QString() : u"::bigint"_s,
                QString::number(-*rule.gridExponent));
            return u"(CASE WHEN abs(%1) < 1125899906842624 THEN 'G' || %1::text ELSE %2 END)"_s.arg(
                cell, text(index));
        }
        if (rule.gridExponent && type == FieldType::Float) {
            return u"(CASE WHEN abs(%1::float8 / '1e%2'::float8) < 1125899906842624 THEN 'G' || "
                   "encode(float8send(floor(%1::float8 / '1e%2'::float8) + 0), 'hex') ELSE "
                   "encode(float8send(%1::float8 + 0), 'hex') END)"_s.arg(
                       c, QString::number(*rule.gridExponent));
        }
        if (rule.cut != RowHashRule::Cut::None && type == FieldType::DateTime) {
            const QString unit = rule.cut == RowHashRule::Cut::Second   ? u"second"_s
                                 : rule.cut == RowHashRule::Cut::Minute ? u"minute"_s
                                                                        : u"day"_s;
            return u"(concat(date_trunc('%1', %2)) COLLATE \"C\")"_s.arg(unit, c);
        }
        if (rule.cut != RowHashRule::Cut::None && rule.cut != RowHashRule::Cut::Day &&
            type == FieldType::Time) {
            return u"(substr(concat(%1), 1, %2) COLLATE \"C\")"_s.arg(
                c, QString::number(rule.cut == RowHashRule::Cut::Second ? 8 : 5));
        }
        if (type == FieldType::String && (rule.trimBlanks || rule.foldAsciiCase)) {
            QString t = u"(concat(%1) COLLATE \"C\")"_s.arg(c);
            if (rule.trimBlanks) {
                const QString trimmed = u"btrim(%1, ' ' || chr(9) || chr(13) || chr(10))"_s.arg(t);
                t = rule.nullAsEmpty
                        ? u"(CASE WHEN %1 <> '' AND %2 = '' THEN ' ' ELSE %2 END)"_s.arg(t, trimmed)
                        : trimmed;
            }
            if (rule.foldAsciiCase) {
                t = u"translate(%1, 'ABCDEFGHIJKLMNOPQRSTUVWXYZ', "
                    "'abcdefghijklmnopqrstuvwxyz')"_s.arg(t);
            }
            return u"(%1 COLLATE \"C\")"_s.arg(t);
        }
        return text(index);
    }
    // Whether a NULL of the compared column at that position counts as the
    // empty text (concat() gives it).
    bool nullIsText(std::size_t position) const {
        return ruleAt(position).nullAsEmpty &&
               fields_[static_cast<std::size_t>(compared_[position])].type == FieldType::String;
    }
    // The canonical form of one compared column's value (see the class
    // comment).
    QString form(std::size_t position) const {
        const int index = compared_[position];
        const QString t = ruledText(index, ruleAt(position));
        if (nullIsText(position)) {
            return u"'V' || length(%1) || ':' || %1"_s.arg(t);
        }
        return u"CASE WHEN %1 IS NULL THEN 'N' ELSE 'V' || length(%2) || ':' || %2 END"_s.arg(
            column(index), t);
    }
    // The row's hash. With hashtextextended each column's text is hashed on
    // its own, seeded with its position, and the hashes are combined by
    // exclusive or: no text is built for the whole row, and no length is
    // needed to keep columns apart. A NULL hashes to its position's seed
    // negated, which a text gives with a chance of 2^-64.
    QString rowHash() const {
        if (!fastHash_) {
            QStringList forms;
            for (std::size_t i = 0; i < compared_.size(); ++i) {
                forms << form(i);
            }
            return hashText(forms);
        }
        QStringList hashes;
        for (std::size_t i = 0; i < compared_.size(); ++i) {
            const qlonglong seed = static_cast<qlonglong>(i) + 1;
            const QString t = ruledText(compared_[i], ruleAt(i));
            if (nullIsText(i)) {
                hashes << u"hashtextextended(%1, %2)"_s.arg(t, QString::number(seed));
                continue;
            }
            // concat() gives '' for NULL, so NULL is tested first. The
            // texts go in at once: a column name may hold "%2".
            hashes << u"CASE WHEN %1 IS NULL THEN %2 ELSE hashtextextended(%3, %4) END"_s.arg(
                column(compared_[i]), QString::number(-seed), t, QString::number(seed));
        }
        if (hashes.isEmpty()) {
            hashes << u"0::bigint"_s;
        }
        return u"("_s + hashes.join(u" # "_s) + u")"_s;
    }
    // The key's form for its segment: numbers the server finds equal
    // (1.0 and 1.00, -0 and 0) give the same text; any text as stored.
    QString keyHash() const {
        QStringList forms;
        for (const int i : keys_) {
            const QueryField& f = fields_[static_cast<std::size_t>(i)];
            const QString c = u"q."_s + SqlIdentifier::of(f.name, SqlDialect::PostgreSQL);
            QString text;
            if (f.type == FieldType::Float) {
                text = u"encode(float8send(%1::float8 + 0), 'hex')"_s.arg(c);
            } else if (f.type == FieldType::BCD) {
                // Numerics beyond a float8 share one segment.
                text =
                    u"CASE WHEN abs(%1) < 1e300 THEN encode(float8send(%1::float8 + 0), "
                    "'hex') ELSE 'big' END"_s.arg(c);
            } else {
                text = f.type == FieldType::Blob ? u"encode(%1, 'hex')"_s.arg(c)
                                                 : u"concat(%1)"_s.arg(c);
            }
            forms << u"CASE WHEN %1 IS NULL THEN 'N' ELSE 'V' || length(%2) || ':' || %2 END"_s.arg(
                c, text);
        }
        return hashText(forms);
    }
    QString hashText(QStringList forms) const {
        if (forms.isEmpty()) {
            forms << u"''"_s;
        }
        return (fastHash_ ? u"hashtextextended(%1, 0)"_s
                          : u"('x' || substr(md5(%1), 1, 16))::bit(64)::bigint"_s)
            .arg(forms.join(u" || "_s));
    }
    static QString condition(const SegmentFilter& filter, const QString& keyHash) {
        if (filter.segments.empty()) {
            return u"false"_s;
        }
        return u"(%1 & %2::bigint) = ANY ('{%3}'::bigint[])"_s.arg(keyHash, maskOf(filter.bits),
                                                                   segmentList(filter));
    }

    pg_conn* conn_;
    int serverVersion_ = 0;
    bool fastHash_ = false;
};

}  // namespace

std::unique_ptr<SegmentSide> makePgSegmentSide(Connection& connection, const QString& query) {
    return std::make_unique<PgSide>(connection, query);
}

}  // namespace qm

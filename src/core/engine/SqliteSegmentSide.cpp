#include "engine/SqliteSegmentSide.h"

#include "db/SqliteRowHash.h"
#include "engine/SqlIdentifier.h"

#include <algorithm>
#include <bit>

using namespace Qt::StringLiterals;

namespace qm {
namespace {

class SqliteSide final : public SegmentSide {
public:
    SqliteSide(Connection& connection, QString query)
        : SegmentSide(connection, std::move(query)), db_(SqliteRowHash::handle(connection)) {}

    bool summarizesOnAnyThread() const override { return SqliteRowHash::threadSafe(); }

    // About two rows per segment, at most 2^22 segments: 32 MB of sums on
    // each side, read in place.
    int firstBits(std::uint64_t rows) const override {
        return std::clamp(static_cast<int>(std::bit_width(rows / 2)), 1, SqliteRowHash::kDenseBits);
    }

    std::int64_t countRows() override {
        return SqliteRowHash::integerOf(db_, u"SELECT count(*) FROM "_s + wrapped());
    }

    bool keysApart(const SegmentSums& firstPass) override {
        // Keys read as ascending integers need no second pass.
        return firstPass.keysAscending ||
               SqliteRowHash::integerOf(
                   db_, u"SELECT count(*) FROM ("_s + keyClashSql(columns(keys_)) + u")"_s) == 0;
    }

    SegmentSums summarize(int bits, const SegmentFilter* parent) override {
        QStringList args{QString::number(bits), QString::number(keys_.size())};
        // Rules go into the sums themselves, unless the row's columns are
        // hashed in groups (each group under its own columns' rules).
        const bool ruled = anyLoosened(rules_) && compared_.size() <= kGroup;
        if (ruled) {
            args << SqliteRowHash::rulesLiteral(rules_);
        }
        args << keyColumns() << rowColumns();
        QString sql = u"SELECT quillmere_segment_sums%1(%2) FROM %3"_s.arg(
            ruled ? u"_ruled"_s : QString(), args.join(u", "_s), wrapped());
        if (parent != nullptr) {
            sql += u" WHERE "_s + condition(*parent);
        }
        return SqliteRowHash::segmentSums(db_, sql);
    }

    QString restrictedQuery(const SegmentFilter& filter) const override {
        return u"SELECT * FROM %1 WHERE %2"_s.arg(wrapped(), condition(filter));
    }

private:
    QStringList columns(const std::vector<int>& indexes) const {
        QStringList out;
        for (const int i : indexes) {
            out << u"q."_s + SqlIdentifier::of(fields_[static_cast<std::size_t>(i)].name,
                                               SqlDialect::SQLite);
        }
        return out;
    }
    // The compared columns; a wide row's in groups of 100 hashed each, as
    // a function call takes a limited number of arguments.
    static constexpr std::size_t kGroup = 100;
    QStringList rowColumns() const {
        const QStringList all = columns(compared_);
        if (all.size() <= static_cast<qsizetype>(kGroup)) {
            return all;
        }
        const bool ruled = anyLoosened(rules_);
        QStringList groups;
        for (std::size_t i = 0; i < compared_.size(); i += kGroup) {
            const QString group =
                all.mid(static_cast<qsizetype>(i), static_cast<qsizetype>(kGroup)).join(u", "_s);
            if (ruled) {
                const std::vector<RowHashRule> part(
                    rules_.begin() + static_cast<std::ptrdiff_t>(i),
                    rules_.begin() +
                        static_cast<std::ptrdiff_t>(std::min(compared_.size(), i + kGroup)));
                groups << u"quillmere_row_hash_ruled(%1, %2)"_s.arg(
                    SqliteRowHash::rulesLiteral(part), group);
            } else {
                groups << u"quillmere_row_hash(%1)"_s.arg(group);
            }
        }
        return groups;
    }
    // The key columns as the segment's hash reads them: a text folded to
    // upper case (ASCII, as NOCASE folds) and without trailing blanks where
    // the database compares it so.
    QStringList keyColumns() const {
        QStringList out = columns(keys_);
        for (qsizetype i = 0; i < out.size(); ++i) {
            const KeyText k = keyText_.at(static_cast<std::size_t>(i));
            QString text = out[i];
            if (k.rtrim) {
                text = u"rtrim(%1, ' ')"_s.arg(text);
            }
            if (k.noCase) {
                text = u"upper(%1)"_s.arg(text);
            }
            if (k.rtrim || k.noCase) {
                out[i] = u"CASE WHEN typeof(%1) = 'text' THEN %2 ELSE %1 END"_s.arg(out[i], text);
            }
        }
        return out;
    }
    QString condition(const SegmentFilter& filter) const {
        if (filter.segments.empty()) {
            return u"0"_s;
        }
        return u"quillmere_in_segments(%1, %2, %3)"_s.arg(
            SqliteRowHash::segmentListLiteral(filter.segments), QString::number(filter.bits),
            keyColumns().join(u", "_s));
    }

    sqlite3* db_;
};

}  // namespace

std::unique_ptr<SegmentSide> makeSqliteSegmentSide(Connection& connection, const QString& query) {
    return std::make_unique<SqliteSide>(connection, query);
}

}  // namespace qm

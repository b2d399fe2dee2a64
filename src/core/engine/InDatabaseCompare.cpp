#include "engine/InDatabaseCompare.h"

#include "common/Errors.h"
#include "engine/PrimaryKey.h"
#include "engine/SegmentSide.h"
#include "engine/TDM.h"

#include <algorithm>
#include <bit>
#include <future>
#include <optional>

using namespace Qt::StringLiterals;

namespace qm {
namespace {

// The first pass sums 2^20 segments: a few rows each for tables of some
// millions of rows, and a summary of some megabytes for the client.
constexpr int kFirstBits = 20;
constexpr int kMaxBits = 62;
constexpr int kMaxPasses = 8;

int fieldIndex(const SegmentSide& side, const QString& name) {
    const auto& fields = side.fields();
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (fields[i].name.compare(name, Qt::CaseInsensitive) == 0) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

QString driverName(const QString& driver) {
    if (driver == u"SQLITE"_s) {
        return u"SQLite"_s;
    }
    if (driver == u"PSQL"_s) {
        return u"PostgreSQL"_s;
    }
    return driver;
}

// The segments whose count or checksum differs, with the rows they hold on
// both sides together.
struct Difference {
    std::vector<std::uint64_t> segments;
    qint64 rows = 0;
};

Difference differingSegments(const std::vector<SegmentSum>& a, const std::vector<SegmentSum>& b) {
    Difference d;
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < a.size() || j < b.size()) {
        if (j == b.size() || (i < a.size() && a[i].segment < b[j].segment)) {
            d.segments.push_back(a[i].segment);
            d.rows += static_cast<qint64>(a[i++].count);
        } else if (i == a.size() || b[j].segment < a[i].segment) {
            d.segments.push_back(b[j].segment);
            d.rows += static_cast<qint64>(b[j++].count);
        } else {
            if (a[i].count != b[j].count || a[i].sum != b[j].sum) {
                d.segments.push_back(a[i].segment);
                d.rows += static_cast<qint64>(a[i].count + b[j].count);
            }
            ++i;
            ++j;
        }
    }
    return d;
}

qint64 rowsOf(const std::vector<SegmentSum>& sums) {
    qint64 n = 0;
    for (const SegmentSum& s : sums) {
        n += static_cast<qint64>(s.count);
    }
    return n;
}

}  // namespace

QString InDatabaseCompare::refusal(const QString& sourceDriver, const QString& targetDriver) {
    const bool supported = sourceDriver == u"SQLITE"_s || sourceDriver == u"PSQL"_s;
    if (supported && sourceDriver == targetDriver) {
        return {};
    }
    return u"Comparing inside the databases needs a source and a target on the same engine, "
           "both SQLite or both PostgreSQL; the source is on %1 and the target on %2."_s.arg(
               driverName(sourceDriver), driverName(targetDriver));
}

InDatabaseCompare::Outcome InDatabaseCompare::restrictCurrentTableSetup() {
    MemData& tables = dm_.TablesMemData();
    const TDM::TableFields& tf = dm_.tableFields();
    dm_.ConnectSource();
    dm_.ConnectTarget();
    if (const QString why =
            refusal(dm_.SourceDatabase().driverKind(), dm_.DestDatabase().driverKind());
        !why.isEmpty()) {
        throw Error(why);
    }
    const std::unique_ptr<SegmentSide> source =
        SegmentSide::create(dm_.SourceDatabase(), tables.asText(tf.SourceQuerySQL));
    const std::unique_ptr<SegmentSide> target =
        SegmentSide::create(dm_.DestDatabase(), tables.asText(tf.DestQuerySQL));

    // The key columns, then every column both queries have, in the source's
    // order: a column of one side only changes no statement's comparison.
    const PrimaryKey key(tables.asText(tf.PrimaryKeySpec));
    std::vector<int> sourceKeys;
    std::vector<int> targetKeys;
    for (int k = 0; k < key.fieldCount(); ++k) {
        const QString name = key.fieldCount() == 1 ? key.spec() : key.fieldName(k);
        const int s = fieldIndex(*source, name);
        const int t = fieldIndex(*target, name);
        if (s < 0 || t < 0) {
            throw Error(u"The key field \"%1\" is not a column of the %2 query"_s.arg(
                name, s < 0 ? u"source"_s : u"target"_s));
        }
        sourceKeys.push_back(s);
        targetKeys.push_back(t);
    }
    std::vector<int> sourceColumns;
    std::vector<int> targetColumns;
    for (std::size_t s = 0; s < source->fields().size(); ++s) {
        const int t = fieldIndex(*target, source->fields()[s].name);
        if (t >= 0) {
            sourceColumns.push_back(static_cast<int>(s));
            targetColumns.push_back(t);
        }
    }
    source->setColumns(std::move(sourceKeys), std::move(sourceColumns));
    target->setColumns(std::move(targetKeys), std::move(targetColumns));

    Outcome outcome;
    SegmentFilter filter;
    std::optional<SegmentFilter> parent;
    qint64 lastRows = -1;
    for (int bits = kFirstBits;; ++outcome.passes) {
        dm_.reportProgress(u"Comparing inside the databases: pass %1"_s.arg(outcome.passes + 1));
        const SegmentFilter* within = parent ? &*parent : nullptr;
        std::vector<SegmentSum> s;
        std::vector<SegmentSum> t;
        if (source->summarizesOnAnyThread() && target->summarizesOnAnyThread()) {
            // Two databases, two passes at once; the future's end waits
            // for the target's pass whatever happens to the source's.
            auto targetPass =
                std::async(std::launch::async, [&] { return target->summarize(bits, within); });
            s = source->summarize(bits, within);
            t = targetPass.get();
        } else {
            s = source->summarize(bits, within);
            t = target->summarize(bits, within);
        }
        if (!parent) {
            outcome.sourceRows = rowsOf(s);
            outcome.targetRows = rowsOf(t);
        }
        Difference d = differingSegments(s, t);
        filter = {bits, std::move(d.segments)};
        outcome.rowsToLoad = d.rows;
        // Split further while the rows are many and splitting still helps:
        // rows of one key stay in one segment however fine.
        if (d.rows <= loadBudget_ || bits >= kMaxBits || outcome.passes + 1 >= kMaxPasses ||
            (lastRows >= 0 && d.rows >= lastRows)) {
            ++outcome.passes;
            break;
        }
        lastRows = d.rows;
        const auto perSegment = static_cast<std::uint64_t>(
            std::max<qint64>(2, d.rows / static_cast<qint64>(filter.segments.size())));
        const int extra = static_cast<int>(std::bit_width(perSegment - 1));
        parent = filter;
        bits = std::min(kMaxBits, bits + std::max(1, extra));
    }
    dm_.reportProgress(QString());

    tables.edit();
    tables.setAsText(tf.SourceQuerySQL, source->restrictedQuery(filter));
    tables.setAsText(tf.DestQuerySQL, target->restrictedQuery(filter));
    tables.post();
    return outcome;
}

}  // namespace qm

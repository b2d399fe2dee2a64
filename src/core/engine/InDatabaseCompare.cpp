#include "engine/InDatabaseCompare.h"

#include "engine/SqlLiteral.h"

#include "common/Errors.h"
#include "engine/ComparedColumns.h"
#include "engine/PrimaryKey.h"
#include "engine/SegmentSide.h"
#include "engine/TDM.h"
#include "engine/TableSetupQuery.h"
#include "list/LooseKeys.h"
#include "project/TableSetup.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <future>
#include <optional>

using namespace Qt::StringLiterals;

namespace qm {
namespace {

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
    switch (dialectOfDriver(driver)) {
        case SqlDialect::SQLite:
            return u"SQLite"_s;
        case SqlDialect::PostgreSQL:
            return u"PostgreSQL"_s;
        default:
            return driver;
    }
}

// The (segment, sum) pairs of one side's sums that are not 0, ascending.
class SumCursor {
public:
    explicit SumCursor(const SegmentSums& s) : s_(s) { skipEmpty(); }
    bool atEnd() const { return i_ >= s_.count; }
    std::uint64_t segment() const { return s_.dense ? i_ : s_.data[2 * i_]; }
    std::uint64_t sum() const { return s_.dense ? s_.data[i_] : s_.data[2 * i_ + 1]; }
    void next() {
        ++i_;
        skipEmpty();
    }

private:
    void skipEmpty() {
        while (!atEnd() && sum() == 0) {
            ++i_;
        }
    }
    const SegmentSums& s_;
    std::size_t i_ = 0;
};

// The segments whose sums differ, ascending.
std::vector<std::uint64_t> differingSegments(const SegmentSums& a, const SegmentSums& b) {
    std::vector<std::uint64_t> out;
    if (a.dense && b.dense && a.count == b.count) {
        for (std::size_t i = 0; i < a.count; ++i) {
            if (a.data[i] != b.data[i]) {
                out.push_back(i);
            }
        }
        return out;
    }
    SumCursor x(a);
    SumCursor y(b);
    while (!x.atEnd() || !y.atEnd()) {
        if (y.atEnd() || (!x.atEnd() && x.segment() < y.segment())) {
            out.push_back(x.segment());
            x.next();
        } else if (x.atEnd() || y.segment() < x.segment()) {
            out.push_back(y.segment());
            y.next();
        } else {
            if (x.sum() != y.sum()) {
                out.push_back(x.segment());
            }
            x.next();
            y.next();
        }
    }
    return out;
}

// A database's error, naming the side and its alias as a failed open does.
[[noreturn]] void sideFailed(const QString& side, const Connection& connection, const Error& e) {
    throw DatabaseError(
        u"Failed to compare inside the %1 database (alias \"%2\"). System message: %3."_s.arg(
            side, connection.aliasName(), e.message()));
}

// Runs a step on one side; a database error names the side.
template <typename Step>
auto onSide(const QString& name, const Connection& connection, Step step) {
    try {
        return step();
    } catch (const DatabaseError& e) {
        sideFailed(name, connection, e);
    }
}

// Runs one step on both sides, at once where both allow it: the future's
// end waits for the target's step whatever happens to the source's.
template <typename Step>
auto onBothSides(SegmentSide& source, const Connection& sourceConnection, SegmentSide& target,
                 const Connection& targetConnection, Step step) {
    const auto onSource = [&] {
        return onSide(u"source"_s, sourceConnection, [&] { return step(source); });
    };
    const auto onTarget = [&] {
        return onSide(u"target"_s, targetConnection, [&] { return step(target); });
    };
    using Result = decltype(step(source));
    if (source.summarizesOnAnyThread() && target.summarizesOnAnyThread()) {
        auto targetStep = std::async(std::launch::async, onTarget);
        Result s = onSource();
        return std::pair<Result, Result>(std::move(s), targetStep.get());
    }
    Result s = onSource();
    return std::pair<Result, Result>(std::move(s), onTarget());
}

// How a compared column's values enter the hash under its rule: only what
// fits both sides' column types, so that each side applies the same form
// and never one looser than the comparison's (see RowHashRule).
RowHashRule hashRuleOf(const ColumnRule& rule, FieldType source, FieldType target) {
    RowHashRule r;
    const auto both = [source, target](bool (*pred)(FieldType)) {
        return pred(source) && pred(target);
    };
    if (both([](FieldType t) { return t == FieldType::String; })) {
        r.foldAsciiCase = rule.ignoreCase;
        r.trimBlanks = rule.trimBlanks;
        r.nullAsEmpty = rule.nullIsEmpty;
    }
    const bool dateTimes = both([](FieldType t) {
        return t == FieldType::String || t == FieldType::DateTime || t == FieldType::Time;
    });
    if (dateTimes && source == target) {
        switch (rule.time) {
            case TimePrecision::Exact:
                break;
            case TimePrecision::Second:
                r.cut = RowHashRule::Cut::Second;
                break;
            case TimePrecision::Minute:
                r.cut = RowHashRule::Cut::Minute;
                break;
            case TimePrecision::Day:
                r.cut = RowHashRule::Cut::Day;
                break;
        }
    }
    const auto number = [](FieldType t) {
        return isIntegerType(t) || t == FieldType::Float || t == FieldType::BCD;
    };
    if (rule.absTolerance && both(number)) {
        r.gridExponent = RowHashRule::gridExponentFor(*rule.absTolerance);
    }
    return r;
}

}  // namespace

QString InDatabaseCompare::rulesRefusal(const TableSetup& setup) {
    // A relative tolerance scales with the values, so no fixed cut of them
    // keeps apart every two that differ by more than it. One of 0 loosens
    // nothing.
    const auto relative = [](const ColumnRule& r) {
        return r.relTolerance && *r.relTolerance > 0 && !r.ignore;
    };
    QString column;
    if (relative(setup.rules.all)) {
        column = u"the comparison rule for all columns (*)"_s;
    }
    for (const auto& [name, rule] : setup.rules.columns) {
        if (column.isEmpty() && relative(rule)) {
            column = u"the comparison rule of column \"%1\""_s.arg(name);
        }
    }
    if (column.isEmpty()) {
        return {};
    }
    return u"Table setup \"%1\": %2 has a relative tolerance (rel=), which cannot be compared "
           "inside the databases; compare without --in-database, or use an absolute tolerance "
           "(abs=)."_s.arg(setup.name, column);
}

QString InDatabaseCompare::refusal(const QString& sourceDriver, const QString& targetDriver) {
    // Driver kinds are matched by engine: PSQL and POSTGRESQL are one.
    const SqlDialect dialect = dialectOfDriver(sourceDriver);
    const bool supported = dialect == SqlDialect::SQLite || dialect == SqlDialect::PostgreSQL;
    if (supported && dialect == dialectOfDriver(targetDriver)) {
        return {};
    }
    return u"Comparing inside the databases needs a source and a target on the same engine, "
           "both SQLite or both PostgreSQL; the source is on %1 and the target on %2."_s.arg(
               driverName(sourceDriver), driverName(targetDriver));
}

InDatabaseCompare::Outcome InDatabaseCompare::restrictCurrentTableSetup() {
    MemData& tables = dm_.TablesMemData();
    const TDM::TableFields& tf = dm_.tableFields();
    const TableSetup setup = TableSetup::fromList(tables);
    if (const QString why = rulesRefusal(setup); !why.isEmpty()) {
        throw Error(why);
    }
    dm_.ConnectSource();
    dm_.ConnectTarget();
    if (const QString why =
            refusal(dm_.SourceDatabase().driverKind(), dm_.DestDatabase().driverKind());
        !why.isEmpty()) {
        throw Error(why);
    }
    Connection& sourceConnection = dm_.SourceDatabase();
    Connection& targetConnection = dm_.DestDatabase();
    const QString setupName = tables.asText(tf.Name);
    const QString sourceQuery =
        tableSetupQuery(tables.asText(tf.SourceQuerySQL), setupName, u"source"_s);
    const QString targetQuery =
        tableSetupQuery(tables.asText(tf.DestQuerySQL), setupName, u"target"_s);
    const std::unique_ptr<SegmentSide> source = onSide(u"source"_s, sourceConnection, [&] {
        return SegmentSide::create(sourceConnection, sourceQuery);
    });
    const std::unique_ptr<SegmentSide> target = onSide(u"target"_s, targetConnection, [&] {
        return SegmentSide::create(targetConnection, targetQuery);
    });

    // The key columns, then every column both queries have, in the source's
    // order: a column of one side only changes no statement's comparison.
    const PrimaryKey key(tables.asText(tf.PrimaryKeySpec));
    std::vector<int> sourceKeys;
    std::vector<int> targetKeys;
    std::vector<SegmentSide::KeyText> keyText;
    for (int k = 0; k < key.fieldCount(); ++k) {
        const QString name = key.fieldCount() == 1 ? key.spec() : key.fieldName(k);
        const int s = fieldIndex(*source, name);
        const int t = fieldIndex(*target, name);
        if (s < 0 || t < 0) {
            // Nothing is restricted: opening names the missing key field as
            // it always does.
            return {};
        }
        sourceKeys.push_back(s);
        targetKeys.push_back(t);
        SegmentSide::KeyText text;
        for (const QString& collation : {source->fields()[static_cast<std::size_t>(s)].collation,
                                         target->fields()[static_cast<std::size_t>(t)].collation}) {
            const LooseKeys::Collation c = LooseKeys::collationNamed(collation);
            text.noCase = text.noCase || c == LooseKeys::Collation::NoCase;
            text.rtrim = text.rtrim || c == LooseKeys::Collation::RTrim;
        }
        keyText.push_back(text);
    }
    // The comparison rules apply to the other columns: an ignored one is
    // left out, the others are hashed in the form their rule gives. The
    // pairing and the rules are the comparison's own; the columns stand in
    // the source's order, which both sides hash alike.
    const auto named = [](const SegmentSide& side) {
        std::vector<NamedColumn> columns;
        for (const QueryField& field : side.fields()) {
            columns.push_back({field.name, field.type, true});
        }
        return columns;
    };
    const ComparedColumns compared = comparedColumnsByName(
        named(*target), named(*source), setup.keySpec, setup.rules, {}, PairingOrder::Source);
    std::vector<int> sourceColumns;
    std::vector<int> targetColumns;
    std::vector<RowHashRule> rules;
    for (const ComparedColumn& c : compared.columns) {
        sourceColumns.push_back(c.source);
        targetColumns.push_back(c.target);
        rules.push_back(hashRuleOf(c.rule,
                                   source->fields()[static_cast<std::size_t>(c.source)].type,
                                   target->fields()[static_cast<std::size_t>(c.target)].type));
    }
    source->pairWith(*target);
    target->pairWith(*source);
    source->setColumns(std::move(sourceKeys), keyText, std::move(sourceColumns));
    target->setColumns(std::move(targetKeys), keyText, std::move(targetColumns));
    if (anyLoosened(rules)) {
        source->setRules(rules);
        target->setRules(std::move(rules));
    }

    Outcome outcome;
    dm_.reportProgress(u"Comparing inside the databases: counting rows"_s);
    const auto [sourceRows, targetRows] =
        onBothSides(*source, sourceConnection, *target, targetConnection,
                    [](SegmentSide& side) { return side.countRows(); });
    outcome.sourceRows = sourceRows;
    outcome.targetRows = targetRows;
    const auto larger =
        static_cast<std::uint64_t>(std::max<qint64>(outcome.sourceRows, outcome.targetRows));
    int bits = firstBits_ > 0 ? std::min(firstBits_, kMaxBits) : source->firstBits(larger);
    SegmentFilter filter{bits, {}};
    std::optional<SegmentFilter> parent;
    while (larger > 0) {
        ++outcome.passes;
        dm_.reportProgress(u"Comparing inside the databases: pass %1"_s.arg(outcome.passes));
        const SegmentFilter* within = parent ? &*parent : nullptr;
        const auto sums =
            onBothSides(*source, sourceConnection, *target, targetConnection,
                        [&](SegmentSide& side) { return side.summarize(bits, within); });
        if (outcome.passes == 1) {
            const auto [sourceApart, targetApart] = onBothSides(
                *source, sourceConnection, *target, targetConnection, [&](SegmentSide& side) {
                    return side.keysApart(&side == source.get() ? sums.first : sums.second);
                });
            if (!sourceApart || !targetApart) {
                // A NULL key or keys the database finds equal: without the
                // option the comparison refuses them wherever they are, so
                // nothing is restricted and the full load does so with its
                // own message.
                dm_.reportProgress(QString());
                return {};
            }
        }
        filter = {bits, differingSegments(sums.first, sums.second)};
        // The rows of a differing segment are estimated from the rows per
        // segment: the sums hold no counts.
        const double perSegment =
            static_cast<double>(outcome.sourceRows + outcome.targetRows) / std::ldexp(1.0, bits);
        outcome.rowsToLoad = static_cast<qint64>(
            std::ceil(std::max(1.0, perSegment) * static_cast<double>(filter.segments.size())));
        // Splitting segments of about two rows (both sides) gains little
        // for another pass over both tables: when most rows differ, they
        // are loaded.
        if (outcome.rowsToLoad <= loadBudget_ || perSegment <= 2.0 || bits >= kMaxBits ||
            outcome.passes >= kMaxPasses) {
            break;
        }
        // Split each differing segment into about one row per part.
        parent = filter;
        bits = std::min(
            kMaxBits,
            bits + std::max(1, static_cast<int>(std::ceil(std::log2(std::max(2.0, perSegment))))));
    }
    dm_.reportProgress(QString());

    tables.edit();
    tables.setAsText(tf.SourceQuerySQL, source->restrictedQuery(filter));
    tables.setAsText(tf.DestQuerySQL, target->restrictedQuery(filter));
    tables.post();
    outcome.restricted = true;
    return outcome;
}

}  // namespace qm

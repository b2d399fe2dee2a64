// The comparing half of the engine: matching rows by key, marking them
// and counting the marks.
#include "common/Errors.h"
#include "common/ScopeGuards.h"
#include "engine/RuleEquality.h"
#include "engine/SqlLiteral.h"
#include "engine/SqliteAffinity.h"
#include "engine/TDM.h"
#include "engine/ValueEquality.h"
#include "list/Frozen.h"
#include "list/KeyIndex.h"
#include "list/TaggedValue.h"
#include "list/ValueText.h"

#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;

namespace qm {
namespace {

// The key text of a value converted to another column's type. Where the
// text round trip cannot change the value, the value is used as it is.
// Numbers keep their value across integer, float and fixed-point columns; a
// number that no value of the column can equal gives nothing.
std::optional<Value> convertKey(const ValueRef& v, FieldType from, FieldType to) {
    if (from == FieldType::Variant || to == FieldType::Variant) {
        // A SQLite value of any storage class matches a value of a column
        // type only when that value is stored as it: the same both ways.
        if (from == to) {
            return v.toValue();
        }
        if (to == FieldType::Variant) {
            return TaggedValue::fromTyped(v.toValue(), from);
        }
        FieldType own = FieldType::String;
        const ValueRef u = TaggedValue::untag(v, own);
        std::optional<Value> r;
        try {
            r = convertKey(u, own, to);
        } catch (const ConversionError&) {
            return std::nullopt;
        }
        if (r && TaggedValue::fromTyped(*r, to).asBytes() != v.toValue().asBytes()) {
            return std::nullopt;
        }
        return r;
    }
    const StorageClass sf = storageClassOf(from);
    const StorageClass st = storageClassOf(to);
    if (sf == st) {
        const bool sameText = sf == StorageClass::Bytes && !isBinaryType(from) &&
                              !isBinaryType(to) && from != FieldType::BCD && to != FieldType::BCD;
        const bool sameDate = (from == FieldType::Date || from == FieldType::DateTime) &&
                              (to == FieldType::Date || to == FieldType::DateTime);
        if (from == to || sameText || sameDate || sf == StorageClass::Int ||
            sf == StorageClass::Float || sf == StorageClass::Bool) {
            return v.toValue();
        }
    }
    if (sf == StorageClass::Int && st == StorageClass::Float) {
        return Value::fromFloat(static_cast<double>(v.i));
    }
    if (st == StorageClass::Int && !isIntegerType(from)) {
        if (sf == StorageClass::Float) {
            if (v.d != std::floor(v.d) || std::abs(v.d) > 9.2e18) {
                return std::nullopt;
            }
            return Value::fromInt(static_cast<std::int64_t>(v.d));
        }
        if (from == FieldType::BCD) {
            QByteArray canon;
            const QString text =
                QString::fromLatin1(v.bytes.data(), static_cast<qsizetype>(v.bytes.size()));
            if (!ValueText::canonicalDecimal(text, canon)) {
                return ValueText::fromText(text, to);  // raises the conversion error
            }
            if (canon == "0") {
                return Value::fromInt(0);
            }
            const qsizetype e = canon.indexOf('e');
            const int exp = canon.mid(e + 1).toInt();
            if (exp < 0 || exp > 18) {
                return std::nullopt;
            }
            bool ok = false;
            const qlonglong n = (canon.left(e) + QByteArray(exp, '0')).toLongLong(&ok);
            return ok ? std::optional<Value>(Value::fromInt(n)) : std::nullopt;
        }
    }
    const QString text = ValueText::toText(v.toValue(), from);
    if (to == FieldType::BCD && text.compare(u"NaN"_s, Qt::CaseInsensitive) == 0) {
        // PostgreSQL's numeric NaN, which a fixed-point list column keeps as
        // its text; as a key it equals itself.
        return Value::fromBytes(QByteArrayLiteral("NaN"));
    }
    Value converted = ValueText::fromText(text, to);
    // A text key equals a number key only when it is that number's own text:
    // '007' and 7 are different keys, in whichever list the search starts.
    const bool fromText =
        sf == StorageClass::Bytes && !isBinaryType(from) && from != FieldType::BCD;
    const bool toNumber = st == StorageClass::Int || st == StorageClass::Float;
    if (fromText && toNumber && ValueText::toText(converted, to) != text) {
        return std::nullopt;
    }
    return converted;
}

}  // namespace

// --- comparing ------------------------------------------------------------------------------

bool TDM::sideIsSqlite(const Connection& connection) const {
    return connection.isConnected() && connection.driverKind() == u"SQLITE"_s;
}

void TDM::widenColumn(MemData& list, int f) {
    if (list.field(f).type == FieldType::Variant) {
        return;
    }
    list.widenToVariant(f);
    const QString name = list.field(f).name;
    // The copy and the snapshot share the target list's stored rows.
    for (MemData* other : {&destMemData_, &destMemDataCopy_, &origMemData_}) {
        if (other != &list && other->isOpen() && other->sharesStoreWith(list)) {
            const int of = other->findDataField(name);
            if (of >= 0) {
                other->adoptVariantColumn(of);
            }
        }
    }
}

void TDM::alignVariantColumns() {
    MemData& s = sourceMemData_;
    MemData& d = destMemData_;
    if (!s.isOpen() || !d.isOpen() || !sideIsSqlite(sourceDatabase_) ||
        !sideIsSqlite(destDatabase_)) {
        return;
    }
    for (int f = 1; f < d.fieldCount(); ++f) {
        const int sf = s.findDataField(d.field(f).name);
        if (sf < 0 || d.field(f).tag == kFlagTag || d.field(f).kind != FieldKind::Data ||
            s.field(sf).kind != FieldKind::Data) {
            continue;
        }
        const bool sourceVariant = s.field(sf).type == FieldType::Variant;
        const bool targetVariant = d.field(f).type == FieldType::Variant;
        if (sourceVariant && !targetVariant) {
            widenColumn(d, f);
        } else if (targetVariant && !sourceVariant) {
            widenColumn(s, sf);
        }
    }
}

int TDM::KeyFieldCount() const {
    return PrimaryKey(currentKeySpec()).fieldCount();
}

QString TDM::KeyFieldName(int i) const {
    return PrimaryKey(currentKeySpec()).fieldName(i);
}

void TDM::keyMessage(const QString& text) {
    messages_.showInfo(text);
    throw SilentAbort();
}

TDM::KeyPlan TDM::planKey(const MemData& list, const MemData& keyList) const {
    return planKey(list, keyList, currentKeySpec());
}

TDM::KeyPlan TDM::planKey(const MemData& list, const MemData& keyList, const QString& keySpec) {
    KeyPlan plan;
    const PrimaryKey key(keySpec);
    const int n = key.fieldCount();
    plan.spec = key.spec();
    for (int i = 0; i < n; ++i) {
        // A single key names its column by the whole spec.
        const QString name = n == 1 ? key.spec() : key.fieldName(i);
        plan.names << name;
        plan.keyListFields.push_back(keyList.findDataField(name));
        plan.listFields.push_back(list.findDataField(name));
    }
    return plan;
}

bool TDM::locateWithPlan(MemData& list, MemData& keyList, const KeyPlan& plan, bool tolerant) {
    list.post();  // a search sees posted rows only
    const int pos = matchRow(list, keyList, keyList.position(), plan, tolerant);
    if (pos < 0) {
        return false;
    }
    list.moveTo(pos);
    return true;
}

int TDM::MatchingRow(const MemData& list, const MemData& keyList, int keyPos) {
    if (!list.isOpen() || !keyList.isOpen() || keyPos < 0 || keyPos >= keyList.recordCount()) {
        return -1;
    }
    const KeyPlan plan = planKey(list, keyList);
    const auto missing = [](const std::vector<int>& fields) {
        return std::find(fields.begin(), fields.end(), -1) != fields.end();
    };
    // With every key column present, the tolerant match neither asks nor
    // tells anything.
    if (plan.keyListFields.empty() || missing(plan.keyListFields) || missing(plan.listFields)) {
        return -1;
    }
    return matchRow(list, keyList, keyPos, plan, true);
}

int TDM::matchRow(const MemData& list, const MemData& keyList, int keyPos, const KeyPlan& plan,
                  bool tolerant) {
    const std::size_t n = plan.keyListFields.size();
    if (n == 0) {
        return -1;
    }
    // Called once per row of a comparison: the key values reuse one buffer.
    std::vector<Value>& values = keyValues_;
    values.clear();
    bool unmatchable = false;
    for (std::size_t i = 0; i < n; ++i) {
        const int kf = plan.keyListFields[i];
        if (kf < 0) {
            if (n == 1 && tolerant) {
                return -1;
            }
            keyMessage(u"Key field \"%1\" not found"_s.arg(plan.names[static_cast<qsizetype>(i)]));
        }
        const ValueRef v = keyList.refAt(keyPos, kf);
        if (v.null) {
            if (tolerant) {
                return -1;
            }
            keyMessage(
                u"Key field \"%1\" contained a null value. Primary key fields should not be "
                u"allowed "
                "to contain null"_s.arg(plan.spec));
        }
        const int lf = plan.listFields[i];
        if (lf < 0) {
            // Keep checking the remaining key columns of the key list first.
            continue;
        }
        // A key the other column's type cannot hold ('abc' for an integer
        // key) equals none of its keys.
        std::optional<Value> converted;
        try {
            converted = convertKey(v, keyList.field(kf).type, list.field(lf).type);
        } catch (const ConversionError&) {
        }
        if (!converted) {
            unmatchable = true;
            continue;
        }
        values.push_back(std::move(*converted));
    }
    if (unmatchable || values.size() != n || !list.isOpen()) {
        return -1;
    }
    return list.findRow(plan.listFields, values);
}

bool TDM::keepsKey(const ValueRef& source, FieldType from, const Value& copied,
                   FieldType to) const {
    try {
        const std::optional<Value> key = convertKey(source, from, to);
        return key &&
               KeyIndex::sameKey(ValueRef::of(*key), ValueRef::of(copied), to == FieldType::BCD);
    } catch (const Error&) {
        return false;
    }
}

QString TDM::valueForMessage(const Value& value, FieldType type) {
    constexpr qsizetype kLongest = 80;
    // A value of any SQLite storage class is shown as SQLite reads it back,
    // so that 1 and 1.0 stay apart; so is a value standard SQL cannot write
    // (a text holding a NUL), which SQLite's form can. A value no literal
    // holds (NaN) is shown as its text.
    QString literal;
    for (const SqlDialect dialect :
         {type == FieldType::Variant ? SqlDialect::SQLite : SqlDialect::Generic,
          SqlDialect::SQLite}) {
        try {
            literal = qm::SqlLiteral::of(value, type, dialect);
            break;
        } catch (const ConversionError&) {
            literal = ValueText::toText(value, type);
        }
    }
    return literal.size() <= kLongest ? literal : literal.left(kLongest - 3) + u"..."_s;
}

std::vector<int> TDM::keyFieldsIn(const MemData& list) const {
    const PrimaryKey key(currentKeySpec());
    const int n = key.fieldCount();
    std::vector<int> fields;
    for (int i = 0; i < n; ++i) {
        const int f = list.findDataField(n == 1 ? key.spec() : key.fieldName(i));
        if (f < 0) {
            return {};
        }
        fields.push_back(f);
    }
    return fields;
}

std::vector<LooseKeys::Rule> TDM::keyRules(const MemData& list, const Query& query,
                                           const std::vector<int>& fields) {
    std::vector<LooseKeys::Rule> rules;
    for (const int f : fields) {
        const int q = query.isOpen() ? query.findField(list.field(f).name) : -1;
        // Only SQLite tells a declared type; without one a column has no affinity.
        const QString declared = q >= 0 ? query.field(q).declaredType : QString();
        rules.push_back(LooseKeys::ruleFor(
            list.field(f).type, q >= 0 ? query.field(q).collation : QString(),
            !declared.isEmpty() && SqliteAffinityRules::of(declared) == SqliteAffinity::Text));
    }
    return rules;
}

QString TDM::keyForMessage(const MemData& list, int pos, const std::vector<int>& fields) {
    QStringList values;
    for (const int f : fields) {
        values << u"%1 = %2"_s.arg(list.field(f).name,
                                   valueForMessage(list.valueAt(pos, f), list.field(f).type));
    }
    const QString text = values.join(u", "_s);
    return fields.size() == 1 ? text : u"(%1)"_s.arg(text);
}

void TDM::checkUniqueKey(const MemData& list, const Query& query, const QString& side) {
    const PrimaryKey key(currentKeySpec());
    const std::vector<int> fields = keyFieldsIn(list);
    if (fields.empty()) {
        return;  // the comparison names the missing key column
    }
    // Rows are told apart by their key alone: with a repeated key one row
    // would hide the others, and statements written for it would change
    // them all. The index the comparison searches finds repeats as it is built.
    const int pos = list.findRepeatedRow(fields);
    if (pos >= 0) {
        QStringList values;
        for (int f : fields) {
            values << u"%1 = %2"_s.arg(list.field(f).name,
                                       valueForMessage(list.valueAt(pos, f), list.field(f).type));
        }
        keyMessage(
            u"Key field \"%1\" does not identify the %2 rows: more than one row has %3. Primary "
            "key fields should hold a different value in every row"_s.arg(key.spec(), side,
                                                                          values.join(u", "_s)));
    }
    // The database's own `=` may find keys equal that differ as stored (1
    // and 1.0, or 'a' and 'A' in a NOCASE column); only such columns are
    // searched again.
    const std::vector<LooseKeys::Rule> rules = keyRules(list, query, fields);
    if (std::none_of(rules.begin(), rules.end(),
                     [](const LooseKeys::Rule& r) { return r.loose(); })) {
        return;
    }
    if (const auto pair = LooseKeys::findEqualRows(list, fields, rules)) {
        keyMessage(
            u"Key field \"%1\" does not identify the %2 rows: the %2 database finds %3 "
            "and %4 equal, so a statement for one of these rows would change both. "
            "Primary key fields should hold a different value in every row"_s.arg(
                key.spec(), side, keyForMessage(list, pair->first, fields),
                keyForMessage(list, pair->second, fields)));
    }
}

bool TDM::LocateMatch(MemData& list, MemData& keyList, bool tolerant) {
    return locateWithPlan(list, keyList, planKey(list, keyList), tolerant);
}

std::optional<QStringList> TDM::KeyValues(MemData& list, bool tolerant) {
    const PrimaryKey key(currentKeySpec());
    QStringList values;
    for (int i = 0; i < key.fieldCount(); ++i) {
        const QString name = key.fieldName(i);
        const int f = list.findDataField(name);
        if (f < 0) {
            keyMessage(u"Key field \"%1\" not found"_s.arg(name));
        }
        if (list.isNull(f)) {
            if (tolerant) {
                return std::nullopt;
            }
            keyMessage(
                u"Key field \"%1\" contained a null value. Primary key fields should not be "
                u"allowed "
                "to contain null"_s.arg(key.spec()));
        }
        values << list.asText(f);
    }
    return values;
}

std::optional<ComparisonCounts> TDM::CompareAll() {
    if (loadingData_) {
        // Both sides' marks are worked out before either is stored, so that
        // a key message or a conversion error on one side leaves the other
        // side's marks, statistics and copy as they were.
        deferMarks_ = true;
        Finally done([this] {
            deferMarks_ = false;
            pendingTargetMarks_.clear();
            pendingSourceFound_.clear();
        });
        CompareTarget();
        MarkSourceOnly();
        if (destMemData_.isOpen()) {
            storeTargetMarks(pendingTargetMarks_);
        }
        if (sourceMemData_.isOpen()) {
            storeSourceMarks(pendingSourceFound_);
        }
    } else {
        CompareTarget();
        MarkSourceOnly();
    }
    compared_ = sourceMemData_.isOpen() && destMemData_.isOpen();
    gridPort().refit(Side::Source);
    gridPort().refit(Side::Target);
    gridPort().repaint(Side::Source);
    gridPort().repaint(Side::Target);
    return TargetCounts();
}

TDM::ListChanges TDM::listChanges() const {
    return {destMemData_.changeCount(), sourceMemData_.changeCount()};
}

bool TDM::marksCurrent() const {
    if (!marksAt_ || *marksAt_ != listChanges() || !destMemData_.isOpen() ||
        !sourceMemData_.isOpen()) {
        return false;
    }
    const TableSetup setup = CurrentTableSetup();
    return marksKeySpec_ == setup.keySpec && marksRules_ == setup.rules;
}

TDM::MergeTrack TDM::startMergeTrack() const {
    MergeTrack track;
    track.usable = marksCurrent();
    if (track.usable) {
        for (int f = 0; f < destMemData_.fieldCount(); ++f) {
            track.target.push_back(destMemData_.field(f).type);
        }
        for (int f = 0; f < sourceMemData_.fieldCount(); ++f) {
            track.source.push_back(sourceMemData_.field(f).type);
        }
    }
    return track;
}

bool TDM::trackHolds(const MergeTrack& track) const {
    if (!track.usable || !destMemData_.isOpen() || !sourceMemData_.isOpen()) {
        return false;
    }
    // A column widened meanwhile may compare differently in every row.
    const auto sameTypes = [](const MemData& list, const std::vector<FieldType>& types) {
        if (static_cast<std::size_t>(list.fieldCount()) != types.size()) {
            return false;
        }
        for (int f = 0; f < list.fieldCount(); ++f) {
            if (list.field(f).type != types[static_cast<std::size_t>(f)]) {
                return false;
            }
        }
        return true;
    };
    return sameTypes(destMemData_, track.target) && sameTypes(sourceMemData_, track.source);
}

void TDM::storeTargetMarks(const std::vector<std::uint8_t>& marks) {
    MemData& d = destMemData_;
    d.post();
    const bool fresh = sourceMemData_.isOpen() && targetComputedAt_ == listChanges() &&
                       marks.size() == static_cast<std::size_t>(d.recordCount());
    marksAt_.reset();
    targetMarksAt_.reset();
    Finally noted([this, fresh] {
        if (fresh) {
            targetMarksAt_ = listChanges();
        }
    });
    // One notice for the whole pass, not three per row, for whoever shows
    // the list.
    Frozen frozen(d);
    // A comparison clears UpdateField and posts every row. While loading that
    // is all; otherwise the after-post rule then sets it again on every row
    // that is neither new nor marked for deletion, rebuilds the copy and
    // recounts: the same end result, reached in one pass.
    const bool afterPostRule = !loadingData_;
    for (int dp = 0; dp < d.recordCount() && static_cast<std::size_t>(dp) < marks.size(); ++dp) {
        const std::uint8_t m = marks[static_cast<std::size_t>(dp)];
        // A mark that stays as it is (null reads as not set, and is set)
        // needs no write.
        const auto mark = [&d, dp](int f, bool on) {
            const ValueRef old = d.refAt(dp, f);
            if (old.null || (old.i != 0) != on || f == d.sortField()) {
                d.writeAt(dp, f, Value::fromBool(on));
            }
        };
        mark(onlyInDest_, (m & kMarkFound) == 0);
        mark(difference_, (m & kMarkDifferent) != 0);
        const bool update = afterPostRule && !d.refAt(dp, del_).i && !d.refAt(dp, newField_).i;
        mark(updateField_, update);
    }
    if (afterPostRule) {
        RebuildTargetCopy();
        UpdateStatistics();
    }
}

void TDM::storeSourceMarks(const std::vector<bool>& found) {
    MemData& s = sourceMemData_;
    s.post();
    // Both sides' marks stand for the same lists: the source's were worked
    // out with the target's or after them, and nothing changed since.
    const bool fresh =
        targetMarksAt_ && *targetMarksAt_ == listChanges() &&
        (sourceComputedAt_ == *targetMarksAt_ || sourceComputedAt_ == targetComputedAt_) &&
        found.size() == static_cast<std::size_t>(s.recordCount());
    marksAt_.reset();
    Finally noted([this, fresh] {
        if (fresh) {
            marksAt_ = listChanges();
        }
    });
    Frozen frozen(s);
    for (int sp = 0; sp < s.recordCount() && static_cast<std::size_t>(sp) < found.size(); ++sp) {
        s.writeAt(sp, onlyInSource_, Value::fromBool(!found[static_cast<std::size_t>(sp)]));
    }
}

std::vector<bool> TDM::targetTextAffinity() const {
    if (!sideIsSqlite(destDatabase_)) {
        return {};
    }
    const MemData& d = destMemData_;
    std::vector<bool> text(static_cast<std::size_t>(d.fieldCount()), false);
    for (int f = 1; f < d.fieldCount(); ++f) {
        const int q = destQuery_.findField(d.field(f).name);
        text[static_cast<std::size_t>(f)] =
            q >= 0 && !destQuery_.field(q).declaredType.isEmpty() &&
            SqliteAffinityRules::of(destQuery_.field(q).declaredType) == SqliteAffinity::Text;
    }
    return text;
}

ComparedColumns TDM::currentComparedColumns(const TableSetup& setup) const {
    if (!destMemData_.isOpen() || !sourceMemData_.isOpen()) {
        return {};
    }
    return comparedColumns(destMemData_, sourceMemData_, setup.keySpec, setup.rules,
                           targetTextAffinity());
}

bool TDM::holdsNumberText(const ValueRef& target, FieldType targetType, const ValueRef& source) {
    const std::optional<std::string> text = TaggedValue::numberAsText(source);
    if (!text || target.null) {
        return false;
    }
    if (targetType == FieldType::Variant) {
        return TaggedValue::tagOf(target.bytes) == TaggedValue::Tag::Text &&
               TaggedValue::payload(target.bytes) == *text;
    }
    return storageClassOf(targetType) == StorageClass::Bytes && !isBinaryType(targetType) &&
           targetType != FieldType::BCD && target.bytes == *text;
}

void TDM::CompareTarget() {
    compareTarget(nullptr);
}

void TDM::compareTarget(const MergeTrack* track) {
    MemData& d = destMemData_;
    MemData& s = sourceMemData_;
    if (!d.isOpen()) {
        return;
    }
    PushSourcePosition();
    Finally popSource([this] { PopSourcePosition(); });
    PushTargetPosition();
    Finally popTarget([this] { PopTargetPosition(); });

    alignVariantColumns();
    const bool sourceOpen = s.isOpen();
    const TableSetup setup = CurrentTableSetup();
    KeyPlan plan;
    ComparedColumns compared;
    if (sourceOpen) {
        plan = planKey(s, d, setup.keySpec);
        compared = currentComparedColumns(setup);
    }
    {
        // The marks are stored row by row without edit state. Outside loading
        // every post would run the after-post rule; storeTargetMarks gives
        // each row the same end result (see there).
        d.post();
        if (sourceOpen) {
            s.post();
        }
        // Every mark is worked out before any is stored, so that a key message
        // or a conversion error leaves the marks as they were.
        std::vector<std::uint8_t> marks(static_cast<std::size_t>(d.recordCount()), 0);
        // After a merge only the rows it changed or added can have other
        // marks: the rest and their partners are as they were compared.
        std::vector<bool> renew;
        if (track && sourceOpen && trackHolds(*track) && compared == marksColumns_) {
            renew.assign(marks.size(), false);
            for (const int recId : track->rows) {
                const int p = d.positionOfRecId(recId);
                if (p >= 0) {
                    renew[static_cast<std::size_t>(p)] = true;
                }
            }
        }
        for (int dp = 0; dp < d.recordCount(); ++dp) {
            if (!renew.empty() && !renew[static_cast<std::size_t>(dp)]) {
                marks[static_cast<std::size_t>(dp)] = static_cast<std::uint8_t>(
                    (d.refAt(dp, onlyInDest_).i != 0 ? 0 : kMarkFound) |
                    (d.refAt(dp, difference_).i != 0 ? kMarkDifferent : 0));
                continue;
            }
            const int sp = sourceOpen ? matchRow(s, d, dp, plan, false) : -1;
            if (sp < 0) {
                continue;
            }
            std::uint8_t& m = marks[static_cast<std::size_t>(dp)];
            m = kMarkFound;
            for (const ComparedColumn& c : compared.columns) {
                const ValueRef tv = d.refAt(dp, c.target);
                const ValueRef sv = s.refAt(sp, c.source);
                const FieldType tt = d.field(c.target).type;
                if (!equalUnderRule(tv, tt, sv, s.field(c.source).type, c.rule, c.loose) &&
                    !(c.numberAsText && holdsNumberText(tv, tt, sv))) {
                    m |= kMarkDifferent;
                    break;
                }
            }
        }
        marksColumns_ = std::move(compared);
        marksKeySpec_ = setup.keySpec;
        marksRules_ = setup.rules;
        targetComputedAt_ = listChanges();
        if (deferMarks_) {
            pendingTargetMarks_ = std::move(marks);
        } else {
            storeTargetMarks(marks);
        }
        return;
    }
}

void TDM::MarkSourceOnly() {
    markSourceOnly(nullptr);
}

void TDM::markSourceOnly(const MergeTrack* track) {
    MemData& s = sourceMemData_;
    MemData& d = destMemData_;
    if (!s.isOpen()) {
        return;
    }
    PushSourcePosition();
    PushTargetPosition();
    Finally pop([this] {
        sourceMemData_.setReadOnly(true);
        PopTargetPosition();
        PopSourcePosition();
        gridPort().refit(Side::Source);
    });
    alignVariantColumns();
    const PrimaryKey key(currentKeySpec());
    std::vector<int> keyFields;
    for (int i = 0; i < key.fieldCount(); ++i) {
        keyFields.push_back(s.findDataField(key.fieldName(i)));
    }
    const bool targetOpen = d.isOpen();
    const KeyPlan plan = planKey(d, s);
    // The source list raises no events, so the marks are stored row by row.
    s.post();
    if (targetOpen) {
        d.post();
    }
    // All marks are worked out before any is stored, as in CompareTarget.
    std::vector<bool> found(static_cast<std::size_t>(s.recordCount()), false);
    // After a merge that kept every target key, a row that had a partner
    // still has it; only the rows that had none are searched again.
    if (track && targetOpen && trackHolds(*track)) {
        // A row copied under its own key (no key column changed it) is
        // found as its copy.
        const auto complete = [](const std::vector<int>& fields) {
            return !fields.empty() && std::find(fields.begin(), fields.end(), -1) == fields.end();
        };
        const bool wholeKey = complete(plan.listFields) && complete(plan.keyListFields);
        auto copy = track->copies.begin();
        for (int sp = 0; sp < s.recordCount(); ++sp) {
            while (copy != track->copies.end() && copy->first < sp) {
                ++copy;
            }
            const bool copiedWithKey = wholeKey && copy != track->copies.end() &&
                                       copy->first == sp && !changedKeys_.contains(copy->second);
            found[static_cast<std::size_t>(sp)] = s.refAt(sp, onlyInSource_).i == 0 ||
                                                  copiedWithKey ||
                                                  matchRow(d, s, sp, plan, false) >= 0;
        }
    } else {
        for (int sp = 0; sp < s.recordCount(); ++sp) {
            // The checks of KeyValues, without building the texts.
            for (std::size_t i = 0; i < keyFields.size(); ++i) {
                if (keyFields[i] < 0) {
                    keyMessage(
                        u"Key field \"%1\" not found"_s.arg(key.fieldName(static_cast<int>(i))));
                }
                if (s.refAt(sp, keyFields[i]).null) {
                    keyMessage(
                        u"Key field \"%1\" contained a null value. Primary key fields "
                        "should not be allowed to contain null"_s.arg(key.spec()));
                }
            }
            found[static_cast<std::size_t>(sp)] =
                targetOpen && matchRow(d, s, sp, plan, false) >= 0;
        }
    }
    sourceComputedAt_ = listChanges();
    if (deferMarks_) {
        pendingSourceFound_ = std::move(found);
    } else {
        storeSourceMarks(found);
    }
}

void TDM::SyncSourceToTarget() {
    if (compared_ && sourceMemData_.isOpen()) {
        if (!LocateMatch(sourceMemData_, destMemData_, false)) {
            busyPort().beep();
        }
    }
}

void TDM::SyncTargetToSource() {
    if (compared_ && destMemData_.isOpen()) {
        if (!LocateMatch(destMemData_, sourceMemData_, false)) {
            busyPort().beep();
        }
        gridPort().repaint(Side::Target);
    }
}

void TDM::UpdateStatistics() {
    MemData& d = destMemData_;
    if (!d.isOpen()) {
        return;
    }
    // While the target's display is frozen (a bulk command runs) nobody sees
    // the labels; they are written once when it is unfrozen.
    if (d.controlsDisabled()) {
        statisticsPending_ = true;
        return;
    }
    statisticsPending_ = false;
    statView_.Show(*TargetCounts());
}

std::optional<ComparisonCounts> TDM::TargetCounts() const {
    const MemData& d = destMemData_;
    if (!d.isOpen()) {
        return std::nullopt;
    }
    // The counts are kept by the list as rows are posted.
    return ComparisonCounts{d.countTrue(newField_), d.countTrue(updateField_), d.countTrue(del_),
                            d.countTrue(difference_), d.countTrue(onlyInDest_)};
}

}  // namespace qm

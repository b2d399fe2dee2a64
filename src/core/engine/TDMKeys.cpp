// Matching rows by key for the facade: the key of the current table setup,
// searches that move a list, and the checks that a side's keys tell its
// rows apart.
#include "common/Errors.h"
#include "engine/SqlLiteral.h"
#include "engine/SqliteAffinity.h"
#include "engine/TDM.h"
#include "list/ValueText.h"

#include <algorithm>

using namespace Qt::StringLiterals;

namespace qm {

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
    return KeyMatcher::plan(list, keyList, currentKeySpec());
}

bool TDM::locateWithPlan(MemData& list, MemData& keyList, const KeyPlan& plan, bool tolerant) {
    list.post();  // a search sees posted rows only
    const int pos = keyMatcher_.matchRow(list, keyList, keyList.position(), plan, tolerant);
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
    return keyMatcher_.matchRow(list, keyList, keyPos, plan, true);
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

}  // namespace qm

#include "engine/ComparedColumns.h"

#include "engine/PrimaryKey.h"
#include "list/MemData.h"

#include <algorithm>

namespace qm {

bool ComparedColumns::isIgnored(int targetColumn) const {
    return std::find(ignored.begin(), ignored.end(), targetColumn) != ignored.end();
}

const ComparedColumn* ComparedColumns::forTarget(int targetColumn) const {
    for (const ComparedColumn& c : columns) {
        if (c.target == targetColumn) {
            return &c;
        }
    }
    return nullptr;
}

namespace {

// The first column taking part whose name is `name`, letter case aside.
int findColumn(const std::vector<NamedColumn>& columns, const QString& name) {
    for (std::size_t i = 0; i < columns.size(); ++i) {
        if (columns[i].compared && columns[i].name.compare(name, Qt::CaseInsensitive) == 0) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

}  // namespace

ComparedColumns comparedColumnsByName(const std::vector<NamedColumn>& target,
                                      const std::vector<NamedColumn>& source,
                                      const QString& keySpec, const ComparisonRules& rules,
                                      const std::vector<bool>& targetTextAffinity,
                                      PairingOrder order) {
    const bool byTarget = order == PairingOrder::Target;
    const std::vector<NamedColumn>& lead = byTarget ? target : source;
    const std::vector<NamedColumn>& other = byTarget ? source : target;
    ComparedColumns result;
    const PrimaryKey key(keySpec);
    const int keyCount = key.fieldCount();
    std::vector<int> keyColumns;
    for (int i = 0; i < keyCount; ++i) {
        // A single key names its column by the whole spec.
        keyColumns.push_back(findColumn(lead, keyCount == 1 ? key.spec() : key.fieldName(i)));
    }
    const bool noRules = rules.isEmpty();
    for (std::size_t l = 0; l < lead.size(); ++l) {
        if (!lead[l].compared) {
            continue;
        }
        const int o = findColumn(other, lead[l].name);
        if (o < 0) {
            continue;
        }
        const int li = static_cast<int>(l);
        ComparedColumn c;
        c.target = byTarget ? li : o;
        c.source = byTarget ? o : li;
        const bool isKey = std::find(keyColumns.begin(), keyColumns.end(), li) != keyColumns.end();
        if (!noRules && !isKey) {
            c.rule = rules.forColumn(lead[l].name);
        }
        if (c.rule.ignore) {
            result.ignored.push_back(c.target);
            continue;
        }
        c.loose = c.rule.loosens();
        const auto t = static_cast<std::size_t>(c.target);
        c.numberAsText = t < targetTextAffinity.size() && targetTextAffinity[t] &&
                         source[static_cast<std::size_t>(c.source)].type == FieldType::Variant;
        result.columns.push_back(c);
    }
    return result;
}

ComparedColumns comparedColumns(const MemData& target, const MemData& source,
                                const QString& keySpec, const ComparisonRules& rules,
                                const std::vector<bool>& targetTextAffinity) {
    // Only the target's data columns are compared (lookup columns only show
    // values); on the source side any column a data search finds pairs.
    std::vector<NamedColumn> targetColumns(static_cast<std::size_t>(target.fieldCount()));
    for (int f = 0; f < target.fieldCount(); ++f) {
        const FieldDef& def = target.field(f);
        targetColumns[static_cast<std::size_t>(f)] = {
            def.name, def.type, !target.isOwnColumn(f) && def.kind == FieldKind::Data};
    }
    std::vector<NamedColumn> sourceColumns(static_cast<std::size_t>(source.fieldCount()));
    for (int f = 0; f < source.fieldCount(); ++f) {
        const FieldDef& def = source.field(f);
        sourceColumns[static_cast<std::size_t>(f)] = {
            def.name, def.type, f > 0 && def.tag != kFlagTag && def.kind != FieldKind::Lookup};
    }
    return comparedColumnsByName(targetColumns, sourceColumns, keySpec, rules, targetTextAffinity);
}

}  // namespace qm

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

ComparedColumns comparedColumns(const MemData& target, const MemData& source,
                                const QString& keySpec, const ComparisonRules& rules,
                                const std::vector<bool>& targetTextAffinity) {
    ComparedColumns result;
    const PrimaryKey key(keySpec);
    const int keyCount = key.fieldCount();
    std::vector<int> keyColumns;
    for (int i = 0; i < keyCount; ++i) {
        // A single key names its column by the whole spec.
        keyColumns.push_back(target.findDataField(keyCount == 1 ? key.spec() : key.fieldName(i)));
    }
    const bool noRules = rules.isEmpty();
    for (int f = 1; f < target.fieldCount(); ++f) {
        // Lookup columns only show values; they are never compared.
        if (target.isOwnColumn(f) || target.field(f).kind != FieldKind::Data) {
            continue;
        }
        const int sf = source.findDataField(target.field(f).name);
        if (sf < 0) {
            continue;
        }
        ComparedColumn c;
        c.target = f;
        c.source = sf;
        const bool isKey = std::find(keyColumns.begin(), keyColumns.end(), f) != keyColumns.end();
        if (!noRules && !isKey) {
            c.rule = rules.forColumn(target.field(f).name);
        }
        if (c.rule.ignore) {
            result.ignored.push_back(f);
            continue;
        }
        c.loose = c.rule.loosens();
        const auto t = static_cast<std::size_t>(f);
        c.numberAsText = t < targetTextAffinity.size() && targetTextAffinity[t] &&
                         source.field(sf).type == FieldType::Variant;
        result.columns.push_back(c);
    }
    return result;
}

}  // namespace qm

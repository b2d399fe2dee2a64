#pragma once

#include "list/FieldType.h"
#include "project/ComparisonRules.h"

#include <QString>
#include <cstdint>
#include <vector>

namespace qm {

class MemData;

/// One column that the comparison looks at: a data column of the target
/// list and the source list's column of the same name, and how their
/// values are compared.
struct ComparedColumn {
    int target = -1;  // column index in the target list
    int source = -1;  // column index in the source list
    /// The column's rule; always the exact rule for a key column, whose
    /// values match rows and are compared as they are.
    ColumnRule rule;
    /// rule.loosens(), worked out once so that the exact columns cost
    /// nothing more per value than before rules existed.
    bool loose = false;
    /// The target is a SQLite column of TEXT affinity and the source column
    /// holds values of any storage class: a number stored there as its text
    /// counts as that number.
    bool numberAsText = false;

    bool operator==(const ComparedColumn&) const = default;
};

/// The columns a comparison compares, with their rules, and those the
/// rules leave out.
struct ComparedColumns {
    /// In target column order; the ignored columns are not among them.
    std::vector<ComparedColumn> columns;
    /// Target column indexes of same-named columns a rule ignores: they are
    /// neither compared, nor copied by the merge, nor set by an UPDATE.
    std::vector<int> ignored;

    bool isIgnored(int targetColumn) const;
    /// The compared column for that target column; null when the column is
    /// not compared (ignored, or the source has no such column).
    const ComparedColumn* forTarget(int targetColumn) const;

    bool operator==(const ComparedColumns&) const = default;
};

/// A column of one side as the pairing sees it: its name and type, and
/// whether it takes part at all (a list's RecId, flag and lookup columns do
/// not; every column of a query does).
struct NamedColumn {
    QString name;
    FieldType type = FieldType::String;
    bool compared = true;
};

/// Which side's column order the pairing follows; each column of that side
/// is paired with the first same-named column of the other side, and its
/// rule and key part are looked up by its own name.
enum class PairingOrder : std::uint8_t { Target, Source };

/// The one pairing of same-named columns and the one rule lookup, on names
/// and types alone, so that it serves the open lists and the two queries of
/// the in-database comparison (before any list exists) alike. Indexes in
/// the result are positions in `target` and `source`. Names match without
/// regard to letter case. The key columns (named by `keySpec`; a single key
/// names its column by the whole spec) are compared exactly; a column whose
/// rule ignores it goes to `ignored` (by target index). `targetTextAffinity`
/// is as for comparedColumns, by target index.
ComparedColumns comparedColumnsByName(const std::vector<NamedColumn>& target,
                                      const std::vector<NamedColumn>& source,
                                      const QString& keySpec, const ComparisonRules& rules,
                                      const std::vector<bool>& targetTextAffinity,
                                      PairingOrder order = PairingOrder::Target);

/// Which columns are compared and how: every data column of `target` (not
/// RecId, the flag columns or lookup columns) with a data column of the
/// same name in `source`, each with the rule `rules` gives it, except that
/// the key columns (named by `keySpec`, as the key matching names them)
/// are compared exactly. `targetTextAffinity` tells, by target column
/// index, which target columns are SQLite columns of TEXT affinity (empty
/// when the target is not SQLite). With an empty rule set the result holds
/// every pair with the exact rule and nothing ignored.
ComparedColumns comparedColumns(const MemData& target, const MemData& source,
                                const QString& keySpec, const ComparisonRules& rules,
                                const std::vector<bool>& targetTextAffinity);

}  // namespace qm

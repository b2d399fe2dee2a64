#pragma once

#include "project/ComparisonRules.h"

#include <QString>

namespace qm {

class MemData;
class TPropValueList;

/// One table setup as a value: what the project stores for it and what a
/// comparison, a script or the in-database comparison takes as input. The
/// window's table-setup list holds the same fields as columns of the same
/// names; a value is read from it once per operation.
struct TableSetup {
    QString name;
    QString sourceQuery;
    QString targetQuery;
    /// The key fields, as the user typed them ("id" or "a;b").
    QString keySpec;
    QString targetTable;
    int displayOrder = 0;
    bool scriptOn = false;
    bool scriptTableChanged = false;
    ComparisonRules rules;

    /// The name of the property (and list column) that holds the rules.
    static QString rulesProperty() { return QStringLiteral("CompareRules"); }

    /// The current row of a table-setup list (columns found by name; a
    /// missing column leaves its default). Malformed rules raise Error
    /// naming the table setup.
    static TableSetup fromList(const MemData& tables);
    /// The properties of a table-setup node. Malformed rules raise Error.
    static TableSetup fromProperties(TPropValueList& props);
    /// Writes every field into a node's properties; the rules property
    /// stays unset while there are none, so files without rules keep
    /// their bytes.
    void toProperties(TPropValueList& props) const;
    /// Writes the rules into the current row of a table-setup list that is
    /// in edit or insert state (null while there are none).
    static void setRulesInList(MemData& tables, const ComparisonRules& rules);

    bool operator==(const TableSetup&) const = default;
};

}  // namespace qm

#pragma once

#include <QString>
#include <vector>

namespace qm {

class MemData;

/// How a grid shows one field of its list.
struct ColumnSpec {
    QString field;    // the list's field name
    QString caption;  // empty: the field's display label
    int width = -1;   // design width in pixels; -1: the grid's default
    bool shown = true;
    /// Booleans shown as a check box (CheckStateRole) rather than as text.
    bool checkBox = false;
};

/// Which fields a grid shows, in order, and how; plus the column the grid
/// starts sorted by. An empty plan stands for "every visible field of the
/// list, captioned with its display label".
struct ColumnPlan {
    std::vector<ColumnSpec> columns;
    QString sortField;  // empty: unsorted (list order)

    /// The table-setup grid: "#", "Table Setup Name", "Primary Key" and
    /// "Target Table Name" shown, sorted by DisplayOrder ascending; RecId,
    /// the two queries and the two script switches kept but hidden.
    static ColumnPlan tableSetups();
    /// The shown columns only.
    std::vector<ColumnSpec> shownColumns() const;
};

}  // namespace qm

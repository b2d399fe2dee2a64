#pragma once

#include "engine/SqlLiteral.h"

#include <QString>
#include <QStringList>

namespace qm {

class Connection;

/// The columns of a target table that statements cannot write like the
/// others, as the target database's catalog tells them. A generated column
/// takes its value from other columns: the database refuses any value for
/// it, so it is left out of INSERT and UPDATE (it is still compared, as its
/// value follows from the columns that are written). A PostgreSQL identity
/// column GENERATED ALWAYS takes a value in an INSERT only with OVERRIDING
/// SYSTEM VALUE and none in an UPDATE.
struct GeneratedColumns {
    QStringList generated;       ///< in table order
    QStringList identityAlways;  ///< in table order

    bool empty() const { return generated.isEmpty() && identityAlways.isEmpty(); }

    /// Reads the catalog for a table named as statements name it (quoted or
    /// not, with or without a schema). SQLite and PostgreSQL are asked;
    /// other databases, an unknown table, or a catalog that cannot be read
    /// give none, so statements are written as for plain columns.
    static GeneratedColumns read(Connection& connection, SqlDialect dialect, const QString& table);

    /// The parts of a dotted SQL name, each without its quotes ("a""b",
    /// [a], `a` or 'a'); an empty list when the text is no such name.
    static QStringList nameParts(const QString& name);
};

}  // namespace qm

#pragma once

#include <QString>

namespace qm {

/// The SQL dialect a connection speaks, after its driver: it decides how
/// statements are written and how script text is cut and judged.
enum class SqlDialect { Generic, SQLite, PostgreSQL, MySQL };

SqlDialect dialectOfDriver(const QString& driverKind);

}  // namespace qm

#pragma once

#include "list/FieldType.h"
#include "list/Value.h"

#include <QString>

namespace qm {

/// The SQL dialect statements are written for, after the target's driver.
enum class SqlDialect { Generic, SQLite, PostgreSQL, MySQL };

SqlDialect dialectOfDriver(const QString& driverKind);

/// How column values are written into statements. Literals never depend on
/// the user's locale and never change a value: numbers use "." and the
/// shortest text that reads back to the same number, dates and times are
/// quoted ISO 8601 text, binary data is the dialect's hexadecimal form, and
/// text is quoted so that no value can end the literal early.
namespace SqlLiteral {

/// "NULL" for null, otherwise the literal of the value in the dialect.
QString of(const Value& value, FieldType type, SqlDialect dialect);

/// Every "'" doubled and the whole put in single quotes; where the server
/// treats backslashes as escapes, they are written so that they stay.
QString quoteText(const QString& text, SqlDialect dialect = SqlDialect::Generic);

/// Text made safe to stand inside a /* ... */ comment: neither "*/" nor a
/// nested "/*" can appear in it.
QString commentSafe(const QString& text);

}  // namespace SqlLiteral
}  // namespace qm

#pragma once

#include "db/SqlDialect.h"
#include "list/FieldType.h"
#include "list/Value.h"

#include <QString>
#include <string_view>

namespace qm {

/// How column values are written into statements. Literals never depend on
/// the user's locale and never change a value: numbers use "." and the
/// shortest text that reads back to the same number (for SQLite, a text
/// SQLite's own parser reads back exactly), dates and times are quoted ISO
/// 8601 text, binary data is the dialect's hexadecimal form, and text is
/// quoted so that no value can end the literal early. SQLite values of any
/// storage class keep their class: 1, 1.0, '1' and X'31'.
namespace SqlLiteral {

/// "NULL" for null, otherwise the literal of the value in the dialect.
/// Raises ConversionError for a value the dialect cannot store exactly.
QString of(const Value& value, FieldType type, SqlDialect dialect);

/// A text literal that stores exactly these UTF-8 bytes. SQLite gets a NUL
/// character as char(0) joined to the pieces around it and bytes that are
/// not UTF-8 as a blob cast to text; MySQL gets NUL as an escape. Raises
/// ConversionError where the dialect cannot store the text.
QString textLiteral(std::string_view utf8, SqlDialect dialect);

/// Every "'" doubled and the whole put in single quotes; where the server
/// treats backslashes as escapes, they are written so that they stay.
QString quoteText(const QString& text, SqlDialect dialect = SqlDialect::Generic);

/// Text made safe to stand inside a /* ... */ comment: neither "*/" nor a
/// nested "/*" can appear in it.
QString commentSafe(const QString& text);

}  // namespace SqlLiteral
}  // namespace qm

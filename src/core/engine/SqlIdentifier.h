#pragma once

#include "engine/SqlLiteral.h"

#include <QString>

namespace qm {

/// How column names are written into statements. A name is quoted exactly
/// when the dialect would not read it back as written: it holds a character
/// other than an ASCII letter, digit or "_", starts with a digit, is a word
/// the dialect reserves, or (PostgreSQL, which folds unquoted names to lower
/// case) holds an upper-case letter. Other names stay as they are, so
/// statements for ordinary tables keep their plain form.
namespace SqlIdentifier {

/// The name as it stands in a statement of the dialect: plain, or in the
/// dialect's quotes ("name", MySQL `name`) with those quotes doubled inside.
QString of(const QString& name, SqlDialect dialect);

/// Whether the dialect reserves the word (compared without regard to case),
/// so that it cannot stand as a column name unquoted.
bool isReserved(const QString& word, SqlDialect dialect);

}  // namespace SqlIdentifier
}  // namespace qm

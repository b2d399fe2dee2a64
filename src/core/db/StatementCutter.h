#pragma once

#include "db/SqlDialect.h"

#include <QString>
#include <QStringList>

namespace qm {

/// Cuts script text into the statements to execute. A ";" ends a statement
/// only outside quoted text, quoted identifiers and comments, so the
/// program's own scripts survive values that hold a ";". What counts as
/// quoted or commented follows the dialect, as its database reads the text:
///
/// - everywhere: '...' (a doubled quote stands for one), "...", `...`,
///   -- to the line end, /* ... */;
/// - PostgreSQL: /* */ nest, -- also ends at a CR, E'...' takes backslash
///   escapes, $tag$ ... $tag$ quotes text (the tag opens only at the start
///   of a token);
/// - SQLite: /* */ do not nest, [...] quotes a name;
/// - MySQL: /* */ do not nest, # starts a line comment, -- only before a
///   blank, backslash escapes in '...' and "...";
/// - other databases (ODBC): /* */ nest, E'...' and $tag$ as PostgreSQL.
///
/// A trigger with a body (CREATE [TEMP] TRIGGER ... BEGIN ...; ...; END,
/// not in PostgreSQL, whose triggers execute a function) is one statement:
/// it ends at the ";" after the END that closes its BEGIN. The ";" itself
/// is not part of the statement; leading CR LF pairs are removed; pieces
/// that are then empty or exactly one CR are left out. Other white space
/// stays, and a comment goes to the database with the statement that
/// follows it.
QStringList cutStatements(const QString& text, SqlDialect dialect = SqlDialect::Generic);

/// A piece from its first word on: blanks and comments in front of it are
/// left out. Empty when the piece holds nothing but blanks and comments, so
/// that there is nothing to send to a database.
QString statementBody(const QString& piece, SqlDialect dialect = SqlDialect::Generic);

/// The start of a statement for a message: the first line of its body, with
/// blanks run together, cut to 60 characters.
QString statementHead(const QString& piece, SqlDialect dialect = SqlDialect::Generic);

/// The words a piece starts with when it ends or starts a transaction
/// (COMMIT, END, ROLLBACK, ABORT, BEGIN, START TRANSACTION, PREPARE
/// TRANSACTION), in upper case with single blanks; empty for any other
/// statement, including ROLLBACK TO [SAVEPOINT] name, which leaves the
/// transaction open. Letter case, blanks and comments in front do not matter.
QString transactionControlWords(const QString& piece, SqlDialect dialect = SqlDialect::Generic);

/// Whether a piece is one statement that only reads: its first word, after
/// blanks, comments and opening parentheses, is SELECT, VALUES or TABLE, or
/// WITH when every common table expression and the statement after them
/// read. A statement holding INTO (SELECT ... INTO makes a table or writes a
/// file) is no reading one. Text the dialect's rules cannot follow (an
/// unknown database reads comments either way) is judged both ways.
bool isReadingStatement(const QString& piece, SqlDialect dialect);

}  // namespace qm

#pragma once

#include <QString>
#include <QStringList>

namespace qm {

/// Cuts script text into the statements to execute. A ";" ends a statement
/// only outside quoted text ('...', E'...' with backslash escapes, $tag$...$tag$),
/// quoted identifiers ("...", `...`) and comments (-- to the line end,
/// /* ... */ nested), so the program's own scripts survive values that hold a
/// ";". A trigger with a body (CREATE [TEMP] TRIGGER ... BEGIN ...; ...; END)
/// is one statement: it ends at the ";" after the END that closes its BEGIN.
/// The ";" itself is not part of the statement; leading CR LF pairs are
/// removed; pieces that are then empty or exactly one CR are left out. Other
/// white space stays, and a comment goes to the database with the statement
/// that follows it.
QStringList cutStatements(const QString& text);

/// A piece from its first word on: blanks and comments in front of it are
/// left out. Empty when the piece holds nothing but blanks and comments, so
/// that there is nothing to send to a database.
QString statementBody(const QString& piece);

/// The start of a statement for a message: the first line of its body, with
/// blanks run together, cut to 60 characters.
QString statementHead(const QString& piece);

/// The words a piece starts with when it ends or starts a transaction
/// (COMMIT, END, ROLLBACK, ABORT, BEGIN, START TRANSACTION, PREPARE
/// TRANSACTION), in upper case with single blanks; empty for any other
/// statement, including ROLLBACK TO [SAVEPOINT] name, which leaves the
/// transaction open. Letter case, blanks and comments in front do not matter.
QString transactionControlWords(const QString& piece);

}  // namespace qm

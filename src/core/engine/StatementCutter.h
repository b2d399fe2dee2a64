#pragma once

#include <QString>
#include <QStringList>

namespace qm {

/// Cuts script text into the statements to execute. A ";" ends a statement
/// only outside quoted text ('...', E'...' with backslash escapes, $tag$...$tag$),
/// quoted identifiers ("...", `...`) and comments (-- to the line end,
/// /* ... */ nested), so the program's own scripts survive values that hold a
/// ";". The ";" itself is not part of the statement; leading CR LF pairs are
/// removed; pieces that are then empty or exactly one CR are left out. Other
/// white space stays, and a comment goes to the database with the statement
/// that follows it.
QStringList cutStatements(const QString& text);

}  // namespace qm

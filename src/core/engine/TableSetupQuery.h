#pragma once

#include <QString>

namespace qm {

/// A table setup's source or target query as stored. Raises Error naming
/// the table setup and the side when the text holds a NUL character: every
/// database library reads the text only up to it, so the query would run
/// cut short, without whatever follows it (a WHERE, for one).
QString tableSetupQuery(const QString& text, const QString& tableSetup, const QString& side);

}  // namespace qm

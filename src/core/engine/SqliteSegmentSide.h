#pragma once

#include "engine/SegmentSide.h"

#include <memory>

namespace qm {

/// The SQLite side of a comparison inside the databases: sums through the
/// functions SqliteRowHash registers on the connection, which it installs.
std::unique_ptr<SegmentSide> makeSqliteSegmentSide(Connection& connection, const QString& query);

}  // namespace qm

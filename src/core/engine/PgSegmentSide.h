#pragma once

#include "engine/SegmentSide.h"

#include <memory>

namespace qm {

/// The PostgreSQL side of a comparison inside the databases: sums in SQL,
/// read through the connection's own libpq handle.
std::unique_ptr<SegmentSide> makePgSegmentSide(Connection& connection, const QString& query);

}  // namespace qm

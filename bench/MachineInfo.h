#pragma once

#include <QStringList>

namespace qmbench {

/// Lines naming the machine a run was measured on, so that figures read
/// later can be set beside others: the CPU model, the number of cores and
/// the transparent huge page mode, which decides how many page faults a
/// large load takes. A part the system does not tell reads "unknown".
QStringList machineLines();

}  // namespace qmbench

#pragma once

namespace qm {

/// The busy cursor: a stack of at most kMaxBusyDepth saved cursors.
/// MakeBusy saves the current cursor and shows the wait cursor at once;
/// EndBusy puts the last saved one back and does nothing when none is saved.
/// A MakeBusy on a full stack is a precondition report with the location
/// "MakeBusy", and nothing is pushed.
void MakeBusy();
void EndBusy();
/// How many cursors are saved.
int busyDepth();
inline constexpr int kMaxBusyDepth = 10;

/// MakeBusy for the lifetime of the object.
class BusyScope {
public:
    BusyScope() { MakeBusy(); }
    ~BusyScope() { EndBusy(); }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;
};

}  // namespace qm

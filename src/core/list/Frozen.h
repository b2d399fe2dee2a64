#pragma once

#include "list/MemData.h"

namespace qm {

// Freezes a list's display for the lifetime of the guard.
class Frozen {
public:
    explicit Frozen(MemData& list) : list_(list) { list_.disableControls(); }
    ~Frozen() { list_.enableControls(); }
    Frozen(const Frozen&) = delete;
    Frozen& operator=(const Frozen&) = delete;

private:
    MemData& list_;
};

}  // namespace qm

#pragma once

#include "list/MemData.h"

#include <utility>

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

// Runs a function on every way out of a scope.
template <typename F>
class Finally {
public:
    explicit Finally(F f) : f_(std::move(f)) {}
    ~Finally() { f_(); }
    Finally(const Finally&) = delete;
    Finally& operator=(const Finally&) = delete;

private:
    F f_;
};

}  // namespace qm

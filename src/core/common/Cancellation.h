#pragma once

#include <atomic>
#include <exception>

namespace qm {

/// Ends long work that the user stopped (a Cancel button, Escape, Ctrl+C).
/// Whoever raises it has first put back everything the work had changed, so
/// the catcher reports the stop in one line and shows no error.
class Cancelled : public std::exception {
public:
    const char* what() const noexcept override { return "Stopped"; }
};

/// A request to stop, raised on one thread (or in a signal handler) and read
/// on others. A lock-free atomic, so raising it is async-signal-safe.
class CancelFlag {
public:
    void request() noexcept { requested_.store(true, std::memory_order_relaxed); }
    void reset() noexcept { requested_.store(false, std::memory_order_relaxed); }
    bool requested() const noexcept { return requested_.load(std::memory_order_relaxed); }
    void throwIfRequested() const {
        if (requested()) throw Cancelled();
    }

private:
    static_assert(std::atomic<bool>::is_always_lock_free);
    std::atomic<bool> requested_{false};
};

}  // namespace qm

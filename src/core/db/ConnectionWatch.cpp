#include "db/ConnectionWatch.h"

#include "common/Cancellation.h"

#include <chrono>
#include <optional>

namespace qm {

ConnectionWatch::ConnectionWatch(const CancelFlag& flag, std::function<void()> interrupt)
    : flag_(flag), interrupt_(std::move(interrupt)), thread_([this] { watch(); }) {}

ConnectionWatch::~ConnectionWatch() {
    {
        const std::lock_guard lock(mutex_);
        ending_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

void ConnectionWatch::watch() {
    using namespace std::chrono_literals;
    using Clock = std::chrono::steady_clock;
    std::unique_lock lock(mutex_);
    std::optional<Clock::time_point> lastSent;
    while (!wake_.wait_for(lock, 50ms, [this] { return ending_; })) {
        if (!flag_.requested() || (lastSent && Clock::now() - *lastSent < 1s)) {
            continue;
        }
        // Sent without the lock: a cancel request waits for the server, and
        // the destructor need not wait longer than that.
        lock.unlock();
        interrupt_();
        lastSent = Clock::now();
        lock.lock();
    }
}

}  // namespace qm

#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace qm {

class CancelFlag;

/// A small thread that looks at a stop flag every 50 ms while it lives and,
/// once the flag is raised, calls `interrupt` (a PostgreSQL cancel request
/// for the statement a connection runs). A request that arrives between two
/// statements stops neither, so it is repeated every second while the flag
/// stays raised. The thread never calls into the engine or its ports.
class ConnectionWatch {
public:
    ConnectionWatch(const CancelFlag& flag, std::function<void()> interrupt);
    /// Returns once no further request can be sent.
    ~ConnectionWatch();
    ConnectionWatch(const ConnectionWatch&) = delete;
    ConnectionWatch& operator=(const ConnectionWatch&) = delete;

private:
    void watch();

    const CancelFlag& flag_;
    std::function<void()> interrupt_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool ending_ = false;
    std::thread thread_;
};

}  // namespace qm

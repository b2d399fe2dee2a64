#include "StopSignals.h"

#include "common/Cancellation.h"
#include "engine/TDM.h"

#include <QtGlobal>
#include <atomic>
#include <csignal>

#ifdef Q_OS_UNIX
#include <unistd.h>
#else
#include <cstdio>
#include <cstdlib>
#endif

namespace qm::cli {
namespace {

CancelFlag requested;
// How many StopHold objects live. Read in the signal handler, so it must be
// a lock-free atomic.
std::atomic<int> holds{0};
static_assert(std::atomic<int>::is_always_lock_free);

void onStopSignal(int) {
    if (requested.requested() && holds.load() == 0) {
        // Only async-signal-safe calls here: nothing is being written, so
        // ending without unwinding loses nothing.
        static const char line[] = "Stopped at once.\n";
#ifdef Q_OS_UNIX
        [[maybe_unused]] const auto written = write(STDERR_FILENO, line, sizeof line - 1);
        _exit(kStopped);
#else
        std::_Exit(kStopped);
#endif
    }
    requested.request();
#ifndef Q_OS_UNIX
    // std::signal resets the handler on some systems.
    std::signal(SIGINT, onStopSignal);
    std::signal(SIGTERM, onStopSignal);
#endif
}

}  // namespace

void installStopHandlers() {
#ifdef Q_OS_UNIX
    struct sigaction action = {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    // Interrupted reads and writes go on: the flag, not a failing call,
    // tells the work to stop.
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
#else
    std::signal(SIGINT, onStopSignal);
    std::signal(SIGTERM, onStopSignal);
#endif
}

CancelFlag& stopFlag() {
    return requested;
}

void stopStatementsOnSignal(TDM& dm) {
    dm.SourceDatabase().setStopFlag(&requested);
    dm.DestDatabase().setStopFlag(&requested);
}

void stopPoint() {
    requested.throwIfRequested();
}

StopHold::StopHold() {
    holds.fetch_add(1);
}

StopHold::~StopHold() {
    holds.fetch_sub(1);
}

}  // namespace qm::cli

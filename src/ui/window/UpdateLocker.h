#pragma once

class QWidget;

namespace qm {

/// Nested screen-update locking of one window: drawing stops when the
/// count goes from 0 to 1 and resumes when it returns to 0. Unlocking more
/// often than locking is an assertion failure.
class UpdateLocker {
public:
    explicit UpdateLocker(QWidget& window) : window_(window) {}

    void LockUpdates();
    void UnlockUpdates();
    int count() const { return count_; }

private:
    QWidget& window_;
    int count_ = 0;
};

/// LockUpdates for the lifetime of the object.
class UpdateLockScope {
public:
    explicit UpdateLockScope(UpdateLocker& locker) : locker_(locker) { locker_.LockUpdates(); }
    ~UpdateLockScope() { locker_.UnlockUpdates(); }
    UpdateLockScope(const UpdateLockScope&) = delete;
    UpdateLockScope& operator=(const UpdateLockScope&) = delete;

private:
    UpdateLocker& locker_;
};

}  // namespace qm

#include "window/UpdateLocker.h"

#include "common/Assertion.h"

#include <QWidget>

namespace qm {

void UpdateLocker::LockUpdates() {
    if (++count_ == 1) {
        window_.setUpdatesEnabled(false);
    }
}

void UpdateLocker::UnlockUpdates() {
    if (count_ == 0) {
        // Unpaired: the count stays at 0, so later pairs still work.
        QM_ASSERT(count_ > 0);
    }
    if (--count_ == 0) {
        window_.setUpdatesEnabled(true);
    }
}

}  // namespace qm

#include "document/QueuedProjectNotices.h"

#include <QMetaObject>

namespace qm {

QueuedProjectNotices::QueuedProjectNotices(QObject* parent) : QObject(parent) {
    ChangeNotices::setReceiver(this);
}

QueuedProjectNotices::~QueuedProjectNotices() {
    if (ChangeNotices::receiver() == this) {
        ChangeNotices::setReceiver(nullptr);
    }
}

void QueuedProjectNotices::projectModified() {
    ++queuedModified_;
    QMetaObject::invokeMethod(
        this,
        [this] {
            --queuedModified_;
            emit modifiedChanged(true);
            // Shown: the next change after this one is announced again.
            if (queuedModified_ == 0) {
                ChangeNotices::clearPending();
            }
        },
        Qt::QueuedConnection);
}

void QueuedProjectNotices::projectClean() {
    // A change made after this clean, before the queue runs, must reach the
    // window after the clean notice; the pending modified notice does not
    // cover it.
    ChangeNotices::clearPending();
    QMetaObject::invokeMethod(
        this, [this] { emit modifiedChanged(false); }, Qt::QueuedConnection);
}

}  // namespace qm

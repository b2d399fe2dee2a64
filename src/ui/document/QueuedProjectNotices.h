#pragma once

#include "props/ChangeNotices.h"

#include <QObject>

namespace qm {

/// Turns the shown project's modified and clean notices into queued calls:
/// each arrives, in the order sent, once the event loop runs, as
/// modifiedChanged(true) or modifiedChanged(false). Installs itself as the
/// program's receiver for its lifetime.
class QueuedProjectNotices : public QObject, public ProjectNoticeReceiver {
    Q_OBJECT
public:
    explicit QueuedProjectNotices(QObject* parent = nullptr);
    ~QueuedProjectNotices() override;

    void projectModified() override;
    void projectClean() override;

signals:
    /// The project became modified (true) or clean (false).
    void modifiedChanged(bool modified);

private:
    /// Modified notices sent and not yet delivered.
    int queuedModified_ = 0;
};

}  // namespace qm

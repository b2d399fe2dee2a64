#pragma once

namespace qm {

/// What the main window does when the shown project changes state: show or
/// hide its modified indicator. Tests replace it with a recorder.
class ProjectNoticeReceiver {
public:
    virtual ~ProjectNoticeReceiver() = default;
    /// The project went from clean to modified. The receiver calls
    /// ChangeNotices::clearPending() once it has shown that.
    virtual void projectModified() = 0;
    /// The project was cleaned (saved, loaded or newly created).
    virtual void projectClean() = 0;
};

/// The program-wide modified and clean notices. A burst of changes sends one
/// modified notice: it is marked pending when sent, and the receiver clears
/// the mark when it has handled it.
namespace ChangeNotices {

/// The receiver of the notices, or none; not owned.
void setReceiver(ProjectNoticeReceiver* receiver);
ProjectNoticeReceiver* receiver();
/// Sends the modified notice unless one is pending, and marks it pending.
void notifyModified();
void notifyClean();
void clearPending();
bool pending();

}  // namespace ChangeNotices
}  // namespace qm

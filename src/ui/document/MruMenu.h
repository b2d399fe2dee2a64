#pragma once

#include <QAction>
#include <QMenu>
#include <QObject>
#include <QPointer>

namespace qm {

class TkzMRUFileList;

/// Shows a recent-files list in a menu: the submenu "Reopen" inserted before
/// a given item, with "&1 path", "&2 path", ... (paths shortened to 200
/// pixels in the menu's font), a separator, "&Clear List" and "&Remove
/// Obsolete". No submenu while the list is empty. Rebuilds itself whenever
/// the list changes; clicking an entry calls TkzMRUFileList::Click.
class MruMenu : public QObject {
    Q_OBJECT
public:
    /// Width in pixels into which each path is shortened.
    static constexpr int MaxCaptionWidth = 200;

    /// Takes over the list's OnChange and builds the submenu; `before` is
    /// the item of `fileMenu` the submenu goes in front of (null: at the end).
    /// The list must outlive the menu.
    MruMenu(TkzMRUFileList& list, QMenu& fileMenu, QAction* before, QObject* parent = nullptr);
    /// Removes the submenu and detaches from the list.
    ~MruMenu() override;

    /// The "Reopen" submenu, or null while the list is empty.
    QMenu* submenu() const { return submenu_; }
    /// Removes the items built earlier and builds them anew from the list.
    void rebuild();
    /// The caption of the entry at `position`.
    QString caption(int position, const QString& path) const;

private:
    void removeSubmenu();

    TkzMRUFileList& list_;
    QPointer<QMenu> fileMenu_;
    QPointer<QAction> before_;
    QPointer<QMenu> submenu_;
};

}  // namespace qm

#pragma once

#include <QString>
#include <QStringList>
#include <functional>

namespace qm {

/// The recent-files list: up to Maximum file paths, most recent first,
/// looked up without regard to letter case, kept in the per-user store under
/// "Software/Quillmere/MRU Items" as "F0" (most recent) onward. It holds no
/// widgets: MruMenu shows it in the File menu.
class TkzMRUFileList {
public:
    /// Entries kept.
    int Maximum = 5;
    /// New and reused entries go to the top (else new ones go to the bottom
    /// and reused ones stay where they are).
    bool AddToTop = true;
    /// A clicked entry is removed before OnMRUItemClick runs.
    bool RemoveOnClick = true;
    /// Saves the list to the store when the list is destroyed.
    bool AutoSave = false;

    /// Opens a clicked entry; gets its path.
    std::function<void(const QString& path)> OnMRUItemClick;
    /// Runs after every change of the list (the menu rebuilds itself).
    std::function<void()> OnChange;

    TkzMRUFileList() = default;
    ~TkzMRUFileList();
    TkzMRUFileList(const TkzMRUFileList&) = delete;
    TkzMRUFileList& operator=(const TkzMRUFileList&) = delete;

    const QStringList& Items() const { return items_; }
    int Count() const { return static_cast<int>(items_.size()); }

    /// Puts the path at the top: a new one is inserted (the oldest dropped
    /// beyond Maximum), one already listed, in any letter case, is moved
    /// and takes the spelling given.
    void AddItem(const QString& path);
    /// The position of the path, ignoring letter case; -1 when absent.
    int IndexOf(const QString& path) const;
    /// The entry at `index` was clicked: removes it (RemoveOnClick), then
    /// calls OnMRUItemClick with its path.
    void Click(int index);
    /// Empties the list.
    void Clear();
    /// Removes every entry whose file does not exist.
    void RemoveObsolete();

    /// Replaces the list with the stored entries in stored order; a missing
    /// key gives an empty list.
    void LoadFromStore();
    /// Replaces the stored entries with the list's.
    void SaveToStore() const;
    /// Where the entries are stored: the group of the per-user store.
    static QString storeGroup();

private:
    void changed();

    QStringList items_;
};

}  // namespace qm

#include "document/TkzMRUFileList.h"

#include "config/RegistryStore.h"

#include <QFileInfo>
#include <algorithm>
#include <map>

using namespace Qt::StringLiterals;

namespace qm {

TkzMRUFileList::~TkzMRUFileList() {
    if (!AutoSave) {
        return;
    }
    try {
        SaveToStore();
    } catch (...) {
        // The list is lost, the program goes on ending.
    }
}

QString TkzMRUFileList::storeGroup() {
    return RegistryStore::groupPath(u"\\Software\\Quillmere"_s) + u"/MRU Items"_s;
}

int TkzMRUFileList::IndexOf(const QString& path) const {
    for (int i = 0; i < Count(); ++i) {
        if (items_[i].compare(path, Qt::CaseInsensitive) == 0) {
            return i;
        }
    }
    return -1;
}

void TkzMRUFileList::AddItem(const QString& path) {
    if (path.isEmpty()) {
        return;
    }
    const int at = IndexOf(path);
    if (at >= 0) {
        // The spelling just used is the one that opened: on a file system
        // that tells letter case apart it is the one to reopen.
        items_[at] = path;
        if (AddToTop) {
            items_.move(at, 0);
        }
    } else if (AddToTop) {
        items_.prepend(path);
    } else {
        items_.append(path);
    }
    while (Count() > std::max(Maximum, 0)) {
        items_.removeLast();
    }
    changed();
}

void TkzMRUFileList::Click(int index) {
    if (index < 0 || index >= Count()) {
        return;
    }
    const QString path = items_[index];
    if (RemoveOnClick) {
        items_.removeAt(index);
        changed();
    }
    if (OnMRUItemClick) {
        OnMRUItemClick(path);
    }
}

void TkzMRUFileList::Clear() {
    items_.clear();
    changed();
}

void TkzMRUFileList::RemoveObsolete() {
    bool removed = false;
    for (int i = Count() - 1; i >= 0; --i) {
        if (!QFileInfo::exists(items_[i])) {
            items_.removeAt(i);
            removed = true;
        }
    }
    if (removed) {
        changed();
    }
}

void TkzMRUFileList::LoadFromStore() {
    items_.clear();
    const auto store = RegistryStore::open();
    store->beginGroup(storeGroup());
    // "F0", "F1", ... in the order of their numbers; the store lists keys
    // alphabetically, which would put "F10" before "F2".
    std::map<int, QString> byNumber;
    for (const QString& key : store->childKeys()) {
        bool ok = false;
        const int n = key.mid(1).toInt(&ok);
        if (key.startsWith(u'F', Qt::CaseInsensitive) && ok && n >= 0) {
            byNumber.emplace(n, store->value(key).toString());
        }
    }
    store->endGroup();
    for (const auto& [n, path] : byNumber) {
        if (!path.isEmpty() && IndexOf(path) < 0 && Count() < Maximum) {
            items_.append(path);
        }
    }
    changed();
}

void TkzMRUFileList::SaveToStore() const {
    const auto store = RegistryStore::open();
    store->beginGroup(storeGroup());
    store->remove(QString());
    for (int i = 0; i < Count(); ++i) {
        store->setValue(u"F%1"_s.arg(i), items_[i]);
    }
    store->endGroup();
    store->sync();
}

void TkzMRUFileList::changed() {
    if (OnChange) {
        OnChange();
    }
}

}  // namespace qm

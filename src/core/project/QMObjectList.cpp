#include "project/QMObjectList.h"

#include "common/Assertion.h"
#include "project/QMObject.h"

namespace qm {

TQMObjectList::~TQMObjectList() {
    Clear();
}

TQMObject& TQMObjectList::Add(std::unique_ptr<TQMObject> object) {
    QM_ASSERT(object);
    items_.push_back(std::move(object));
    return *items_.back();
}

TQMObject* TQMObjectList::Items(int index) const {
    if (index < 0 || index >= Count()) {
        return nullptr;
    }
    return items_[static_cast<std::size_t>(index)].get();
}

int TQMObjectList::IndexOf(const TQMObject* object) const {
    for (std::size_t i = 0; i < items_.size(); ++i) {
        if (items_[i].get() == object) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

void TQMObjectList::Remove(TQMObject* object) {
    const int at = IndexOf(object);
    if (at < 0) {
        return;
    }
    // Objects that sat on or were anchored to it lose that link rather than
    // keep a dangling one.
    for (const auto& other : items_) {
        other->forgetLinksTo(object);
    }
    items_.erase(items_.begin() + at);
}

void TQMObjectList::Clear() {
    while (!items_.empty()) {
        items_.pop_back();
    }
}

}  // namespace qm

#include "props/PropDescrList.h"

#include "common/Assertion.h"

using namespace Qt::StringLiterals;

namespace qm {

TPropDescrList::TPropDescrList(const TPropDescrList& source) {
    items_.reserve(source.items_.size());
    for (const auto& d : source.items_) {
        items_.push_back(std::make_unique<TPropDescr>(*d));
    }
    for (auto& d : items_) {
        if (d->Controller) {
            const int at = IndexOf(d->Controller->PropName);
            QM_ASSERT(at >= 0);
            d->Controller = items_[static_cast<std::size_t>(at)].get();
        }
    }
}

TPropDescr& TPropDescrList::add(const QString& name, TPropKind kind, bool noAutoDefault,
                                const TPropDescr* controller, const QString& key) {
    QM_ASSERT(!controller || IndexOfDescr(controller) >= 0);
    items_.push_back(std::make_unique<TPropDescr>(name, key, kind, noAutoDefault));
    items_.back()->Controller = controller;
    return *items_.back();
}

TPropDescr& TPropDescrList::AddInherit(const QString& name, bool def) {
    TPropDescr& d = add(name, TPropKind::pkInherit, true, nullptr, QString());
    d.setDefaultBoolean(def);
    d.NoAutoDefault = false;
    return d;
}

TPropDescr& TPropDescrList::AddString(const QString& name, bool noAutoDefault,
                                      const TPropDescr* controller, const QString& key) {
    return add(name, TPropKind::pkString, noAutoDefault, controller, key);
}

TPropDescr& TPropDescrList::AddInteger(const QString& name, bool noAutoDefault,
                                       const TPropDescr* controller, const QString& key) {
    return add(name, TPropKind::pkInteger, noAutoDefault, controller, key);
}

TPropDescr& TPropDescrList::AddBoolean(const QString& name, bool noAutoDefault,
                                       const TPropDescr* controller, const QString& key) {
    return add(name, TPropKind::pkBoolean, noAutoDefault, controller, key);
}

TPropDescr& TPropDescrList::AddColor(const QString& name, bool noAutoDefault,
                                     const TPropDescr* controller, const QString& key) {
    return add(name, TPropKind::pkColor, noAutoDefault, controller, key);
}

int TPropDescrList::IndexOf(const QString& name) const {
    for (std::size_t i = 0; i < items_.size(); ++i) {
        if (items_[i]->PropName.compare(name, Qt::CaseInsensitive) == 0) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

int TPropDescrList::IndexOfDescr(const TPropDescr* descr) const {
    for (std::size_t i = 0; i < items_.size(); ++i) {
        if (items_[i].get() == descr) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

TPropDescr& TPropDescrList::DescrByName(const QString& name) {
    const int at = IndexOf(name);
    QM_ASSERT_MSG(at >= 0, u"PropDescr \"%1\" not found"_s.arg(name));
    TPropDescr& d = *items_[static_cast<std::size_t>(at)];
    QM_ASSERT(d.PropName == name);
    return d;
}

}  // namespace qm

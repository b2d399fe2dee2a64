#pragma once

#include "props/PropDescr.h"

#include <memory>
#include <vector>

namespace qm {

/// The ordered descriptors of one class. Index order is creation order and
/// the order in which values are written. Built once per class and shared by
/// all its instances; a subclass extends a copy of its base class's list.
class TPropDescrList {
public:
    TPropDescrList() = default;
    /// A copy of every descriptor in the same order; each Controller is
    /// re-resolved by name in the new list.
    TPropDescrList(const TPropDescrList& source);
    TPropDescrList& operator=(const TPropDescrList&) = delete;

    /// An inherit switch with the given default.
    TPropDescr& AddInherit(const QString& name, bool def);
    TPropDescr& AddString(const QString& name, bool noAutoDefault = false,
                          const TPropDescr* controller = nullptr, const QString& key = QString());
    TPropDescr& AddInteger(const QString& name, bool noAutoDefault = false,
                           const TPropDescr* controller = nullptr, const QString& key = QString());
    TPropDescr& AddBoolean(const QString& name, bool noAutoDefault = false,
                           const TPropDescr* controller = nullptr, const QString& key = QString());
    TPropDescr& AddColor(const QString& name, bool noAutoDefault = false,
                         const TPropDescr* controller = nullptr, const QString& key = QString());

    /// First descriptor with that name regardless of case, or -1.
    int IndexOf(const QString& name) const;
    /// Index of a descriptor object of this list, or -1.
    int IndexOfDescr(const TPropDescr* descr) const;
    const TPropDescr& Items(int index) const { return *items_.at(static_cast<std::size_t>(index)); }
    TPropDescr& Items(int index) { return *items_.at(static_cast<std::size_t>(index)); }
    int Count() const { return static_cast<int>(items_.size()); }
    /// The descriptor of a name; a missing name, or one spelled with other
    /// letter case, is an internal-check failure.
    TPropDescr& DescrByName(const QString& name);

private:
    TPropDescr& add(const QString& name, TPropKind kind, bool noAutoDefault,
                    const TPropDescr* controller, const QString& key);
    std::vector<std::unique_ptr<TPropDescr>> items_;
};

}  // namespace qm

#pragma once

#include "props/PropDescrList.h"
#include "props/PropValue.h"

#include <memory>
#include <vector>

namespace qm {

class TCustomFastIniFile;

/// The property values of one instance, one slot per descriptor index of a
/// shared descriptor list. Slots are created on demand. Values read and
/// written in INI stores, copied by name, and inherited from a parent list.
class TPropValueList {
public:
    TPropValueList() = default;
    /// Same descriptors, parent, Modified flag and values (set or not).
    TPropValueList(const TPropValueList& source);
    TPropValueList& operator=(const TPropValueList&) = delete;
    virtual ~TPropValueList();

    const TPropDescrList* descrList() const { return descrs_; }
    void setDescrList(const TPropDescrList* list) { descrs_ = list; }
    TPropValueList* Parent() const { return parent_; }
    void setParent(TPropValueList* parent) { parent_ = parent; }
    bool Loading() const { return loading_; }
    void setLoading(bool v) { loading_ = v; }
    bool NotifyChanges() const { return notifyChanges_; }
    void setNotifyChanges(bool v) { notifyChanges_ = v; }

    bool Modified() const { return modified_; }
    /// Setting true sends the modified notice when NotifyChanges is on.
    void SetModified(bool flag);

    /// The value of a property (created when its slot is empty). A name the
    /// descriptors lack gives none when allowMissing, else an internal-check
    /// failure.
    TPropValue* Find(const QString& name, bool allowMissing = false);
    TPropValue& value(const QString& name) { return *Find(name); }
    /// The value of a slot, extending the slots and creating it as needed.
    TPropValue& ValueAt(int index);
    /// The value in a slot, or none when the slot is empty or missing.
    const TPropValue* slot(int index) const;
    int IndexOfValue(const TPropValue* value) const;
    /// Number of slots, not of descriptors.
    int Count() const { return static_cast<int>(values_.size()); }
    /// Empties a slot: the property becomes unset.
    void clearSlot(int index);

    // Shorthands for reading and writing by name.
    bool getBoolean(const QString& name) { return value(name).GetBoolean(); }
    QString getString(const QString& name) { return value(name).GetString(); }
    int getInteger(const QString& name) { return value(name).GetInteger(); }
    int getColor(const QString& name) { return value(name).GetColor(); }
    void setBoolean(const QString& name, bool v) { value(name).SetBoolean(v); }
    void setString(const QString& name, const QString& v) { value(name).SetString(v); }
    void setInteger(const QString& name, int v) { value(name).SetInteger(v); }
    void setColor(const QString& name, int v) { value(name).SetColor(v); }

    /// The section of a property: the descriptor's IniSection for a list that
    /// is no node or object list (both indices -1), else "Nodes<n>" or
    /// "Nodes<n> Object<m>".
    static QString PropSectionName(const TPropDescr& descr, int nodeIndex, int objectIndex);

    /// Reads every property whose key the store holds; absent keys leave the
    /// values as they were.
    void ReadFromIni(const TCustomFastIniFile& ini, int nodeIndex, int objectIndex);
    /// Writes every own, not inherited, stored value that differs from its
    /// default or is always stored or controlled.
    void WriteToIni(TCustomFastIniFile& ini, int nodeIndex, int objectIndex);
    /// Copies values by name from a list that may have other descriptors.
    void AssignValues(const TPropValueList& source);

private:
    const TPropDescrList& descrs() const;

    bool modified_ = false;
    std::vector<std::unique_ptr<TPropValue>> values_;
    const TPropDescrList* descrs_ = nullptr;  // shared, not owned
    TPropValueList* parent_ = nullptr;        // not owned
    bool loading_ = false;
    bool notifyChanges_ = false;
};

}  // namespace qm

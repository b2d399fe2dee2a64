#include "props/PropValueList.h"

#include "common/Assertion.h"
#include "common/ScopeGuards.h"
#include "ini/CustomFastIniFile.h"
#include "props/ChangeNotices.h"
#include "props/PropText.h"

using namespace Qt::StringLiterals;

namespace qm {

TPropValueList::TPropValueList(const TPropValueList& source)
    : modified_(source.modified_), descrs_(source.descrs_), parent_(source.parent_) {
    values_.resize(source.values_.size());
    for (std::size_t i = 0; i < source.values_.size(); ++i) {
        if (const TPropValue* v = source.values_[i].get()) {
            values_[i] = std::make_unique<TPropValue>(*this, static_cast<int>(i));
            values_[i]->setRaw(v->IsSet, v->rawString(), v->rawOrdinal());
        }
    }
}

TPropValueList::~TPropValueList() = default;

const TPropDescrList& TPropValueList::descrs() const {
    QM_ASSERT(descrs_);
    return *descrs_;
}

void TPropValueList::SetModified(bool flag) {
    modified_ = flag;
    if (flag && notifyChanges_) {
        ChangeNotices::notifyModified();
    }
}

TPropValue* TPropValueList::Find(const QString& name, bool allowMissing) {
    const int at = descrs().IndexOf(name);
    if (at < 0) {
        QM_ASSERT_MSG(allowMissing, u"Property \"%1\" not found"_s.arg(name));
        return nullptr;
    }
    return &ValueAt(at);
}

TPropValue& TPropValueList::ValueAt(int index) {
    QM_ASSERT(index >= 0 && index < descrs().Count());
    const auto i = static_cast<std::size_t>(index);
    if (values_.size() <= i) {
        values_.resize(i + 1);
    }
    if (!values_[i]) {
        values_[i] = std::make_unique<TPropValue>(*this, index);
    }
    return *values_[i];
}

const TPropValue* TPropValueList::slot(int index) const {
    const auto i = static_cast<std::size_t>(index);
    return index >= 0 && i < values_.size() ? values_[i].get() : nullptr;
}

int TPropValueList::IndexOfValue(const TPropValue* value) const {
    QM_ASSERT(value);
    for (std::size_t i = 0; i < values_.size(); ++i) {
        if (values_[i].get() == value) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

void TPropValueList::clearSlot(int index) {
    const auto i = static_cast<std::size_t>(index);
    if (index >= 0 && i < values_.size()) {
        values_[i].reset();
    }
}

QString TPropValueList::PropSectionName(const TPropDescr& descr, int nodeIndex, int objectIndex) {
    if (nodeIndex == -1 && objectIndex == -1) {
        return descr.IniSection;
    }
    QM_ASSERT(descr.IniSection.isEmpty());
    QString section = u"Nodes"_s + QString::number(nodeIndex == -1 ? 0 : nodeIndex);
    if (objectIndex != -1) {
        section += u" Object"_s + QString::number(objectIndex);
    }
    return section;
}

void TPropValueList::ReadFromIni(const TCustomFastIniFile& ini, int nodeIndex, int objectIndex) {
    loading_ = true;
    Finally done([this] { loading_ = false; });
    const TPropDescrList& list = descrs();
    for (int i = 0; i < list.Count(); ++i) {
        const TPropDescr& d = list.Items(i);
        const std::optional<QString> stored =
            ini.ReadValue(PropSectionName(d, nodeIndex, objectIndex), d.IniKey);
        if (!stored) {
            continue;
        }
        // Malformed numbers read as -1, malformed Booleans as false.
        int number = 0;
        const bool isNumber = TCustomFastIniFile::parseInteger(*stored, number);
        TPropValue& v = ValueAt(i);
        switch (d.PropKind) {
            case TPropKind::pkInherit:
            case TPropKind::pkBoolean:
                v.SetBoolean(isNumber && number != 0);
                break;
            case TPropKind::pkInteger:
                v.SetInteger(isNumber ? number : -1);
                break;
            case TPropKind::pkColor:
                v.SetColor(isNumber ? number : -1);
                break;
            case TPropKind::pkString:
                v.SetString(PropText::decode(*stored));
                break;
        }
    }
}

void TPropValueList::WriteToIni(TCustomFastIniFile& ini, int nodeIndex, int objectIndex) {
    for (int i = 0; i < Count(); ++i) {
        TPropValue& v = ValueAt(i);
        if (!v.IsSet || v.IsInherited()) {
            continue;
        }
        const TPropDescr& d = v.descr();
        if (d.NotStored) {
            continue;
        }
        const bool isString = d.PropKind == TPropKind::pkString;
        if (!d.AlwaysStored && !d.Controller) {
            const bool equal = isString ? v.rawString() == d.DefaultString()
                                        : v.rawOrdinal() == d.defaultOrdinal();
            if (equal) {
                continue;
            }
        }
        const QString section = PropSectionName(d, nodeIndex, objectIndex);
        switch (d.PropKind) {
            case TPropKind::pkInherit:
            case TPropKind::pkBoolean:
                ini.WriteBool(section, d.IniKey, v.rawOrdinal() != 0);
                break;
            case TPropKind::pkInteger:
            case TPropKind::pkColor:
                ini.WriteInteger(section, d.IniKey, v.rawOrdinal());
                break;
            case TPropKind::pkString:
                ini.WriteString(section, d.IniKey, PropText::encode(v.rawString()));
                break;
        }
    }
}

void TPropValueList::AssignValues(const TPropValueList& source) {
    const TPropDescrList& from = source.descrs();
    for (int i = 0; i < source.Count(); ++i) {
        const TPropDescr& d = from.Items(i);
        TPropValue* target = Find(d.PropName, true);
        if (!target || target->descr().NotAssigned) {
            continue;
        }
        const TPropValue* v = source.slot(i);
        // An unset value that has nothing to read (no default, no parent to
        // inherit from) is copied as unset rather than failing the copy.
        if (!v || (!v->IsSet && !v->readable())) {
            clearSlot(target->index());
            continue;
        }
        target->AssignFrom(*v);
    }
}

}  // namespace qm

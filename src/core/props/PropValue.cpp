#include "props/PropValue.h"

#include "common/Assertion.h"
#include "common/Errors.h"
#include "props/PropValueList.h"

using namespace Qt::StringLiterals;

namespace qm {
namespace {

bool isBooleanKind(TPropKind k) {
    return k == TPropKind::pkInherit || k == TPropKind::pkBoolean;
}

}  // namespace

const TPropDescr& TPropValue::descr() const {
    return owner_->descrList()->Items(index_);
}

bool TPropValue::IsInherited() const {
    const TPropDescr* controller = descr().Controller;
    if (!controller) {
        return false;
    }
    const int at = owner_->descrList()->IndexOfDescr(controller);
    QM_ASSERT(at >= 0);
    return owner_->ValueAt(at).GetBoolean();
}

const TPropValue& TPropValue::inheritedSource() const {
    TPropValueList* parent = owner_->Parent();
    if (!parent) {
        throw Error(u"Property \"%1\" inherits its value, but it has no list to inherit from"_s.arg(
            descr().PropName));
    }
    return *parent->Find(descr().PropName);
}

bool TPropValue::readable() const {
    const TPropDescr& d = descr();
    if (!IsInherited() && (IsSet || d.defaultReadable())) {
        return true;
    }
    if (!d.Controller) {
        return false;
    }
    TPropValueList* parent = owner_->Parent();
    if (!parent) {
        return false;
    }
    const TPropValue* up = parent->Find(d.PropName, true);
    return up && up->readable();
}

int TPropValue::effectiveOrdinal() const {
    const TPropDescr& d = descr();
    QM_ASSERT(d.PropKind != TPropKind::pkString);
    if (!IsInherited()) {
        if (IsSet) {
            return ordinal_;
        }
        if (d.defaultReadable()) {
            return d.defaultOrdinal();
        }
        QM_ASSERT(d.Controller);
    }
    return inheritedSource().effectiveOrdinal();
}

bool TPropValue::GetBoolean() const {
    QM_ASSERT(isBooleanKind(descr().PropKind));
    return effectiveOrdinal() != 0;
}

int TPropValue::GetInteger() const {
    QM_ASSERT(descr().PropKind == TPropKind::pkInteger);
    return effectiveOrdinal();
}

int TPropValue::GetColor() const {
    QM_ASSERT(descr().PropKind == TPropKind::pkColor);
    return effectiveOrdinal();
}

QString TPropValue::GetString() const {
    const TPropDescr& d = descr();
    QM_ASSERT(d.PropKind == TPropKind::pkString);
    if (!IsInherited()) {
        if (IsSet) {
            return string_;
        }
        if (d.defaultReadable()) {
            return d.DefaultString();
        }
        QM_ASSERT(d.Controller);
    }
    return inheritedSource().GetString();
}

void TPropValue::afterSet() {
    IsSet = true;
    if (const TPropDescr* controller = descr().Controller; controller && !owner_->Loading()) {
        const int at = owner_->descrList()->IndexOfDescr(controller);
        QM_ASSERT(at >= 0);
        owner_->ValueAt(at).SwitchOff();
    }
}

void TPropValue::store(int ordinal) {
    if (!IsSet || ordinal != ordinal_) {
        owner_->SetModified(true);
    }
    ordinal_ = ordinal;
    afterSet();
}

void TPropValue::SetBoolean(bool v) {
    QM_ASSERT(isBooleanKind(descr().PropKind));
    store(v ? 1 : 0);
}

void TPropValue::SetInteger(int v) {
    QM_ASSERT(descr().PropKind == TPropKind::pkInteger);
    store(v);
}

void TPropValue::SetColor(int v) {
    QM_ASSERT(descr().PropKind == TPropKind::pkColor);
    store(v);
}

void TPropValue::SetString(const QString& v) {
    QM_ASSERT(descr().PropKind == TPropKind::pkString);
    if (!IsSet || v != string_) {
        owner_->SetModified(true);
    }
    string_ = v;
    afterSet();
}

void TPropValue::setRaw(bool isSet, const QString& s, int ordinal) {
    IsSet = isSet;
    string_ = s;
    ordinal_ = ordinal;
}

void TPropValue::ResetValue(bool allowPlain) {
    const TPropDescr& d = descr();
    if (d.PropKind == TPropKind::pkInherit) {
        SetBoolean(true);
    } else if (d.Controller) {
        const int at = owner_->descrList()->IndexOfDescr(d.Controller);
        QM_ASSERT(at >= 0);
        owner_->ValueAt(at).ResetValue(allowPlain);
        IsSet = false;
    } else {
        QM_ASSERT(allowPlain);
    }
}

void TPropValue::Materialize() {
    switch (descr().PropKind) {
        case TPropKind::pkString:
            SetString(GetString());
            return;
        case TPropKind::pkInteger:
            SetInteger(GetInteger());
            return;
        case TPropKind::pkBoolean:
            SetBoolean(GetBoolean());
            return;
        case TPropKind::pkColor:
            SetColor(GetColor());
            return;
        case TPropKind::pkInherit:
            break;
    }
    raiseAssertion(__FILE__, __LINE__, u"Assertion failure"_s);
}

void TPropValue::SwitchOff() {
    QM_ASSERT(descr().PropKind == TPropKind::pkInherit);
    SetBoolean(false);
    if (!owner_->Parent()) {
        return;
    }
    const TPropDescrList& list = *owner_->descrList();
    const TPropDescr* self = &descr();
    for (int i = 0; i < list.Count(); ++i) {
        if (list.Items(i).Controller == self) {
            TPropValue& controlled = owner_->ValueAt(i);
            if (!controlled.IsSet) {
                controlled.Materialize();
            }
        }
    }
}

void TPropValue::AssignFrom(const TPropValue& source) {
    if (source.IsInherited()) {
        return;
    }
    switch (descr().PropKind) {
        case TPropKind::pkString:
            SetString(source.GetString());
            return;
        case TPropKind::pkInteger:
            SetInteger(source.effectiveOrdinal());
            return;
        case TPropKind::pkColor:
            SetColor(source.effectiveOrdinal());
            return;
        case TPropKind::pkBoolean:
        case TPropKind::pkInherit:
            SetBoolean(source.effectiveOrdinal() != 0);
            return;
    }
    raiseAssertion(__FILE__, __LINE__, descr().PropName);
}

}  // namespace qm

#pragma once

#include "props/PropDescr.h"

#include <QString>

namespace qm {

class TPropValueList;

/// The value of one property of one instance. A value is unset until it is
/// given an own value; an unset value reads its descriptor's default, or,
/// when its inherit switch is on or it has neither value nor default, the
/// same-named value of the parent list.
class TPropValue {
public:
    TPropValue(TPropValueList& owner, int index) : owner_(&owner), index_(index) {}

    bool IsSet = false;

    const TPropDescr& descr() const;
    TPropValueList& Owner() const { return *owner_; }
    int index() const { return index_; }

    /// True when the descriptor has a Controller whose value reads true.
    bool IsInherited() const;

    bool GetBoolean() const;  ///< kinds pkInherit and pkBoolean
    QString GetString() const;
    int GetInteger() const;
    int GetColor() const;
    void SetBoolean(bool v);
    void SetString(const QString& v);
    void SetInteger(int v);
    void SetColor(int v);

    /// Inherit switch: on. Controlled value: switches its controller on and
    /// drops the own value. Plain value: nothing when allowPlain, else an
    /// internal-check failure.
    void ResetValue(bool allowPlain = false);
    /// Stores the current effective value as the own value.
    void Materialize();
    /// Turns an inherit switch off and materializes the unset values it
    /// controls from the parent list.
    void SwitchOff();
    /// Takes the effective value of another value through this value's
    /// setter, unless that value is inherited.
    void AssignFrom(const TPropValue& source);

    /// Raw stored parts, for copying a list as it is.
    const QString& rawString() const { return string_; }
    int rawOrdinal() const { return ordinal_; }
    void setRaw(bool isSet, const QString& s, int ordinal);

    /// Effective value of a Boolean, integer or colour kind as a number.
    int effectiveOrdinal() const;
    /// Whether reading this value would succeed without a parent lookup
    /// failure (own value, default, or an inherit path).
    bool readable() const;

private:
    const TPropValue& inheritedSource() const;
    void store(int ordinal);
    void afterSet();

    TPropValueList* owner_;
    int index_;
    QString string_;
    int ordinal_ = 0;
};

}  // namespace qm

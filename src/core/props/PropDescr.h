#pragma once

#include "props/PropKind.h"

#include <QString>

namespace qm {

/// The description of one property of a class: name, kind, INI key, default
/// and storage flags. Owned by its descriptor list.
class TPropDescr {
public:
    TPropDescr(QString name, QString iniKey, TPropKind kind, bool noAutoDefault);

    QString PropName;
    QString IniKey;  ///< the key the value is stored under (the name unless given)
    TPropKind PropKind;
    bool NoAutoDefault;  ///< no default until one is set (else the kind's empty value)
    QString IniSection;  ///< section of a list that is not a node or object list
    bool NotStored = false;
    bool AlwaysStored = false;  ///< written even when equal to the default
    bool NotAssigned = false;   ///< skipped when values are copied by name
    /// The inherit switch of the same list that makes this property take its
    /// parent's value; none for most properties. Not owned.
    const TPropDescr* Controller = nullptr;
    bool HasDefault = false;

    /// Setting a default checks the kind (an internal-check failure naming
    /// the property) and sets HasDefault.
    void setDefaultString(const QString& v);
    void setDefaultInteger(int v);
    void setDefaultBoolean(bool v);
    void setDefaultColor(int v);

    /// Reading a default that was never set (NoAutoDefault without an
    /// explicit default) is an internal-check failure.
    const QString& DefaultString() const;
    int DefaultInteger() const;
    bool DefaultBoolean() const;
    int DefaultColor() const;
    /// The default as the ordinal value of a Boolean, integer or colour kind.
    int defaultOrdinal() const;
    bool defaultReadable() const { return HasDefault || !NoAutoDefault; }

private:
    void checkDefaultReadable() const;
    QString defaultString_;
    int defaultInteger_ = 0;
    bool defaultBoolean_ = false;
    int defaultColor_ = 0;
};

}  // namespace qm

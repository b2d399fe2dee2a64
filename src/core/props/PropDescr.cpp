#include "props/PropDescr.h"

#include "common/Assertion.h"

using namespace Qt::StringLiterals;

namespace qm {

TPropDescr::TPropDescr(QString name, QString iniKey, TPropKind kind, bool noAutoDefault)
    : PropName(std::move(name)),
      IniKey(iniKey.isEmpty() ? PropName : std::move(iniKey)),
      PropKind(kind),
      NoAutoDefault(noAutoDefault) {}

void TPropDescr::setDefaultString(const QString& v) {
    QM_ASSERT_MSG(PropKind == TPropKind::pkString, PropName);
    defaultString_ = v;
    HasDefault = true;
}

void TPropDescr::setDefaultInteger(int v) {
    QM_ASSERT_MSG(PropKind == TPropKind::pkInteger, PropName);
    defaultInteger_ = v;
    HasDefault = true;
}

void TPropDescr::setDefaultBoolean(bool v) {
    QM_ASSERT_MSG(PropKind == TPropKind::pkInherit || PropKind == TPropKind::pkBoolean, PropName);
    defaultBoolean_ = v;
    HasDefault = true;
}

void TPropDescr::setDefaultColor(int v) {
    QM_ASSERT_MSG(PropKind == TPropKind::pkColor, PropName);
    defaultColor_ = v;
    HasDefault = true;
}

void TPropDescr::checkDefaultReadable() const {
    QM_ASSERT_MSG(defaultReadable(),
                  u"Property description \"%1\". No default value set"_s.arg(PropName));
}

const QString& TPropDescr::DefaultString() const {
    checkDefaultReadable();
    return defaultString_;
}

int TPropDescr::DefaultInteger() const {
    checkDefaultReadable();
    return defaultInteger_;
}

bool TPropDescr::DefaultBoolean() const {
    checkDefaultReadable();
    return defaultBoolean_;
}

int TPropDescr::DefaultColor() const {
    checkDefaultReadable();
    return defaultColor_;
}

int TPropDescr::defaultOrdinal() const {
    switch (PropKind) {
        case TPropKind::pkInherit:
        case TPropKind::pkBoolean:
            return DefaultBoolean() ? 1 : 0;
        case TPropKind::pkInteger:
            return DefaultInteger();
        case TPropKind::pkColor:
            return DefaultColor();
        case TPropKind::pkString:
            break;
    }
    raiseAssertion(__FILE__, __LINE__, PropName);
}

}  // namespace qm

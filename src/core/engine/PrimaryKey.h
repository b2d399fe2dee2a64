#pragma once

#include <QString>

namespace qm {

/// A primary key spec: one field name, or several separated by ";". Names
/// are taken exactly as written, blanks included.
class PrimaryKey {
public:
    explicit PrimaryKey(QString spec) : spec_(std::move(spec)) {}
    const QString& spec() const { return spec_; }
    /// 0 for an empty spec, otherwise 1 + the number of ";".
    int fieldCount() const { return spec_.isEmpty() ? 0 : static_cast<int>(spec_.count(u';')) + 1; }
    /// The i-th name, counted from 0.
    QString fieldName(int i) const { return spec_.section(u';', i, i); }

private:
    QString spec_;
};

}  // namespace qm

#pragma once

#include "project/PrjData.h"

namespace qm {

/// The project the program opens or creates: adds saving and deep copying.
class TPrjDataSaved : public TPrjData {
public:
    TPrjDataSaved() = default;

    QString className() const override { return QStringLiteral("TPrjDataSaved"); }

    /// Makes this project a deep copy of another: settings, file name, and a
    /// copy of every node and object.
    void Assign(const TPrjDataSaved& source);
    /// Writes the project file (Version 1), replacing the file atomically;
    /// afterwards the project is clean. A failure leaves the previous file as
    /// it was and the project modified.
    void SaveToFile(const QString& fileName);
};

}  // namespace qm

#pragma once

#include <QString>

class QWidget;

namespace qm {

/// Keeps a window's placement in the per-user store, in the key
/// "\Software\<CompanyName>\<ProductName>", section "Form state for
/// <window's object name>": WindowState (0 normal, 1 minimized,
/// 2 maximized), and Left, Top, Width, Height of the normal-size window.
class TkzFormViewController {
public:
    TkzFormViewController(QWidget& owner, QString companyName, QString productName);

    /// Applies the stored state; a maximized window keeps its current
    /// normal-size bounds, any other gets the stored ones (each defaulting
    /// to the current value).
    void Restore();
    /// Stores the state, and the bounds only while the window is not
    /// maximized, so that the stored bounds are the last normal-size ones.
    void Snapshot();
    /// The store key; an empty product name is a precondition report.
    QString GetIniLocation() const;
    /// The section of the owner's values.
    QString section() const;

private:
    QWidget& owner_;
    QString companyName_;
    QString productName_;
};

}  // namespace qm

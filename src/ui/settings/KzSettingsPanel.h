#pragma once

#include <QFrame>
#include <QString>

class QSettings;

namespace qm {

/// A panel that saves and restores the values of the controls placed on it
/// in the per-user store (RegistryStore), below the key
/// "\Software\<CompanyName>\<ProductName>":
///
/// - the value "Saved" in the subkey named after the panel's window (its
///   objectName) records that the panel was saved once;
/// - each control's value lives in the subkey "Settings for <window>.<path>",
///   where the path is the panel's objectName followed by "." and the
///   objectName of each named widget on the way down to the control.
///
/// Check boxes store "Checked", combo boxes and radio groups "ItemIndex",
/// labels "Caption" and single-line edits "Text"; numbers are written as
/// decimal text ("1"/"0" for check boxes). Containers (frames, group boxes,
/// tab widgets and their pages, scroll areas, plain widgets) store nothing
/// themselves but are walked through; other controls store nothing.
///
/// A stored value of the wrong form, or an index outside the control's
/// items, leaves the control as it is; the other values are still restored.
class TkzSettingsPanel : public QFrame {
    Q_OBJECT
    Q_PROPERTY(QString CompanyName READ companyName WRITE setCompanyName)
    Q_PROPERTY(QString ProductName READ productName WRITE setProductName)

public:
    explicit TkzSettingsPanel(QWidget* parent = nullptr);

    /// The maker's name in the store key; default empty.
    QString companyName() const { return companyName_; }
    void setCompanyName(const QString& name) { companyName_ = name; }
    /// The product's name in the store key; default empty, which is a
    /// precondition violation when the key is needed.
    QString productName() const { return productName_; }
    void setProductName(const QString& name) { productName_ = name; }

    /// "\Software\<CompanyName>\<ProductName>", runs of "\" written as one.
    QString GetIniLocation() const;

    /// Puts the stored values back into the controls. A panel that was never
    /// saved is saved instead (Snapshot), so that its window opens with the
    /// values it was built with and those are in the store from then on.
    void Restore();
    /// Writes the values of all controls and "Saved". Raises Error when the
    /// store cannot be written.
    void Snapshot();

private:
    enum class Pass { Restore, Snapshot };

    QWidget* owningWindow(const QString& method) const;
    void walk(QWidget* control, const QString& path, QSettings& store, const QString& prefix,
              Pass pass);

    QString companyName_;
    QString productName_;
};

}  // namespace qm

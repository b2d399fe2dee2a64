#pragma once

#include "styles/ElementStyle.h"

#include <memory>
#include <vector>

namespace qm {

/// A list of element styles, at most one per element kind, that falls back
/// to another list (not owned) for kinds it does not hold itself. Stored in
/// the section "<inherited section>.styles" (key Count) and one section per
/// style below it: ".styles.ElemStyle0", ".styles.ElemStyle1", ...
class TElementStyles : public TMemIniFilePersistent {
public:
    TElementStyles() = default;
    ~TElementStyles() override;
    /// Copies every style and takes over the source's Fallback.
    TElementStyles(const TElementStyles& other);
    TElementStyles& operator=(const TElementStyles& other);
    TElementStyles(TElementStyles&& other) noexcept;
    TElementStyles& operator=(TElementStyles&& other) noexcept;

    /// The list's own style of that kind, or nullptr.
    TElementStyle* FindStyle(int kind);
    const TElementStyle* FindStyle(int kind) const;
    /// The own style, else the Fallback's (recursively). When neither has
    /// one the lack is reported as a precondition violation; should the
    /// report let the program go on, the result is nullptr.
    const TElementStyle* GetElementStyle(int kind) const;
    /// Replaces the list's own style of that kind; nullptr only removes it,
    /// so the kind falls back again. The style is stored under the kind it
    /// is given for (its ElementKind is set to it). Kinds outside 1..3 are a
    /// precondition violation and change nothing.
    void SetElementStyle(int kind, std::unique_ptr<TElementStyle> style);

    /// The list asked for kinds this list does not hold; default nullptr.
    const TElementStyles* Fallback() const { return fallback_; }
    void setFallback(const TElementStyles* fallback) { fallback_ = fallback; }

    /// The number of own styles.
    int count() const { return static_cast<int>(styles_.size()); }

    QString SectionName(int index) const override;
    /// Reads Count styles and sets each under its ElementKind, so a later
    /// style of a kind replaces an earlier one. Styles the file does not
    /// hold stay as they are.
    void LoadFromIni(TCustomFastIniFile& ini, const QString& prefix, int index) override;
    /// Writes the own styles in kind order under the indexes 0, 1, ... and
    /// then Count. Sections of an earlier, longer list are left in the store.
    void SaveToIni(TCustomFastIniFile& ini, const QString& prefix, int index) override;

private:
    std::vector<std::unique_ptr<TElementStyle>> styles_;
    const TElementStyles* fallback_ = nullptr;
};

/// The built-in styles: headline "Courier New" 40 bold with a row wipe, main
/// text "Times New Roman" 20, footer "Arial" 30 italic; all black.
TElementStyles DefaultElementStyles();

/// "PrefsElementStyles.DAT" in the folder "Data" below the program's folder
/// when files can be made there; otherwise in the user's data folder
/// (QStandardPaths::AppDataLocation).
QString ElementStylesFileName();

}  // namespace qm

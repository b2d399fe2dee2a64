#pragma once

#include "document/TkzAbstractPrj.h"

#include <memory>

namespace qm {

class TDM;
class TPrjDataSaved;

/// The open project: owns the project data (change notices to the window
/// switched on) and hands it to the engine's table-setup and database-setup
/// lists.
class TPrjView : public TkzAbstractPrj {
public:
    /// A view of a new, clean project.
    explicit TPrjView(TDM& dm);
    ~TPrjView() override;

    TPrjDataSaved& PrjData() { return *data_; }
    TDM& engine() { return dm_; }

    /// The project data's modified state.
    bool GetModified() override;
    void SetModified(bool modified) override;

    /// Reads the whole project file with the checked load into new project
    /// data and, only when that succeeds, takes it in place of the current
    /// data. A file that cannot be read raises Error with the reason and
    /// leaves the view as it was. The engine is not touched.
    void ReadFile(const QString& fileName);
    /// Fills the engine's setup lists from the project, disconnects each
    /// side whose alias differs (ignoring case) from the project's, marks the
    /// alias header of the next logged script as pending and clears the
    /// project's modified state.
    void ShowInEngine();
    /// ReadFile, then ShowInEngine.
    void LoadFromFile(const QString& fileName);

    /// Releases the current project data and takes `data` in its place, with
    /// change notices switched on.
    void ReplaceData(std::unique_ptr<TPrjDataSaved> data);

    /// Moves the engine's table-setup list to its first row, then `index`
    /// rows forward.
    void SelectTableSetup(int index);
    /// The 0-based position of the engine's current table setup.
    int CurrentTableSetupIndex();

private:
    TDM& dm_;
    std::unique_ptr<TPrjDataSaved> data_;
};

}  // namespace qm

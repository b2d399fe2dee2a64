#pragma once

#include <QString>
#include <optional>

namespace qm {

/// The main window's caption: the title, then " - "FILE"" with the project
/// file's name without its folder, or " - (unnamed project)" for a project
/// never saved; the bare title with no project open.
QString mainCaption(const QString& title, bool projectOpen, const QString& fileName);

/// The third status panel: " No table setups in project." or " N table
/// setup(s) in project."; empty with no project open (nullopt).
QString tableSetupCountText(std::optional<int> tableSetups);

/// Asked before the Script tab replaces a script that was not written for
/// the current table setup with that table setup's statements.
QString replaceScriptQuestion();

}  // namespace qm

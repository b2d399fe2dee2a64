#pragma once

#include <QString>
#include <functional>

namespace qm {

/// What the main window does once it is on screen.
enum class StartupChoice { Nothing, OpenLastProject, NewProject };

/// The preferences that decide it.
struct StartupPreferences {
    bool loadLastProject = true;    ///< "Automatically load last project at startup."
    QString lastProject;            ///< the project open when the program last closed
    bool createNewProject = false;  ///< "Auto create a new project at startup."
};

/// With loading the last project on and a remembered path, that project is
/// opened when its file exists and nothing happens when it does not (no new
/// project either); otherwise a new project is created when that is on.
StartupChoice decideStartup(const StartupPreferences& prefs,
                            const std::function<bool(const QString&)>& fileExists);

}  // namespace qm

#include "app/StartupChoice.h"

namespace qm {

StartupChoice decideStartup(const StartupPreferences& prefs,
                            const std::function<bool(const QString&)>& fileExists) {
    if (prefs.loadLastProject && !prefs.lastProject.isEmpty()) {
        return fileExists(prefs.lastProject) ? StartupChoice::OpenLastProject
                                             : StartupChoice::Nothing;
    }
    return prefs.createNewProject ? StartupChoice::NewProject : StartupChoice::Nothing;
}

}  // namespace qm

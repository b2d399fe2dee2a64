#include "document/TMainDM.h"

#include "common/ProgramFolder.h"
#include "config/Config.h"
#include "config/JobLog.h"
#include "document/ProjectDocumentHandlers.h"
#include "document/TPrjView.h"
#include "document/TUndoHandler.h"
#include "document/TkzEditorDocHandler.h"
#include "document/TkzMRUFileList.h"
#include "shared/BusyCursor.h"

using namespace Qt::StringLiterals;

namespace qm {

TMainDM::TMainDM(DocumentPrompts& prompts)
    : prompts_(prompts),
      docHandler_(std::make_unique<TkzEditorDocHandler>(prompts)),
      undo_(std::make_unique<TUndoHandler>()),
      recentFiles_(std::make_unique<TkzMRUFileList>()) {
    docHandler_->setPrjTypeText(u"project"_s);
    TPrjJobLog& log = TPrjJobLog::instance();
    log.FileName = programFile(u"JobLog.txt"_s);
    log.Level = TPrjConfig::instance().LogLevel;
    log.ActionAt(u"Program started"_s, 2);
    helpFile_ = TPrjConfig::instance().HelpFilename;
}

TMainDM::~TMainDM() = default;

void TMainDM::attachEngine(TDM& engine) {
    DocumentWindowHooks hooks;
    hooks.showProjectPanel = [this](bool shown) {
        if (showProjectPanel) {
            showProjectPanel(shown);
        }
    };
    hooks.makeBusy = [] { MakeBusy(); };
    hooks.endBusy = [] { EndBusy(); };
    handlers_ = std::make_unique<ProjectDocumentHandlers>(
        *docHandler_, engine, *undo_, *recentFiles_, prompts_, std::move(hooks));
}

TPrjView* TMainDM::project() const {
    return handlers_ ? handlers_->view() : nullptr;
}

}  // namespace qm

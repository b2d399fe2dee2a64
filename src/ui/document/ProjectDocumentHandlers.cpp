#include "document/ProjectDocumentHandlers.h"

#include "common/Assertion.h"
#include "common/Errors.h"
#include "document/DocumentPrompts.h"
#include "document/TPrjView.h"
#include "document/TUndoHandler.h"
#include "document/TkzEditorDocHandler.h"
#include "document/TkzMRUFileList.h"
#include "engine/TDM.h"
#include "project/PrjDataSaved.h"
#include "project/ProjectFiles.h"
#include "props/ChangeNotices.h"

namespace qm {
namespace {

// The busy cursor for the life of a scope.
class Busy {
public:
    explicit Busy(const DocumentWindowHooks& hooks) : hooks_(hooks) {
        if (hooks_.makeBusy) {
            hooks_.makeBusy();
        }
    }
    ~Busy() {
        if (hooks_.endBusy) {
            hooks_.endBusy();
        }
    }
    Busy(const Busy&) = delete;
    Busy& operator=(const Busy&) = delete;

private:
    const DocumentWindowHooks& hooks_;
};

}  // namespace

ProjectDocumentHandlers::ProjectDocumentHandlers(TkzEditorDocHandler& handler, TDM& dm,
                                                 TUndoHandler& undo, TkzMRUFileList& recentFiles,
                                                 DocumentPrompts& prompts,
                                                 DocumentWindowHooks hooks)
    : handler_(handler),
      dm_(dm),
      undo_(undo),
      recentFiles_(recentFiles),
      prompts_(prompts),
      hooks_(std::move(hooks)) {
    handler_.setPrjTypeText(QStringLiteral("project"));
    handler_.OnQueryOpen = [this](QString& name) { return QueryOpen(name); };
    handler_.OnQuerySave = [this](QString& name) { return QuerySave(name); };
    handler_.OnPrjNew = [this] { PrjNew(); };
    handler_.OnPrjRead = [this](const QString& name) { return PrjRead(name); };
    handler_.OnPrjOpen = [this] { PrjOpen(); };
    handler_.OnPrjSave = [this] { PrjSave(); };
    handler_.OnPrjClose = [this] { PrjClose(); };
    handler_.OnTestDirty = [this] { return TestDirty(); };
}

ProjectDocumentHandlers::~ProjectDocumentHandlers() {
    handler_.OnQueryOpen = nullptr;
    handler_.OnQuerySave = nullptr;
    handler_.OnPrjNew = nullptr;
    handler_.OnPrjRead = nullptr;
    handler_.OnPrjOpen = nullptr;
    handler_.OnPrjSave = nullptr;
    handler_.OnPrjClose = nullptr;
    handler_.OnTestDirty = nullptr;
}

TPrjView* ProjectDocumentHandlers::view() const {
    return dynamic_cast<TPrjView*>(handler_.View());
}

bool ProjectDocumentHandlers::QueryOpen(QString& fileName) {
    return prompts_.queryOpenFileName(fileName);
}

bool ProjectDocumentHandlers::QuerySave(QString& fileName) {
    return prompts_.querySaveFileName(fileName);
}

void ProjectDocumentHandlers::PrjNew() {
    undo_.Clear();
    handler_.setView(std::make_unique<TPrjView>(dm_));
    // The closed project may have left the window showing "Modified".
    ChangeNotices::notifyClean();
    if (hooks_.showProjectPanel) {
        hooks_.showProjectPanel(true);
    }
}

std::unique_ptr<TkzAbstractPrj> ProjectDocumentHandlers::PrjRead(const QString& fileName) {
    Busy busy(hooks_);
    auto read = std::make_unique<TPrjView>(dm_);
    read->ReadFile(fileName);
    return read;
}

void ProjectDocumentHandlers::PrjOpen() {
    TPrjView* v = view();
    QM_ASSERT(v);
    undo_.Clear();
    if (hooks_.showProjectPanel) {
        hooks_.showProjectPanel(true);
    }
    {
        Busy busy(hooks_);
        v->ShowInEngine();
    }
    recentFiles_.AddItem(v->FileName());
}

void ProjectDocumentHandlers::PrjSave() {
    TPrjView* v = view();
    QM_ASSERT(v);
    const ProjectFileProblem problem = saveProjectFile(v->PrjData(), v->FileName());
    if (!problem.ok()) {
        throw Error(problem.message());
    }
    recentFiles_.AddItem(v->FileName());
}

void ProjectDocumentHandlers::PrjClose() {
    undo_.Clear();
    // Closed unsaved ("No" to saving), the project goes with its changes.
    ChangeNotices::notifyClean();
    if (hooks_.showProjectPanel) {
        hooks_.showProjectPanel(false);
    }
    dm_.DBSetupMemData().close();
    dm_.TablesMemData().close();
    dm_.PrepareTableLists(false);
    // A connection whose alias is no longer shown would be used by the next
    // open under an alias field that says otherwise.
    MemData& aliases = dm_.DBSetupMemData();
    const auto shown = [&aliases](int field) {
        return aliases.isOpen() && aliases.recordCount() > 0 ? aliases.asText(field) : QString();
    };
    if (dm_.SourceDatabase().aliasName().compare(shown(dm_.sourceDBAliasField()),
                                                 Qt::CaseInsensitive) != 0) {
        dm_.DisconnectSource();
    }
    if (dm_.DestDatabase().aliasName().compare(shown(dm_.destDBAliasField()),
                                               Qt::CaseInsensitive) != 0) {
        dm_.DisconnectTarget();
    }
}

bool ProjectDocumentHandlers::TestDirty() {
    TPrjView* v = view();
    return v && v->GetModified();
}

}  // namespace qm

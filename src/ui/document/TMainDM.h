#pragma once

#include <QString>
#include <functional>
#include <memory>

namespace qm {

class DocumentPrompts;
class ProjectDocumentHandlers;
class TDM;
class TkzEditorDocHandler;
class TkzMRUFileList;
class TPrjView;
class TUndoHandler;

/// The application module: the project document handler with the prompts
/// and file dialogs it asks through, the undo handler and the recent-files
/// list, the job-log start and the help file. Created before the engine;
/// attachEngine() then wires the document handler's events to the project
/// work, which needs the engine.
class TMainDM {
public:
    /// `prompts` asks the document questions; not owned.
    explicit TMainDM(DocumentPrompts& prompts);
    ~TMainDM();
    TMainDM(const TMainDM&) = delete;
    TMainDM& operator=(const TMainDM&) = delete;

    /// Answers the document handler's events with the project work on this
    /// engine (which must outlive this module).
    void attachEngine(TDM& engine);

    TkzEditorDocHandler& docHandler() { return *docHandler_; }
    TUndoHandler& undo() { return *undo_; }
    TkzMRUFileList& recentFiles() { return *recentFiles_; }
    /// The open project, or null.
    TPrjView* project() const;
    /// The help file the configuration names.
    const QString& helpFile() const { return helpFile_; }

    /// Shows or hides the main window's project panel; set by the window.
    std::function<void(bool)> showProjectPanel;

private:
    DocumentPrompts& prompts_;
    std::unique_ptr<TkzEditorDocHandler> docHandler_;
    std::unique_ptr<TUndoHandler> undo_;
    std::unique_ptr<TkzMRUFileList> recentFiles_;
    std::unique_ptr<ProjectDocumentHandlers> handlers_;
    QString helpFile_;
};

}  // namespace qm

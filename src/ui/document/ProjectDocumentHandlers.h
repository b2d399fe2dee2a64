#pragma once

#include <QString>
#include <functional>
#include <memory>

namespace qm {

class DocumentPrompts;
class TDM;
class TkzAbstractPrj;
class TkzEditorDocHandler;
class TkzMRUFileList;
class TPrjView;
class TUndoHandler;

/// What the document work needs of the main window. Every hook may be left
/// empty.
struct DocumentWindowHooks {
    /// Shows (true) or hides (false) the table-setup list panel.
    std::function<void(bool)> showProjectPanel;
    /// Shows the busy cursor / takes it away again.
    std::function<void()> makeBusy;
    std::function<void()> endBusy;
};

/// The application module's answers to the document handler's events: a
/// new project view, reading and showing a project file, the checked save,
/// and what closing a project does to the engine, the undo handler, the
/// recent-files list and the window. Wires itself to the handler on
/// construction and unwires on destruction. None of the references is owned.
///
/// Wiring in the application module, in this order of members:
///
///     WidgetDocumentPrompts prompts{mainWindow};
///     TkzEditorDocHandler documents{prompts};
///     TUndoHandler undo;
///     TkzMRUFileList recentFiles;   // AutoSave = true; LoadFromStore()
///     ProjectDocumentHandlers handlers{documents, dm, undo, recentFiles, prompts,
///                                      {showProjectPanel, makeBusy, endBusy}};
///     recentFiles.OnMRUItemClick = [&](const QString& path) {
///         if (documents.CloseQuery()) documents.PrjOpen(path);
///         updateUI();
///     };
///     MruMenu reopen{recentFiles, fileMenu, separatorAfterClose};
///     QueuedProjectNotices notices;  // connect modifiedChanged to the status strip
///
/// A project file that cannot be read or written raises Error out of Open,
/// PrjOpen, Save, SaveAs and CloseQuery; the event loop shows it.
class ProjectDocumentHandlers {
public:
    ProjectDocumentHandlers(TkzEditorDocHandler& handler, TDM& dm, TUndoHandler& undo,
                            TkzMRUFileList& recentFiles, DocumentPrompts& prompts,
                            DocumentWindowHooks hooks = {});
    ~ProjectDocumentHandlers();
    ProjectDocumentHandlers(const ProjectDocumentHandlers&) = delete;
    ProjectDocumentHandlers& operator=(const ProjectDocumentHandlers&) = delete;

    /// The open project, or null.
    TPrjView* view() const;

    // The event handlers (public so that a test can name what it calls).
    bool QueryOpen(QString& fileName);
    bool QuerySave(QString& fileName);
    /// Clears the undo handler, makes a new project view the handler's View
    /// and shows the project panel.
    void PrjNew();
    /// Under the busy cursor, reads the whole file into a new project view.
    std::unique_ptr<TkzAbstractPrj> PrjRead(const QString& fileName);
    /// Clears the undo handler, shows the project panel, hands the read
    /// project to the engine (busy cursor) and puts its file at the top of
    /// the recent files.
    void PrjOpen();
    /// Saves the project to its file name with the checked save (a failure
    /// raises Error and leaves the recent files alone), then puts the file
    /// at the top of the recent files.
    void PrjSave();
    /// Clears the undo handler, hides the project panel and gives the
    /// engine's setup lists one blank row each.
    void PrjClose();
    bool TestDirty();

private:
    TkzEditorDocHandler& handler_;
    TDM& dm_;
    TUndoHandler& undo_;
    TkzMRUFileList& recentFiles_;
    DocumentPrompts& prompts_;
    DocumentWindowHooks hooks_;
};

}  // namespace qm

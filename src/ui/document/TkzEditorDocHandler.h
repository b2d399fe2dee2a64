#pragma once

#include "document/TkzAbstractPrj.h"

#include <QString>
#include <functional>
#include <memory>

namespace qm {

class DocumentPrompts;

/// The document commands New, Open, Save, Save As and Close with the
/// questions that protect unsaved changes. The handler knows nothing of
/// projects: the application module answers its events with the project's
/// own work (ProjectDocumentHandlers).
class TkzEditorDocHandler {
public:
    /// `prompts` asks the questions and shows the messages; not owned.
    explicit TkzEditorDocHandler(DocumentPrompts& prompts) : prompts_(prompts) {}
    ~TkzEditorDocHandler();
    TkzEditorDocHandler(const TkzEditorDocHandler&) = delete;
    TkzEditorDocHandler& operator=(const TkzEditorDocHandler&) = delete;

    /// The word for the document in prompts; "project" while none is set.
    QString PrjTypeText() const;
    void setPrjTypeText(const QString& text) { prjTypeText_ = text; }

    /// The open document, or null.
    TkzAbstractPrj* View() const { return view_.get(); }
    /// Makes `view` the open document (OnPrjNew does this).
    void setView(std::unique_ptr<TkzAbstractPrj> view) { view_ = std::move(view); }

    // --- events, answered by the application module ---------------------------------
    /// Asks for a file to open; false when cancelled.
    std::function<bool(QString& fileName)> OnQueryOpen;
    /// Asks for a file name to save under; false when cancelled.
    std::function<bool(QString& fileName)> OnQuerySave;
    /// A new document has to be created, made the View and shown.
    std::function<void()> OnPrjNew;
    /// Reads the whole named file into a new document that is not shown
    /// yet and returns it. Raises when the file cannot be read; the open
    /// document is then still open and unchanged.
    std::function<std::unique_ptr<TkzAbstractPrj>(const QString& fileName)> OnPrjRead;
    /// The View is the document OnPrjRead returned, named after its file:
    /// show it.
    std::function<void()> OnPrjOpen;
    /// Writes the View to its FileName; raises when that fails.
    std::function<void()> OnPrjSave;
    /// The document has just been released.
    std::function<void()> OnPrjClose;
    /// Whether the View holds unsaved changes.
    std::function<bool()> OnTestDirty;

    // --- commands ---------------------------------------------------------------------
    /// If CloseQuery agrees, DoPrjNew.
    void New();
    /// CloseQuery, then OnQueryOpen, then PrjOpen of the chosen name.
    void Open();
    /// DoPrjSave when the document has a name, else SaveAs.
    void Save();
    /// Asks for a name (and whether to replace an existing file) and saves;
    /// true when saved. On a failed save the document keeps its name.
    bool SaveAs();
    /// If CloseQuery agrees, DoPrjClose.
    void Close();
    /// Opens a named file without asking to save first. A missing file is
    /// reported ("The file %s does not exist.") and changes nothing; so does
    /// a file that fails to read (raised after nothing was changed).
    void PrjOpen(const QString& fileName);

    // --- building blocks ----------------------------------------------------------------
    /// Whether the open document may be closed: true with no document or no
    /// unsaved changes; else asks "Save changes to the current project?"
    /// (Yes saves, No does not, Cancel refuses).
    bool CloseQuery();
    /// Releases the open document, if any, then raises OnPrjClose.
    void DoPrjClose();
    /// DoPrjClose, then OnPrjNew.
    void DoPrjNew();
    /// Raises OnPrjSave.
    void DoPrjSave();
    /// OnTestDirty's answer; false when it is not set or no document is open.
    bool IsDirty();
    /// SaveAs for an unnamed document, else DoPrjSave and true.
    bool SaveForClose();

private:
    DocumentPrompts& prompts_;
    QString prjTypeText_;
    std::unique_ptr<TkzAbstractPrj> view_;
};

}  // namespace qm

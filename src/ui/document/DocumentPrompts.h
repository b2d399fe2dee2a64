#pragma once

#include "report/MessageBoxes.h"

#include <QString>

namespace qm {

/// The questions, file dialogs and messages of the document commands. The
/// desktop program shows them on screen (WidgetDocumentPrompts); tests
/// answer them from a script.
class DocumentPrompts {
public:
    virtual ~DocumentPrompts() = default;
    /// A question with the buttons Yes, No and Cancel.
    virtual BoxButton askSaveChanges(const QString& text) = 0;
    /// A question with the buttons OK and Cancel.
    virtual BoxButton askReplace(const QString& text) = 0;
    /// The file to open; false when the user cancelled.
    virtual bool queryOpenFileName(QString& fileName) = 0;
    /// The file name to save under; false when the user cancelled. The
    /// dialog does not ask about replacing an existing file itself.
    virtual bool querySaveFileName(QString& fileName) = 0;
    /// A plain message with the button OK.
    virtual void showMessage(const QString& text) = 0;
};

}  // namespace qm

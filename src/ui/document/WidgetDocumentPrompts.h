#pragma once

#include "document/DocumentPrompts.h"

#include <QPointer>
#include <QWidget>

namespace qm {

/// The document prompts on screen: the questions through the program's
/// message boxes (MessageBoxes), the message through TkzError::MyMsg, and
/// project files chosen in file dialogs offering "Quillmere Project (QMP)".
class WidgetDocumentPrompts : public DocumentPrompts {
public:
    /// `parent` (may be null) owns the file dialogs while they are shown.
    explicit WidgetDocumentPrompts(QWidget* parent = nullptr) : parent_(parent) {}

    BoxButton askSaveChanges(const QString& text) override;
    BoxButton askReplace(const QString& text) override;
    bool queryOpenFileName(QString& fileName) override;
    bool querySaveFileName(QString& fileName) override;
    void showMessage(const QString& text) override;

    /// The one filter of both file dialogs.
    static QString fileFilter();
    /// The name with ".QMP" added when it has no extension.
    static QString withDefaultSuffix(const QString& fileName);

private:
    QPointer<QWidget> parent_;
    /// Where the last chosen project was; both dialogs start there.
    QString lastFolder_;
};

}  // namespace qm

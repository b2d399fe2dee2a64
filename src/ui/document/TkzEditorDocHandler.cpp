#include "document/TkzEditorDocHandler.h"

#include "common/Assertion.h"
#include "document/DocumentPrompts.h"
#include "report/KzError.h"

#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace qm {

TkzEditorDocHandler::~TkzEditorDocHandler() = default;

QString TkzEditorDocHandler::PrjTypeText() const {
    return prjTypeText_.isEmpty() ? u"project"_s : prjTypeText_;
}

void TkzEditorDocHandler::New() {
    if (CloseQuery()) {
        DoPrjNew();
    }
}

void TkzEditorDocHandler::Open() {
    if (!CloseQuery()) {
        return;
    }
    QString fileName;
    if (OnQueryOpen && OnQueryOpen(fileName)) {
        PrjOpen(fileName);
    }
}

void TkzEditorDocHandler::Save() {
    if (!view_) {
        return;
    }
    if (!view_->FileName().isEmpty()) {
        DoPrjSave();
    } else {
        SaveAs();
    }
}

bool TkzEditorDocHandler::SaveAs() {
    if (!view_) {
        return false;
    }
    QString fileName;
    if (!OnQuerySave || !OnQuerySave(fileName)) {
        return false;
    }
    if (QFileInfo::exists(fileName) &&
        prompts_.askReplace(u"The file \"%1\" already exists. Do you want to replace it?"_s.arg(
            fileName)) != BoxButton::Ok) {
        return false;
    }
    // A save that fails leaves the document under its old name, so that a
    // later Save does not write to the name that was refused.
    const QString previous = view_->FileName();
    view_->setFileName(fileName);
    try {
        DoPrjSave();
    } catch (...) {
        if (view_) {
            view_->setFileName(previous);
        }
        throw;
    }
    return true;
}

void TkzEditorDocHandler::Close() {
    if (CloseQuery()) {
        DoPrjClose();
    }
}

void TkzEditorDocHandler::PrjOpen(const QString& fileName) {
    TkzError::instance().Precondition(!fileName.isEmpty(), QString(), u"PrjOpen"_s);
    if (!QFileInfo::exists(fileName)) {
        prompts_.showMessage(u"The file "_s + fileName + u" does not exist."_s);
        return;
    }
    QM_ASSERT(OnPrjRead);
    // The whole file is read before the open document is released: a file
    // that fails part-way leaves that document open as it was, instead of a
    // document named after the file that holds part of it.
    std::unique_ptr<TkzAbstractPrj> read = OnPrjRead(fileName);
    QM_ASSERT(read);
    DoPrjClose();
    view_ = std::move(read);
    view_->setFileName(fileName);
    if (OnPrjOpen) {
        OnPrjOpen();
    }
}

bool TkzEditorDocHandler::CloseQuery() {
    if (!view_ || !IsDirty()) {
        return true;
    }
    switch (prompts_.askSaveChanges(u"Save changes to the current %1?"_s.arg(PrjTypeText()))) {
        case BoxButton::Yes:
            return SaveForClose();
        case BoxButton::No:
            return true;
        default:
            return false;
    }
}

void TkzEditorDocHandler::DoPrjClose() {
    if (!view_) {
        return;
    }
    view_.reset();
    if (OnPrjClose) {
        OnPrjClose();
    }
}

void TkzEditorDocHandler::DoPrjNew() {
    DoPrjClose();
    if (OnPrjNew) {
        OnPrjNew();
    }
}

void TkzEditorDocHandler::DoPrjSave() {
    if (OnPrjSave) {
        OnPrjSave();
    }
}

bool TkzEditorDocHandler::IsDirty() {
    return view_ && OnTestDirty && OnTestDirty();
}

bool TkzEditorDocHandler::SaveForClose() {
    if (!view_) {
        return true;
    }
    if (view_->FileName().isEmpty()) {
        return SaveAs();
    }
    DoPrjSave();
    return true;
}

}  // namespace qm

#include "document/TUndoHandler.h"

#include "common/ScopeGuards.h"
#include "project/PrjDataSaved.h"
#include "report/TextRules.h"

using namespace Qt::StringLiterals;

namespace qm {

void TUndoHandler::RecordChange(const QString& caption, const TPrjDataSaved& data,
                                int tableSetupIndex) {
    auto copy = std::make_unique<TPrjDataSaved>();
    copy->Assign(data);
    Record(std::make_unique<TProjectChangeUndoItem>(StripMenuCaption(caption), std::move(copy),
                                                    tableSetupIndex));
}

void TUndoHandler::Record(std::unique_ptr<TUndoItem> item) {
    previous_ = std::move(current_);
    current_ = std::move(item);
}

void TUndoHandler::RecordProjectChange(const QString& caption, const TPrjDataSaved& data,
                                       int tableSetupIndex) {
    RecordChange(u"Project -> "_s + caption, data, tableSetupIndex);
}

void TUndoHandler::DropLast() {
    current_ = std::move(previous_);
}

void TUndoHandler::Clear() {
    DropLast();
    DropLast();
}

QString TUndoHandler::UndoCaption() const {
    return current_ ? u'\'' + current_->Caption() + u'\'' : QString();
}

void TUndoHandler::Undo(TPrjView& view) {
    if (!current_) {
        return;
    }
    Finally release([this] { Clear(); });
    current_->Undo(view);
}

}  // namespace qm

#pragma once

#include "report/MessageViewer.h"

namespace qm {

/// The message viewer of the merge commands: information, error and yes/no
/// boxes, each text ending in a punctuation mark, optionally with the
/// don't-show-again check box.
class TPrjMsgViewer : public MessageViewer {
public:
    static TPrjMsgViewer& instance();

    void ShowInfo(const QString& text, bool dontShowAgain = false);
    void ShowError(const QString& text);
    /// True for Yes. A suppressed question answers Yes unseen; with forgetNo,
    /// any other answer clears a stored suppression, so only Yes is kept.
    bool AskYesNo(const QString& text, bool dontShowAgain = false, bool forgetNo = false);

    void showInfo(const QString& text) override { ShowInfo(text); }
    void showError(const QString& text) override { ShowError(text); }
    bool askYesNo(const QString& text) override { return AskYesNo(text); }
};

}  // namespace qm

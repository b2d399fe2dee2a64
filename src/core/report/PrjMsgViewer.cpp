#include "report/PrjMsgViewer.h"

#include "report/DontShowAgain.h"
#include "report/MessageBoxes.h"
#include "report/TextRules.h"

namespace qm {

TPrjMsgViewer& TPrjMsgViewer::instance() {
    static TPrjMsgViewer viewer;
    return viewer;
}

void TPrjMsgViewer::ShowInfo(const QString& text, bool dontShowAgain) {
    const QString shown = EnsurePunctuation(text);
    if (dontShowAgain) {
        DontShowAgain::MessageDlgDSA(shown, BoxKind::Information, {BoxButton::Ok}, BoxButton::Ok);
        return;
    }
    MessageBoxes::current().show({BoxKind::Information, shown, {BoxButton::Ok}, false});
}

void TPrjMsgViewer::ShowError(const QString& text) {
    MessageBoxes::current().show({BoxKind::Error, EnsurePunctuation(text), {BoxButton::Ok}, false});
}

bool TPrjMsgViewer::AskYesNo(const QString& text, bool dontShowAgain, bool forgetNo) {
    const QString shown = EnsurePunctuation(text);
    if (!dontShowAgain) {
        return MessageBoxes::current()
                   .show({BoxKind::Confirmation, shown, {BoxButton::Yes, BoxButton::No}, false})
                   .button == BoxButton::Yes;
    }
    const bool yes =
        DontShowAgain::MessageDlgDSA(shown, BoxKind::Confirmation, {BoxButton::Yes, BoxButton::No},
                                     BoxButton::Yes) == BoxButton::Yes;
    if (!yes && forgetNo) {
        DontShowAgain::setSuppressed(shown, false);
    }
    return yes;
}

}  // namespace qm

#pragma once

#include "report/MessageBoxes.h"

#include <QString>
#include <memory>

class QMessageBox;
class QWidget;

namespace qm {

/// The message boxes of the desktop program: every BoxRequest becomes a
/// modal QMessageBox with the icon of its kind, the application title as
/// caption, the requested buttons and, for don't-show-again boxes, the check
/// box "&Don't show this message again". Install one with
/// MessageBoxes::install() once the application object exists.
class WidgetMessageBoxes : public MessageBoxes {
public:
    /// Shows the box modally over the active window and waits for the answer.
    BoxAnswer show(const BoxRequest& request) override;

    /// The configured box of a request, not yet shown (show() runs it).
    static std::unique_ptr<QMessageBox> build(const BoxRequest& request, QWidget* parent = nullptr);
    /// The answer a closed box gives: the button pressed (the request's last
    /// button when the box was closed without one) and the check box's state.
    static BoxAnswer answerOf(const QMessageBox& box, const BoxRequest& request);

    /// The caption of every box: the application's name, "Quillmere" while
    /// none is set.
    static QString caption();

    /// The object name of the don't-show-again check box.
    static constexpr char16_t kDontShowAgainName[] = u"__DSA_CheckBox";
};

}  // namespace qm

#pragma once

class QBoxLayout;
class QDialog;
class QPushButton;

namespace qm {

/// The "OK" and "Cancel" buttons every command dialog of the program ends
/// with: OK is the default button and accepts, Cancel rejects. Adds them
/// to the bottom of `layout` and returns the OK button.
QPushButton* addOkCancelButtons(QDialog& dialog, QBoxLayout& layout);

}  // namespace qm

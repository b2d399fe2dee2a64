#pragma once

#include <QStatusBar>
#include <optional>

class QLabel;
class QToolButton;

namespace qm {

/// The status bar of the main window: four panels, from left to right the
/// status or hint text (300 wide), a gauge (100), the table-setup count of
/// the open project (300) and the modified indicator (right-aligned). While
/// long work runs, a Cancel button stands after the status text.
class StatusStrip : public QStatusBar {
    Q_OBJECT

public:
    explicit StatusStrip(QWidget* parent = nullptr);

    /// Panel 1: "Initializing...", "Ready" or the hint under the mouse.
    void setStatusText(const QString& text);
    QString statusText() const;
    /// Panel 3, from tableSetupCountText.
    void setTableSetupCount(std::optional<int> tableSetups);
    QString tableSetupCountText() const;
    /// Panel 4: "Modified" or empty.
    void setModified(bool modified);
    QString modifiedText() const;
    /// Shows or hides the Cancel button of long work.
    void setWorking(bool working);
    bool working() const;
    QToolButton& cancelButton() const { return *cancel_; }

signals:
    /// The user pressed the Cancel button.
    void cancelClicked();

private:
    QToolButton* cancel_ = nullptr;
    QLabel* status_ = nullptr;
    QLabel* count_ = nullptr;
    QLabel* modified_ = nullptr;
};

}  // namespace qm

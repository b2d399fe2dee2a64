#pragma once

#include <QFrame>
#include <QPoint>
#include <memory>

class QHBoxLayout;
class QLabel;
class QMenu;
class QMimeData;
class QTableView;
class QToolButton;

namespace qm {

class GroupRowsView;
class MemDataModel;

/// The strip above a grid's headers where the user groups the grid's rows
/// by one or more columns: by dragging a column header onto it, or with
/// "Group by this column" from a header's context menu (offered while the
/// strip is shown). The grouping columns show as buttons, outermost first;
/// a click on one, or "Ungroup" from its context menu, ungroups that
/// column. Attaches the group rows' behaviour (GroupRowsView) to the grid.
///
/// Attaching it to a grid: `GroupingStrip::attachAbove(view, model)`.
class GroupingStrip : public QFrame {
    Q_OBJECT

public:
    /// `view` shows `model`; both must outlive the strip.
    GroupingStrip(QTableView& view, MemDataModel& model, QWidget* parent = nullptr);

    /// Creates a strip for the grid and places it right above the grid in
    /// the layout of the grid's parent (a box layout), shown.
    static GroupingStrip* attachAbove(QTableView& view, MemDataModel& model);

    /// The text the empty strip shows.
    static QString hintText();
    /// What a drag of a column header of `view` carries; the strip of that
    /// grid takes it, no other.
    static std::unique_ptr<QMimeData> headerDragData(const QTableView& view, int column);

    /// Adds a column to the grouping, at `at` among the grouping columns
    /// (-1: innermost); a grouping column moves there.
    void groupBy(int column, int at = -1);
    /// Removes a column from the grouping.
    void ungroup(int column);
    /// The buttons' texts, outermost first.
    QStringList buttonTexts() const;
    /// The context menu of a column header ("Group by this column").
    std::unique_ptr<QMenu> headerMenu(int column);
    /// The context menu of a grouping button ("Ungroup").
    std::unique_ptr<QMenu> buttonMenu(int column);
    /// The button of a grouping column; null if it groups by none.
    QToolButton* button(int column) const;
    GroupRowsView& rowsView() const { return *rows_; }

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    /// Rebuilds the buttons from the model's grouping.
    void refresh();
    /// The column a drag from this grid's header carries; -1 for other drags.
    int draggedColumn(const QMimeData* mime) const;
    /// Where a drop at x goes among the grouping columns.
    int dropIndex(int x) const;
    void startHeaderDrag(int column);

    QTableView& view_;
    MemDataModel& model_;
    QHBoxLayout* layout_ = nullptr;
    QLabel* hint_ = nullptr;
    std::vector<QToolButton*> buttons_;
    GroupRowsView* rows_ = nullptr;
    int pressedSection_ = -1;
    QPoint pressedAt_;
};

}  // namespace qm

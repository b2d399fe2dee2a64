#pragma once

#include <QWidget>

class QAction;
class QLabel;
class QPlainTextEdit;
class QTableView;

namespace qm {

/// One half of the "Merge" tab: a title bar with the record-count label,
/// the grid of that side's list, and below it the query editor with the
/// button that opens the side.
class MergeSidePanel : public QWidget {
    Q_OBJECT

public:
    /// `side` names the widgets ("Source" or "Dest"); `title` is the bar's
    /// text, `queryLabel` the editor's label.
    MergeSidePanel(const QString& side, const QString& title, const QString& queryLabel,
                   QAction& openAction, int buttonWidth, QWidget* parent = nullptr);

    QTableView& grid() const { return *grid_; }
    QPlainTextEdit& queryEditor() const { return *query_; }
    QLabel& recordCountLabel() const { return *count_; }
    /// Shows a query without reporting it as an edit.
    void setQuery(const QString& sql);

signals:
    /// The user changed the query text.
    void queryEdited(const QString& sql);

private:
    QLabel* count_ = nullptr;
    QTableView* grid_ = nullptr;
    QPlainTextEdit* query_ = nullptr;
    bool settingQuery_ = false;
};

}  // namespace qm

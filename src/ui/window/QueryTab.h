#pragma once

#include "engine/AdHocQuery.h"
#include "engine/EnginePorts.h"

#include <QWidget>
#include <memory>
#include <optional>

class QAction;
class QLabel;
class QPlainTextEdit;
class QRadioButton;
class QTableView;

namespace qm {

class MemDataModel;
class TDM;

/// The "Query" tab: an ad-hoc query against the source or the target
/// database, with its result browsed read-only. From top to bottom: the
/// choice of database (the target at start), the "Result" bar with the
/// record count, the result grid (sortable by one or several columns from
/// the header, multi-row select), the SQL editor and the "&Open" button.
class QueryTab : public QWidget {
    Q_OBJECT

public:
    /// `queryOpen` is the "&Open" command its button runs.
    explicit QueryTab(QAction& queryOpen, QWidget* parent = nullptr);
    ~QueryTab() override;

    /// Runs the editor's SQL on the chosen side: closes the last result,
    /// connects the side through the engine and shows the rows. Raises what
    /// AdHocQuery::Run raises; the heading then stays "Not open".
    void Run(TDM& engine);

    /// The side the radio buttons choose.
    Side chosenSide() const;
    void chooseSide(Side side);
    QRadioButton& sideButton(Side side) const;

    QPlainTextEdit& SQLMemo() const { return *sqlMemo_; }
    QTableView& Grid() const { return *grid_; }
    MemDataModel& model() const { return *model_; }
    const AdHocQuery& query() const { return query_; }
    QString recordCountText() const;

    /// The heading's text: "Not open" without a result, "Unknown # of
    /// records" for a count of -1, else "%d records".
    static QString countText(std::optional<qsizetype> records);

private:
    void showResult(std::optional<qsizetype> records);
    /// Fits the columns to their contents, reading a sample of the rows.
    void fitColumns();

    // The result list outlives the model over it.
    AdHocQuery query_;
    std::unique_ptr<MemDataModel> model_;
    QRadioButton* useSource_ = nullptr;
    QRadioButton* useTarget_ = nullptr;
    QLabel* count_ = nullptr;
    QTableView* grid_ = nullptr;
    QPlainTextEdit* sqlMemo_ = nullptr;
};

}  // namespace qm

#pragma once

#include "engine/TFindLookup.h"
#include "list/MemData.h"

#include <QDialog>
#include <memory>
#include <vector>

class QTableView;

namespace qm {

class GridDeleteKey;
class GroupingStrip;
class MemDataModel;

/// The review of proposed lookup definitions: a grid over NewLookupsMemData
/// with its grouping strip. The user edits proposals in place, removes one
/// by deleting its row (Delete key) and unticks "Create" to skip one.
class TAutoAddLookupsForm : public QDialog {
    Q_OBJECT

public:
    explicit TAutoAddLookupsForm(const QString& caption, QWidget* parent = nullptr);
    ~TAutoAddLookupsForm() override;

    /// Shows the proposals, in the order given, each ticked as it says.
    void setProposals(const std::vector<LookupProposal>& proposals);
    /// The rows as the user left them, in list order.
    std::vector<LookupProposal> proposals() const;

    MemData& NewLookupsMemData() { return list_; }
    MemDataModel& model() const { return *model_; }
    QTableView& grid() const { return *grid_; }
    GroupingStrip& groupingStrip() const { return *strip_; }
    GridDeleteKey& deleteKey() const { return *deleteKey_; }

private:
    MemData list_{QStringLiteral("NewLookupsMemData")};
    std::unique_ptr<MemDataModel> model_;
    QTableView* grid_ = nullptr;
    GroupingStrip* strip_ = nullptr;
    GridDeleteKey* deleteKey_ = nullptr;
};

}  // namespace qm

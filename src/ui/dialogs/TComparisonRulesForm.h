#pragma once

#include "project/ComparisonRules.h"

#include <QDialog>
#include <QStringList>

class QLabel;
class QTableWidget;

namespace qm {

/// The comparison rules of one table setup as a grid: a first row
/// "(all columns)" for the rule of every column, then one row per column
/// with the rule that applies to it. Key columns are listed but cannot be
/// changed (they are matched by key, never compared under rules); columns
/// the rules name that are not among the columns come last, so that no
/// rule is lost unseen. A column row left equal to the first row has no
/// rule of its own.
///
/// A tolerance cell takes a number of 0 or more, or nothing; anything else
/// is refused (the cell keeps its value) and the reason is shown under the
/// grid.
class TComparisonRulesForm : public QDialog {
    Q_OBJECT

public:
    /// The grid's columns.
    enum Column {
        NameColumn,
        IgnoreColumn,
        IgnoreCaseColumn,
        TrimColumn,
        NullIsEmptyColumn,
        AbsToleranceColumn,
        RelToleranceColumn,
        TimeColumn,
        ColumnCount
    };

    explicit TComparisonRulesForm(QWidget* parent = nullptr);
    ~TComparisonRulesForm() override;

    /// Shows `rules` for these columns (in this order), `keys` among them.
    void setRules(const QString& tableSetupName, const ComparisonRules& rules,
                  const QStringList& columns, const QStringList& keys);
    /// The rules as the grid shows them: those given to setRules, with the
    /// rule for all columns and every listed column's own rule as edited
    /// (entries keep their order; new ones come after them).
    ComparisonRules rules() const;

    QTableWidget& grid() const { return *grid_; }
    /// The row of a column (matched regardless of letter case); 0 is the
    /// "(all columns)" row, -1 when not listed.
    int rowOfColumn(const QString& name) const;
    /// The reason the last refused cell entry was refused; empty when none.
    QString refusal() const;

    /// The texts of the date-time precision cells, exact first.
    static QStringList timeTexts();

signals:
    /// The Help button was clicked.
    void helpRequested();

private:
    class RuleItem;
    void setRowRule(int row, const ColumnRule& rule, bool editable);
    ColumnRule ruleOfRow(int row) const;
    /// Whether a row's rule can be changed: not a key column's.
    bool rowEditable(int row) const;
    void refuse(const QString& why);

    QLabel* intro_ = nullptr;
    QTableWidget* grid_ = nullptr;
    QLabel* refusal_ = nullptr;
    ComparisonRules given_;
    /// The rule the first row showed before its last change.
    ColumnRule shownAll_;
    QString tableSetupName_;
};

}  // namespace qm

#pragma once

#include "engine/EnginePorts.h"

#include <QWidget>
#include <array>
#include <optional>

class QAction;
class QLabel;
class QLineEdit;

namespace qm {

class MergeSidePanel;

/// The values of the current table setup that the "Merge" tab shows.
struct TableSetupView {
    QString name, primaryKeySpec, destTableName, sourceQuerySQL, destQuerySQL;
};

/// The "Merge" tab: the key and target-table fields with the table setup's
/// name, the source and target halves (MergeSidePanel) and the statistics
/// strip.
class MergeTab : public QWidget {
    Q_OBJECT

public:
    MergeTab(QAction& openSource, QAction& openTarget, QWidget* parent = nullptr);

    /// Shows a table setup without reporting edits.
    void showTableSetup(const TableSetupView& setup);
    MergeSidePanel& side(Side side) const;
    QLineEdit& keyEdit() const { return *key_; }
    QLineEdit& destTableEdit() const { return *destTable_; }
    QLabel& nameLabel() const { return *name_; }

    /// The record-count label of a side, from recordCountText.
    void setRecordCount(Side side, std::optional<qsizetype> records);
    /// Rows the databases counted but did not load: the record counts
    /// include them and say so; nullopt for lists holding all their rows.
    void setUnloadedRows(const std::optional<UnloadedRows>& rows);
    QString recordCountText(Side side) const;
    /// The five statistics labels (inserts, updates, deletes, differing and
    /// target-only records). Each keeps its place in the strip; a text too
    /// long for its place widens it and moves the labels after it along.
    void setStatistics(const QStringList& texts);
    QStringList statistics() const;

signals:
    /// The user changed a field of the table setup; `field` is its name in
    /// the table-setup list.
    void tableSetupEdited(const QString& field, const QString& text);

private:
    QWidget* topStrip();
    QWidget* statisticsStrip();
    void placeStatistics();

    QLineEdit* key_ = nullptr;
    QLineEdit* destTable_ = nullptr;
    QLabel* name_ = nullptr;
    MergeSidePanel* source_ = nullptr;
    MergeSidePanel* target_ = nullptr;
    std::array<QLabel*, 5> statistics_{};
    std::array<std::optional<qsizetype>, 2> records_{};
    std::optional<UnloadedRows> unloaded_;
    void showRecordCount(Side side);
};

}  // namespace qm

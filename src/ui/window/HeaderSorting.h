#pragma once

#include <QObject>

class QTableView;

namespace qm {

class MemDataModel;

/// Sorting a grid from its header: a click sorts by that column alone (a
/// second click turns the order round), a click with Shift adds the column
/// as a further sort key (or turns its order round when it is one already).
/// The header's indicator shows the first key. Replaces the view's own
/// one-column sorting.
class HeaderSorting : public QObject {
    Q_OBJECT

public:
    HeaderSorting(QTableView& view, MemDataModel& model);

    /// What a click on `column` does to the model's sort keys.
    void clicked(int column, bool addKey);

private:
    void showIndicator();

    QTableView& view_;
    MemDataModel& model_;
};

}  // namespace qm

#include "window/HeaderSorting.h"

#include "models/MemDataModel.h"
#include "shared/BusyCursor.h"

#include <QGuiApplication>
#include <QHeaderView>
#include <QTableView>
#include <algorithm>

namespace qm {

HeaderSorting::HeaderSorting(QTableView& view, MemDataModel& model)
    : QObject(&view), view_(view), model_(model) {
    // The view's own sorting would replace the keys on every click.
    view_.setSortingEnabled(false);
    QHeaderView* header = view_.horizontalHeader();
    header->setSectionsClickable(true);
    header->setSortIndicatorShown(true);
    connect(header, &QHeaderView::sectionClicked, this, [this](int column) {
        clicked(column, QGuiApplication::keyboardModifiers().testFlag(Qt::ShiftModifier));
    });
    connect(&model_, &QAbstractItemModel::modelReset, this, &HeaderSorting::showIndicator);
    showIndicator();
}

void HeaderSorting::clicked(int column, bool addKey) {
    const int field = model_.fieldOfColumn(column);
    if (field < 0) {
        return;
    }
    std::vector<std::pair<int, Qt::SortOrder>> keys;
    for (const SortKey& k : model_.sortKeys()) {
        const int c = model_.columnOfField(k.field);
        if (c >= 0) {
            keys.emplace_back(c, k.order);
        }
    }
    const auto turned = [](Qt::SortOrder o) {
        return o == Qt::AscendingOrder ? Qt::DescendingOrder : Qt::AscendingOrder;
    };
    const auto it = std::find_if(keys.begin(), keys.end(),
                                 [column](const auto& k) { return k.first == column; });
    if (addKey) {
        if (it != keys.end()) {
            it->second = turned(it->second);
        } else {
            keys.emplace_back(column, Qt::AscendingOrder);
        }
    } else {
        const Qt::SortOrder order =
            keys.size() == 1 && it != keys.end() ? turned(it->second) : Qt::AscendingOrder;
        keys = {{column, order}};
    }
    // A million rows take a few tenths of a second.
    const BusyScope busy;
    model_.sortBy(keys);
    showIndicator();
}

void HeaderSorting::showIndicator() {
    const auto& keys = model_.sortKeys();
    const int column = keys.empty() ? -1 : model_.columnOfField(keys.front().field);
    view_.horizontalHeader()->setSortIndicator(
        column, keys.empty() ? Qt::AscendingOrder : keys.front().order);
}

}  // namespace qm

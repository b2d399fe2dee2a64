#include "engine/TStatView.h"

namespace qm {

void TStatView::Clear() {
    counts_.reset();
    changed();
}

void TStatView::Show(int inserts, int updates, int deletes, int differences, int locals) {
    Show(ComparisonCounts{inserts, updates, deletes, differences, locals});
}

void TStatView::Show(const ComparisonCounts& counts) {
    counts_ = counts;
    changed();
}

void TStatView::ShowUnloaded(const std::optional<UnloadedRows>& rows) {
    if (rows == unloaded_) {
        return;
    }
    unloaded_ = rows;
    if (listener_) {
        listener_->unloadedRowsChanged(unloaded_);
    }
}

void TStatView::changed() {
    if (listener_) {
        listener_->statisticsChanged(counts_);
    }
}

}  // namespace qm

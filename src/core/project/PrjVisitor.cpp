#include "project/PrjVisitor.h"

#include "project/PrjData.h"

namespace qm {

void TPrjVisitor::Execute() {
    finished_ = false;
    try {
        BeginVisit();
        stop_ = false;
        for (int i = 0; i < project_.NodeCount() && !stop_; ++i) {
            BeforeNode();
            nodeIndex_ = i;
            project_.GetItem(i)->Accept(*this);
            AfterNode();
        }
        finished_ = true;
    } catch (...) {
        EndVisit();
        throw;
    }
    EndVisit();
}

}  // namespace qm

#include "common/ScopeGuards.h"
#include "engine/TDM.h"
#include "list/Frozen.h"
#include "project/PrjData.h"
#include "project/ProjectFiles.h"
#include "project/QMUtils.h"

using namespace Qt::StringLiterals;

namespace qm {

void TDM::LoadTableSetups(TPrjData& project) {
    // Before anything changes: a project whose rules cannot be read leaves
    // the lists as they were.
    checkComparisonRules(project);
    CloseBoth();
    project_ = &project;
    loadingTableSetups_ = true;
    Finally done([this] { loadingTableSetups_ = false; });

    MemData& d = dbSetupMemData_;
    if (!d.isOpen()) {
        d.open();
    }
    if (d.recordCount() == 0) {
        d.insert();
    } else if (d.state() == ListState::Browse) {
        d.first();
        d.edit();
    }
    TQMUtils::PropsToDataSet(project.settings(), d);
    d.post();

    MemData& t = tablesMemData_;
    Frozen frozen(t);
    t.close();
    t.open();
    for (int i = 0; i < project.NodeCount(); ++i) {
        t.append();
        TQMUtils::PropsToDataSet(project.GetItem(i)->props(), t);
        t.setAsInt(tf_.DisplayOrder, i + 1);
        t.post();
    }
    t.first();
}

}  // namespace qm

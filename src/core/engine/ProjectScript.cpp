#include "engine/ProjectScript.h"

#include "common/Assertion.h"
#include "common/Errors.h"
#include "engine/TDM.h"

#include <algorithm>

using namespace Qt::StringLiterals;

namespace qm {

void ProjectScript::SelectTableSetup(TDM& dm, int position) {
    MemData& tables = dm.TablesMemData();
    QM_ASSERT(tables.isOpen() && position >= 0 && position < tables.recordCount());
    tables.moveTo(position);
    // The list is sorted by DisplayOrder, which LoadTableSetups numbered
    // from the project's node order.
    QM_ASSERT(tables.asInt(dm.tableFields().DisplayOrder) == position + 1);
    // Moving to the row that is already current is no scroll, but a new
    // table setup always starts from closed lists.
    dm.CloseBoth();
}

void ProjectScript::AppendBlock(TDM& dm) {
    dm.ScriptCurrentTableSetup(false);
    if (!dm.DestMemData().isOpen()) {
        const MemData& tables = dm.TablesMemData();
        throw Error(u"No statements for table setup \"%1\": its target is not open."_s.arg(
            tables.asText(dm.tableFields().Name)));
    }
}

QString ProjectScript::statusText(Step step) {
    switch (step) {
        case Step::OpenedSource:
            return u"Opened Source"_s;
        case Step::OpenedDest:
            return u"Opened Dest"_s;
        case Step::Analyzed:
            return u"Analyzed"_s;
        case Step::Produced:
            break;
    }
    return u"Produced script to update table"_s;
}

void ProjectScript::Run(std::vector<int> positions) {
    std::sort(positions.begin(), positions.end());
    positions.erase(std::unique(positions.begin(), positions.end()), positions.end());
    const auto report = [this](int position, Step step) {
        if (onStep) {
            onStep(position, step);
        }
    };
    for (const int position : positions) {
        SelectTableSetup(dm_, position);
        if (beforeOpen) {
            beforeOpen(position);
        }
        // Both sides are read at once; the steps are reported in their order.
        dm_.OpenBoth();
        report(position, Step::OpenedSource);
        report(position, Step::OpenedDest);
        // The merge command works only while both lists are open.
        if (dm_.SourceMemData().isOpen() && dm_.DestMemData().isOpen()) {
            dm_.ChangeDataToEqualSource();
        }
        report(position, Step::Analyzed);
        AppendBlock(dm_);
        report(position, Step::Produced);
    }
}

}  // namespace qm

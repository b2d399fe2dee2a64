#include "project/PrjDataSaved.h"

#include "common/ScopeGuards.h"
#include "project/PrjIniFileSaver.h"

namespace qm {

void TPrjDataSaved::Assign(const TPrjDataSaved& source) {
    if (&source == this) {
        return;
    }
    Loading = true;
    Finally done([this] { Loading = false; });
    ClearNodes();
    replaceSettings(std::make_unique<TPropValueList>(source.settings()));
    setFileName(source.FileName());
    auto& from = const_cast<TPrjDataSaved&>(source);
    for (int i = 0; i < from.NodeCount(); ++i) {
        const TQMNodeData& node = *from.GetItem(i);
        auto copy = TQMNodeData::CreateNodeOfClass(node.nodeClass(), &settings(), this);
        copy->AssignFrom(node);
        InsertNode(i, std::move(copy));
    }
}

void TPrjDataSaved::SaveToFile(const QString& fileName) {
    SetVersion(1);
    TPrjIniFileSaver saver(*this, fileName);
    saver.Execute();
    SetModified(false);
}

}  // namespace qm

#include "project/PrjIsDirtyVisitor.h"

#include "common/Assertion.h"
#include "project/FrameNodeData.h"
#include "project/PrjData.h"
#include "project/QMObject.h"
#include "props/ChangeNotices.h"

namespace qm {

void TPrjIsDirtyVisitor::VisitImageNode(TImageNodeData& node) {
    QM_ASSERT(mode_ == Check || mode_ == Clean);
    if (mode_ == Check) {
        result_ = result_ || node.props().Modified() || node.Modified;
        return;
    }
    node.props().SetModified(false);
    node.Modified = false;
    if (node.project() && node.project()->NotifyChanges()) {
        ChangeNotices::notifyClean();
    }
}

void TPrjIsDirtyVisitor::VisitFrameNode(TFrameNodeData& node) {
    VisitImageNode(node);
    for (int i = 0; i < node.ObjectCount(); ++i) {
        TPropValueList& props = node.Objects(i).props();
        if (mode_ == Check) {
            result_ = result_ || props.Modified();
        } else {
            props.SetModified(false);
        }
    }
}

}  // namespace qm

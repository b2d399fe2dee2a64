#pragma once

#include "project/PrjVisitor.h"

namespace qm {

/// Collects (mode Check) or clears (mode Clean) the modified flags of every
/// node of a project and of the objects of its frame nodes.
class TPrjIsDirtyVisitor : public TPrjVisitor {
public:
    enum Mode { Check = 0, Clean = 1 };
    TPrjIsDirtyVisitor(TPrjData& project, int mode) : TPrjVisitor(project), mode_(mode) {}

    void VisitImageNode(TImageNodeData& node) override;
    void VisitFrameNode(TFrameNodeData& node) override;
    bool Result() const { return result_; }

private:
    int mode_;
    bool result_ = false;
};

}  // namespace qm

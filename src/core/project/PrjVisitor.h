#pragma once

namespace qm {

class TPrjData;
class TImageNodeData;
class TFrameNodeData;

/// Walks the nodes of a project in order; each node calls back the visit of
/// its class.
class TPrjVisitor {
public:
    explicit TPrjVisitor(TPrjData& project) : project_(project) {}
    virtual ~TPrjVisitor() = default;
    TPrjVisitor(const TPrjVisitor&) = delete;
    TPrjVisitor& operator=(const TPrjVisitor&) = delete;

    virtual void BeginVisit() {}
    /// Runs also when a visit failed; Finished() tells the two apart.
    virtual void EndVisit() {}
    virtual void BeforeNode() {}
    virtual void AfterNode() {}
    virtual void VisitImageNode(TImageNodeData& node) = 0;
    virtual void VisitFrameNode(TFrameNodeData& node) = 0;
    virtual void Execute();

    int CurrentNodeIndex() const { return nodeIndex_; }
    void Stop() { stop_ = true; }
    bool Finished() const { return finished_; }
    TPrjData& project() const { return project_; }

private:
    int nodeIndex_ = -1;
    bool stop_ = false;
    TPrjData& project_;
    bool finished_ = false;
};

}  // namespace qm

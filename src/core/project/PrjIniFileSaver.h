#pragma once

#include "project/PrjVisitor.h"

#include <QString>
#include <memory>

namespace qm {

class TFastMemIniFile;
class TQMNodeData;

/// Writes a project into its file: the settings, "Div", the node count, one
/// section per node and one per object. The file is written only when every
/// node was written, and replaced atomically, so a failure keeps the
/// previous file.
class TPrjIniFileSaver : public TPrjVisitor {
public:
    TPrjIniFileSaver(TPrjData& project, QString fileName);
    ~TPrjIniFileSaver() override;

    void BeginVisit() override;
    void EndVisit() override;
    void VisitImageNode(TImageNodeData& node) override;
    void VisitFrameNode(TFrameNodeData& node) override;

    /// "Nodes" and the index; Nodes0 for -1.
    virtual QString NodeSectionName(int nodeIndex) const;

    static QString infoText();
    static QString importantText();

    // The steps of a save, for writers of files in project form that hold
    // only some nodes.
    void openStore();
    void writeCount(int count);
    void writeStore();

private:
    void writeNode(TQMNodeData& node);

    std::unique_ptr<TFastMemIniFile> ini_;
    QString fileName_;
};

}  // namespace qm

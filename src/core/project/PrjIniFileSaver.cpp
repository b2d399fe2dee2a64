#include "project/PrjIniFileSaver.h"

#include "common/Assertion.h"
#include "common/ScopeGuards.h"
#include "ini/FastMemIniFile.h"
#include "project/FrameNodeData.h"
#include "project/MediaPath.h"
#include "project/PrjData.h"
#include "project/QMObject.h"

using namespace Qt::StringLiterals;

namespace qm {

TPrjIniFileSaver::TPrjIniFileSaver(TPrjData& project, QString fileName)
    : TPrjVisitor(project), fileName_(std::move(fileName)) {}

TPrjIniFileSaver::~TPrjIniFileSaver() = default;

QString TPrjIniFileSaver::infoText() {
    return u"Quillmere project file, written by Quillmere (kazmo)"_s;
}

QString TPrjIniFileSaver::importantText() {
    return u"This project file can not be edited outside the Quillmere editor. If you do so "
           u"Quillmere will not be able load it again."_s;
}

QString TPrjIniFileSaver::NodeSectionName(int nodeIndex) const {
    return u"Nodes"_s + QString::number(nodeIndex == -1 ? 0 : nodeIndex);
}

void TPrjIniFileSaver::openStore() {
    // Start from nothing: the file at that name is replaced, never read.
    ini_ = TFastMemIniFile::fromText(QString(), fileName_);
}

void TPrjIniFileSaver::writeCount(int count) {
    QM_ASSERT(ini_);
    ini_->WriteInteger(u"Nodes"_s, u"Count"_s, count);
}

void TPrjIniFileSaver::writeStore() {
    QM_ASSERT(ini_);
    ini_->UpdateFile();
    ini_.reset();
}

void TPrjIniFileSaver::BeginVisit() {
    project().setFileName(fileName_);
    openStore();
    project().settings().WriteToIni(*ini_, -1, -1);
    ini_->WriteString(u"Div"_s, u"Info"_s, infoText());
    ini_->WriteString(u"Div"_s, u"IMPORTANT"_s, importantText());
    writeCount(project().NodeCount());
}

void TPrjIniFileSaver::EndVisit() {
    if (!Finished()) {
        // A node could not be written: keep the previous file.
        ini_.reset();
        return;
    }
    writeStore();
}

void TPrjIniFileSaver::writeNode(TQMNodeData& node) {
    QM_ASSERT(!project().FileName().isEmpty());
    const QString path = node.GetMediaFilePath();
    const QString bare = bareNameBesideProject(path, project().FileName());
    const QString fileName = node.FileName;
    if (!bare.isEmpty()) {
        node.SetMediaFilePath(bare);
    }
    Finally restore([&] {
        if (!bare.isEmpty()) {
            node.SetMediaFilePath(path);
            node.FileName = fileName;
        }
    });
    node.SetKind(TQMNodeData::NodeKindOf(node));
    node.props().WriteToIni(*ini_, CurrentNodeIndex(), -1);
}

void TPrjIniFileSaver::VisitImageNode(TImageNodeData& node) {
    writeNode(node);
}

void TPrjIniFileSaver::VisitFrameNode(TFrameNodeData& node) {
    writeNode(node);
    const int n = CurrentNodeIndex();
    ini_->WriteInteger(NodeSectionName(n), u"ObjectCount"_s, node.ObjectCount());
    for (int m = 0; m < node.ObjectCount(); ++m) {
        node.Objects(m).SaveToIni(*ini_, n, m);
    }
}

}  // namespace qm

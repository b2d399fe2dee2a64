#include "project/QMNodeData.h"

#include "common/Assertion.h"
#include "ini/FastMemIniFile.h"
#include "project/FrameNodeData.h"
#include "project/PrjData.h"
#include "project/TableSetup.h"
#include "report/KzError.h"

#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace qm {

const TPropDescrList& TQMNodeData::nodeDescriptors() {
    static const TPropDescrList list = [] {
        TPropDescrList l;
        l.AddInteger(u"Kind"_s).NotAssigned = true;
        l.AddBoolean(u"ShortCut"_s).setDefaultBoolean(true);
        l.AddString(u"MediaFilePath"_s, false, nullptr, u"FilePath"_s);
        l.AddString(u"Description"_s);
        l.AddBoolean(u"HideInMenu"_s);
        l.AddString(u"Name"_s);
        l.AddString(u"SourceQuerySQL"_s);
        l.AddString(u"DestQuerySQL"_s);
        l.AddString(u"PrimaryKeySpec"_s);
        l.AddString(u"DestTableName"_s);
        l.AddInteger(u"DisplayOrder"_s).AlwaysStored = true;
        l.AddBoolean(u"ScriptOn"_s);
        l.AddBoolean(u"ScriptTableChanged"_s);
        // Written only when the table setup has rules (empty is the default).
        l.AddString(TableSetup::rulesProperty());
        return l;
    }();
    return list;
}

TQMNodeData::TQMNodeData(TPropValueList* settings, bool creating, const TPropDescrList& descrs)
    : settings_(settings) {
    QM_ASSERT(creating);
    props_.setDescrList(&descrs);
}

TQMNodeData::~TQMNodeData() = default;

std::unique_ptr<TQMNodeData> TQMNodeData::CreateNodeOfKind(int kind, TPropValueList* settings,
                                                           TPrjData* project) {
    QM_ASSERT(settings);
    switch (kind) {
        case 0:
            TkzError::instance().ProgError(u"464356 - Uninitialised"_s,
                                           u"TQMNodeData.CreateNodeOfKind"_s);
        case 1:
        case 2:
        case 3:
        case 8:
            TkzError::instance().ProgError(u"6786586- Can't convert node kind"_s,
                                           u"TQMNodeData.CreateNodeOfKind"_s);
        case 6:
            return CreateNodeOfClass(NodeClass::Frame, settings, project);
        case 7:
            return CreateNodeOfClass(NodeClass::Image, settings, project);
        default:
            // Sound, album and other kinds of the slide-show editor have no
            // class in this program.
            TkzError::instance().ProgError(
                u"Node kind %1 is not supported: only table setups (kind 6) and kind 7 can be "
                u"loaded"_s.arg(kind),
                u"TQMNodeData.CreateNodeOfKind"_s);
    }
}

std::unique_ptr<TQMNodeData> TQMNodeData::CreateNodeOfClass(NodeClass cls, TPropValueList* settings,
                                                            TPrjData* project) {
    QM_ASSERT(settings);
    std::unique_ptr<TQMNodeData> node;
    if (cls == NodeClass::Frame) {
        node = std::make_unique<TFrameNodeData>(settings, true);
    } else {
        node = std::make_unique<TImageNodeData>(settings, true);
    }
    node->setOwner(project);
    return node;
}

std::unique_ptr<TQMNodeData> TQMNodeData::CloneNode(const TQMNodeData& source,
                                                    TPropValueList* settings, TPrjData* project) {
    auto node = CreateNodeOfClass(source.nodeClass(), settings, project);
    node->AssignFrom(source);
    return node;
}

int TQMNodeData::NodeKindOf(const TQMNodeData& node) {
    return node.nodeClass() == NodeClass::Frame ? 6 : 7;
}

std::unique_ptr<TQMNodeData> TQMNodeData::CreateNodeFromFile(const QString& fileName,
                                                             TPropValueList* settings,
                                                             TPrjData* project) {
    const QString ext = u'.' + QFileInfo(fileName).suffix().toLower();
    if (ext == u".qmn"_s) {
        return ProduceNodeDataFromShortCutFilename(fileName, project);
    }
    int kind = 7;
    if (ext == u".mid"_s || ext == u".wav"_s || ext == u".mp3"_s) {
        kind = 9;
    } else if (ext == u".qmm"_s) {
        kind = 4;
    }
    auto node = CreateNodeOfKind(kind, settings, project);
    node->SetMediaFilePath(fileName);
    node->SetShortCut(false);
    return node;
}

std::unique_ptr<TQMNodeData> TQMNodeData::ProduceNodeDataFromShortCutFilename(
    const QString& fileName, TPrjData* project) {
    TkzError::instance().Precondition(QFileInfo::exists(fileName), u"File not found"_s,
                                      u"323543"_s);
    QM_ASSERT(project);
    TFastMemIniFile ini(fileName);
    const int kind = ini.ReadInteger(u"Nodes0"_s, u"Kind"_s, -1);
    if (kind == -1) {
        TkzError::instance().RuntimeError(u"Illegal nodekind"_s,
                                          u"ProduceNodeDataFromShortCutFilename"_s);
    }
    auto node = CreateNodeOfKind(kind & 0xFF, &project->settings(), project);
    node->LoadFromIni(ini, 0, false, -1);
    node->FileName = fileName;
    node->SetShortCut(true);
    return node;
}

QString TQMNodeData::GetMediaFilePath() {
    return props_.getString(u"MediaFilePath"_s);
}

void TQMNodeData::SetMediaFilePath(const QString& path) {
    props_.setString(u"MediaFilePath"_s, path);
    FileName = path;
}

void TQMNodeData::setOwner(TPrjData* project) {
    QM_ASSERT(props_.descrList());
    owner_ = project;
    props_.setNotifyChanges(project && project->NotifyChanges());
}

void TQMNodeData::LoadFromIni(const TCustomFastIniFile& ini, int nodeIndex, bool, int) {
    props_.ReadFromIni(ini, nodeIndex, -1);
}

void TQMNodeData::AssignFrom(const TQMNodeData& source) {
    props_.AssignValues(source.props_);
}

void TQMNodeData::Accept(TPrjVisitor&) {
    TkzError::instance().RuntimeError(u"Can't accept TQMNodeData"_s, u"TQMNodeData.Accept"_s);
}

}  // namespace qm

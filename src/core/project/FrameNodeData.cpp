#include "project/FrameNodeData.h"

#include "common/Assertion.h"
#include "ini/CustomFastIniFile.h"
#include "project/PrjVisitor.h"
#include "project/QMObject.h"

using namespace Qt::StringLiterals;

namespace qm {

const TPropDescrList& TFrameNodeData::frameNodeDescriptors() {
    static const TPropDescrList list = [] {
        TPropDescrList l(imageNodeDescriptors());
        l.AddBoolean(u"WasImageSlide"_s);
        return l;
    }();
    return list;
}

TFrameNodeData::TFrameNodeData(TPropValueList* settings, bool creating)
    : TImageNodeData(settings, creating, frameNodeDescriptors()) {}

TFrameNodeData::~TFrameNodeData() = default;

TQMObject& TFrameNodeData::Objects(int index) const {
    QM_ASSERT(index >= 0 && index < objects_.Count());
    return *objects_.Items(index);
}

TQMObject& TFrameNodeData::AddObject(int typeCode, TQMObject* parent) {
    TQMObject& object = objects_.Add(TQMObject::CreateObjectOfType(typeCode, this));
    object.setParentControl(parent);
    return object;
}

void TFrameNodeData::LoadFromIni(const TCustomFastIniFile& ini, int nodeIndex, bool flag,
                                 int objectIndex) {
    TImageNodeData::LoadFromIni(ini, nodeIndex, flag, objectIndex);
    objects_.Clear();
    const QString nodeSection = u"Nodes"_s + QString::number(nodeIndex);
    const int count = ini.ReadInteger(nodeSection, u"ObjectCount"_s, -1);
    for (int m = 0; m < count; ++m) {
        const QString section = nodeSection + u" Object"_s + QString::number(m);
        const int type = ini.ReadInteger(section, u"Type"_s, -1);
        QM_ASSERT_MSG(type != -1, u"No type found in section %1"_s.arg(section));
        TQMObject& object = objects_.Add(TQMObject::CreateObjectOfType(type, this));
        object.LoadFromIni(ini, nodeIndex, m);
    }
}

void TFrameNodeData::AssignFrom(const TQMNodeData& source) {
    TImageNodeData::AssignFrom(source);
    objects_.Clear();
    const auto* frame = dynamic_cast<const TFrameNodeData*>(&source);
    if (!frame) {
        return;
    }
    const TQMObjectList& from = frame->objects_;
    for (int i = 0; i < from.Count(); ++i) {
        const TQMObject& src = *from.Items(i);
        TQMObject& copy = objects_.Add(TQMObject::CreateObjectOfType(src.TypeCode(), this));
        copy.AssignFrom(src);
        copy.setParentControl(nullptr);
        copy.props().setInteger(u"ParentIdx"_s, from.IndexOf(src.ParentControl()));
        for (int a = TQMObject::AnchorLeft; a <= TQMObject::AnchorBottom; ++a) {
            const auto anchor = static_cast<TQMObject::Anchor>(a);
            copy.setAnchorObject(anchor, nullptr);
            const TQMObject* target = src.AnchorObject(anchor);
            copy.props().setInteger(QString::fromUtf16(TQMObject::anchorIdxName(anchor)),
                                    target ? from.IndexOf(target) : -1);
        }
    }
}

void TFrameNodeData::Accept(TPrjVisitor& visitor) {
    visitor.VisitFrameNode(*this);
}

}  // namespace qm

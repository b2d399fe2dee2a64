#include "project/QMObject.h"

#include "common/Assertion.h"
#include "project/FrameNodeData.h"
#include "project/MediaObject.h"
#include "project/PrjData.h"
#include "report/KzError.h"

using namespace Qt::StringLiterals;

namespace qm {
namespace {

constexpr const char16_t* kAnchorIdx[] = {u"AnchorLeftObjectIdx", u"AnchorRightObjectIdx",
                                          u"AnchorTopObjectIdx", u"AnchorBottomObjectIdx"};

}  // namespace

const char16_t* TQMObject::anchorIdxName(Anchor a) {
    return kAnchorIdx[a];
}

const TPropDescrList& TQMObject::objectDescriptors() {
    static const TPropDescrList list = [] {
        TPropDescrList l;
        l.AddInteger(u"ObjectType"_s, true, nullptr, u"Type"_s).AlwaysStored = true;
        l.AddInteger(u"Left"_s);
        l.AddInteger(u"Top"_s);
        l.AddInteger(u"Width"_s, true).AlwaysStored = true;
        l.AddInteger(u"Height"_s, true).AlwaysStored = true;
        l.AddInteger(u"ParentIdx"_s).setDefaultInteger(-1);
        l.AddInteger(u"AnchorLeftObjectIdx"_s).setDefaultInteger(-1);
        l.AddBoolean(u"AnchorLeftToRightSide"_s);
        // The key's spelling is what files have always held.
        l.AddInteger(u"AnchorRightObjectIdx"_s, false, nullptr, u"AnchorRigthObjectIdx"_s)
            .setDefaultInteger(-1);
        l.AddBoolean(u"AnchorRightToLeftSide"_s);
        l.AddInteger(u"AnchorTopObjectIdx"_s).setDefaultInteger(-1);
        l.AddBoolean(u"AnchorTopToBottomSide"_s);
        l.AddInteger(u"AnchorBottomObjectIdx"_s).setDefaultInteger(-1);
        l.AddBoolean(u"AnchorBottomToTopSide"_s);
        return l;
    }();
    return list;
}

const TPropDescrList& TQMBorderObject::borderDescriptors() {
    static const TPropDescrList list = [] {
        TPropDescrList l(objectDescriptors());
        for (const auto* name : {u"LeftSize", u"RightSize", u"TopSize", u"BottomSize"}) {
            l.AddInteger(QString::fromUtf16(name));
        }
        for (const auto* name :
             {u"LookupName", u"FieldName", u"LookupTableName", u"LookupKeyFieldName",
              u"LookupDisplayFieldName", u"CustomLookupSQLQuery"}) {
            l.AddString(QString::fromUtf16(name));
        }
        return l;
    }();
    return list;
}

TQMObject::TQMObject() {
    raiseAssertion(__FILE__, __LINE__,
                   u"Don't call this create directly - use other constructor instead"_s);
}

TQMObject::TQMObject(bool creating, const TPropDescrList& descrs) {
    QM_ASSERT_MSG(creating, u"This must not be called directly. Use CreateMediaObjectType"_s);
    props_.setDescrList(&descrs);
    QM_ASSERT(descrs.IndexOf(u"ObjectType"_s) >= 0);
    SetLeft(0);
    SetTop(0);
    SetWidth(100);
    SetHeight(70);
}

TQMObject::~TQMObject() = default;

TQMBorderObject::TQMBorderObject(bool creating) : TQMObject(creating, borderDescriptors()) {}

std::unique_ptr<TQMObject> TQMObject::CreateObjectOfType(int type, TQMNodeData* node) {
    auto* frame = dynamic_cast<TFrameNodeData*>(node);
    QM_ASSERT(node);
    QM_ASSERT(frame);
    QM_ASSERT(frame->props().descrList());
    std::unique_ptr<TQMObject> object;
    switch (type) {
        case 0:
            object.reset(new TQMObject(true, objectDescriptors()));
            break;
        case 1:
            object = std::make_unique<TQMBorderObject>(true);
            break;
        case 3:
            object = std::make_unique<TQMImageObject>(true);
            break;
        case 4:
            object = std::make_unique<TQMTextObject>(true);
            break;
        default:
            TkzError::instance().ProgError(u"Unknown type"_s, u"45693"_s);
    }
    object->setOwnerNode(frame);
    return object;
}

void TQMObject::setOwnerNode(TFrameNodeData* node) {
    owner_ = node;
    const TPrjData* project = node ? node->project() : nullptr;
    props_.setNotifyChanges(project && project->NotifyChanges());
}

void TQMObject::SetLeft(int v) {
    props_.setInteger(u"Left"_s, v);
    left_ = v;
}

void TQMObject::SetTop(int v) {
    props_.setInteger(u"Top"_s, v);
    top_ = v;
}

void TQMObject::SetWidth(int v) {
    props_.setInteger(u"Width"_s, v);
    width_ = v;
}

void TQMObject::SetHeight(int v) {
    props_.setInteger(u"Height"_s, v);
    height_ = v;
}

void TQMObject::forgetLinksTo(const TQMObject* object) {
    if (parentControl_ == object) {
        parentControl_ = nullptr;
    }
    for (auto& a : anchors_) {
        if (a == object) {
            a = nullptr;
        }
    }
}

int TQMObject::ParentIdx() {
    return props_.getInteger(u"ParentIdx"_s);
}

int TQMObject::AnchorIdx(Anchor a) {
    return props_.getInteger(QString::fromUtf16(kAnchorIdx[a]));
}

void TQMObject::LoadFromIni(const TCustomFastIniFile& ini, int nodeIndex, int objectIndex) {
    props_.ReadFromIni(ini, nodeIndex, objectIndex);
    // Parent and anchors stay as indices: loading does not link objects.
    left_ = props_.getInteger(u"Left"_s);
    top_ = props_.getInteger(u"Top"_s);
    width_ = props_.getInteger(u"Width"_s);
    height_ = props_.getInteger(u"Height"_s);
}

void TQMObject::SaveToIni(TCustomFastIniFile& ini, int nodeIndex, int objectIndex) {
    props_.setInteger(u"ObjectType"_s, TypeCode());
    SetLeft(left_);
    SetTop(top_);
    SetWidth(width_);
    SetHeight(height_);
    const auto indexIn = [this](const TQMObject* o) {
        return (o && owner_) ? owner_->Objects().IndexOf(o) : -1;
    };
    props_.setInteger(u"ParentIdx"_s, indexIn(parentControl_));
    for (int a = AnchorLeft; a <= AnchorBottom; ++a) {
        props_.setInteger(QString::fromUtf16(kAnchorIdx[a]), indexIn(anchors_[a]));
    }
    props_.WriteToIni(ini, nodeIndex, objectIndex);
}

void TQMObject::AssignFrom(const TQMObject& source) {
    props_.AssignValues(source.props_);
    left_ = source.left_;
    top_ = source.top_;
    width_ = source.width_;
    height_ = source.height_;
    parentControl_ = source.parentControl_;
}

}  // namespace qm

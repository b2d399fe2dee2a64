#pragma once

#include "props/PropValueList.h"

#include <array>
#include <memory>

namespace qm {

class TCustomFastIniFile;
class TQMNodeData;
class TFrameNodeData;

/// An object inside a frame node. For the merge functions every object of a
/// table setup is a lookup definition (type 1); the other types are kept
/// from the slide-show editor the file format comes from and are loaded,
/// saved and copied like the others. Bounds, parent and anchors are plain
/// fields: objects are never shown.
class TQMObject {
public:
    enum Anchor { AnchorLeft = 0, AnchorRight, AnchorTop, AnchorBottom };

    /// Objects are made by the factory only; this constructor always raises.
    TQMObject();
    virtual ~TQMObject();
    TQMObject(const TQMObject&) = delete;
    TQMObject& operator=(const TQMObject&) = delete;

    /// Type 0, 1, 3 or 4 for a frame node (a node of another class, or none,
    /// is an internal-check failure); any other type is the program error
    /// "Unknown type". The node becomes the object's owner; the object is not
    /// added to its list.
    static std::unique_ptr<TQMObject> CreateObjectOfType(int type, TQMNodeData* node);
    /// Whether CreateObjectOfType makes an object of that type.
    static bool IsKnownType(int type) { return type == 0 || type == 1 || type == 3 || type == 4; }

    /// 0 here, 1 for lookup definitions, 2 to 4 for the media classes.
    virtual int TypeCode() const { return 0; }

    TPropValueList& props() { return props_; }
    const TPropValueList& props() const { return props_; }

    TFrameNodeData* OwnerNode() const { return owner_; }
    /// Sets the owning node; the property list takes the change-notice state
    /// of the node's project (off without a project).
    void setOwnerNode(TFrameNodeData* node);

    int Left() const { return left_; }
    int Top() const { return top_; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    void SetLeft(int v);
    void SetTop(int v);
    void SetWidth(int v);
    void SetHeight(int v);

    TQMObject* ParentControl() const { return parentControl_; }
    void setParentControl(TQMObject* parent) { parentControl_ = parent; }
    TQMObject* AnchorObject(Anchor a) const { return anchors_[a]; }
    void setAnchorObject(Anchor a, TQMObject* object) { anchors_[a] = object; }
    /// Drops every link to an object that is going away.
    void forgetLinksTo(const TQMObject* object);

    int ParentIdx();
    int AnchorIdx(Anchor a);

    virtual void LoadFromIni(const TCustomFastIniFile& ini, int nodeIndex, int objectIndex);
    virtual void SaveToIni(TCustomFastIniFile& ini, int nodeIndex, int objectIndex);
    virtual void AssignFrom(const TQMObject& source);

    static const TPropDescrList& objectDescriptors();
    static const char16_t* anchorIdxName(Anchor a);

protected:
    /// creating: the factory's flag; false is an internal-check failure.
    TQMObject(bool creating, const TPropDescrList& descrs);

private:
    TPropValueList props_;
    TFrameNodeData* owner_ = nullptr;      // not owned
    TQMObject* parentControl_ = nullptr;   // not owned
    std::array<TQMObject*, 4> anchors_{};  // not owned
    int left_ = 0;
    int top_ = 0;
    int width_ = 0;
    int height_ = 0;
};

/// A lookup definition: a field of the target query, the table it is looked
/// up in, that table's key and display fields, and an optional query.
class TQMBorderObject : public TQMObject {
public:
    explicit TQMBorderObject(bool creating);
    int TypeCode() const override { return 1; }

    int LeftSize() { return props().getInteger(QStringLiteral("LeftSize")); }
    int RightSize() { return props().getInteger(QStringLiteral("RightSize")); }
    int TopSize() { return props().getInteger(QStringLiteral("TopSize")); }
    int BottomSize() { return props().getInteger(QStringLiteral("BottomSize")); }
    QString LookupName() { return props().getString(QStringLiteral("LookupName")); }

    static const TPropDescrList& borderDescriptors();
};

}  // namespace qm

#pragma once

#include "project/ImageNodeData.h"
#include "project/QMObjectList.h"

namespace qm {

class TQMObject;

/// A node of kind 6: one table setup, with one object per lookup definition.
class TFrameNodeData : public TImageNodeData {
public:
    TFrameNodeData(TPropValueList* settings, bool creating);
    ~TFrameNodeData() override;

    NodeClass nodeClass() const override { return NodeClass::Frame; }
    QString GetMediaFilePath() override { return QString(); }
    void LoadFromIni(const TCustomFastIniFile& ini, int nodeIndex, bool flag,
                     int objectIndex) override;
    void AssignFrom(const TQMNodeData& source) override;
    void Accept(TPrjVisitor& visitor) override;

    int ObjectCount() const { return objects_.Count(); }
    /// The object at an index; an index at or beyond the count is an
    /// internal-check failure.
    TQMObject& Objects(int index) const;
    TQMObjectList& Objects() { return objects_; }
    const TQMObjectList& Objects() const { return objects_; }
    /// Creates an object of a class (a type code), appends it, makes it the
    /// top child of the parent (none for a lookup definition) and returns it.
    TQMObject& AddObject(int typeCode, TQMObject* parent = nullptr);

    static const TPropDescrList& frameNodeDescriptors();

private:
    TQMObjectList objects_;
};

}  // namespace qm

#pragma once

#include "project/QMNodeData.h"

namespace qm {

/// A node of kind 7 (a picture slide of the slide-show editor); its
/// properties inherit from the project's settings.
class TImageNodeData : public TQMNodeData {
public:
    TImageNodeData(TPropValueList* settings, bool creating);
    NodeClass nodeClass() const override { return NodeClass::Image; }
    void Accept(TPrjVisitor& visitor) override;
    static const TPropDescrList& imageNodeDescriptors();

protected:
    TImageNodeData(TPropValueList* settings, bool creating, const TPropDescrList& descrs);
};

}  // namespace qm

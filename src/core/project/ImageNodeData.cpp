#include "project/ImageNodeData.h"

#include "project/PrjVisitor.h"

namespace qm {

const TPropDescrList& TImageNodeData::imageNodeDescriptors() {
    static const TPropDescrList list(nodeDescriptors());
    return list;
}

TImageNodeData::TImageNodeData(TPropValueList* settings, bool creating)
    : TImageNodeData(settings, creating, imageNodeDescriptors()) {}

TImageNodeData::TImageNodeData(TPropValueList* settings, bool creating,
                               const TPropDescrList& descrs)
    : TQMNodeData(settings, creating, descrs) {
    props().setParent(settings);
}

void TImageNodeData::Accept(TPrjVisitor& visitor) {
    visitor.VisitImageNode(*this);
}

}  // namespace qm

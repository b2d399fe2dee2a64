#include "engine/ProjectTableSetups.h"

#include "list/MemData.h"
#include "project/FrameNodeData.h"
#include "project/PrjData.h"
#include "project/QMObject.h"
#include "project/QMUtils.h"

#include <algorithm>

using namespace Qt::StringLiterals;

namespace qm::ProjectTableSetups {

TFrameNodeData& AddTableSetup(TPrjData& project, const MemData& tableSetupRow) {
    auto node = TQMNodeData::CreateNodeOfKind(6, &project.settings(), &project);
    TQMUtils::DataSetToProps(node->props(), tableSetupRow);
    const int position = project.NodeCount();
    node->props().setInteger(u"DisplayOrder"_s, position + 1);
    auto& frame = static_cast<TFrameNodeData&>(*node);
    project.InsertNode(position, std::move(node));
    return frame;
}

void CreateLookupDefinitionFields(MemData& list) {
    for (const char16_t* name : {u"LookupName", u"FieldName", u"LookupTableName",
                                 u"LookupKeyFieldName", u"LookupDisplayFieldName"}) {
        FieldDef f;
        f.name = QString::fromUtf16(name);
        f.type = FieldType::String;
        f.size = 255;
        list.addField(f);
    }
    FieldDef custom;
    custom.name = u"CustomLookupSQLQuery"_s;
    custom.type = FieldType::Memo;
    list.addField(custom);
}

TQMObject& AddLookupDefinition(TFrameNodeData& tableSetup, const MemData& values) {
    TQMObject& object = tableSetup.AddObject(1);
    try {
        TQMUtils::DataSetToProps(object.props(), values);
    } catch (...) {
        tableSetup.Objects().Remove(&object);
        throw;
    }
    return object;
}

std::vector<int> Positions(TPrjData& project, const QStringList& names, QStringList& unknown) {
    std::vector<int> positions;
    if (names.isEmpty()) {
        for (int i = 0; i < project.NodeCount(); ++i) {
            positions.push_back(i);
        }
        return positions;
    }
    const QStringList all = Names(project);
    for (const QString& name : names) {
        const auto at = static_cast<int>(all.indexOf(name));
        if (at < 0) {
            if (!unknown.contains(name)) {
                unknown << name;
            }
        } else if (std::find(positions.begin(), positions.end(), at) == positions.end()) {
            positions.push_back(at);
        }
    }
    std::sort(positions.begin(), positions.end());
    return positions;
}

QStringList Names(TPrjData& project) {
    QStringList names;
    for (int i = 0; i < project.NodeCount(); ++i) {
        names << project.GetItem(i)->Name();
    }
    return names;
}

}  // namespace qm::ProjectTableSetups

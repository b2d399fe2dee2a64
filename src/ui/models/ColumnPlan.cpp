#include "models/ColumnPlan.h"

using namespace Qt::StringLiterals;

namespace qm {

ColumnPlan ColumnPlan::tableSetups() {
    ColumnPlan plan;
    plan.columns = {
        {u"RecId"_s, u"RecId"_s, 49, false, false},
        {u"DisplayOrder"_s, u"#"_s, 31, true, false},
        {u"Name"_s, u"Table Setup Name"_s, 247, true, false},
        {u"SourceQuerySQL"_s, u"Source Query SQL"_s, -1, false, false},
        {u"DestQuerySQL"_s, u"Target Query SQL"_s, -1, false, false},
        {u"PrimaryKeySpec"_s, u"Primary Key"_s, 234, true, false},
        {u"DestTableName"_s, u"Target Table Name"_s, 164, true, false},
        {u"ScriptOn"_s, u"Script Enabled"_s, 100, false, true},
        {u"ScriptTableChanged"_s, u"Script Table Changed"_s, 126, false, true},
    };
    plan.sortField = u"DisplayOrder"_s;
    return plan;
}

std::vector<ColumnSpec> ColumnPlan::shownColumns() const {
    std::vector<ColumnSpec> out;
    for (const ColumnSpec& c : columns) {
        if (c.shown) {
            out.push_back(c);
        }
    }
    return out;
}

}  // namespace qm

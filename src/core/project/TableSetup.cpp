#include "project/TableSetup.h"

#include "list/MemData.h"
#include "props/PropValueList.h"

using namespace Qt::StringLiterals;

namespace qm {
namespace {

QString textOf(const MemData& list, const QString& name) {
    const int f = list.findField(name);
    return f < 0 || list.isNull(f) ? QString() : list.asText(f);
}

}  // namespace

TableSetup TableSetup::fromList(const MemData& tables) {
    TableSetup t;
    // A row being inserted is the current row too, posted or not.
    if (!tables.isOpen() || (tables.recordCount() == 0 && tables.state() != ListState::Insert)) {
        return t;
    }
    t.name = textOf(tables, u"Name"_s);
    t.sourceQuery = textOf(tables, u"SourceQuerySQL"_s);
    t.targetQuery = textOf(tables, u"DestQuerySQL"_s);
    t.keySpec = textOf(tables, u"PrimaryKeySpec"_s);
    t.targetTable = textOf(tables, u"DestTableName"_s);
    if (const int f = tables.findField(u"DisplayOrder"_s); f >= 0 && !tables.isNull(f)) {
        t.displayOrder = static_cast<int>(tables.asInt(f));
    }
    if (const int f = tables.findField(u"ScriptOn"_s); f >= 0) {
        t.scriptOn = tables.asBool(f);
    }
    if (const int f = tables.findField(u"ScriptTableChanged"_s); f >= 0) {
        t.scriptTableChanged = tables.asBool(f);
    }
    t.rules = ComparisonRules::parse(textOf(tables, rulesProperty()), t.name);
    return t;
}

TableSetup TableSetup::fromProperties(TPropValueList& props) {
    TableSetup t;
    t.name = props.getString(u"Name"_s);
    t.sourceQuery = props.getString(u"SourceQuerySQL"_s);
    t.targetQuery = props.getString(u"DestQuerySQL"_s);
    t.keySpec = props.getString(u"PrimaryKeySpec"_s);
    t.targetTable = props.getString(u"DestTableName"_s);
    t.displayOrder = props.getInteger(u"DisplayOrder"_s);
    t.scriptOn = props.getBoolean(u"ScriptOn"_s);
    t.scriptTableChanged = props.getBoolean(u"ScriptTableChanged"_s);
    t.rules = ComparisonRules::parse(props.getString(rulesProperty()), t.name);
    return t;
}

void TableSetup::toProperties(TPropValueList& props) const {
    props.setString(u"Name"_s, name);
    props.setString(u"SourceQuerySQL"_s, sourceQuery);
    props.setString(u"DestQuerySQL"_s, targetQuery);
    props.setString(u"PrimaryKeySpec"_s, keySpec);
    props.setString(u"DestTableName"_s, targetTable);
    props.setInteger(u"DisplayOrder"_s, displayOrder);
    props.setBoolean(u"ScriptOn"_s, scriptOn);
    props.setBoolean(u"ScriptTableChanged"_s, scriptTableChanged);
    props.setString(rulesProperty(), rules.toText());
}

void TableSetup::setRulesInList(MemData& tables, const ComparisonRules& rules) {
    const int f = tables.fieldIndex(rulesProperty());
    if (rules.isEmpty()) {
        tables.setValue(f, Value());
    } else {
        tables.setAsText(f, rules.toText());
    }
}

}  // namespace qm

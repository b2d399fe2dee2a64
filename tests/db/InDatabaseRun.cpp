#include "InDatabaseRun.h"

#include "engine/InDatabaseCompare.h"
#include "project/ComparisonRules.h"
#include "project/TableSetup.h"

using namespace Qt::StringLiterals;

namespace qm::test {

void configure(EngineHarness& h, const SideTable& src, const SideTable& dst, const QString& key,
               const QString& rules) {
    const QString order = u" ORDER BY "_s + QString(key).replace(u';', u", "_s);
    h.configure(
        src.alias, dst.alias,
        {u"SELECT * FROM "_s + src.table + order, u"SELECT * FROM "_s + dst.table + order, key});
    MemData& tables = h.dm.TablesMemData();
    tables.edit();
    tables.setAsText(h.dm.tableFields().DestTableName, dst.table);
    qm::TableSetup::setRulesInList(tables, ComparisonRules::parse(rules, u"rules"_s));
    tables.post();
}

Outcome run(const QString& aliasFile, const SideTable& src, const SideTable& dst,
            const QString& key, std::optional<qint64> budget, int firstBits, const QString& rules) {
    EngineHarness h(aliasFile);
    configure(h, src, dst, key, rules);
    Outcome o;
    if (budget) {
        InDatabaseCompare compare(h.dm);
        compare.setLoadBudget(*budget);
        compare.setFirstBits(firstBits);
        const InDatabaseCompare::Outcome r = compare.restrictCurrentTableSetup();
        o.sourceRows = r.sourceRows;
        o.targetRows = r.targetRows;
        o.rowsLoaded = r.rowsToLoad;
    }
    o.opened = h.openSource() && h.openTarget();
    if (!o.opened) {
        o.errors = h.view.messages();
        return o;
    }
    if (!budget) {
        o.sourceRows = h.dm.RecordCount(Side::Source).value_or(-1);
        o.targetRows = h.dm.RecordCount(Side::Target).value_or(-1);
    }
    o.counts = h.dm.Counts();
    h.dm.ChangeDataToEqualSource();
    h.dm.ScriptCurrentTableSetup(true);
    o.script = h.view.script;
    o.errors = h.view.messages();
    return o;
}

}  // namespace qm::test

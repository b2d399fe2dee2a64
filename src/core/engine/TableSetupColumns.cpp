#include "engine/TableSetupColumns.h"

#include "common/Errors.h"
#include "db/Query.h"
#include "engine/PrimaryKey.h"
#include "engine/TDM.h"
#include "engine/TableSetupQuery.h"

using namespace Qt::StringLiterals;

namespace qm {
namespace {

QString currentText(TDM& engine, int field) {
    const MemData& tables = engine.TablesMemData();
    const bool hasRow =
        tables.isOpen() && (tables.recordCount() > 0 || tables.state() == ListState::Insert);
    return hasRow && !tables.isNull(field) ? tables.asText(field) : QString();
}

void markKeys(TableSetupColumns& columns, const QString& keySpec) {
    for (const QString& name : columns.names) {
        if (TableSetupColumns::isKeyColumn(keySpec, name)) {
            columns.keys << name;
        }
    }
}

}  // namespace

bool TableSetupColumns::isKeyColumn(const QString& keySpec, const QString& name) {
    const PrimaryKey key(keySpec);
    for (int i = 0; i < key.fieldCount(); ++i) {
        const QString keyName = key.fieldCount() == 1 ? key.spec() : key.fieldName(i);
        if (keyName.compare(name, Qt::CaseInsensitive) == 0) {
            return true;
        }
    }
    return false;
}

TableSetupColumns TableSetupColumns::of(TDM& engine) {
    MemData& list = engine.DestMemData().isOpen() ? engine.DestMemData() : engine.SourceMemData();
    if (!list.isOpen()) {
        return readTargetQuery(engine);
    }
    TableSetupColumns columns;
    for (int f = 0; f < list.fieldCount(); ++f) {
        // The flag columns and lookup columns are the program's own: no rule
        // ever compares them.
        if (!list.isOwnColumn(f) && list.field(f).kind == FieldKind::Data) {
            columns.names << list.field(f).name;
        }
    }
    markKeys(columns, currentText(engine, engine.tableFields().PrimaryKeySpec));
    return columns;
}

TableSetupColumns TableSetupColumns::readTargetQuery(TDM& engine) {
    TableSetupColumns columns;
    try {
        engine.ConnectTarget();
    } catch (const SilentAbort&) {
        return columns;  // the connection's failure has been shown
    }
    const TDM::TableFields& f = engine.tableFields();
    try {
        // A query of its own: the engine's target query may hold the rows of
        // an open list. Opening stands on the first row only, so a large
        // result is not read.
        Query query(engine.DestDatabase());
        query.setSql(tableSetupQuery(currentText(engine, f.DestQuerySQL),
                                     currentText(engine, f.Name), u"target"_s));
        query.open();
        for (int i = 0; i < query.fieldCount(); ++i) {
            columns.names << query.field(i).name;
        }
        query.close();
    } catch (const Error& e) {
        columns.names.clear();
        columns.failure =
            u"The columns of the target query could not be read. System message: %1"_s.arg(
                e.message());
        return columns;
    }
    markKeys(columns, currentText(engine, f.PrimaryKeySpec));
    return columns;
}

}  // namespace qm

#include "support/PgScratch.h"

#include "support/EngineHarness.h"

using namespace Qt::StringLiterals;

namespace qm::test {

PgScratch::~PgScratch() {
    for (const auto& [database, table] : tables_) {
        pgExec(pg_, database, {u"DROP TABLE IF EXISTS %1"_s.arg(table)});
    }
}

QString PgScratch::create(const QString& database, const QString& stem, const QString& columns,
                          const QString& rows) {
    const QString table = uniqueTableName(stem);
    QStringList sql{u"CREATE TABLE %1 (%2)"_s.arg(table, columns)};
    if (!rows.isEmpty()) {
        sql << u"INSERT INTO %1 VALUES %2"_s.arg(table, rows);
    }
    tables_.emplace_back(database, table);
    pgExec(pg_, database, sql);
    return table;
}

}  // namespace qm::test

#include "DbSides.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace qm::test {

SideTable DbSides::make(Backend backend, bool source, const QString& columns, const QString& rows) {
    const QString alias = u"%1%2"_s.arg(source ? u"Src"_s : u"Dst"_s).arg(++count_);
    const QString table = u"t_%1"_s.arg(alias.toLower());
    QStringList sqlite{u"CREATE TABLE %1 (%2)"_s.arg(table, columns)};
    if (!rows.isEmpty()) {
        sqlite << u"INSERT INTO %1 VALUES %2"_s.arg(table, rows);
    }
    switch (backend) {
        case Backend::Sqlite:
            folder_.addSqlite(alias, sqlite);
            return {alias, table};
        case Backend::OdbcSqlite: {
            const QString file = folder_.path(alias + u".db"_s);
            sqliteExec(file, sqlite);
            folder_.addAlias(
                alias, {u"Driver=ODBC"_s, u"Database=DRIVER={SQLite3};DATABASE=%1"_s.arg(file)});
            return {alias, table};
        }
        case Backend::Pg: {
            const QString db = source ? u"qm_source"_s : u"qm_target"_s;
            folder_.addPg(alias, *pg_, db);
            return {alias, scratch_->create(db, u"qm_pair"_s, columns, rows)};
        }
        case Backend::OdbcPg: {
            folder_.addAlias(alias, {u"Driver=ODBC"_s,
                                     u"Database=DRIVER={PostgreSQL Unicode};SERVER=%1;PORT=%2;"
                                     "DATABASE=qm_test;UID=%3"_s.arg(pg_->host)
                                         .arg(pg_->port)
                                         .arg(pg_->user)});
            return {alias, scratch_->create(u"qm_test"_s, u"qm_pair"_s, columns, rows)};
        }
    }
    ADD_FAILURE() << "unknown backend";
    return {};
}

}  // namespace qm::test

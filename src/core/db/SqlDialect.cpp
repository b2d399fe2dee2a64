#include "db/SqlDialect.h"

using namespace Qt::StringLiterals;

namespace qm {

SqlDialect dialectOfDriver(const QString& driverKind) {
    if (driverKind == u"SQLITE"_s) {
        return SqlDialect::SQLite;
    }
    if (driverKind == u"PSQL"_s || driverKind == u"POSTGRESQL"_s) {
        return SqlDialect::PostgreSQL;
    }
    if (driverKind == u"MYSQL"_s || driverKind == u"MARIADB"_s) {
        return SqlDialect::MySQL;
    }
    return SqlDialect::Generic;
}

}  // namespace qm

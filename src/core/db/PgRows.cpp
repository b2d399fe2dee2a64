#include "db/PgRows.h"

#include "common/Errors.h"
#include "db/Connection.h"
#include "db/PgReadOnly.h"

#include <libpq-fe.h>
#include <QSqlDriver>
#include <QVariant>
#include <memory>
#include <vector>

using namespace Qt::StringLiterals;

namespace qm::PgRows {

pg_conn* handle(Connection& connection) {
    const QVariant h = connection.database().driver()->handle();
    if (h.isValid() &&
        (qstrcmp(h.typeName(), "PGconn*") == 0 || qstrcmp(h.typeName(), "pg_conn*") == 0)) {
        if (PGconn* conn = *static_cast<PGconn* const*>(h.constData())) {
            return conn;
        }
    }
    throw DatabaseError(u"The PostgreSQL connection of alias \"%1\" cannot be reached"_s.arg(
        connection.aliasName()));
}

void forEachRow(pg_conn* conn, const QString& sql,
                const std::function<void(const char* const* values, int count)>& row) {
    // Read-only, like every other reading of a side, and with fixed text
    // forms: the values' texts are hashed and compared across two servers.
    PgReadOnly readOnly(conn);
    readOnly.enter();
    // The extended protocol takes exactly one statement.
    const std::unique_ptr<PGresult, void (*)(PGresult*)> result(
        PQexecParams(conn, sql.toUtf8().constData(), 0, nullptr, nullptr, nullptr, nullptr, 0),
        PQclear);
    if (!result || PQresultStatus(result.get()) != PGRES_TUPLES_OK) {
        throw DatabaseError(QString::fromUtf8(PQerrorMessage(conn)).trimmed());
    }
    const int columns = PQnfields(result.get());
    std::vector<const char*> values(static_cast<std::size_t>(columns));
    for (int r = 0; r < PQntuples(result.get()); ++r) {
        for (int c = 0; c < columns; ++c) {
            values[static_cast<std::size_t>(c)] =
                PQgetisnull(result.get(), r, c) ? nullptr : PQgetvalue(result.get(), r, c);
        }
        row(values.data(), columns);
    }
}

}  // namespace qm::PgRows

#pragma once

#include <QString>
#include <functional>

struct pg_conn;

namespace qm {

class Connection;

/// Plain queries on a PostgreSQL connection's own libpq handle, for work
/// that may run on another thread than the one that made the connection
/// (while nothing else uses the handle): Qt's connections serve only the
/// thread that made them.
namespace PgRows {

/// The connection's libpq handle. Raises DatabaseError when it is not
/// reachable.
pg_conn* handle(Connection& connection);

/// Runs one query that returns rows, in a read-only transaction (or
/// savepoint) with fixed text forms (see PgReadOnly), and
/// hands each row's values (text, null pointers for NULL) to `row`. Raises
/// DatabaseError with the server's message.
void forEachRow(pg_conn* conn, const QString& sql,
                const std::function<void(const char* const* values, int count)>& row);

}  // namespace PgRows

}  // namespace qm

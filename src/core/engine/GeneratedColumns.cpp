#include "engine/GeneratedColumns.h"

#include "common/Errors.h"
#include "db/Connection.h"
#include "db/Query.h"

using namespace Qt::StringLiterals;

namespace qm {
namespace {

// SQLite's table_xinfo marks a generated column as hidden 2 (virtual) or 3
// (stored); the pragma is asked through its table-valued function, which
// a read-only query takes.
GeneratedColumns readSqlite(Connection& connection, const QString& table) {
    const QStringList parts = GeneratedColumns::nameParts(table);
    GeneratedColumns found;
    if (parts.isEmpty() || parts.size() > 2) {
        return found;
    }
    QString arguments = SqlLiteral::quoteText(parts.back());
    if (parts.size() == 2) {
        arguments += u", "_s + SqlLiteral::quoteText(parts.front());
    }
    // The pragma's columns have no declared type: their values come as
    // values of any storage class, which text() reads plainly.
    Query query(connection);
    query.setSql(
        u"SELECT name FROM pragma_table_xinfo(%1) WHERE hidden IN (2, 3) ORDER BY cid"_s.arg(
            arguments));
    query.open();
    for (; !query.eof(); query.next()) {
        found.generated << query.text(0);
    }
    return found;
}

// PostgreSQL resolves the name as a statement would (search path, quotes,
// schema) through to_regclass; information_schema tells generated and
// identity columns on every server version, where pg_attribute lacks
// attgenerated before version 12.
GeneratedColumns readPostgres(Connection& connection, const QString& table) {
    Query query(connection);
    query.setSql(
        u"SELECT c.column_name::text, c.is_generated::text, c.identity_generation::text "
        "FROM information_schema.columns c "
        "JOIN pg_catalog.pg_class r ON r.relname = c.table_name "
        "JOIN pg_catalog.pg_namespace n ON n.oid = r.relnamespace AND n.nspname = c.table_schema "
        "WHERE r.oid = to_regclass(%1) ORDER BY c.ordinal_position"_s.arg(
            SqlLiteral::quoteText(table)));
    query.open();
    GeneratedColumns found;
    for (; !query.eof(); query.next()) {
        if (query.text(1) == u"ALWAYS"_s) {
            found.generated << query.text(0);
        } else if (query.text(2) == u"ALWAYS"_s) {
            found.identityAlways << query.text(0);
        }
    }
    return found;
}

}  // namespace

QStringList GeneratedColumns::nameParts(const QString& name) {
    QStringList parts;
    QString part;
    qsizetype i = 0;
    const qsizetype n = name.size();
    while (i < n) {
        const QChar c = name.at(i);
        const QChar close = c == u'"'    ? u'"'
                            : c == u'['  ? u']'
                            : c == u'`'  ? u'`'
                            : c == u'\'' ? u'\''
                                         : QChar();
        if (!close.isNull()) {
            // A quoted part: a doubled closing quote stands for itself.
            ++i;
            bool closed = false;
            while (i < n) {
                if (name.at(i) == close) {
                    if (close != u']' && i + 1 < n && name.at(i + 1) == close) {
                        part += close;
                        i += 2;
                        continue;
                    }
                    ++i;
                    closed = true;
                    break;
                }
                part += name.at(i++);
            }
            if (!closed) {
                return {};
            }
        } else {
            while (i < n && name.at(i) != u'.') {
                part += name.at(i++);
            }
            part = part.trimmed();
        }
        if (i < n && name.at(i) != u'.') {
            return {};  // text after a closing quote
        }
        if (part.isEmpty()) {
            return {};
        }
        parts << part;
        part.clear();
        if (i < n) {
            ++i;  // the dot
            if (i == n) {
                return {};
            }
        }
    }
    return parts;
}

GeneratedColumns GeneratedColumns::read(Connection& connection, SqlDialect dialect,
                                        const QString& table) {
    if (!connection.isConnected() || table.trimmed().isEmpty()) {
        return {};
    }
    try {
        switch (dialect) {
            case SqlDialect::SQLite:
                return readSqlite(connection, table);
            case SqlDialect::PostgreSQL:
                return readPostgres(connection, table);
            default:
                return {};
        }
    } catch (const DatabaseError&) {
        // Without the catalog the statements are written as before; the
        // database still refuses a value for a generated column when the
        // script runs, in its one transaction.
        return {};
    }
}

}  // namespace qm

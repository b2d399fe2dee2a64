#include "engine/SegmentSide.h"

#include "db/Connection.h"
#include "db/StatementCutter.h"
#include "engine/PgSegmentSide.h"
#include "engine/SqlLiteral.h"
#include "engine/SqliteSegmentSide.h"

using namespace Qt::StringLiterals;

namespace qm {

QString SegmentSide::wrapped() const {
    // The statement alone, without a final ";" and the blanks or comments
    // after it; text of several statements is left for the database to
    // refuse.
    const SqlDialect dialect = dialectOfDriver(connection_.driverKind());
    QString statement;
    int statements = 0;
    for (const QString& piece : cutStatements(query_, dialect)) {
        if (!statementBody(piece, dialect).isEmpty()) {
            statement = piece;
            ++statements;
        }
    }
    return u"(\n%1\n) AS q"_s.arg(statements == 1 ? statement : query_);
}

QString SegmentSide::segmentList(const SegmentFilter& filter) {
    QStringList items;
    items.reserve(static_cast<qsizetype>(filter.segments.size()));
    for (const std::uint64_t s : filter.segments) {
        items << QString::number(s);
    }
    return items.join(u',');
}

QString SegmentSide::maskOf(int bits) {
    return QString::number((std::uint64_t{1} << bits) - 1);
}

QString SegmentSide::keyClashSql(const QStringList& keyColumns) const {
    // Grouped by the key as the database compares it: a group of more than
    // one row is a key the statements could not tell apart. Where the key
    // is the table's primary key, the groups come in index order, one pass
    // without sorting.
    QStringList nullTests;
    for (const QString& k : keyColumns) {
        nullTests << k + u" IS NULL"_s;
    }
    return u"SELECT 1 FROM %1 GROUP BY %2 HAVING count(*) > 1 OR %3 LIMIT 1"_s.arg(
        wrapped(), keyColumns.join(u", "_s), nullTests.join(u" OR "_s));
}

std::unique_ptr<SegmentSide> SegmentSide::create(Connection& connection, const QString& query) {
    std::unique_ptr<SegmentSide> side;
    const SqlDialect dialect = dialectOfDriver(connection.driverKind());
    // The query is wrapped into sums the database computes: it is judged
    // alone first, as it would be when read row by row.
    readingStatement(query, dialect);
    if (dialect == SqlDialect::SQLite) {
        SqliteRowHash::install(connection);
        side = makeSqliteSegmentSide(connection, query);
    } else if (dialect == SqlDialect::PostgreSQL) {
        side = makePgSegmentSide(connection, query);
    } else {
        throw DatabaseError(u"Comparing inside the database needs SQLite or PostgreSQL"_s);
    }
    Query probe(connection);
    probe.setSql(u"SELECT * FROM %1 WHERE 1 = 0"_s.arg(side->wrapped()));
    probe.open();
    for (int i = 0; i < probe.fieldCount(); ++i) {
        side->fields_.push_back(probe.field(i));
    }
    probe.close();
    return side;
}

}  // namespace qm

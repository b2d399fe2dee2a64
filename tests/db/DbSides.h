#pragma once

#include "support/MachineTools.h"
#include "support/PgScratch.h"
#include "support/TestDatabases.h"

#include <QString>
#include <memory>
#include <optional>

namespace qm::test {

/// Where one side of a comparison lives.
enum class Backend { Sqlite, Pg, OdbcSqlite, OdbcPg };

inline bool needsPg(Backend b) {
    return b == Backend::Pg || b == Backend::OdbcPg;
}

/// The ODBC driver a backend is reached through; empty for direct ones.
inline QString odbcDriverOf(Backend b) {
    switch (b) {
        case Backend::OdbcSqlite:
            return QStringLiteral("SQLite3");
        case Backend::OdbcPg:
            return QStringLiteral("PostgreSQL Unicode");
        default:
            return QString();
    }
}

/// A table made for one side: the alias to use and the table's name.
struct SideTable {
    QString alias;
    QString table;
};

/// Makes tables on any backend with the same column text and rows, each
/// under its own alias in one alias file. PostgreSQL source tables go to
/// qm_source, target tables to qm_target (or the databases given), ODBC
/// ones to qm_test.
class DbSides {
public:
    explicit DbSides(std::optional<PgServer> pg,
                     QString sourceDatabase = QStringLiteral("qm_source"),
                     QString targetDatabase = QStringLiteral("qm_target"))
        : pg_(std::move(pg)),
          sourceDatabase_(std::move(sourceDatabase)),
          targetDatabase_(std::move(targetDatabase)) {
        if (pg_) {
            scratch_ = std::make_unique<PgScratch>(*pg_);
        }
    }
    SideTable make(Backend backend, bool source, const QString& columns, const QString& rows);
    AliasFolder& folder() { return folder_; }

private:
    std::optional<PgServer> pg_;
    QString sourceDatabase_;
    QString targetDatabase_;
    std::unique_ptr<PgScratch> scratch_;
    AliasFolder folder_;
    int count_ = 0;
};

/// Two databases (source, target) on the server whose sessions start with
/// settings that change how values print, each its own, as ALTER DATABASE
/// ... SET gives them: floats with fewer digits (extra_float_digits 0 and
/// -3), intervals, dates and bytea in other styles, and zones other than
/// UTC. Made once per test run.
std::pair<QString, QString> oddlySetDatabases(const PgServer& pg);

/// The rows of a query on a PostgreSQL database as psql prints them
/// unaligned ("|" between cells, a row per line), in a session with the
/// server's default text forms and the UTC zone.
QString pgRows(const PgServer& pg, const QString& database, const QString& sql);

}  // namespace qm::test

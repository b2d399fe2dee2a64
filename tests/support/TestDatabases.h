#pragma once

#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <optional>

namespace qm::test {

/// Connection settings of the PostgreSQL server that the test command
/// starts (QUILLMERE_TEST_PG_* variables); nothing when it is not running.
struct PgServer {
    QString host;
    int port = 0;
    QString user;      // trusted superuser
    QString pwUser;    // a user that needs a password
    QString password;  // that user's password
};
std::optional<PgServer> pgServer();

/// Skips the current test when no PostgreSQL server is configured, and
/// fails it instead when running under CI, where one must be.
#define QM_REQUIRE_PG(var)                                                    \
    const auto var##_opt = ::qm::test::pgServer();                            \
    if (!var##_opt) {                                                         \
        if (qEnvironmentVariableIsSet("CI")) {                                \
            FAIL() << "QUILLMERE_TEST_PG_* not set under CI";                 \
        }                                                                     \
        GTEST_SKIP() << "no PostgreSQL test server (QUILLMERE_TEST_PG_PORT)"; \
    }                                                                         \
    const ::qm::test::PgServer& var = *var##_opt

/// Runs SQL statements on a PostgreSQL database of the test server as the
/// trusted user; fails the test (ADD_FAILURE) on an error.
void pgExec(const PgServer& pg, const QString& database, const QStringList& statements);

/// Creates an SQLite database file from SQL statements.
void sqliteExec(const QString& path, const QStringList& statements);

/// A temporary folder with an alias file "Aliases.ini" that tests fill.
class AliasFolder {
public:
    AliasFolder();
    QString path(const QString& name) const { return dir_.filePath(name); }
    QString aliasFile() const { return dir_.filePath(QStringLiteral("Aliases.ini")); }
    /// Appends an alias section; keys given as "Key=Value" lines.
    void addAlias(const QString& name, const QStringList& keyValues);
    /// An SQLite database in the folder with an alias of the same name.
    QString addSqlite(const QString& alias, const QStringList& statements);
    void addPg(const QString& alias, const PgServer& pg, const QString& database);

private:
    QTemporaryDir dir_;
};

}  // namespace qm::test

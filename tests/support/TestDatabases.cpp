#include "support/TestDatabases.h"

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <QFile>

#include <QProcess>

using namespace Qt::StringLiterals;

namespace qm::test {

std::optional<PgServer> pgServer() {
    const QString port = qEnvironmentVariable("QUILLMERE_TEST_PG_PORT");
    if (port.isEmpty()) {
        return std::nullopt;
    }
    PgServer pg;
    pg.host = qEnvironmentVariable("QUILLMERE_TEST_PG_HOST", u"127.0.0.1"_s);
    pg.port = port.toInt();
    pg.user = qEnvironmentVariable("QUILLMERE_TEST_PG_USER", u"postgres"_s);
    pg.pwUser = qEnvironmentVariable("QUILLMERE_TEST_PG_PWUSER", u"quillmere_pw"_s);
    pg.password = qEnvironmentVariable("QUILLMERE_TEST_PG_PASSWORD", u"secret-pw"_s);
    return pg;
}

void pgExec(const PgServer& pg, const QString& database, const QStringList& statements) {
    QProcess psql;
    psql.setProgram(u"psql"_s);
    psql.setArguments({u"-X"_s, u"-q"_s, u"-v"_s, u"ON_ERROR_STOP=1"_s, u"-h"_s, pg.host, u"-p"_s,
                       QString::number(pg.port), u"-U"_s, pg.user, u"-d"_s, database});
    psql.start();
    psql.write((statements.join(u";\n"_s) + u";\n"_s).toUtf8());
    psql.closeWriteChannel();
    psql.waitForFinished(60000);
    if (psql.exitStatus() != QProcess::NormalExit || psql.exitCode() != 0) {
        ADD_FAILURE() << "psql failed: " << psql.readAllStandardError().toStdString();
    }
}

void sqliteExec(const QString& path, const QStringList& statements) {
    sqlite3* db = nullptr;
    if (sqlite3_open(path.toUtf8().constData(), &db) != SQLITE_OK) {
        ADD_FAILURE() << "cannot open " << path.toStdString();
        sqlite3_close(db);
        return;
    }
    for (const QString& s : statements) {
        char* err = nullptr;
        if (sqlite3_exec(db, s.toUtf8().constData(), nullptr, nullptr, &err) != SQLITE_OK) {
            ADD_FAILURE() << "SQLite: " << (err ? err : "?") << " in " << s.toStdString();
            sqlite3_free(err);
        }
    }
    sqlite3_close(db);
}

AliasFolder::AliasFolder() {
    QFile f(aliasFile());
    if (f.open(QIODevice::WriteOnly)) {
        f.write("; aliases of one test\n");
    }
}

void AliasFolder::addAlias(const QString& name, const QStringList& keyValues) {
    QFile f(aliasFile());
    if (!f.open(QIODevice::Append)) {
        ADD_FAILURE() << "cannot write alias file";
        return;
    }
    f.write((u"[%1]\n%2\n"_s.arg(name, keyValues.join(u'\n'))).toUtf8());
}

QString AliasFolder::addSqlite(const QString& alias, const QStringList& statements) {
    const QString file = path(alias + u".db"_s);
    sqliteExec(file, statements);
    addAlias(alias, {u"Driver=SQLITE"_s, u"Database=%1.db"_s.arg(alias)});
    return file;
}

void AliasFolder::addPg(const QString& alias, const PgServer& pg, const QString& database) {
    addAlias(alias, {u"Driver=PSQL"_s, u"Host="_s + pg.host, u"Port="_s + QString::number(pg.port),
                     u"User="_s + pg.user, u"Database="_s + database});
}

}  // namespace qm::test

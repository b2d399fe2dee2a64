#include "DbSides.h"

#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QProcess>

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
            const QString db = source ? sourceDatabase_ : targetDatabase_;
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

std::pair<QString, QString> oddlySetDatabases(const PgServer& pg) {
    // Named per process, so that tests run at once never drop each other's.
    static const QString suffix = QString::number(QCoreApplication::applicationPid());
    static const std::pair<QString, QString> names{u"qm_odd_source_"_s + suffix,
                                                   u"qm_odd_target_"_s + suffix};
    static bool made = false;
    if (!made) {
        made = true;
        const struct {
            QString name;
            QString settings;
        } databases[] = {
            {names.first,
             u"extra_float_digits = 0; IntervalStyle = 'sql_standard'; DateStyle = 'SQL, DMY'; "
             "bytea_output = 'escape'; TimeZone = 'Asia/Tokyo'"_s},
            {names.second,
             u"extra_float_digits = -3; IntervalStyle = 'iso_8601'; DateStyle = 'German, DMY'; "
             "bytea_output = 'escape'; TimeZone = 'America/New_York'"_s},
        };
        for (const auto& d : databases) {
            QStringList statements{u"DROP DATABASE IF EXISTS %1 WITH (FORCE)"_s.arg(d.name),
                                   u"CREATE DATABASE %1"_s.arg(d.name)};
            for (const QString& setting : d.settings.split(u"; "_s)) {
                statements << u"ALTER DATABASE %1 SET %2"_s.arg(d.name, setting);
            }
            pgExec(pg, u"postgres"_s, statements);
        }
    }
    return names;
}

QString pgRows(const PgServer& pg, const QString& database, const QString& sql) {
    QProcess psql;
    psql.start(u"psql"_s,
               {u"-X"_s, u"-q"_s, u"-A"_s, u"-t"_s, u"-v"_s, u"ON_ERROR_STOP=1"_s, u"-h"_s, pg.host,
                u"-p"_s, QString::number(pg.port), u"-U"_s, pg.user, u"-d"_s, database, u"-c"_s,
                u"SET extra_float_digits = 1; SET IntervalStyle = 'postgres'; SET "
                "DateStyle = 'ISO, YMD'; SET bytea_output = 'hex'; SET TimeZone = "
                "'UTC'"_s,
                u"-c"_s, sql});
    psql.waitForFinished(60000);
    EXPECT_EQ(psql.exitCode(), 0) << psql.readAllStandardError().toStdString();
    return QString::fromUtf8(psql.readAllStandardOutput()).trimmed();
}

}  // namespace qm::test

#include "engine/SqlIdentifier.h"
#include "engine/SqliteAffinity.h"
#include "support/QtPrinters.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

using namespace Qt::StringLiterals;

namespace qm::test {
namespace {

struct NameCase {
    const char* name;
    SqlDialect dialect;
    const char* written;
};

TEST(SqlIdentifier, QuotesExactlyWhatTheDialectCannotReadPlain) {
    const NameCase cases[] = {
        // Plain names stay as they are, whatever their case where case does not matter.
        {"name", SqlDialect::SQLite, "name"},
        {"CustNo", SqlDialect::SQLite, "CustNo"},
        {"NAME", SqlDialect::Generic, "NAME"},
        {"_x1", SqlDialect::MySQL, "_x1"},
        {"cust_no2", SqlDialect::PostgreSQL, "cust_no2"},
        // PostgreSQL folds unquoted names to lower case.
        {"CustNo", SqlDialect::PostgreSQL, "\"CustNo\""},
        {"ID", SqlDialect::PostgreSQL, "\"ID\""},
        // Reserved words, in any case.
        {"order", SqlDialect::SQLite, "\"order\""},
        {"Group", SqlDialect::SQLite, "\"Group\""},
        {"select", SqlDialect::PostgreSQL, "\"select\""},
        {"user", SqlDialect::PostgreSQL, "\"user\""},
        {"order", SqlDialect::MySQL, "`order`"},
        {"key", SqlDialect::MySQL, "`key`"},
        {"user", SqlDialect::Generic, "\"user\""},
        {"current_date", SqlDialect::SQLite, "\"current_date\""},
        // Words other dialects reserve stay plain.
        {"user", SqlDialect::SQLite, "user"},
        {"key", SqlDialect::SQLite, "key"},
        {"key", SqlDialect::PostgreSQL, "key"},
        {"value", SqlDialect::PostgreSQL, "value"},
        {"date", SqlDialect::MySQL, "date"},
        // Anything but ASCII letters, digits and "_", or a leading digit.
        {"my key", SqlDialect::SQLite, "\"my key\""},
        {"a-b", SqlDialect::PostgreSQL, "\"a-b\""},
        {"1st", SqlDialect::SQLite, "\"1st\""},
        {"pr\xc3\xa9nom", SqlDialect::PostgreSQL, "\"pr\xc3\xa9nom\""},
        {"", SqlDialect::SQLite, "\"\""},
        // The dialect's own quote is doubled inside.
        {"say \"hi\"", SqlDialect::SQLite, "\"say \"\"hi\"\"\""},
        {"back`tick", SqlDialect::MySQL, "`back``tick`"},
        {"back`tick", SqlDialect::PostgreSQL, "\"back`tick\""},
    };
    for (const NameCase& c : cases) {
        EXPECT_EQ(SqlIdentifier::of(QString::fromUtf8(c.name), c.dialect),
                  QString::fromUtf8(c.written))
            << c.name << " in dialect " << static_cast<int>(c.dialect);
    }
}

// Every keyword of the SQLite library, as a column name in the statements
// the engine writes, names that column: the statements run and change
// exactly the row they mean.
TEST(SqlIdentifier, EverySqliteKeywordWorksAsAColumnName) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(":memory:", &db), SQLITE_OK);
    const auto exec = [db](const QString& sql) {
        char* err = nullptr;
        const int rc = sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, &err);
        const QString message = err ? QString::fromUtf8(err) : QString();
        sqlite3_free(err);
        return rc == SQLITE_OK ? QString() : message;
    };
    const auto scalar = [db](const QString& sql) {
        sqlite3_stmt* stmt = nullptr;
        sqlite3_prepare_v2(db, sql.toUtf8().constData(), -1, &stmt, nullptr);
        QString text;
        if (stmt && sqlite3_step(stmt) == SQLITE_ROW) {
            text = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0)));
        }
        sqlite3_finalize(stmt);
        return text;
    };
    QStringList words{u"true"_s, u"false"_s, u"rowid"_s};
    for (int i = 0; i < sqlite3_keyword_count(); ++i) {
        const char* word = nullptr;
        int length = 0;
        sqlite3_keyword_name(i, &word, &length);
        words << QString::fromUtf8(word, length).toLower();
    }
    for (const QString& word : words) {
        SCOPED_TRACE(word.toStdString());
        const QString col = SqlIdentifier::of(word, SqlDialect::SQLite);
        ASSERT_EQ(
            exec(u"DROP TABLE IF EXISTS t; CREATE TABLE t (\"%1\" INTEGER, x INTEGER)"_s.arg(word)),
            QString());
        EXPECT_EQ(exec(u"INSERT INTO t (%1, x) VALUES (1, 2)"_s.arg(col)), QString());
        EXPECT_EQ(exec(u"INSERT INTO t (%1, x) VALUES (5, 6)"_s.arg(col)), QString());
        EXPECT_EQ(exec(u"UPDATE t SET %1 = 3/* Was: 1 */ WHERE %1 = 1"_s.arg(col)), QString());
        EXPECT_EQ(exec(u"UPDATE t SET x = 4 WHERE %1 = 3 AND x = 2"_s.arg(col)), QString());
        EXPECT_EQ(scalar(u"SELECT group_concat(\"%1\" || ':' || x, ' ') FROM t"_s.arg(word)),
                  u"3:4 5:6"_s);
        EXPECT_EQ(exec(u"DELETE FROM t WHERE x = 4 AND %1 = 3"_s.arg(col)), QString());
        EXPECT_EQ(scalar(u"SELECT count(*) FROM t"_s), u"1"_s);
    }
    sqlite3_close(db);
}

// What SQLite itself does with a text stored into a column: the text is
// kept when it reads back the same (a number's own text counts as kept).
TEST(SqliteAffinity, PredictsWhetherSqliteKeepsAText) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(":memory:", &db), SQLITE_OK);
    const QStringList declared{u"INTEGER"_s,     u"NUMBER"_s, u"DATE"_s, u"BOOLEAN"_s, u"REAL"_s,
                               u"VARCHAR(10)"_s, u"TEXT"_s,   u"BLOB"_s, u""_s};
    const QStringList texts{u"7"_s,
                            u"007"_s,
                            u" 7"_s,
                            u"7 "_s,
                            u"+7"_s,
                            u"-7"_s,
                            u"-0"_s,
                            u"7.0"_s,
                            u"7."_s,
                            u"1.5"_s,
                            u"1.50"_s,
                            u".5"_s,
                            u"1e3"_s,
                            u"1E3"_s,
                            u"0.1"_s,
                            u"0x10"_s,
                            u"abc"_s,
                            u""_s,
                            u"7a"_s,
                            u"- 7"_s,
                            u"inf"_s,
                            u"1e-5"_s,
                            u"\t7\n"_s,
                            u"9223372036854775807"_s,
                            u"9223372036854775808"_s,
                            u"-9223372036854775808"_s,
                            u"12345678901234567890.5"_s};
    for (const QString& type : declared) {
        char* err = nullptr;
        const QByteArray create =
            u"DROP TABLE IF EXISTS t; CREATE TABLE t (v %1)"_s.arg(type).toUtf8();
        ASSERT_EQ(sqlite3_exec(db, create.constData(), nullptr, nullptr, &err), SQLITE_OK);
        for (const QString& text : texts) {
            sqlite3_exec(db, "DELETE FROM t", nullptr, nullptr, nullptr);
            sqlite3_stmt* insert = nullptr;
            sqlite3_prepare_v2(db, "INSERT INTO t VALUES (?)", -1, &insert, nullptr);
            const QByteArray utf8 = text.toUtf8();
            sqlite3_bind_text(insert, 1, utf8.constData(), static_cast<int>(utf8.size()),
                              SQLITE_TRANSIENT);
            sqlite3_step(insert);
            sqlite3_finalize(insert);
            sqlite3_stmt* read = nullptr;
            sqlite3_prepare_v2(db, "SELECT CAST(v AS TEXT) FROM t", -1, &read, nullptr);
            ASSERT_EQ(sqlite3_step(read), SQLITE_ROW);
            const QString back =
                QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(read, 0)));
            sqlite3_finalize(read);
            EXPECT_EQ(SqliteAffinityRules::keepsText(SqliteAffinityRules::of(type), text),
                      back == text)
                << "'" << text.toStdString() << "' in " << type.toStdString() << " reads back '"
                << back.toStdString() << "'";
        }
    }
    sqlite3_close(db);
}

}  // namespace
}  // namespace qm::test

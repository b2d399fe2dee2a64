// PostgreSQL rows read through COPY's text stream arrive as the same values
// as rows read one result at a time; statements COPY does not take, and
// failing ones, behave exactly as before.

#include "DbSides.h"
#include "common/Errors.h"
#include "db/Connection.h"
#include "db/PgCopyText.h"
#include "db/QueryBackend.h"
#include "db/Session.h"
#include "support/EngineHarness.h"

#include <gtest/gtest.h>
#include <optional>
#include <string>

using namespace Qt::StringLiterals;

namespace qm::test {
namespace {

struct LineCase {
    const char* name;
    std::string line;
    std::vector<std::optional<std::string>> cells;  // nullopt: NULL
};

TEST(PgCopyText, LinesSplitAndUnescapeInPlace) {
    using std::nullopt;
    const LineCase cases[] = {
        {"plain fields", "1\tabc\t\n", {"1", "abc", ""}},
        {"without its line end", "1\tabc", {"1", "abc"}},
        {"empty line is one empty text", "\n", {""}},
        {"only a tab", "\t\n", {"", ""}},
        {"null versus the text \\N", "\\N\t\\\\N\tN\t\\N\n", {nullopt, "\\N", "N", nullopt}},
        {"\\N inside a longer field is text", "\\Nx\tx\\N\n", {"Nx", "xN"}},
        {"control escapes", "a\\tb\\nc\\rd\\be\\ff\\vg\n", {"a\tb\nc\rd\be\ff\vg"}},
        {"backslashes", "\\\\\t\\\\\\\\\tx\\\\\n", {"\\", "\\\\", "x\\"}},
        {"octal",
         "\\101\\1\\0123\\7777\n",
         {"A\x01\n3\xff"
          "7"}},
        {"hex", "\\x41\\x4g\\xZ\\x\n", {std::string("A\x04gxZx")}},
        {"other characters stand for themselves",
         "\\a\\\"\\.\n",
         {
             "a\".",
         }},
        {"bytea in hex", "\\\\x00ff5c\n", {"\\x00ff5c"}},
        {"bytea in escape format", "\\\\000\\\\\\\\a\n", {"\\000\\\\a"}},
        {"array with quoted tab", "{\"a\\tb\",NULL}\n", {"{\"a\tb\",NULL}"}},
        {"UTF-8 passes",
         "Gr\xc3\xbc\xc3\x9f"
         "e\t\xe6\x97\xa5\n",
         {"Gr\xc3\xbc\xc3\x9f"
          "e",
          "\xe6\x97\xa5"}},
    };
    for (const LineCase& c : cases) {
        std::string buffer = c.line;
        std::vector<PgCopyCell> cells;
        ASSERT_TRUE(splitPgCopyLine(buffer.data(), buffer.size(), cells)) << c.name;
        ASSERT_EQ(cells.size(), c.cells.size()) << c.name;
        for (std::size_t k = 0; k < cells.size(); ++k) {
            if (!c.cells[k]) {
                EXPECT_TRUE(cells[k].null) << c.name << " field " << k;
                continue;
            }
            ASSERT_FALSE(cells[k].null) << c.name << " field " << k;
            EXPECT_EQ(std::string(cells[k].text, static_cast<std::size_t>(cells[k].length)),
                      *c.cells[k])
                << c.name << " field " << k;
            EXPECT_EQ(cells[k].text[cells[k].length], '\0') << c.name << " field " << k;
        }
    }
}

TEST(PgCopyText, ALoneBackslashAtTheEndIsRefused) {
    for (std::string line : {std::string("abc\\"), std::string("abc\\\n"), std::string("a\t\\")}) {
        std::vector<PgCopyCell> cells;
        EXPECT_FALSE(splitPgCopyLine(line.data(), line.size(), cells)) << line;
    }
}

TEST(PgCopyText, OnlyStatementsThatReadRowsAreWrapped) {
    const struct {
        const char* statement;
        const char* copy;  // nullptr: not wrapped
    } cases[] = {
        {"SELECT 1", "COPY (\nSELECT 1\n) TO STDOUT"},
        {"  select * from t ;; \r\n", "COPY (\n  select * from t\n) TO STDOUT"},
        {"WITH w AS (SELECT 1) SELECT * FROM w",
         "COPY (\nWITH w AS (SELECT 1) SELECT * FROM w\n) TO STDOUT"},
        {"(SELECT 1) UNION (SELECT 2)", "COPY (\n(SELECT 1) UNION (SELECT 2)\n) TO STDOUT"},
        {"/* a /* nested */ comment */ VALUES (1)",
         "COPY (\n/* a /* nested */ comment */ VALUES (1)\n) TO STDOUT"},
        {"-- note\nTABLE t", "COPY (\n-- note\nTABLE t\n) TO STDOUT"},
        {"SELECT 1 -- to the end", "COPY (\nSELECT 1 -- to the end\n) TO STDOUT"},
        {"SHOW TimeZone", nullptr},
        {"EXPLAIN SELECT 1", nullptr},
        {"DELETE FROM t RETURNING *", nullptr},
        {"selection", nullptr},
        {"select_1", nullptr},
        {"", nullptr},
        {"/* never closed SELECT", nullptr},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(pgCopyStatement(c.statement), QByteArray(c.copy ? c.copy : "")) << c.statement;
    }
}

// A connection to one PostgreSQL table with its libpq handle.
class PgCopyRead : public ::testing::Test {
protected:
    void open(const std::optional<PgServer>& pg, const QString& columns, const QString& rows) {
        sides_.emplace(pg);
        table_ = sides_->make(Backend::Pg, false, columns, rows);
        ensureCoreApplication();
        session_.setAliasFilePath(sides_->folder().aliasFile());
        conn_.emplace(u"CopyRead"_s, session_);
        conn_->setAliasName(table_.alias);
        conn_->connect();
    }

    bool idle() const { return pgTransactionEnded(conn_->database()); }

    // Every row as text that tells the storage class and the exact value.
    struct Read {
        QStringList fields;
        QStringList rows;
        QString error;
    };
    Read read(const QString& sql, PgReading how) {
        Read out;
        try {
            auto b = makePgBackend(conn_->database(), sql, how);
            for (const QueryField& f : b->fields) {
                out.fields << u"%1 %2 %3 %4"_s.arg(f.name, fieldTypeName(f.type))
                                  .arg(f.size)
                                  .arg(f.declaredType);
            }
            for (; !b->eof(); b->next()) {
                QStringList cells;
                for (int i = 0; i < static_cast<int>(b->fields.size()); ++i) {
                    cells << describe(b->value(i));
                }
                out.rows << cells.join(u" | "_s);
            }
        } catch (const Error& e) {
            out.error = e.message();
        }
        return out;
    }

    static QString describe(const Value& v) {
        if (v.isNull()) {
            return u"null"_s;
        }
        switch (v.storage()) {
            case StorageClass::Int:
            case StorageClass::Bool:
            case StorageClass::Micros:
                return u"%1:%2"_s.arg(static_cast<int>(v.storage())).arg(v.asInt());
            case StorageClass::Float:
                return u"f:"_s + QString::number(v.asFloat(), 'g', 17);
            case StorageClass::Bytes:
                return u"b:"_s + QString::fromLatin1(v.asBytes().toHex());
        }
        return {};
    }

    void expectIdle() {
        EXPECT_TRUE(idle());
        // The connection takes the next query.
        const Read after = read(u"SELECT 7 AS n"_s, PgReading::Fastest);
        EXPECT_EQ(after.rows, QStringList{u"0:7"_s}) << after.error.toStdString();
    }

    std::optional<DbSides> sides_;
    SideTable table_;
    Session session_;
    std::optional<Connection> conn_;
};

TEST_F(PgCopyRead, TrickyValuesMatchTheRowByRowReading) {
    QM_REQUIRE_PG(pg);
    open(pg,
         u"k integer, t text, b bytea, a text[], n numeric, ts timestamp, tz timestamptz, "
         "f double precision, bo boolean, c char(6), j json, iv interval"_s,
         u"(1, E'tab\\there', E'\\\\x00ff5c0a09', ARRAY[E'a\\tb', 'c\\d', NULL, ''], "
         "123456789012345678901234567890.123456789012345678901234567890, "
         "'2024-02-29 23:59:59.999999', '2024-06-30 23:30:00.25+02', 1e-300, true, 'ab', "
         "'{\"x\": \"a\\\\nb\"}', '1 day 00:00:01.5'), "
         "(2, E'line\\nbreak\\r\\nand \\\\ backslash', '', '{}', 'NaN', "
         "'0001-01-01 00:00:00', '1999-12-31 23:59:59+00', 'NaN', false, '', 'null', '-1 month'), "
         "(3, '\\N', E'\\\\x5c4e', ARRAY['\\N'], -0.000000000000000000001, "
         "'2000-01-01', '2000-01-01 00:00:00-11', '-Infinity', NULL, 'xyzzy', '[]', '0'), "
         "(4, '', NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL), "
         "(5, NULL, E'\\\\x', ARRAY[E'q\"\\\\b', 'x y'], 0, NULL, NULL, 1.7976931348623157e308, "
         "true, "
         "E'\\u00e9\\u65e5', '\"\\u00fc\"', NULL), "
         "(6, E'Gr\\u00fc\\u00dfe \\u2014 \\u65e5\\u672c \\U0001F600\\b\\f\\v', "
         "E'\\\\x000102030405060708090a0b0c0d0e0f7f80ff', NULL, 1e-30, NULL, NULL, "
         "'Infinity', NULL, NULL, NULL, NULL)"_s);
    const QString sql = u"SELECT * FROM %1 ORDER BY k"_s.arg(table_.table);
    // Binary data also in the escape format a session may choose.
    for (const QString& output : {u"hex"_s, u"escape"_s}) {
        conn_->execute(u"SET bytea_output = '%1'"_s.arg(output));
        const Read rows = read(sql, PgReading::RowByRow);
        const Read copy = read(sql, PgReading::CopyOnly);
        ASSERT_TRUE(rows.error.isEmpty()) << rows.error.toStdString();
        ASSERT_TRUE(copy.error.isEmpty()) << copy.error.toStdString();
        ASSERT_EQ(rows.rows.size(), 6);
        EXPECT_EQ(copy.fields, rows.fields) << output.toStdString();
        EXPECT_EQ(copy.rows, rows.rows) << output.toStdString();
        EXPECT_EQ(read(sql, PgReading::Fastest).rows, rows.rows);
    }
    expectIdle();
}

// Statements COPY does not take go row by row with the same result; a
// failing statement reports what it reported before, and the connection is
// left outside any transaction either way.
TEST_F(PgCopyRead, OtherStatementsAndFailuresReadAsBefore) {
    QM_REQUIRE_PG(pg);
    open(pg, u"k integer, v text"_s, u"(1, 'a'), (2, NULL), (0, 'zero')"_s);
    const QString t = table_.table;
    const QString queries[] = {
        u"SHOW TimeZone"_s,
        u"EXPLAIN (COSTS OFF) SELECT 1"_s,
        u"SELECT FROM %1"_s.arg(t),  // rows without fields
        u"SELECT k, v FROM %1 ORDER BY k;"_s.arg(t),
        u"SELECT k, v FROM %1 ORDER BY k; -- the end"_s.arg(t),
        u"SELECT k FROM %1 ORDER BY k -- the end"_s.arg(t),
        u"SELECT k, v FROM %1 WHERE false"_s.arg(t),
        u"VALUES (1, 'x'), (2, NULL)"_s,
        u"SELECT 1 / k FROM %1 ORDER BY k DESC"_s.arg(t),  // fails on its last row
        u"SELECT 1 / 0"_s,
        u"SELECT no_such_column FROM %1"_s.arg(t),
        u"SELECT 'x'::integer"_s,
        u"SELEKT 1"_s,
        u"SELECT 1; SELECT 2"_s,
        u"DELETE FROM %1"_s.arg(t),
        u"WITH d AS (DELETE FROM %1 RETURNING *) SELECT * FROM d"_s.arg(t),
        u"SELECT * INTO %1_copy FROM %1"_s.arg(t),
        u"SELECT k FROM %1 FOR UPDATE"_s.arg(t),
    };
    for (const QString& sql : queries) {
        const Read rows = read(sql, PgReading::RowByRow);
        const Read fastest = read(sql, PgReading::Fastest);
        EXPECT_EQ(fastest.fields, rows.fields) << sql.toStdString();
        EXPECT_EQ(fastest.rows, rows.rows) << sql.toStdString();
        EXPECT_EQ(fastest.error, rows.error) << sql.toStdString();
        EXPECT_TRUE(idle()) << sql.toStdString();
    }
    // Nothing changed.
    EXPECT_EQ(read(u"SELECT count(*) FROM %1"_s.arg(t), PgReading::Fastest).rows,
              QStringList{u"0:3"_s});
    EXPECT_TRUE(read(u"SELECT 1 FROM %1_copy"_s.arg(t), PgReading::Fastest)
                    .error.contains(u"does not exist"_s));
    expectIdle();
}

// Inside the connection's own transaction a failed read leaves that
// transaction usable; a reader given up half-way leaves no COPY running.
TEST_F(PgCopyRead, FailedAndAbandonedReadsLeaveTheConnectionReady) {
    QM_REQUIRE_PG(pg);
    open(pg, u"k integer"_s, u"(1), (0)"_s);
    conn_->startTransaction();
    conn_->execute(u"INSERT INTO %1 VALUES (5)"_s.arg(table_.table));
    // One fails while its rows stream, one before COPY starts (it then goes
    // row by row and fails there again).
    const Read failed = read(u"SELECT 1 / k FROM %1"_s.arg(table_.table), PgReading::Fastest);
    EXPECT_TRUE(failed.error.contains(u"division by zero"_s)) << failed.error.toStdString();
    EXPECT_FALSE(idle());
    const Read unknown = read(u"SELECT nothing FROM %1"_s.arg(table_.table), PgReading::Fastest);
    EXPECT_TRUE(unknown.error.contains(u"\"nothing\" does not exist"_s))
        << unknown.error.toStdString();
    EXPECT_FALSE(idle());
    EXPECT_EQ(read(u"SELECT count(*) FROM %1"_s.arg(table_.table), PgReading::CopyOnly).rows,
              QStringList{u"0:3"_s});
    conn_->rollback();

    {
        auto b = makePgBackend(conn_->database(), u"SELECT g FROM generate_series(1, 200000) g"_s,
                               PgReading::CopyOnly);
        ASSERT_FALSE(b->eof());
        EXPECT_EQ(b->value(0).asInt(), 1);
        b->next();
        EXPECT_EQ(b->value(0).asInt(), 2);
    }
    expectIdle();
    EXPECT_TRUE(read(u"SHOW TimeZone"_s, PgReading::CopyOnly)
                    .error.contains(u"cannot be read through COPY"_s));
    expectIdle();
}

}  // namespace
}  // namespace qm::test

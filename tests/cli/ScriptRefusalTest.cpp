#include "support/CliRunner.h"
#include "support/QtPrinters.h"
#include "support/TestDatabases.h"

#include <gtest/gtest.h>
#include <QFile>

using namespace Qt::StringLiterals;

namespace qm::test {
namespace {

// A script the engine refuses is not written at all: exit code 1, the
// message on standard error, and no output file.
TEST(ScriptRefusal, RefusedScriptsWriteNothing) {
    struct Case {
        const char* name;
        QStringList source;
        QStringList target;
        QString message;
    };
    const Case cases[] = {
        {"a key the target would store as another",
         {u"CREATE TABLE t (k TEXT, v TEXT)"_s, u"INSERT INTO t VALUES ('007', 'new')"_s},
         {u"CREATE TABLE t (k INTEGER, v TEXT)"_s, u"INSERT INTO t VALUES (7, 'old')"_s},
         u"Error: The source row with key field \"k\" = '007' cannot be copied to the target: its "
         "key column would hold 7, which is another key. No script was written\n"_s},
        {"a repeated key in the target",
         {u"CREATE TABLE t (k INTEGER, v TEXT)"_s, u"INSERT INTO t VALUES (1, 'a')"_s},
         {u"CREATE TABLE t (k INTEGER, v TEXT)"_s, u"INSERT INTO t VALUES (1, 'a'), (1, 'b')"_s},
         u"Key field \"k\" does not identify the target rows: more than one row has k = 1. "
         "Primary key fields should hold a different value in every row\n"_s},
        // Keys SQLite's `=` finds equal: an UPDATE or DELETE for one of the
        // rows would hit both.
        {"an integer and a real of one number in the target",
         {u"CREATE TABLE t (k, v)"_s, u"INSERT INTO t VALUES (1.0, 'real')"_s},
         {u"CREATE TABLE t (k, v)"_s, u"INSERT INTO t VALUES (1, 'int'), (1.0, 'real-old')"_s},
         u"Key field \"k\" does not identify the target rows: the target database finds k = 1 "
         "and k = 1.0 equal, so a statement for one of these rows would change both. Primary key "
         "fields should hold a different value in every row\n"_s},
        {"keys differing in case in a NOCASE target column",
         {u"CREATE TABLE t (k TEXT COLLATE NOCASE, v)"_s, u"INSERT INTO t VALUES ('a', 'new')"_s},
         {u"CREATE TABLE t (k TEXT COLLATE NOCASE, v)"_s,
          u"INSERT INTO t VALUES ('a', 'old'), ('A', 'other')"_s},
         u"Key field \"k\" does not identify the target rows: the target database finds k = 'a' "
         "and k = 'A' equal, so a statement for one of these rows would change both. Primary key "
         "fields should hold a different value in every row\n"_s},
        {"a new row whose key the target finds equal to a row it deletes",
         {u"CREATE TABLE t (k, v)"_s, u"INSERT INTO t VALUES (1.0, 'real'), (2, 'b')"_s},
         {u"CREATE TABLE t (k, v)"_s, u"INSERT INTO t VALUES (1, 'int'), (2, 'b')"_s},
         u"Error: The new row with key k = 1.0 cannot be inserted: the target database finds its "
         "key equal to k = 1, the key of another row, so a statement for one of these rows would "
         "change both. No script was written\n"_s},
        {"a new number key a TEXT target column stores as another row's key",
         {u"CREATE TABLE t (k, v)"_s, u"INSERT INTO t VALUES (6, 'b'), (7.0, 'c')"_s},
         {u"CREATE TABLE t (k TEXT, v)"_s, u"INSERT INTO t VALUES ('7.0', 'c')"_s},
         u"Error: The new row with key k = 7.0 cannot be inserted: the target database finds its "
         "key equal to k = '7.0', the key of another row, so a statement for one of these rows "
         "would change both. No script was written\n"_s},
        {"a new row whose key only differs in case from a NOCASE target row",
         {u"CREATE TABLE t (k TEXT, v)"_s, u"INSERT INTO t VALUES ('a', 'new')"_s},
         {u"CREATE TABLE t (k TEXT COLLATE NOCASE, v)"_s, u"INSERT INTO t VALUES ('A', 'old')"_s},
         u"Error: The new row with key k = 'a' cannot be inserted: the target database finds its "
         "key equal to k = 'A', the key of another row, so a statement for one of these rows "
         "would change both. No script was written\n"_s},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        AliasFolder folder;
        folder.addSqlite(u"Src"_s, c.source);
        folder.addSqlite(u"Dst"_s, c.target);
        const QString output = folder.path(u"sync.sql"_s);
        const CliResult r =
            runCli({u"script"_s, u"--source-alias"_s, u"Src"_s, u"--target-alias"_s, u"Dst"_s,
                    u"--source-sql"_s, u"SELECT * FROM t"_s, u"--target-sql"_s,
                    u"SELECT * FROM t"_s, u"--key"_s, u"k"_s, u"--table"_s, u"t"_s, u"--aliases"_s,
                    folder.aliasFile(), u"--output"_s, output});
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_TRUE(r.err.endsWith(c.message)) << r.err.toStdString();
        EXPECT_FALSE(QFile::exists(output));
    }
}

}  // namespace
}  // namespace qm::test

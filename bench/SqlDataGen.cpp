#include "SqlDataGen.h"

#include "DataGen.h"

#include <sqlite3.h>
#include <QFile>
#include <string>

using namespace Qt::StringLiterals;

namespace qmbench {
namespace {

// Written to PRAGMA user_version of both files; apart from the numbers the
// row-by-row generator writes, and bumped whenever the generated data change.
constexpr int kSqlGeneratorVersion = 1001;

// Offset of the row numbers that target-only rows draw their values from,
// so that they do not repeat a source row's values.
constexpr const char* kTargetOnlyOffset = "1000000000";

// A 32-bit multiplicative hash of an integer expression. The products stay
// below 2^63 for row numbers up to about 2^31, so SQLite keeps them integers.
std::string hash(const std::string& of, const char* mul, const char* add) {
    return "(((" + of + ") * " + mul + " + " + add + ") % 4294967296)";
}
std::string hashA(const std::string& i) {
    return hash(i, "2654435761", "97");
}
std::string hashB(const std::string& i) {
    return hash(i, "2246822519", "3266489917");
}
// Which rows are only in the source (kind < 10) or changed (10 <= kind < 60).
std::string hashKind(const std::string& i) {
    return hash(i, "3266489917", "668265263");
}
// Which source rows get a target-only row after them.
std::string targetOnlyTest(const std::string& i) {
    return "((" + hash(i, "374761393", "1013904223") + " / 7) % 100 = 0)";
}

// The five value columns of a row from its two hashes a and b.
const char* kColumns =
    "CASE WHEN a % 100 = 0 THEN NULL"
    " ELSE (SELECT v FROM temp.qm_names WHERE k = (a / 100) % 12) || ' ' || ((a / 1200) % 100000)"
    " END AS name,"
    " CASE WHEN b % 50 = 0 THEN NULL ELSE (b / 50) % 1000 END AS qty,"
    " ((b / 50000) % 1000000) / 100.0 AS price,"
    " CASE WHEN (a / 65536) % 100 = 0 THEN NULL"
    " ELSE date(2451544.5 + (a / 7) % 9131) END AS day,"
    " CASE WHEN (b / 1024) % 10 = 0 THEN NULL"
    " ELSE (SELECT v FROM temp.qm_notes WHERE k = (b / 4096) % 6) || ' #' || ((b / 3) % 1000)"
    " END AS note";

const char* kSetup =
    "PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF;"
    "PRAGMA d.journal_mode=OFF; PRAGMA d.synchronous=OFF;"
    "CREATE TEMP TABLE qm_names(k INTEGER PRIMARY KEY, v TEXT);"
    "INSERT INTO temp.qm_names VALUES (0, 'O''Brien'), (1, 'Smith'), (2, 'D''Angelo'),"
    " (3, 'M\xc3\xbcller'), (4, 'Nakamura'), (5, 'Zo\xc3\xab'), (6, 'Johnson'), (7, 'O''Neill'),"
    " (8, 'Garc\xc3\xad"
    "a'), (9, 'Kowalski'), (10, 'Li'), (11, 'Van der Berg');"
    "CREATE TEMP TABLE qm_notes(k INTEGER PRIMARY KEY, v TEXT);"
    "INSERT INTO temp.qm_notes VALUES (0, 'call back on Monday'), (1, 'it''s urgent'),"
    " (2, 'said \"maybe\" twice'), (3, 'paid in full'), (4, 'left a message; no answer'),"
    " (5, 'ships from the ''north'' store');"
    "CREATE TABLE main.t(id INTEGER PRIMARY KEY, name TEXT, qty INTEGER, price REAL, day TEXT,"
    " note TEXT);"
    "CREATE TABLE d.t(id INTEGER PRIMARY KEY, name TEXT, qty INTEGER, price REAL, day TEXT,"
    " note TEXT);"
    "CREATE TABLE main.bench_meta(rows INTEGER, changed INTEGER, source_only INTEGER,"
    " target_only INTEGER);";

class Db {
public:
    ~Db() { sqlite3_close(db_); }
    bool open(const QString& path, int flags) {
        return sqlite3_open_v2(path.toUtf8().constData(), &db_, flags, nullptr) == SQLITE_OK;
    }
    bool exec(const std::string& sql) {
        return sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK;
    }
    // One row of integers from a query; false on any failure.
    bool row(const std::string& sql, std::int64_t* values, int n) {
        sqlite3_stmt* st = nullptr;
        bool ok = sqlite3_prepare_v2(db_, sql.c_str(), -1, &st, nullptr) == SQLITE_OK &&
                  sqlite3_step(st) == SQLITE_ROW;
        for (int k = 0; ok && k < n; ++k) {
            values[k] = sqlite3_column_int64(st, k);
        }
        sqlite3_finalize(st);
        return ok;
    }
    QString error() const {
        return db_ ? QString::fromUtf8(sqlite3_errmsg(db_)) : u"out of memory"_s;
    }

private:
    sqlite3* db_ = nullptr;
};

std::string quoted(const QString& path) {
    return "'" + path.toStdString() + "'";
}

}  // namespace

bool generatePairSql(std::int64_t rows, const QString& sourcePath, const QString& targetPath,
                     Expected& expected, QString& error) {
    // Written under temporary names, so that an interrupted run leaves no
    // file that looks finished.
    const QString sourceTmp = sourcePath + u".part"_s;
    const QString targetTmp = targetPath + u".part"_s;
    QFile::remove(sourceTmp);
    QFile::remove(targetTmp);
    const std::string n = std::to_string(rows);
    {
        Db db;
        if (!db.open(sourceTmp, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE)) {
            error = db.error();
            return false;
        }
        QString escaped = targetTmp;
        escaped.replace(u'\'', u"''"_s);
        const std::string source =
            "WITH RECURSIVE c(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM c WHERE i < " + n +
            "), k AS (SELECT i, " + hashA("i") + " AS a, " + hashB("i") +
            " AS b FROM c) INSERT INTO main.t SELECT 2 * i, " + kColumns + " FROM k;";
        // Target ids run through 2 .. 2n+1: an even id is source row id/2,
        // left out, changed or kept; an odd one a row only the target has.
        const std::string srcI = "CASE WHEN j % 2 = 1 THEN j / 2 + " +
                                 std::string(kTargetOnlyOffset) + " ELSE j / 2 END";
        const std::string target =
            "WITH RECURSIVE c(j) AS (SELECT 2 UNION ALL SELECT j + 1 FROM c WHERE j < 2 * " + n +
            " + 1), h AS (SELECT j, " + hashKind("j / 2") + " AS kh, " + hashA(srcI) + " AS a, " +
            hashB(srcI) + " AS b FROM c WHERE (j % 2 = 0 AND " + hashKind("j / 2") +
            " % 1000 >= 10) OR (j % 2 = 1 AND " + targetOnlyTest("j / 2") +
            ")), r AS (SELECT j, CASE WHEN j % 2 = 0 AND kh % 1000 < 60 THEN (kh / 1000) % 5"
            " ELSE -1 END AS ch, kh / 5000 AS m, " +
            kColumns +
            " FROM h) INSERT INTO d.t SELECT j,"
            " CASE WHEN ch = 0 THEN coalesce(name || '''s', 'Renamed') ELSE name END,"
            " CASE WHEN ch = 1 THEN coalesce(qty + 1 + m % 9, 1) ELSE qty END,"
            " CASE WHEN ch = 2 THEN price + (1 + m % 999) / 100.0 ELSE price END,"
            " CASE WHEN ch = 3 THEN coalesce(date(julianday(day) + 1 + m % 60), '2002-11-09')"
            " ELSE day END,"
            " CASE WHEN ch = 4 THEN CASE WHEN note IS NULL THEN 'added later'"
            " WHEN m % 3 = 0 THEN NULL ELSE note || ' (edited)' END ELSE note END FROM r;";
        const std::string counts =
            "WITH RECURSIVE c(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM c WHERE i < " + n +
            "), k AS (SELECT " + hashKind("i") + " % 1000 AS kind, " + targetOnlyTest("i") +
            " AS tonly FROM c) INSERT INTO main.bench_meta SELECT " + n +
            ", sum(kind >= 10 AND kind < 60), sum(kind < 10), sum(tonly) FROM k;";
        const std::string version =
            "PRAGMA main.user_version = " + std::to_string(kSqlGeneratorVersion) +
            "; PRAGMA d.user_version = " + std::to_string(kSqlGeneratorVersion) + ";";
        if (!db.exec("ATTACH " + quoted(escaped) + " AS d;") || !db.exec(kSetup) ||
            !db.exec("BEGIN;") || !db.exec(source) || !db.exec(target) || !db.exec(counts) ||
            !db.exec("COMMIT;") || !db.exec(version) || !db.exec("DETACH d;")) {
            error = db.error();
            return false;
        }
    }
    if (!moveIntoPlace(sourceTmp, sourcePath, targetTmp, targetPath, error)) {
        return false;
    }
    if (!sqlPairIsUsable(rows, sourcePath, targetPath, expected)) {
        error = u"the generated files do not hold the counted rows"_s;
        return false;
    }
    return true;
}

bool sqlPairIsUsable(std::int64_t rows, const QString& sourcePath, const QString& targetPath,
                     Expected& expected) {
    if (!QFile::exists(sourcePath) || !QFile::exists(targetPath)) {
        return false;
    }
    Db source;
    Db target;
    std::int64_t meta[4] = {};
    std::int64_t versions[2] = {};
    std::int64_t counts[2] = {};
    if (!source.open(sourcePath, SQLITE_OPEN_READONLY) ||
        !target.open(targetPath, SQLITE_OPEN_READONLY) ||
        !source.row("PRAGMA user_version", &versions[0], 1) ||
        !target.row("PRAGMA user_version", &versions[1], 1) ||
        versions[0] != kSqlGeneratorVersion || versions[1] != kSqlGeneratorVersion ||
        !source.row("SELECT rows, changed, source_only, target_only FROM bench_meta", meta, 4) ||
        meta[0] != rows || !source.row("SELECT count(*) FROM t", &counts[0], 1) ||
        !target.row("SELECT count(*) FROM t", &counts[1], 1)) {
        return false;
    }
    expected.sourceRows = rows;
    expected.changed = meta[1];
    expected.sourceOnly = meta[2];
    expected.targetOnly = meta[3];
    expected.targetRows = rows - expected.sourceOnly + expected.targetOnly;
    return counts[0] == expected.sourceRows && counts[1] == expected.targetRows;
}

}  // namespace qmbench

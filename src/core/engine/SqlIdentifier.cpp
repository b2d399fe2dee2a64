#include "engine/SqlIdentifier.h"

#include <QSet>
#include <QStringList>

using namespace Qt::StringLiterals;

namespace qm::SqlIdentifier {
namespace {

QSet<QString> wordSet(const QString& words) {
    const QStringList list = words.split(u' ', Qt::SkipEmptyParts);
    return {list.begin(), list.end()};
}

// Words SQLite cannot take as a column name in an UPDATE, INSERT or DELETE
// statement, or reads as something else there (CURRENT_DATE is the date,
// not the column); its other keywords fall back to names.
const QSet<QString>& sqliteWords() {
    static const QSet<QString> words = wordSet(
        u"ADD ALL ALTER AND AS AUTOINCREMENT BETWEEN CASE CAST CHECK COLLATE COMMIT CONSTRAINT "
        "CREATE CURRENT_DATE CURRENT_TIME CURRENT_TIMESTAMP DEFAULT DEFERRABLE DELETE DISTINCT "
        "DROP ELSE ESCAPE EXCEPT EXISTS FALSE FOREIGN FROM GROUP HAVING IN INDEX INSERT INTERSECT "
        "INTO IS ISNULL JOIN LIMIT NOT NOTHING NOTNULL NULL ON OR ORDER PRIMARY RAISE REFERENCES "
        "RETURNING SELECT SET TABLE THEN TO TRANSACTION TRUE UNION UNIQUE UPDATE USING VALUES "
        "WHEN WHERE"_s);
    return words;
}

// PostgreSQL's reserved keywords and those that can only be function or
// type names: neither can be a column name unquoted.
const QSet<QString>& postgresWords() {
    static const QSet<QString> words = wordSet(
        u"ALL ANALYSE ANALYZE AND ANY ARRAY AS ASC ASYMMETRIC AUTHORIZATION BINARY BOTH CASE CAST "
        "CHECK COLLATE COLLATION COLUMN CONCURRENTLY CONSTRAINT CREATE CROSS CURRENT_CATALOG "
        "CURRENT_DATE CURRENT_ROLE CURRENT_SCHEMA CURRENT_TIME CURRENT_TIMESTAMP CURRENT_USER "
        "DEFAULT DEFERRABLE DESC DISTINCT DO ELSE END EXCEPT FALSE FETCH FOR FOREIGN FREEZE FROM "
        "FULL GRANT GROUP HAVING ILIKE IN INITIALLY INNER INTERSECT INTO IS ISNULL JOIN LATERAL "
        "LEADING LEFT LIKE LIMIT LOCALTIME LOCALTIMESTAMP NATURAL NOT NOTNULL NULL OFFSET ON ONLY "
        "OR ORDER OUTER OVERLAPS PLACING PRIMARY REFERENCES RETURNING RIGHT SELECT SESSION_USER "
        "SIMILAR SOME SYMMETRIC SYSTEM_USER TABLE TABLESAMPLE THEN TO TRAILING TRUE UNION UNIQUE "
        "USER USING VARIADIC VERBOSE WHEN WHERE WINDOW WITH"_s);
    return words;
}

// MySQL's and MariaDB's reserved words.
const QSet<QString>& mysqlWords() {
    static const QSet<QString> words = wordSet(
        u"ACCESSIBLE ADD ALL ALTER ANALYZE AND AS ASC ASENSITIVE BEFORE BETWEEN BIGINT BINARY "
        "BLOB BOTH BY CALL CASCADE CASE CHANGE CHAR CHARACTER CHECK COLLATE COLUMN CONDITION "
        "CONSTRAINT CONTINUE CONVERT CREATE CROSS CUBE CUME_DIST CURRENT_DATE CURRENT_ROLE "
        "CURRENT_TIME CURRENT_TIMESTAMP CURRENT_USER CURSOR DATABASE DATABASES DAY_HOUR "
        "DAY_MICROSECOND DAY_MINUTE DAY_SECOND DEC DECIMAL DECLARE DEFAULT DELAYED DELETE "
        "DENSE_RANK DESC DESCRIBE DETERMINISTIC DISTINCT DISTINCTROW DIV DO_DOMAIN_IDS DOUBLE "
        "DROP DUAL EACH ELSE ELSEIF EMPTY ENCLOSED ESCAPED EXCEPT EXISTS EXIT EXPLAIN FALSE FETCH "
        "FIRST_VALUE FLOAT FLOAT4 FLOAT8 FOR FORCE FOREIGN FROM FULLTEXT FUNCTION GENERAL "
        "GENERATED GET GRANT GROUP GROUPING GROUPS HAVING HIGH_PRIORITY HOUR_MICROSECOND "
        "HOUR_MINUTE HOUR_SECOND IF IGNORE IGNORE_DOMAIN_IDS IGNORE_SERVER_IDS IN INDEX INFILE "
        "INNER INOUT INSENSITIVE INSERT INT INT1 INT2 INT3 INT4 INT8 INTEGER INTERSECT INTERVAL "
        "INTO IO_AFTER_GTIDS IO_BEFORE_GTIDS IS ITERATE JOIN JSON_TABLE KEY KEYS KILL LAG "
        "LAST_VALUE LATERAL LEAD LEADING LEAVE LEFT LIKE LIMIT LINEAR LINES LOAD LOCALTIME "
        "LOCALTIMESTAMP LOCK LONG LONGBLOB LONGTEXT LOOP LOW_PRIORITY MANUAL MASTER_BIND "
        "MASTER_HEARTBEAT_PERIOD MASTER_SSL_VERIFY_SERVER_CERT MATCH MAXVALUE MEDIUMBLOB MEDIUMINT "
        "MEDIUMTEXT MIDDLEINT MINUTE_MICROSECOND MINUTE_SECOND MOD MODIFIES NATURAL NOT "
        "NO_WRITE_TO_BINLOG NTH_VALUE NTILE NULL NUMERIC OF OFFSET ON OPTIMIZE OPTIMIZER_COSTS "
        "OPTION OPTIONALLY OR ORDER OUT OUTER OUTFILE OVER PAGE_CHECKSUM PARALLEL "
        "PARSE_VCOL_EXPR PARTITION PERCENT_RANK POSITION PRECISION PRIMARY PROCEDURE PURGE "
        "QUALIFY RANGE RANK READ READS READ_WRITE REAL RECURSIVE REF_SYSTEM_ID REFERENCES REGEXP "
        "RELEASE RENAME REPEAT REPLACE REQUIRE RESIGNAL RESTRICT RETURN RETURNING REVOKE RIGHT "
        "RLIKE ROW ROW_NUMBER ROWS SCHEMA SCHEMAS SECOND_MICROSECOND SELECT SENSITIVE SEPARATOR "
        "SET SHOW SIGNAL SLOW SMALLINT SPATIAL SPECIFIC SQL SQL_BIG_RESULT SQL_CALC_FOUND_ROWS "
        "SQL_SMALL_RESULT SQLEXCEPTION SQLSTATE SQLWARNING SSL STARTING STATS_AUTO_RECALC "
        "STATS_PERSISTENT STATS_SAMPLE_PAGES STORED STRAIGHT_JOIN SYSTEM TABLE TABLESAMPLE "
        "TERMINATED THEN TINYBLOB TINYINT TINYTEXT TO TRAILING TRIGGER TRUE UNDO UNION UNIQUE "
        "UNLOCK UNSIGNED UPDATE USAGE USE USING UTC_DATE UTC_TIME UTC_TIMESTAMP VALUES VARBINARY "
        "VARCHAR VARCHARACTER VARYING VIRTUAL WHEN WHERE WHILE WINDOW WITH WRITE XOR YEAR_MONTH "
        "ZEROFILL"_s);
    return words;
}

bool isPlainChar(QChar c, bool lowerOnly) {
    const char16_t u = c.unicode();
    return (u >= u'a' && u <= u'z') || (!lowerOnly && u >= u'A' && u <= u'Z') ||
           (u >= u'0' && u <= u'9') || u == u'_';
}

// Letters, digits and "_" only, not starting with a digit; for PostgreSQL
// also no upper-case letter, as it folds unquoted names to lower case.
bool isPlain(const QString& name, SqlDialect dialect) {
    if (name.isEmpty() || (name[0] >= u'0' && name[0] <= u'9')) {
        return false;
    }
    const bool lowerOnly = dialect == SqlDialect::PostgreSQL;
    for (const QChar c : name) {
        if (!isPlainChar(c, lowerOnly)) {
            return false;
        }
    }
    return true;
}

}  // namespace

bool isReserved(const QString& word, SqlDialect dialect) {
    const QString upper = word.toUpper();
    switch (dialect) {
        case SqlDialect::SQLite:
            return sqliteWords().contains(upper);
        case SqlDialect::PostgreSQL:
            return postgresWords().contains(upper);
        case SqlDialect::MySQL:
            return mysqlWords().contains(upper);
        case SqlDialect::Generic:
            break;
    }
    // An unknown database: a word either of the two common dialects
    // reserves is quoted, as quoting a name never changes its meaning.
    return sqliteWords().contains(upper) || postgresWords().contains(upper);
}

QString of(const QString& name, SqlDialect dialect) {
    if (isPlain(name, dialect) && !isReserved(name, dialect)) {
        return name;
    }
    if (dialect == SqlDialect::MySQL) {
        return u'`' + QString(name).replace(u"`"_s, u"``"_s) + u'`';
    }
    return u'"' + QString(name).replace(u"\""_s, u"\"\""_s) + u'"';
}

}  // namespace qm::SqlIdentifier

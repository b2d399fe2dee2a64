#include "SqliteSync.h"
#include "engine/ScriptExecutor.h"
#include "engine/SqlLiteral.h"
#include "engine/TextScriptEditor.h"
#include "support/EngineHarness.h"
#include "support/PgScratch.h"
#include "support/TestDatabases.h"

#include <gtest/gtest.h>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <optional>
#include <vector>

using namespace Qt::StringLiterals;

// The scripts the engine writes make the target equal the source: for pairs
// of generated tables that differ in every way, on real databases, the
// script is executed and both sides are compared again, by the engine and
// by the databases themselves.

namespace qm::test {
namespace {

// --- values -------------------------------------------------------------------------

// Raw: the sample is the SQLite literal itself (values of any storage class).
enum class Kind { Text, Int, Float, Numeric, Date, Time, Stamp, Bool, Bytes, Raw };

// A value as the test knows it: the text of the value (hexadecimal digits
// for binary data, "1"/"0" for Booleans), or nothing for NULL.
using Sample = std::optional<QString>;

// Names are created quoted, so that case, blanks, hyphens and reserved
// words stay part of the name; the engine has to quote them in its script.
// A type may carry constraints and a default.
struct Column {
    QString name;
    Kind kind;
    QString sqliteType;
    QString pgType;
    std::vector<Sample> samples;  // neighbours become changes in both directions
    bool sqliteOnly = false;      // values PostgreSQL cannot hold
    bool targetOnly = false;      // the source lacks the column: new rows take its default
};

QString quoted(const QString& name) {
    return u'"' + QString(name).replace(u'"', u"\"\""_s) + u'"';
}

QString allBytesHex() {
    QByteArray b;
    for (int i = 0; i < 256; ++i) {
        b += static_cast<char>(i);
    }
    return QString::fromLatin1(b.toHex().toUpper());
}

// A long text of all the awkward pieces.
QString longText() {
    return u"x'; /* -- */ \\ \r\n \u00eb"_s.repeated(400);
}

// Every column holds the values the script has to carry over intact.
std::vector<Column> valueColumns() {
    const Sample null;
    return {
        {u"select"_s,
         Kind::Text,
         u"TEXT"_s,
         u"text"_s,
         {u"plain"_s,
          u"O'Brien; DROP TABLE x; --"_s,
          u"end */ here"_s,
          u"start /* here"_s,
          u"-- a line comment"_s,
          u"back\\slash \\n \\' \\"_s,
          u"line1\nline2"_s,
          u"crlf1\r\nline2\r\n"_s,
          u"Zo\u00eb \u00c5lesund \u2603"_s,
          null,
          u""_s,
          u"';' ; ''"_s,
          u"'"_s,
          u"$$ dollar; $x$ tag $x$"_s,
          u"ends with backslash\\"_s,
          u"/*/ **/ */ /*"_s,
          u"lone\rcarriage return\ttab"_s,
          u"  padded  "_s,
          u"beyond the BMP \U0001F600"_s,
          u"\uFEFF"_s,
          u"\uFEFFmark first"_s,
          longText()}},
        {u"group"_s,
         Kind::Int,
         u"INTEGER"_s,
         u"integer"_s,
         {u"42"_s, u"0"_s, u"-1"_s, null, u"2147483647"_s, u"-2147483648"_s}},
        {u"big"_s,
         Kind::Int,
         u"INTEGER"_s,
         u"bigint"_s,
         {u"9007199254740993"_s, u"9007199254740992"_s, null, u"9223372036854775807"_s,
          u"-9223372036854775808"_s, u"-9007199254740993"_s}},
        {u"f"_s,
         Kind::Float,
         u"REAL"_s,
         u"double precision"_s,
         {u"0.1"_s, u"1e-300"_s, u"-2.5"_s, null, u"0.30000000000000004"_s, u"0.3"_s,
          u"1.7976931348623157e308"_s, u"5e-324"_s, u"0"_s, u"-2.496913437261125e+303"_s,
          u"8.082153247385894e-308"_s}},
        // Whole numbers beyond 2^53 in fixed-point columns.
        {u"bignum"_s,
         Kind::Numeric,
         u"DECIMAL(20,0)"_s,
         u"numeric"_s,
         {u"9223372036854775807"_s, u"9223372036854775806"_s, u"9007199254740993"_s,
          u"9007199254740992"_s, null, u"-9223372036854775808"_s, u"0"_s}},
        {u"unit-price"_s,
         Kind::Numeric,
         u"NUMERIC"_s,
         u"numeric(20,6)"_s,
         {u"123456789.123456"_s, u"123456789.123457"_s, u"0.000001"_s, null, u"-12345678901234.5"_s,
          u"0"_s, u"7"_s}},
        {u"d"_s,
         Kind::Date,
         u"DATE"_s,
         u"date"_s,
         {u"2024-02-29"_s, u"1999-12-31"_s, null, u"2000-01-01"_s, u"0001-01-01"_s}},
        {u"tm"_s,
         Kind::Time,
         u"TIME"_s,
         u"time"_s,
         {u"13:45:10.123456"_s, u"00:00:00"_s, null, u"23:59:59.999999"_s, u"00:00:00.000001"_s}},
        {u"StampedAt"_s,
         Kind::Stamp,
         u"TIMESTAMP"_s,
         u"timestamp"_s,
         {u"2024-02-29 13:45:10.123456"_s, u"2024-02-29 13:45:10.123457"_s, null,
          u"1900-01-01 00:00:00"_s, u"2038-01-19 03:14:08.000001"_s,
          u"1969-12-31 23:59:59.999999"_s, u"1969-12-31 23:59:59.999998"_s}},
        {u"user"_s, Kind::Bool, u"BOOLEAN"_s, u"boolean"_s, {u"1"_s, u"0"_s, null}},
        // A name with a quote, a ";" and comment starts: the quoted name
        // does not end the statement or hide the rest of it.
        {u"a;b \"c\" -- d /* e"_s, Kind::Text, u"TEXT"_s, u"text"_s, {u"p"_s, u"q"_s, null}},
        // Empty binary data next to null: the two differ.
        {u"bin"_s,
         Kind::Bytes,
         u"BLOB"_s,
         u"bytea"_s,
         {u"00FF"_s, u"FF00"_s, u"00"_s, null, u""_s, u"FF"_s, allBytesHex()}},
        // SQLite columns without a declared type, holding one class each,
        // to typed PostgreSQL columns.
        {u"untypedint"_s,
         Kind::Int,
         QString(),
         u"bigint"_s,
         {u"9223372036854775807"_s, u"9223372036854775806"_s, null, u"-1"_s, u"0"_s}},
        {u"untypedtext"_s,
         Kind::Text,
         QString(),
         u"text"_s,
         {u"\uFEFF"_s, u""_s, null, u"1"_s, u"O'Brien"_s}},
        // SQLite values keep their storage class: in a column without type ...
        {u"anyv"_s,
         Kind::Raw,
         QString(),
         QString(),
         {u"1"_s, u"1.0"_s, u"'1'"_s, u"X'31'"_s, u"X''"_s, null, u"''"_s,
          u"'a' || char(0) || 'b'"_s, u"CAST(X'61FF' AS TEXT)"_s, u"-2.496913437261125e+303"_s,
          u"9223372036854775807"_s},
         true},
        // ... and in typed columns holding values of other classes.
        {u"offint"_s,
         Kind::Raw,
         u"INTEGER"_s,
         QString(),
         {u"5"_s, u"'abc'"_s, u"1.5"_s, u"X'05'"_s, null, u"6"_s},
         true},
        {u"offtext"_s,
         Kind::Raw,
         u"TEXT"_s,
         QString(),
         {u"'x'"_s, u"X'78'"_s, u"'x' || char(0)"_s, null, u"''"_s},
         true},
        {u"offbool"_s,
         Kind::Raw,
         u"BOOLEAN"_s,
         QString(),
         {u"1"_s, u"2"_s, u"0"_s, u"'yes'"_s},
         true},
        // Columns the source lacks: the target's rows keep their values, new
        // rows take the database's defaults (not '' or 0).
        {u"born"_s,
         Kind::Date,
         u"DATE"_s,
         u"date"_s,
         {u"2020-01-01"_s, null, u"1999-12-31"_s},
         false,
         true},
        {u"active"_s,
         Kind::Bool,
         u"BOOLEAN NOT NULL DEFAULT 1"_s,
         u"boolean NOT NULL DEFAULT TRUE"_s,
         {u"0"_s, u"1"_s},
         false,
         true},
        {u"My Note"_s,
         Kind::Text,
         u"TEXT DEFAULT 'x'"_s,
         u"text DEFAULT 'x'"_s,
         {u"kept"_s, null, u""_s, u"x "_s},
         false,
         true},
    };
}

QString sqliteLiteral(Kind kind, const Sample& v) {
    if (!v) {
        return u"NULL"_s;
    }
    switch (kind) {
        case Kind::Float:
            // SQLite's parser reads some shortest texts off by one unit:
            // the source holds the same real as PostgreSQL.
            return SqlLiteral::of(Value::fromFloat(v->toDouble()), FieldType::Float,
                                  SqlDialect::SQLite);
        case Kind::Int:
        case Kind::Numeric:
        case Kind::Bool:
        case Kind::Raw:
            return *v;
        case Kind::Bytes:
            return u"X'%1'"_s.arg(*v);
        default:
            return u'\'' + QString(*v).replace(u'\'', u"''"_s) + u'\'';
    }
}

// Escape-string text, so that the literal is plain ASCII whatever psql does
// with line ends and client encodings.
QString pgTextLiteral(const QString& text) {
    QString out = u"E'"_s;
    const QList<uint> codes = text.toUcs4();
    for (const uint c : codes) {
        if (c == u'\\') {
            out += u"\\\\"_s;
        } else if (c == u'\'') {
            out += u"''"_s;
        } else if (c == u'\n') {
            out += u"\\n"_s;
        } else if (c == u'\r') {
            out += u"\\r"_s;
        } else if (c < 0x80) {
            out += QChar(static_cast<char16_t>(c));
        } else {
            out += u"\\U%1"_s.arg(static_cast<qulonglong>(c), 8, 16, QChar(u'0'));
        }
    }
    return out + u'\'';
}

QString pgLiteral(Kind kind, const Sample& v) {
    if (!v) {
        return u"NULL"_s;
    }
    switch (kind) {
        case Kind::Text:
            return pgTextLiteral(*v);
        case Kind::Int:
        case Kind::Float:
        case Kind::Numeric:
            return *v;
        case Kind::Bool:
            return *v == u"1"_s ? u"TRUE"_s : u"FALSE"_s;
        case Kind::Bytes:
            return u"'\\x%1'::bytea"_s.arg(*v);
        default:
            return u'\'' + *v + u'\'';
    }
}

// --- generated tables ---------------------------------------------------------------

// One row of the pair: the key and the values on either side (nothing where
// the row is missing on that side).
struct PairRow {
    QList<Sample> key;
    std::optional<QList<Sample>> source;
    std::optional<QList<Sample>> target;
};

// Text parts of two-field keys, so that keys in WHERE clauses need quoting.
const QStringList kGroups{u"O'Hara; --"_s, u"Zo\u00eb */ /*"_s, u"back\\slash"_s,
                          u"line\r\nbreak"_s, u"plain"_s};

struct GeneratedPair {
    std::vector<Column> keyColumns;
    std::vector<Column> columns;
    std::vector<PairRow> rows;

    GeneratedPair(bool twoFieldKey, bool withPg) {
        for (Column& c : valueColumns()) {
            if (!withPg || !c.sqliteOnly) {
                columns.push_back(std::move(c));
            }
        }
        // Key names that need quoting in every statement's WHERE clause.
        if (twoFieldKey) {
            keyColumns = {{u"my key"_s, Kind::Text, u"TEXT"_s, u"text"_s, {}},
                          {u"order"_s, Kind::Int, u"INTEGER"_s, u"bigint"_s, {}}};
        } else {
            keyColumns = {{u"CustNo"_s, Kind::Int, u"INTEGER"_s, u"bigint"_s, {}}};
        }
        int longest = 0;
        for (const Column& c : columns) {
            longest = std::max(longest, static_cast<int>(c.samples.size()));
        }
        const auto at = [](const Column& c, int r) {
            return c.samples[static_cast<std::size_t>(r) % c.samples.size()];
        };
        const auto allAt = [&](int r) {
            QList<Sample> values;
            for (const Column& c : columns) {
                values << at(c, r);
            }
            return values;
        };
        // Equal rows, every value once.
        for (int r = 0; r < longest; ++r) {
            add(allAt(r), allAt(r));
        }
        // Rows only in the source, rows only in the target.
        for (int r = 0; r < longest; ++r) {
            add(allAt(r + 1), std::nullopt);
            add(std::nullopt, allAt(r + 2));
        }
        // Rows that differ in one column: each neighbouring pair of values,
        // both ways (value -> NULL, NULL -> value, '' <-> NULL, ...). Rows
        // that differ only in a target-only column are equal.
        for (std::size_t k = 0; k < columns.size(); ++k) {
            const Column& c = columns[k];
            const int n = static_cast<int>(c.samples.size());
            for (int i = 0; i < n; ++i) {
                for (const bool forward : {true, false}) {
                    QList<Sample> s = allAt(0);
                    QList<Sample> t = s;
                    s[static_cast<qsizetype>(k)] = at(c, forward ? i : i + 1);
                    t[static_cast<qsizetype>(k)] = at(c, forward ? i + 1 : i);
                    add(s, t);
                }
            }
        }
        // Rows that differ in every column.
        for (int r = 0; r < longest; ++r) {
            add(allAt(r), allAt(r + 1));
        }
    }

    void add(std::optional<QList<Sample>> source, std::optional<QList<Sample>> target) {
        const int id = static_cast<int>(rows.size()) + 1;
        QList<Sample> key;
        if (keyColumns.size() == 2) {
            // The number repeats under every text part and the other way round.
            key << kGroups[id % kGroups.size()] << QString::number(id / kGroups.size());
        } else {
            key << QString::number(id);
        }
        rows.push_back({key, std::move(source), std::move(target)});
    }

    QString keyFields() const {
        QStringList names;
        for (const Column& c : keyColumns) {
            names << c.name;
        }
        return names.join(u';');
    }
    QString orderBy() const {
        QStringList names;
        for (const Column& c : keyColumns) {
            names << quoted(c.name);
        }
        return names.join(u", "_s);
    }
    // The source's table lacks the target-only columns.
    QString columnsSql(bool pg, bool source) const {
        QStringList defs;
        for (const Column& c : keyColumns) {
            defs << u"%1 %2 NOT NULL"_s.arg(quoted(c.name), pg ? c.pgType : c.sqliteType);
        }
        for (const Column& c : columns) {
            if (!source || !c.targetOnly) {
                defs << (quoted(c.name) + u' ' + (pg ? c.pgType : c.sqliteType)).trimmed();
            }
        }
        return defs.join(u", "_s) + u", PRIMARY KEY (%1)"_s.arg(orderBy());
    }
    // The column list of an INSERT that leaves the target-only columns out.
    QString sharedColumnsSql() const {
        QStringList names;
        for (const Column& c : keyColumns) {
            names << quoted(c.name);
        }
        for (const Column& c : columns) {
            if (!c.targetOnly) {
                names << quoted(c.name);
            }
        }
        return names.join(u", "_s);
    }
    QString rowsSql(bool pg, bool source) const {
        return valuesSql(pg, !source,
                         [source](const PairRow& row) { return source ? row.source : row.target; });
    }
    // What the target holds after the script ran, in the target's columns:
    // the rows that were in both sides, with the source's values and the
    // target's own values of the target-only columns ...
    QString keptRowsSql(bool pg) const {
        return valuesSql(pg, true, [this](const PairRow& row) -> std::optional<QList<Sample>> {
            if (!row.source || !row.target) {
                return std::nullopt;
            }
            QList<Sample> values = *row.source;
            for (std::size_t k = 0; k < columns.size(); ++k) {
                if (columns[k].targetOnly) {
                    values[static_cast<qsizetype>(k)] = (*row.target)[static_cast<qsizetype>(k)];
                }
            }
            return values;
        });
    }
    // ... and the new rows, in the columns of sharedColumnsSql(), so that
    // the database fills in its defaults.
    QString newRowsSql(bool pg) const {
        return valuesSql(pg, false, [](const PairRow& row) {
            return row.source && !row.target ? row.source : std::nullopt;
        });
    }
    // Rows for which `pick` gives values, as the text after VALUES.
    template <typename Pick>
    QString valuesSql(bool pg, bool withTargetOnly, const Pick& pick) const {
        QStringList out;
        for (const PairRow& row : rows) {
            const std::optional<QList<Sample>> values = pick(row);
            if (!values) {
                continue;
            }
            QStringList literals;
            for (std::size_t k = 0; k < keyColumns.size(); ++k) {
                const Kind kind = keyColumns[k].kind;
                const Sample& v = row.key[static_cast<qsizetype>(k)];
                literals << (pg ? pgLiteral(kind, v) : sqliteLiteral(kind, v));
            }
            for (std::size_t k = 0; k < columns.size(); ++k) {
                if (columns[k].targetOnly && !withTargetOnly) {
                    continue;
                }
                const Kind kind = columns[k].kind;
                const Sample& v = (*values)[static_cast<qsizetype>(k)];
                literals << (pg ? pgLiteral(kind, v) : sqliteLiteral(kind, v));
            }
            out << u"("_s + literals.join(u", "_s) + u")"_s;
        }
        return out.join(u",\n"_s);
    }
    // Rows in both sides that differ in a column the source has.
    int changed() const {
        int n = 0;
        for (const PairRow& row : rows) {
            if (!row.source || !row.target) {
                continue;
            }
            for (std::size_t k = 0; k < columns.size(); ++k) {
                const auto i = static_cast<qsizetype>(k);
                if (!columns[k].targetOnly && (*row.source)[i] != (*row.target)[i]) {
                    ++n;
                    break;
                }
            }
        }
        return n;
    }
    int onlyIn(bool source) const {
        int n = 0;
        for (const PairRow& row : rows) {
            n += (source ? row.source && !row.target : row.target && !row.source) ? 1 : 0;
        }
        return n;
    }
    int count(bool source) const {
        int n = 0;
        for (const PairRow& row : rows) {
            n += (source ? row.source : row.target) ? 1 : 0;
        }
        return n;
    }
};

// --- helpers ------------------------------------------------------------------------

// Output of one query run by psql, unaligned, tuples only.
QString pgQuery(const PgServer& pg, const QString& database, const QString& sql) {
    QProcess psql;
    psql.start(u"psql"_s, {u"-X"_s, u"-q"_s, u"-A"_s, u"-t"_s, u"-v"_s, u"ON_ERROR_STOP=1"_s,
                           u"-h"_s, pg.host, u"-p"_s, QString::number(pg.port), u"-U"_s, pg.user,
                           u"-d"_s, database, u"-c"_s, sql});
    psql.waitForFinished(60000);
    if (psql.exitStatus() != QProcess::NormalExit || psql.exitCode() != 0) {
        ADD_FAILURE() << "psql failed: " << psql.readAllStandardError().toStdString();
    }
    return QString::fromUtf8(psql.readAllStandardOutput()).trimmed();
}

std::string messagesOf(const EngineHarness& h) {
    return h.view.messages().join(u'\n').toStdString();
}

void nameTableSetup(EngineHarness& h, const QString& table) {
    MemData& t = h.dm.TablesMemData();
    t.edit();
    t.setAsText(h.dm.tableFields().Name, u"Sync */ proof"_s);
    t.setAsText(h.dm.tableFields().DestTableName, table);
    t.post();
}

// --- the proof ----------------------------------------------------------------------

struct PairCase {
    const char* name;
    bool sourcePg;
    bool targetPg;
    bool twoFieldKey;
};

void PrintTo(const PairCase& c, std::ostream* os) {
    *os << c.name;
}

class SyncProofTest : public ::testing::TestWithParam<PairCase> {};

TEST_P(SyncProofTest, ScriptMakesTargetEqualSource) {
    const PairCase& c = GetParam();
    std::optional<PgServer> pg;
    if (c.sourcePg || c.targetPg) {
        QM_REQUIRE_PG(server);
        pg = server;
    }
    const GeneratedPair pair(c.twoFieldKey, c.sourcePg || c.targetPg);
    AliasFolder folder;
    std::optional<PgScratch> scratch;
    if (pg) {
        scratch.emplace(*pg);
    }
    // SQLite tables share one name, so that sqldiff can compare them.
    const auto makeSide = [&](bool source, bool onPg) {
        const QString alias = source ? u"Src"_s : u"Dst"_s;
        const QString columns = pair.columnsSql(onPg, source);
        const QString rows = pair.rowsSql(onPg, source);
        if (onPg) {
            const QString db = source ? u"qm_source"_s : u"qm_target"_s;
            folder.addPg(alias, *pg, db);
            return scratch->create(db, u"qm_sync"_s, columns, rows);
        }
        folder.addSqlite(alias, {u"CREATE TABLE sync_t (%1)"_s.arg(columns),
                                 u"INSERT INTO sync_t VALUES %1"_s.arg(rows)});
        return u"sync_t"_s;
    };
    const QString srcTable = makeSide(true, c.sourcePg);
    const QString dstTable = makeSide(false, c.targetPg);
    // The target is checked against the rows it should hold, written into a
    // table of the target's own columns and types (new rows leave the
    // target-only columns to the database's defaults).
    QString refTable;
    if (c.targetPg) {
        refTable = scratch->create(u"qm_target"_s, u"qm_sync_ref"_s, pair.columnsSql(true, false),
                                   pair.keptRowsSql(true));
        pgExec(*pg, u"qm_target"_s,
               {u"INSERT INTO %1 (%2) VALUES %3"_s.arg(refTable, pair.sharedColumnsSql(),
                                                       pair.newRowsSql(true))});
    } else {
        folder.addSqlite(u"Ref"_s,
                         {u"CREATE TABLE sync_t (%1)"_s.arg(pair.columnsSql(false, false)),
                          u"INSERT INTO sync_t VALUES %1"_s.arg(pair.keptRowsSql(false)),
                          u"INSERT INTO sync_t (%1) VALUES %2"_s.arg(pair.sharedColumnsSql(),
                                                                     pair.newRowsSql(false))});
    }

    EngineHarness h(folder.aliasFile());
    const QString order = pair.orderBy();
    h.configure(u"Src"_s, u"Dst"_s,
                {u"SELECT * FROM %1 ORDER BY %2"_s.arg(srcTable, order),
                 u"SELECT * FROM %1 ORDER BY %2"_s.arg(dstTable, order), pair.keyFields()});
    nameTableSetup(h, dstTable);
    ASSERT_TRUE(h.openSource()) << messagesOf(h);
    ASSERT_TRUE(h.openTarget()) << messagesOf(h);
    ASSERT_EQ(h.dm.SourceMemData().recordCount(), pair.count(true));
    ASSERT_EQ(h.dm.DestMemData().recordCount(), pair.count(false));
    ASSERT_NE(h.view.statistics().indexOf(u"Records with differences"_s), -1)
        << h.view.statistics().toStdString();

    h.dm.ChangeDataToEqualSource();
    h.dm.ScriptCurrentTableSetup(true);
    const QStringList script = h.view.script;
    const auto statements = [&script](const QString& verb) {
        return static_cast<int>(
            std::count_if(script.begin(), script.end(),
                          [&verb](const QString& line) { return line.startsWith(verb); }));
    };
    EXPECT_EQ(statements(u"UPDATE "_s), pair.changed());
    EXPECT_EQ(statements(u"INSERT "_s), pair.onlyIn(true));
    EXPECT_EQ(statements(u"DELETE "_s), pair.onlyIn(false));
    EXPECT_EQ(script.size(), 1 + pair.changed() + pair.onlyIn(true) + pair.onlyIn(false));
    EXPECT_TRUE(h.view.errors.isEmpty()) << messagesOf(h);

    QTemporaryDir logDir;
    ScriptRunOptions options;
    options.logFileName = logDir.filePath(u"sync.log"_s);
    TextScriptEditor editor(script.join(u"\r\n"_s) + u"\r\n"_s);
    ScriptExecutor executor(h.dm, h.view);
    ASSERT_TRUE(executor.run(editor, options) == ScriptExecutor::Outcome::Committed)
        << executor.errorText().toStdString() << "\nscript:\n"
        << script.join(u'\n').toStdString();
    EXPECT_TRUE(h.view.errors.isEmpty()) << messagesOf(h);
    // One statement a line after the header: a ";" inside a value did not cut
    // a statement in two.
    EXPECT_EQ(executor.executedCount(), script.size() - 1);
    EXPECT_TRUE(QFile::exists(options.logFileName));

    // The engine sees no difference any more.
    ASSERT_TRUE(h.openSource()) << messagesOf(h);
    ASSERT_TRUE(h.openTarget()) << messagesOf(h);
    EXPECT_EQ(h.view.statistics(),
              u"No inserts | No updates | No deletes | No dual records different | "
              "No records unique to target"_s);
    EXPECT_EQ(h.dm.DestMemData().recordCount(), pair.count(true));
    const QStringList onlyInSource = EngineHarness::column(h.dm.SourceMemData(), u"OnlyInSource"_s);
    EXPECT_EQ(onlyInSource.count(u"False"_s), onlyInSource.size())
        << onlyInSource.join(u' ').toStdString();
    h.dm.ChangeDataToEqualSource();
    h.dm.ScriptCurrentTableSetup(true);
    EXPECT_EQ(h.view.script.size(), 1) << h.view.script.join(u'\n').toStdString();
    EXPECT_TRUE(h.view.errors.isEmpty()) << messagesOf(h);

    // The databases agree, without the engine in between.
    if (c.targetPg) {
        const QString diff = pgQuery(
            *pg, u"qm_target"_s,
            u"SELECT count(*) FROM ((SELECT * FROM %1 EXCEPT ALL SELECT * FROM %2) UNION ALL "
            "(SELECT * FROM %2 EXCEPT ALL SELECT * FROM %1)) AS d"_s.arg(dstTable, refTable));
        EXPECT_EQ(diff, u"0"_s);
    } else {
        h.dm.CloseBoth();
        h.dm.DisconnectSource();
        h.dm.DisconnectTarget();
        // Rows are matched by the declared key: the rowids differ where the
        // key has two fields.
        QProcess sqldiff;
        sqldiff.start(u"sqldiff"_s, {u"--primarykey"_s, u"--table"_s, u"sync_t"_s,
                                     folder.path(u"Ref.db"_s), folder.path(u"Dst.db"_s)});
        ASSERT_TRUE(sqldiff.waitForFinished(60000));
        EXPECT_EQ(sqldiff.exitCode(), 0) << sqldiff.readAllStandardError().toStdString();
        EXPECT_EQ(QString::fromUtf8(sqldiff.readAllStandardOutput()), QString());
        // sqldiff counts 1 and 1.0 as equal: every cell's storage class and
        // bytes are compared too.
        const QStringList want = sqliteCells(folder.path(u"Ref.db"_s), u"sync_t"_s);
        const QStringList got = sqliteCells(folder.path(u"Dst.db"_s), u"sync_t"_s);
        EXPECT_TRUE(got == want) << "source:\n"
                                 << want.join(u'\n').toStdString() << "\ntarget:\n"
                                 << got.join(u'\n').toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Pairs, SyncProofTest,
    ::testing::Values(PairCase{"SqliteToSqlite_OneKeyField", false, false, false},
                      PairCase{"SqliteToSqlite_TwoKeyFields", false, false, true},
                      PairCase{"PgToPg_OneKeyField", true, true, false},
                      PairCase{"PgToPg_TwoKeyFields", true, true, true},
                      PairCase{"SqliteToPg_OneKeyField", false, true, false},
                      PairCase{"SqliteToPg_TwoKeyFields", false, true, true}),
    [](const auto& param) { return std::string(param.param.name); });

// --- a hand-written script ---------------------------------------------------------

struct HandScriptCase {
    const char* name;
    bool pg;
    QStringList statements;  // each ends in ";"
    QStringList rows;        // id|v afterwards
};

void PrintTo(const HandScriptCase& c, std::ostream* os) {
    *os << c.name;
}

class HandScriptTest : public ::testing::TestWithParam<HandScriptCase> {};

// A ";" inside quoted text or a comment does not end a statement.
TEST_P(HandScriptTest, SemicolonInsideQuotesStaysInTheValue) {
    const HandScriptCase& c = GetParam();
    AliasFolder folder;
    std::optional<PgScratch> scratch;
    QString table = u"hand_t"_s;
    if (c.pg) {
        QM_REQUIRE_PG(server);
        scratch.emplace(server);
        table = scratch->create(u"qm_target"_s, u"qm_hand"_s, u"id integer, v text"_s, {});
        folder.addPg(u"Dst"_s, server, u"qm_target"_s);
    } else {
        folder.addSqlite(u"Dst"_s, {u"CREATE TABLE hand_t (id INTEGER, v TEXT)"_s});
    }
    EngineHarness h(folder.aliasFile());
    h.configure(u"Dst"_s, u"Dst"_s,
                {u"SELECT * FROM %1 ORDER BY id"_s.arg(table),
                 u"SELECT * FROM %1 ORDER BY id"_s.arg(table), u"id"_s});

    QTemporaryDir logDir;
    ScriptRunOptions options;
    options.logFileName = logDir.filePath(u"hand.log"_s);
    TextScriptEditor editor(c.statements.join(u"\r\n"_s).replace(u"T_"_s, table) + u"\r\n"_s);
    ScriptExecutor executor(h.dm, h.view);
    ASSERT_TRUE(executor.run(editor, options) == ScriptExecutor::Outcome::Committed)
        << executor.errorText().toStdString();
    EXPECT_EQ(executor.executedCount(), c.statements.size());
    EXPECT_TRUE(h.view.errors.isEmpty()) << messagesOf(h);
    ASSERT_TRUE(h.openTarget()) << messagesOf(h);
    EXPECT_EQ(EngineHarness::rows(h.dm.DestMemData(), {u"id"_s, u"v"_s}), c.rows);
}

const QStringList kCommonStatements{
    u"INSERT INTO T_ (id, v) VALUES (1, 'a;b');"_s,
    u"INSERT INTO T_ (id, v) VALUES (2, 'it''s; -- not a comment');"_s,
    u"/* a comment; with ';' */ INSERT INTO T_ (id, v) VALUES (3, '/* ; */');"_s,
    u"-- a line comment; still the comment\r\nUPDATE T_ SET v = v || ';x' WHERE id = 1;"_s,
    u"INSERT INTO T_ (id, v) VALUES (4, 'two\r\nlines;');"_s,
};
const QStringList kCommonRows{u"1|a;b;x"_s, u"2|it's; -- not a comment"_s, u"3|/* ; */"_s,
                              u"4|two\r\nlines;"_s};

INSTANTIATE_TEST_SUITE_P(
    Targets, HandScriptTest,
    ::testing::Values(HandScriptCase{"Sqlite", false, kCommonStatements, kCommonRows},
                      HandScriptCase{"Pg", true, kCommonStatements, kCommonRows},
                      HandScriptCase{
                          "PgQuotingForms",
                          true,
                          {u"INSERT INTO T_ (id, v) VALUES (1, E'back\\\\slash\\'; ok');"_s,
                           u"INSERT INTO T_ (id, v) VALUES (2, $$dollar; quoted$$);"_s,
                           u"INSERT INTO T_ (id, v) VALUES (3, $q$tag; $$ ;$q$);"_s},
                          {u"1|back\\slash'; ok"_s, u"2|dollar; quoted"_s, u"3|tag; $$ ;"_s}}),
    [](const auto& param) { return std::string(param.param.name); });

}  // namespace
}  // namespace qm::test

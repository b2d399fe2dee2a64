#include "db/Query.h"

#include "common/Errors.h"
#include "db/Connection.h"
#include "db/QueryBackend.h"
#include "db/StatementCutter.h"
#include "list/RowStore.h"
#include "list/TaggedValue.h"
#include "list/ValueText.h"

#include <sql.h>
#include <sqlext.h>
#include <sqlite3.h>
#include <QRegularExpression>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlField>
#include <QSqlQuery>
#include <QSqlRecord>
#include <cmath>

using namespace Qt::StringLiterals;

namespace qm {
namespace {

FieldType qtFieldType(const QSqlField& f, const QString& driver, int& size) {
    const int id = f.metaType().id();
    const int tid = f.typeID();
    size = 0;
    if (driver == u"PSQL"_s) {
        switch (tid) {
            case 1700:
                return FieldType::BCD;
            case 16:
                return FieldType::Boolean;
            case 21:
                return FieldType::Smallint;
            case 20:
            case 23:
            case 26:
                return FieldType::Integer;
            case 700:
            case 701:
                return FieldType::Float;
            case 1082:
                return FieldType::Date;
            case 1083:
            case 1266:
                return FieldType::Time;
            case 1114:
            case 1184:
                return FieldType::DateTime;
            case 17:
                size = kLargeTextSize;
                return FieldType::Blob;
            default:
                break;
        }
    }
    if (driver == u"ODBC"_s) {
        switch (tid) {
            case 2:  // SQL_NUMERIC
            case 3:  // SQL_DECIMAL
                return FieldType::BCD;
            case -1:   // SQL_LONGVARCHAR
            case -10:  // SQL_WLONGVARCHAR
                size = kLargeTextSize;
                return FieldType::Memo;
            case -7:  // SQL_BIT
                return FieldType::Boolean;
            default:
                break;
        }
    }
    switch (id) {
        case QMetaType::Bool:
            return FieldType::Boolean;
        case QMetaType::Short:
        case QMetaType::Char:
        case QMetaType::SChar:
            return FieldType::Smallint;
        case QMetaType::UShort:
        case QMetaType::UChar:
            return FieldType::Word;
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::Long:
        case QMetaType::LongLong:
        case QMetaType::ULong:
        case QMetaType::ULongLong:
            return FieldType::Integer;
        case QMetaType::Double:
        case QMetaType::Float:
            return FieldType::Float;
        case QMetaType::QDate:
            return FieldType::Date;
        case QMetaType::QTime:
            return FieldType::Time;
        case QMetaType::QDateTime:
            return FieldType::DateTime;
        case QMetaType::QByteArray:
            size = kLargeTextSize;
            return FieldType::Blob;
        case QMetaType::QString:
        case QMetaType::QChar:
        case QMetaType::QUuid:
            size = f.length() > 0 ? static_cast<int>(f.length()) : kLargeTextSize;
            return FieldType::String;
        default:
            return FieldType::Unknown;
    }
}

}  // namespace

FieldType sqliteDeclaredType(const QString& declared, int& size) {
    const QString t = declared.toUpper();
    size = 0;
    if (t.contains(u"BOOL"_s)) {
        return FieldType::Boolean;
    }
    if (t.contains(u"INT"_s)) {
        return FieldType::Integer;
    }
    if (t.contains(u"BLOB"_s) || t.contains(u"BINARY"_s)) {
        size = kLargeTextSize;
        return FieldType::Blob;
    }
    if (t.contains(u"REAL"_s) || t.contains(u"FLOA"_s) || t.contains(u"DOUB"_s)) {
        return FieldType::Float;
    }
    if (t.contains(u"NUMERIC"_s) || t.contains(u"DECIMAL"_s)) {
        // Exact decimals: integers keep all 64 bits, reals their shortest text.
        return FieldType::BCD;
    }
    static const QRegularExpression lengthRe(u"\\(\\s*(\\d+)\\s*\\)"_s);
    const QRegularExpressionMatch m = lengthRe.match(t);
    size = m.hasMatch() ? m.captured(1).toInt() : kLargeTextSize;
    if (size <= 0) {
        size = kLargeTextSize;
    }
    return FieldType::String;
}

// --- backends --------------------------------------------------------------------

namespace {

// Asks an ODBC driver to open the connection for reading only while a query
// runs, and gives the connection its former mode back. Drivers that do not
// know the attribute are left as they are.
class OdbcReadOnlyMode {
public:
    explicit OdbcReadOnlyMode(const QSqlDatabase& db) {
        const QVariant h = db.driver()->handle();
        if (!h.isValid() ||
            (qstrcmp(h.typeName(), "SQLHANDLE") != 0 && qstrcmp(h.typeName(), "void*") != 0)) {
            return;
        }
        SQLHDBC dbc = *static_cast<SQLHDBC const*>(h.constData());
        SQLULEN mode = SQL_MODE_READ_WRITE;
        if (dbc && SQL_SUCCEEDED(SQLGetConnectAttr(dbc, SQL_ATTR_ACCESS_MODE, &mode, 0, nullptr)) &&
            SQL_SUCCEEDED(SQLSetConnectAttr(dbc, SQL_ATTR_ACCESS_MODE,
                                            reinterpret_cast<SQLPOINTER>(SQL_MODE_READ_ONLY), 0))) {
            dbc_ = dbc;
            previous_ = mode;
        }
    }
    ~OdbcReadOnlyMode() { restore(); }
    OdbcReadOnlyMode(const OdbcReadOnlyMode&) = delete;
    OdbcReadOnlyMode& operator=(const OdbcReadOnlyMode&) = delete;
    void restore() {
        if (dbc_) {
            SQLSetConnectAttr(dbc_, SQL_ATTR_ACCESS_MODE, reinterpret_cast<SQLPOINTER>(previous_),
                              0);
            dbc_ = nullptr;
        }
    }

private:
    SQLHDBC dbc_ = nullptr;
    SQLULEN previous_ = SQL_MODE_READ_WRITE;
};

char tagByte(TaggedValue::Tag tag) {
    return static_cast<char>(tag);
}

class QtBackend final : public Query::Backend {
public:
    // Outside a transaction of the connection's own, the query runs in one
    // that is rolled back once its rows are read: whatever a driver lets a
    // query change is undone.
    QtBackend(const QSqlDatabase& db, const QString& sql, const QString& driver,
              bool ownTransaction)
        : db_(db), q_(db) {
        if (driver == u"ODBC"_s) {
            readOnly_ = std::make_unique<OdbcReadOnlyMode>(db_);
        }
        rollBackAtEnd_ = ownTransaction && db_.driver()->hasFeature(QSqlDriver::Transactions) &&
                         db_.transaction();
        try {
            start(sql, driver);
        } catch (...) {
            end();
            throw;
        }
    }
    ~QtBackend() override { end(); }
    QtBackend(const QtBackend&) = delete;
    QtBackend& operator=(const QtBackend&) = delete;

    void start(const QString& sql, const QString& driver) {
        q_.setForwardOnly(true);
        // Fixed-point values arrive as the driver's text, not through a double.
        q_.setNumericalPrecisionPolicy(QSql::HighPrecision);
        if (!q_.exec(sql)) {
            throw DatabaseError(q_.lastError().text().trimmed());
        }
        if (!q_.isSelect()) {
            throw DatabaseError(u"The statement returns no rows"_s);
        }
        const QSqlRecord rec = q_.record();
        for (int i = 0; i < rec.count(); ++i) {
            QueryField f;
            f.name = rec.fieldName(i);
            f.type = qtFieldType(rec.field(i), driver, f.size);
            fields.push_back(f);
        }
        size_ = q_.size();
        advance();
    }

    // Ends the query's transaction and read-only mode; the rows read stay.
    void end() noexcept {
        if (rollBackAtEnd_) {
            rollBackAtEnd_ = false;
            q_.finish();
            db_.rollback();
        }
        if (readOnly_) {
            readOnly_->restore();
        }
    }
    bool eof() const override { return eof_; }
    void next() override { advance(); }
    int recordCount() const override { return size_; }
    Value value(int i) const override {
        const QueryField& f = fields[static_cast<std::size_t>(i)];
        if (eof_ || !isUsableType(f.type)) {
            return {};
        }
        try {
            return ValueText::fromVariant(q_.value(i), f.type);
        } catch (const ConversionError&) {
            failValue(f, q_.value(i).toString());
        }
    }

private:
    void advance() {
        eof_ = !q_.next();
        if (eof_ && q_.lastError().isValid()) {
            throw DatabaseError(q_.lastError().text().trimmed());
        }
        if (eof_) {
            end();
        }
    }
    QSqlDatabase db_;
    std::unique_ptr<OdbcReadOnlyMode> readOnly_;
    bool rollBackAtEnd_ = false;
    mutable QSqlQuery q_;
    bool eof_ = true;
    int size_ = -1;
};

class SqliteBackend final : public Query::Backend {
public:
    SqliteBackend(sqlite3* db, const QString& sql) : db_(db) {
        const QByteArray utf8 = sql.toUtf8();
        const char* tail = nullptr;
        sqlite3_stmt* stmt = nullptr;
        const int rc =
            sqlite3_prepare_v2(db_, utf8.constData(), static_cast<int>(utf8.size()), &stmt, &tail);
        stmt_.reset(stmt);  // finalized on every way out, so the database can close
        if (rc != SQLITE_OK) {
            throw DatabaseError(QString::fromUtf8(sqlite3_errmsg(db_)));
        }
        if (!stmt_) {
            throw DatabaseError(u"The query text holds no statement"_s);
        }
        refuseWhatWouldWrite(utf8, tail);
        const int n = sqlite3_column_count(stmt_.get());
        if (n == 0) {
            throw DatabaseError(u"The statement returns no rows"_s);
        }
        step();
        for (int i = 0; i < n; ++i) {
            QueryField f;
            f.name = QString::fromUtf8(sqlite3_column_name(stmt_.get(), i));
            const char* decl = sqlite3_column_decltype(stmt_.get(), i);
            if (decl && *decl) {
                f.declaredType = QString::fromUtf8(decl);
                f.type = sqliteDeclaredType(f.declaredType, f.size);
            } else {
                // No declared type (an expression, or a column declared
                // without one): each value keeps its own storage class.
                f.type = FieldType::Variant;
            }
            f.collation = columnCollation(i);
            fields.push_back(f);
        }
    }
    bool eof() const override { return eof_; }
    void next() override { step(); }
    int recordCount() const override { return -1; }
    // A library built without its mutexes serves one thread in all.
    bool readsOnAnyThread() const override { return sqlite3_threadsafe() != 0; }

private:
    // A statement on the table compares the column with its declared
    // collation, so that is the one keys read through it are told apart by.
    // SQLite traces a result column through subqueries and views to its
    // table; an expression has no table column and compares as BINARY.
    QString columnCollation(int i) const {
        const char* database = sqlite3_column_database_name(stmt_.get(), i);
        const char* table = sqlite3_column_table_name(stmt_.get(), i);
        const char* column = sqlite3_column_origin_name(stmt_.get(), i);
        if (!table || !column) {
            return {};
        }
        const char* collation = nullptr;
        if (sqlite3_table_column_metadata(db_, database, table, column, nullptr, &collation,
                                          nullptr, nullptr, nullptr) != SQLITE_OK ||
            !collation) {
            return {};
        }
        return QString::fromUtf8(collation);
    }

    // Nothing is stepped before this passes: a statement that writes, a
    // PRAGMA (which can change the connection the script later runs on) and
    // a second statement after the first are refused.
    void refuseWhatWouldWrite(const QByteArray& utf8, const char* tail) const {
        const char* end = utf8.constData() + utf8.size();
        while (tail && tail < end) {
            sqlite3_stmt* next = nullptr;
            const char* nextTail = nullptr;
            const int rc =
                sqlite3_prepare_v2(db_, tail, static_cast<int>(end - tail), &next, &nextTail);
            sqlite3_finalize(next);
            // Only blanks, comments and ";" give no statement.
            if (rc != SQLITE_OK || next) {
                refuseSeveralStatements();
            }
            if (!nextTail || nextTail <= tail) {
                break;
            }
            tail = nextTail;
        }
        const QString text = QString::fromUtf8(sqlite3_sql(stmt_.get()));
        const QString body = statementBody(text, SqlDialect::SQLite);
        const bool pragma = body.left(6).compare(u"PRAGMA"_s, Qt::CaseInsensitive) == 0 &&
                            (body.size() == 6 || !body[6].isLetterOrNumber());
        if (pragma || !sqlite3_stmt_readonly(stmt_.get())) {
            refuseWritingQuery(
                u"\"%1\" can change the database"_s.arg(statementHead(text, SqlDialect::SQLite)));
        }
    }

    void step() {
        const int rc = sqlite3_step(stmt_.get());
        if (rc == SQLITE_ROW) {
            eof_ = false;
        } else if (rc == SQLITE_DONE) {
            eof_ = true;
        } else {
            eof_ = true;
            throw DatabaseError(QString::fromUtf8(sqlite3_errmsg(db_)));
        }
    }

    // A value of another storage class than the field's type holds turns
    // the field into a Variant one (see FieldNeedsVariant).
    void readField(RowStore& st, std::uint32_t row, std::size_t c, int i) const override {
        sqlite3_stmt* stmt = stmt_.get();
        const int t = sqlite3_column_type(stmt, i);
        if (t == SQLITE_NULL) {
            st.setNull(row, c);
            return;
        }
        const QueryField& f = fields[static_cast<std::size_t>(i)];
        const auto bytesOf = [stmt, i, t](const char*& data) {
            data = t == SQLITE_BLOB ? static_cast<const char*>(sqlite3_column_blob(stmt, i))
                                    : reinterpret_cast<const char*>(sqlite3_column_text(stmt, i));
            return static_cast<std::size_t>(sqlite3_column_bytes(stmt, i));
        };
        if (f.type == FieldType::Variant) {
            switch (t) {
                case SQLITE_INTEGER: {
                    const std::int64_t v = sqlite3_column_int64(stmt, i);
                    st.setTagged(row, c, tagByte(TaggedValue::Tag::Integer),
                                 reinterpret_cast<const char*>(&v), sizeof v);
                    return;
                }
                case SQLITE_FLOAT: {
                    const double v = sqlite3_column_double(stmt, i);
                    st.setTagged(row, c, tagByte(TaggedValue::Tag::Real),
                                 reinterpret_cast<const char*>(&v), sizeof v);
                    return;
                }
                default: {
                    const char* data = nullptr;
                    const std::size_t size = bytesOf(data);
                    st.setTagged(
                        row, c,
                        tagByte(t == SQLITE_BLOB ? TaggedValue::Tag::Blob : TaggedValue::Tag::Text),
                        data, size);
                    return;
                }
            }
        }
        switch (f.type) {
            case FieldType::Integer:
                if (t != SQLITE_INTEGER) {
                    throw FieldNeedsVariant(i);
                }
                st.setInt(row, c, sqlite3_column_int64(stmt, i));
                return;
            case FieldType::Float:
                if (t != SQLITE_FLOAT) {
                    throw FieldNeedsVariant(i);
                }
                st.setFloat(row, c, sqlite3_column_double(stmt, i));
                return;
            case FieldType::Boolean: {
                // SQLite keeps a Boolean as the integer 1 or 0.
                const std::int64_t v = t == SQLITE_INTEGER ? sqlite3_column_int64(stmt, i) : -1;
                if (v != 0 && v != 1) {
                    throw FieldNeedsVariant(i);
                }
                st.setBool(row, c, v == 1);
                return;
            }
            case FieldType::BCD: {
                QByteArray text;
                if (t == SQLITE_INTEGER) {
                    text =
                        QByteArray::number(static_cast<qlonglong>(sqlite3_column_int64(stmt, i)));
                } else if (t == SQLITE_FLOAT && std::isfinite(sqlite3_column_double(stmt, i))) {
                    text = ValueText::floatToText(sqlite3_column_double(stmt, i)).toLatin1();
                } else {
                    throw FieldNeedsVariant(i);
                }
                st.setBytes(row, c, text.constData(), static_cast<std::size_t>(text.size()));
                return;
            }
            default:
                break;
        }
        if (st.storageClass(c) != StorageClass::Bytes ||
            (t == SQLITE_BLOB) != isBinaryType(f.type) || (t != SQLITE_BLOB && t != SQLITE_TEXT)) {
            throw FieldNeedsVariant(i);
        }
        const char* data = nullptr;
        const std::size_t size = bytesOf(data);
        st.setBytes(row, c, data, size);
    }

    sqlite3* db_;
    std::unique_ptr<sqlite3_stmt, decltype(&sqlite3_finalize)> stmt_{nullptr, &sqlite3_finalize};
    bool eof_ = true;
};

sqlite3* sqliteHandle(const QSqlDatabase& db) {
    const QVariant h = db.driver()->handle();
    if (h.isValid() && qstrcmp(h.typeName(), "sqlite3*") == 0) {
        return *static_cast<sqlite3* const*>(h.constData());
    }
    return nullptr;
}

}  // namespace

// --- Query -------------------------------------------------------------------------

Query::Query(Connection& connection) : connection_(connection) {}

Query::~Query() = default;

void Query::setSql(const QString& sql) {
    if (backend_) {
        close();
    }
    // Line ends inside the text are sent as CR LF.
    QString s = sql;
    s.replace(u"\r\n"_s, u"\n"_s);
    s.replace(u'\n', u"\r\n"_s);
    sql_ = s;
}

QString readingStatement(const QString& sql, SqlDialect dialect) {
    if (sql.contains(QChar(0))) {
        throw DatabaseError(
            u"The query text holds a NUL character, so it is not run; a database would read "
            "the text only up to it"_s);
    }
    QString statement;
    for (const QString& piece : cutStatements(sql, dialect)) {
        if (!statementBody(piece, dialect).isEmpty()) {
            if (!statement.isEmpty()) {
                refuseSeveralStatements();
            }
            statement = piece;
        }
    }
    if (statement.isEmpty()) {
        throw DatabaseError(u"The query text holds no statement"_s);
    }
    if (!isReadingStatement(statement, dialect)) {
        refuseWritingQuery(
            u"\"%1\" is not a reading statement"_s.arg(statementHead(statement, dialect)));
    }
    return statement;
}

void Query::open() {
    close();
    if (sql_.trimmed().isEmpty()) {
        throw DatabaseError(u"The query text is empty"_s);
    }
    const QSqlDatabase db = connection_.database();
    // Judged before any driver sees the text, on every path: other
    // databases get the one statement alone, without a final ";" and what
    // follows it (some ODBC drivers refuse even a comment there).
    const QString statement = readingStatement(sql_, dialectOfDriver(connection_.driverKind()));
    if (sqlite3* h = connection_.driverKind() == u"SQLITE"_s ? sqliteHandle(db) : nullptr) {
        // SQLite's own parser checks the whole text once more.
        backend_ = std::make_unique<SqliteBackend>(h, sql_);
        return;
    }
    // Both PostgreSQL driver kinds connect through QPSQL, whose libpq handle
    // the faster reader uses.
    if (auto pg = db.driverName() == u"QPSQL"_s ? makePgBackend(db, statement) : nullptr) {
        backend_ = std::move(pg);
    } else {
        backend_ = std::make_unique<QtBackend>(db, statement, connection_.driverKind(),
                                               !connection_.inTransaction());
    }
}

void Query::close() {
    backend_.reset();
}

bool Query::isOpen() const {
    return backend_ != nullptr;
}

int Query::fieldCount() const {
    return backend_ ? static_cast<int>(backend_->fields.size()) : 0;
}

const QueryField& Query::field(int i) const {
    return backend_->fields[static_cast<std::size_t>(i)];
}

int Query::findField(const QString& name) const {
    for (int i = 0; i < fieldCount(); ++i) {
        if (field(i).name.compare(name, Qt::CaseInsensitive) == 0) {
            return i;
        }
    }
    return -1;
}

bool Query::eof() const {
    return !backend_ || backend_->eof();
}

void Query::next() {
    if (backend_) {
        backend_->next();
    }
}

void Query::widenField(int i) {
    QueryField& f = backend_->fields[static_cast<std::size_t>(i)];
    f.type = FieldType::Variant;
    f.size = 0;
}

int Query::recordCount() const {
    return backend_ ? backend_->recordCount() : -1;
}

Value Query::value(int i) const {
    return backend_ ? backend_->value(i) : Value();
}

QString Query::text(int i) const {
    return ValueText::toText(value(i), field(i).type);
}

bool Query::readsOnAnyThread() const {
    return backend_ && backend_->readsOnAnyThread();
}

void Query::swap(Query& other) {
    if (&connection_ != &other.connection_) {
        throw InternalError(u"Queries on different connections cannot be exchanged"_s);
    }
    std::swap(sql_, other.sql_);
    std::swap(backend_, other.backend_);
}

void Query::readRow(RowStore& store, std::uint32_t row,
                    const std::vector<int>& storeColumns) const {
    backend_->readRow(store, row, storeColumns);
}

}  // namespace qm

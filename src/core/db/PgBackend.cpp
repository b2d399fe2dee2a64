// Reads PostgreSQL results through libpq on the Qt connection's own handle.
// Qt's driver hands timestamps over with milliseconds only and numbers as
// doubles or locale text; the server's own text keeps every digit.
#include "db/QueryBackend.h"
#include "list/ValueText.h"

#include <libpq-fe.h>
#include <QSqlDriver>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <limits>

using namespace Qt::StringLiterals;

namespace qm {
namespace {

// Type OIDs of the server's built-in types.
enum Oid : unsigned {
    kBool = 16,
    kBytea = 17,
    kInt8 = 20,
    kInt2 = 21,
    kInt4 = 23,
    kOid = 26,
    kFloat4 = 700,
    kFloat8 = 701,
    kBpchar = 1042,
    kVarchar = 1043,
    kDate = 1082,
    kTime = 1083,
    kTimestamp = 1114,
    kTimestampTz = 1184,
    kNumeric = 1700,
};

FieldType pgFieldType(unsigned oid, int typmod, int& size) {
    size = 0;
    switch (oid) {
        case kBool:
            return FieldType::Boolean;
        case kInt2:
            return FieldType::Smallint;
        case kInt4:
        case kInt8:
        case kOid:
            return FieldType::Integer;
        case kFloat4:
        case kFloat8:
            return FieldType::Float;
        case kNumeric:
            return FieldType::BCD;
        case kDate:
            return FieldType::Date;
        case kTime:
            return FieldType::Time;
        case kTimestamp:
        case kTimestampTz:
            return FieldType::DateTime;
        case kBytea:
            size = kLargeTextSize;
            return FieldType::Blob;
        case kBpchar:
        case kVarchar:
            size = typmod > 4 ? typmod - 4 : kLargeTextSize;
            return FieldType::String;
        default:
            // Everything else (text, json, uuid, intervals, arrays ...) as the
            // server writes it.
            size = kLargeTextSize;
            return FieldType::String;
    }
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

// Binary data comes as hex ("\\x00ff") or, when the session asks for it,
// in the escape format (octal "\\000", a doubled backslash, other bytes as
// they are).
bool decodeBytea(const char* text, int len, QByteArray& out) {
    out.clear();
    if (len >= 2 && text[0] == '\\' && text[1] == 'x') {
        out.reserve((len - 2) / 2);
        for (int k = 2; k + 1 < len; k += 2) {
            const int hi = hexDigit(text[k]);
            const int lo = hexDigit(text[k + 1]);
            if (hi < 0 || lo < 0) {
                return false;
            }
            out.append(static_cast<char>(hi * 16 + lo));
        }
        return true;
    }
    for (int k = 0; k < len; ++k) {
        if (text[k] != '\\') {
            out.append(text[k]);
        } else if (k + 1 < len && text[k + 1] == '\\') {
            out.append('\\');
            ++k;
        } else if (k + 3 < len && text[k + 1] >= '0' && text[k + 1] <= '3' && text[k + 2] >= '0' &&
                   text[k + 2] <= '7' && text[k + 3] >= '0' && text[k + 3] <= '7') {
            out.append(static_cast<char>((text[k + 1] - '0') * 64 + (text[k + 2] - '0') * 8 +
                                         (text[k + 3] - '0')));
            k += 3;
        } else {
            return false;
        }
    }
    return true;
}

class PgBackend final : public Query::Backend {
public:
    PgBackend(PGconn* conn, const QString& sql) : conn_(conn) {
        try {
            enterReadOnly();
            start(sql);
        } catch (...) {
            // Read what is left, so that the connection takes the next query.
            PQclear(result_);
            result_ = nullptr;
            finish();
            leaveReadOnly();
            throw;
        }
    }

    ~PgBackend() override {
        if (!finished_) {
            // Stop the server sending rows nobody reads any more.
            if (PGcancel* cancel = PQgetCancel(conn_)) {
                char err[256];
                PQcancel(cancel, err, sizeof err);
                PQfreeCancel(cancel);
            }
        }
        PQclear(result_);
        result_ = nullptr;
        finish();
        leaveReadOnly();
    }

    bool eof() const override { return eof_; }
    void next() override {
        if (eof_) {
            return;
        }
        fetch();
        if (eof_) {
            finish();
            leaveReadOnly();
        }
    }
    int recordCount() const override { return -1; }

private:
    // The query runs in a read-only transaction of its own, or, inside a
    // transaction the connection already has, in a read-only savepoint: the
    // server itself then refuses anything that writes, and rolling back
    // leaves the session as it was, ready for a script that writes.
    void enterReadOnly() {
        switch (PQtransactionStatus(conn_)) {
            case PQTRANS_IDLE:
                command("BEGIN READ ONLY");
                guard_ = Guard::Transaction;
                return;
            case PQTRANS_INTRANS:
                command("SAVEPOINT quillmere_read");
                guard_ = Guard::Savepoint;
                command("SET TRANSACTION READ ONLY");
                return;
            case PQTRANS_INERROR:
                throw DatabaseError(
                    u"The connection is not ready for a query: its transaction has failed"_s);
            default:
                throw DatabaseError(
                    u"The connection is not ready for a query: another command still runs"_s);
        }
    }

    void leaveReadOnly() noexcept {
        const Guard guard = guard_;
        guard_ = Guard::None;
        try {
            if (guard == Guard::Transaction) {
                // A second try in case a late cancel request hit the first.
                for (int attempt = 0; attempt < 2 && PQtransactionStatus(conn_) != PQTRANS_IDLE;
                     ++attempt) {
                    command("ROLLBACK");
                }
            } else if (guard == Guard::Savepoint) {
                command("ROLLBACK TO SAVEPOINT quillmere_read");
                command("RELEASE SAVEPOINT quillmere_read");
            }
        } catch (const DatabaseError&) {
            // The connection is broken; its next use reports that.
        }
    }

    void command(const char* sql) {
        PGresult* r = PQexec(conn_, sql);
        const bool ok = PQresultStatus(r) == PGRES_COMMAND_OK;
        PQclear(r);
        if (!ok) {
            throw DatabaseError(errorText());
        }
    }

    void start(const QString& sql) {
        // The extended protocol takes exactly one statement, so text that
        // goes on after the first statement is never run.
        if (!PQsendQueryParams(conn_, sql.toUtf8().constData(), 0, nullptr, nullptr, nullptr,
                               nullptr, 0)) {
            throw DatabaseError(errorText());
        }
        PQsetSingleRowMode(conn_);
        fetch();
        if (!result_) {
            throw DatabaseError(u"The statement returns no rows"_s);
        }
        const int n = PQnfields(result_);
        for (int i = 0; i < n; ++i) {
            QueryField f;
            f.name = QString::fromUtf8(PQfname(result_, i));
            f.type = pgFieldType(PQftype(result_, i), PQfmod(result_, i), f.size);
            if (PQftype(result_, i) == kTimestampTz) {
                f.declaredType = u"timestamptz"_s;  // its literals carry the offset
            }
            fields.push_back(f);
            oids_.push_back(PQftype(result_, i));
        }
        // Once every row is read the transaction ends at once: the query
        // stays open with its rows while the connection runs scripts.
        if (eof_) {
            finish();
            leaveReadOnly();
        }
    }

    QString errorText() const { return QString::fromUtf8(PQerrorMessage(conn_)).trimmed(); }

    // Moves to the next row; a result without rows ends the set.
    void fetch() {
        PQclear(result_);
        result_ = PQgetResult(conn_);
        if (!result_) {
            eof_ = true;
            return;
        }
        switch (PQresultStatus(result_)) {
            case PGRES_SINGLE_TUPLE:
                eof_ = false;
                return;
            case PGRES_TUPLES_OK:
                eof_ = true;
                return;
            case PGRES_COMMAND_OK:
                eof_ = true;
                throw DatabaseError(u"The statement returns no rows"_s);
            default: {
                eof_ = true;
                QString message = QString::fromUtf8(PQresultErrorMessage(result_)).trimmed();
                if (message.isEmpty()) {
                    message = errorText();
                }
                const char* state = PQresultErrorField(result_, PG_DIAG_SQLSTATE);
                if (state && qstrcmp(state, "25006") == 0) {  // read_only_sql_transaction
                    refuseWritingQuery(message);
                }
                throw DatabaseError(message);
            }
        }
    }

    // Reads what is left of the results, so the connection is ready again.
    void finish() {
        while (PGresult* r = PQgetResult(conn_)) {
            PQclear(r);
        }
        finished_ = true;
    }

    void readField(RowStore& st, std::uint32_t row, std::size_t c, int i) const override {
        if (PQgetisnull(result_, 0, i)) {
            st.setNull(row, c);
            return;
        }
        const char* text = PQgetvalue(result_, 0, i);
        const int len = PQgetlength(result_, 0, i);
        const QueryField& f = fields[static_cast<std::size_t>(i)];
        const auto fail = [&] { failValue(f, QString::fromUtf8(text, len)); };
        switch (st.storageClass(c)) {
            case StorageClass::Int: {
                char* end = nullptr;
                errno = 0;
                const long long v = std::strtoll(text, &end, 10);
                if (errno != 0 || end == text || *end != '\0') {
                    fail();
                }
                st.setInt(row, c, v);
                return;
            }
            case StorageClass::Float: {
                // The server writes the values beyond the numbers in words.
                const QByteArrayView t(text, len);
                if (t == "NaN" || t == "Infinity" || t == "-Infinity") {
                    const double inf = std::numeric_limits<double>::infinity();
                    st.setFloat(row, c,
                                t == "NaN" ? std::numeric_limits<double>::quiet_NaN()
                                           : (t == "Infinity" ? inf : -inf));
                    return;
                }
                bool ok = false;
                const double v = t.toDouble(&ok);
                if (!ok) {
                    fail();
                }
                st.setFloat(row, c, v);
                return;
            }
            case StorageClass::Bool:
                st.setBool(row, c, text[0] == 't');
                return;
            case StorageClass::Micros: {
                // A time stamp with time zone comes in the session's zone with
                // its offset; the wall-clock time is kept, as a literal without
                // offset is read back in the same zone. Every connection sets
                // its zone to UTC, so that this is the same on both sides.
                QByteArray t(text, len);
                if (oids_[static_cast<std::size_t>(i)] == kTimestampTz && t.size() > 19) {
                    const qsizetype sign = std::max(t.lastIndexOf('+'), t.lastIndexOf('-'));
                    if (sign > 18) {
                        t.truncate(sign);
                    }
                }
                std::int64_t us = 0;
                if (!ValueText::parseDateTime(QString::fromLatin1(t), f.type, us)) {
                    fail();
                }
                st.setInt(row, c, us);
                return;
            }
            case StorageClass::Bytes:
                if (oids_[static_cast<std::size_t>(i)] == kBytea) {
                    QByteArray bytes;
                    if (!decodeBytea(text, len, bytes)) {
                        fail();
                    }
                    st.setBytes(row, c, bytes.constData(), static_cast<std::size_t>(bytes.size()));
                    return;
                }
                st.setBytes(row, c, text, static_cast<std::size_t>(len));
                return;
        }
    }

    enum class Guard { None, Transaction, Savepoint };

    PGconn* conn_;
    Guard guard_ = Guard::None;
    PGresult* result_ = nullptr;
    std::vector<unsigned> oids_;
    bool eof_ = true;
    bool finished_ = false;
};

}  // namespace

namespace {

PGconn* pgHandle(const QSqlDatabase& db) {
    const QVariant h = db.driver()->handle();
    if (!h.isValid() ||
        (qstrcmp(h.typeName(), "PGconn*") != 0 && qstrcmp(h.typeName(), "pg_conn*") != 0)) {
        return nullptr;
    }
    return *static_cast<PGconn* const*>(h.constData());
}

}  // namespace

std::unique_ptr<Query::Backend> makePgBackend(const QSqlDatabase& db, const QString& sql) {
    PGconn* conn = pgHandle(db);
    if (!conn) {
        return nullptr;
    }
    return std::make_unique<PgBackend>(conn, sql);
}

bool pgTransactionEnded(const QSqlDatabase& db) {
    PGconn* conn = pgHandle(db);
    return conn && PQtransactionStatus(conn) == PQTRANS_IDLE;
}

}  // namespace qm

// Reads PostgreSQL results through libpq on the Qt connection's own handle.
// Qt's driver hands timestamps over with milliseconds only and numbers as
// doubles or locale text; the server's own text keeps every digit.
#include "db/PgCopyText.h"
#include "db/PgReadOnly.h"
#include "db/QueryBackend.h"
#include "list/LooseKeys.h"
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
    // Types from here on are made by a database, not built in (citext).
    kFirstNormalOid = 16384,
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

// Binary data comes as hex ("\\x00ff") or, when the session asks for it,
// in the escape format (octal "\\000", a doubled backslash, other bytes as
// they are).
bool decodeBytea(const char* text, int len, QByteArray& out) {
    out.clear();
    if (len >= 2 && text[0] == '\\' && text[1] == 'x') {
        out.reserve((len - 2) / 2);
        for (int k = 2; k + 1 < len; k += 2) {
            const int hi = hexDigitValue(text[k]);
            const int lo = hexDigitValue(text[k + 1]);
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
    PgBackend(PGconn* conn, const QString& sql, PgReading how) : conn_(conn) {
        try {
            readOnly_.enter();
            const QByteArray text = sql.toUtf8();
            if (how == PgReading::RowByRow || !startCopy(text)) {
                if (how == PgReading::CopyOnly) {
                    throw DatabaseError(u"The query cannot be read through COPY"_s);
                }
                start(text);
            }
        } catch (...) {
            // Read what is left, so that the connection takes the next query.
            PQclear(result_);
            result_ = nullptr;
            finish();
            readOnly_.leave();
            throw;
        }
    }
    PgBackend(const PgBackend&) = delete;
    PgBackend& operator=(const PgBackend&) = delete;

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
        readOnly_.leave();
    }

    bool eof() const override { return eof_; }
    void next() override {
        if (eof_) {
            return;
        }
        if (copy_) {
            fetchLine();
        } else {
            fetch();
        }
        if (eof_) {
            endReading();
        }
    }
    int recordCount() const override { return -1; }
    // Only libpq is used once the query runs, on the connection's own handle.
    bool readsOnAnyThread() const override { return true; }

private:
    // Row by row: one result per row.
    void start(const QByteArray& sql) {
        // The extended protocol takes exactly one statement, so text that
        // goes on after the first statement is never run.
        if (!PQsendQueryParams(conn_, sql.constData(), 0, nullptr, nullptr, nullptr, nullptr, 0)) {
            throw DatabaseError(errorText());
        }
        PQsetSingleRowMode(conn_);
        fetch();
        if (!result_) {
            throw DatabaseError(u"The statement returns no rows"_s);
        }
        takeFields(result_);
        endIfDone();
    }

    // Once every row is read the transaction ends at once: the query stays
    // open with its rows while the connection runs scripts.
    void endIfDone() {
        if (eof_) {
            endReading();
        }
    }

    void takeFields(const PGresult* r) {
        const int n = PQnfields(r);
        for (int i = 0; i < n; ++i) {
            QueryField f;
            f.name = QString::fromUtf8(PQfname(r, i));
            f.type = pgFieldType(PQftype(r, i), PQfmod(r, i), f.size);
            if (PQftype(r, i) == kTimestampTz) {
                f.declaredType = u"timestamptz"_s;  // its literals carry the offset
            }
            fields.push_back(f);
            oids_.push_back(PQftype(r, i));
            origins_.push_back({PQftable(r, i), PQftablecol(r, i)});
        }
    }

    // Marks the text fields the server compares without letter case: of
    // type citext, or table columns under a collation that is not
    // deterministic. Their keys may meet though they differ as stored, as
    // the key checks must know. Asked once all rows are read, when the
    // connection is free again, and only where such a field may be.
    void markCaseInsensitiveFields() {
        QStringList columns;
        QStringList types;
        for (std::size_t i = 0; i < fields.size(); ++i) {
            if (fields[i].type != FieldType::String) {
                continue;
            }
            if (oids_[i] >= kFirstNormalOid) {
                types << QString::number(oids_[i]);
            }
            if (origins_[i].table != 0 && origins_[i].column > 0) {
                columns << u"(%1, %2)"_s.arg(origins_[i].table).arg(origins_[i].column);
            }
        }
        // Collations that are not deterministic came with version 12.
        if (PQserverVersion(conn_) < 120000) {
            columns.clear();
        }
        if (columns.isEmpty() && types.isEmpty()) {
            return;
        }
        QStringList parts;
        if (!types.isEmpty()) {
            parts << u"SELECT t.oid::bigint, 0 FROM pg_catalog.pg_type t WHERE t.oid IN (%1) AND "
                     "t.typname = 'citext'"_s.arg(types.join(u", "_s));
        }
        if (!columns.isEmpty()) {
            parts << u"SELECT a.attrelid::bigint, a.attnum FROM pg_catalog.pg_attribute a JOIN "
                     "pg_catalog.pg_collation c ON c.oid = a.attcollation WHERE NOT "
                     "c.collisdeterministic AND (a.attrelid, a.attnum) IN (%1)"_s.arg(
                         columns.join(u", "_s));
        }
        const std::unique_ptr<PGresult, void (*)(PGresult*)> r(
            PQexec(conn_, parts.join(u" UNION ALL "_s).toUtf8().constData()), PQclear);
        if (PQresultStatus(r.get()) != PGRES_TUPLES_OK) {
            return;  // the catalog cannot be read: keys compare as stored
        }
        for (int row = 0; row < PQntuples(r.get()); ++row) {
            const unsigned oid =
                static_cast<unsigned>(std::strtoull(PQgetvalue(r.get(), row, 0), nullptr, 10));
            const int column = std::atoi(PQgetvalue(r.get(), row, 1));
            for (std::size_t i = 0; i < fields.size(); ++i) {
                if (fields[i].type == FieldType::String &&
                    (column == 0 ? oids_[i] == oid
                                 : origins_[i].table == oid && origins_[i].column == column)) {
                    fields[i].collation = LooseKeys::foldCaseName();
                }
            }
        }
    }

    // All rows are read: the field facts the server holds are asked, and the
    // transaction ends at once.
    void endReading() {
        finish();
        if (!caseChecked_) {
            caseChecked_ = true;
            markCaseInsensitiveFields();
        }
        readOnly_.leave();
    }

    // Through COPY: all rows in one stream of text lines, far cheaper than a
    // result per row. The fields are learnt from the statement prepared on
    // its own, as a plain result would give them. False, with the session as
    // before, for a statement COPY does not take; it then goes row by row,
    // which reports its errors in the usual words.
    bool startCopy(const QByteArray& sql) {
        const QByteArray copy = pgCopyStatement(sql);
        if (copy.isEmpty()) {
            return false;
        }
        PGresult* r = PQprepare(conn_, "", sql.constData(), 0, nullptr);
        bool ok = PQresultStatus(r) == PGRES_COMMAND_OK;
        PQclear(r);
        if (ok) {
            r = PQdescribePrepared(conn_, "");
            // A row without fields would be an empty line, like a row of one
            // empty text.
            ok = PQresultStatus(r) == PGRES_COMMAND_OK && PQnfields(r) > 0;
            if (ok) {
                takeFields(r);
            }
            PQclear(r);
        }
        if (ok) {
            // Sent through the extended protocol, too, which runs no second
            // statement whatever the text holds.
            ok = PQsendQueryParams(conn_, copy.constData(), 0, nullptr, nullptr, nullptr, nullptr,
                                   0) != 0;
            r = ok ? PQgetResult(conn_) : nullptr;
            ok = ok && PQresultStatus(r) == PGRES_COPY_OUT;
            PQclear(r);
        }
        if (!ok) {
            fields.clear();
            oids_.clear();
            origins_.clear();
            finish();
            finished_ = false;
            // A refused statement leaves the transaction failed.
            readOnly_.leave();
            readOnly_.enter();
            return false;
        }
        copy_ = true;
        fetchLine();
        endIfDone();
        return true;
    }

    QString errorText() const { return QString::fromUtf8(PQerrorMessage(conn_)).trimmed(); }

    // Moves to the next line of COPY's output; its end ends the set.
    void fetchLine() {
        PQfreemem(line_);
        line_ = nullptr;
        const int n = PQgetCopyData(conn_, &line_, 0);
        if (n > 0) {
            if (!splitPgCopyLine(line_, static_cast<std::size_t>(n), cells_) ||
                cells_.size() != fields.size()) {
                eof_ = true;
                throw DatabaseError(u"The server sent a row that does not match its fields"_s);
            }
            eof_ = false;
            return;
        }
        eof_ = true;
        if (n == -2) {
            throw DatabaseError(errorText());
        }
        // The end of the data; the result says whether the query went well.
        PQclear(result_);
        result_ = PQgetResult(conn_);
        if (result_ && PQresultStatus(result_) != PGRES_COMMAND_OK) {
            throwResultError();
        }
    }

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
            default:
                eof_ = true;
                throwResultError();
        }
    }

    [[noreturn]] void throwResultError() const {
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

    // Reads what is left of the results, so the connection is ready again.
    void finish() {
        PQfreemem(line_);
        line_ = nullptr;
        while (PGresult* r = PQgetResult(conn_)) {
            const bool copying = PQresultStatus(r) == PGRES_COPY_OUT;
            PQclear(r);
            // COPY's data is read to its end first; libpq reports the
            // copy again and again until then.
            if (copying && !skipCopyData()) {
                break;
            }
        }
        finished_ = true;
    }

    // False when the connection broke on the way.
    bool skipCopyData() {
        char* buffer = nullptr;
        int n = 0;
        while ((n = PQgetCopyData(conn_, &buffer, 0)) > 0) {
            PQfreemem(buffer);
            buffer = nullptr;
        }
        return n == -1;
    }

    void readField(RowStore& st, std::uint32_t row, std::size_t c, int i) const override {
        const char* text = nullptr;
        int len = 0;
        if (copy_) {
            const PgCopyCell& cell = cells_[static_cast<std::size_t>(i)];
            if (cell.null) {
                st.setNull(row, c);
                return;
            }
            text = cell.text;
            len = cell.length;
        } else {
            if (PQgetisnull(result_, 0, i)) {
                st.setNull(row, c);
                return;
            }
            text = PQgetvalue(result_, 0, i);
            len = PQgetlength(result_, 0, i);
        }
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

    PGconn* conn_;
    PgReadOnly readOnly_{conn_};
    PGresult* result_ = nullptr;
    std::vector<unsigned> oids_;
    struct Origin {
        unsigned table = 0;  // 0: the field is no table column
        int column = 0;
    };
    std::vector<Origin> origins_;
    bool caseChecked_ = false;
    bool eof_ = true;
    bool finished_ = false;
    bool copy_ = false;
    char* line_ = nullptr;  // the current line of COPY's output, split in place
    std::vector<PgCopyCell> cells_;
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

std::unique_ptr<Query::Backend> makePgBackend(const QSqlDatabase& db, const QString& sql,
                                              PgReading how) {
    PGconn* conn = pgHandle(db);
    if (!conn) {
        return nullptr;
    }
    return std::make_unique<PgBackend>(conn, sql, how);
}

bool pgExecute(const QSqlDatabase& db, const QString& sql) {
    PGconn* conn = pgHandle(db);
    if (!conn) {
        return false;
    }
    const QByteArray text = sql.toUtf8();
    PGresult* r = PQexecParams(conn, text.constData(), 0, nullptr, nullptr, nullptr, nullptr, 0);
    const ExecStatusType status = PQresultStatus(r);
    QString message;
    if (status == PGRES_COPY_IN || status == PGRES_COPY_OUT || status == PGRES_COPY_BOTH) {
        // Data to or from the client has no place in a script: the copy is
        // ended so that the connection takes the next statement.
        if (status == PGRES_COPY_IN) {
            PQputCopyEnd(conn, "COPY from the client is not supported");
        }
        char* buffer = nullptr;
        while (status == PGRES_COPY_OUT && PQgetCopyData(conn, &buffer, 0) > 0) {
            PQfreemem(buffer);
            buffer = nullptr;
        }
        while (PGresult* rest = PQgetResult(conn)) {
            PQclear(rest);
        }
        message = u"COPY to or from the client cannot run in a script"_s;
    } else if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK &&
               status != PGRES_EMPTY_QUERY) {
        // A lost connection: the connection's message holds the server's
        // reason (terminating connection ...) before libpq's own words.
        const bool lost = !r || PQstatus(conn) == CONNECTION_BAD;
        message =
            QString::fromUtf8(lost ? PQerrorMessage(conn) : PQresultErrorMessage(r)).trimmed();
        if (message.isEmpty()) {
            message = QString::fromUtf8(PQerrorMessage(conn)).trimmed();
        }
    }
    PQclear(r);
    if (!message.isEmpty()) {
        throw DatabaseError(message);
    }
    return true;
}

bool pgTransactionEnded(const QSqlDatabase& db) {
    PGconn* conn = pgHandle(db);
    return conn && PQtransactionStatus(conn) == PQTRANS_IDLE;
}

std::function<void()> pgInterrupter(const QSqlDatabase& db) {
    PGconn* conn = pgHandle(db);
    if (!conn) {
        return {};
    }
    // Made now, on the connection's own thread: PQcancel on it is then safe
    // from any thread, while the connection itself is not.
    std::shared_ptr<PGcancel> cancel(PQgetCancel(conn), &PQfreeCancel);
    if (!cancel) {
        return {};
    }
    return [cancel] {
        char reason[256];
        // A request that fails changes nothing: the statement runs on, and
        // the caller sees the stop once it ends.
        PQcancel(cancel.get(), reason, static_cast<int>(sizeof reason));
    };
}

}  // namespace qm

#pragma once

#include "common/Errors.h"
#include "db/SqlDialect.h"
#include "list/FieldType.h"
#include "list/Value.h"

#include <QString>
#include <memory>
#include <vector>

namespace qm {

class Connection;
class RowStore;

/// A field of a query result, in result order.
struct QueryField {
    QString name;
    FieldType type = FieldType::String;
    int size = 0;
    /// The column's declared type where the reader tells it: SQLite's, which
    /// decides how SQLite converts values stored into the column, and
    /// "timestamptz" for PostgreSQL time stamps with time zone, whose
    /// literals carry their offset.
    QString declaredType;
    /// The collating sequence SQLite's `=` uses on the table column the
    /// field reads (NOCASE, RTRIM, ...); empty where the driver tells none
    /// or the field is no table column (an expression), which compares as
    /// BINARY, byte by byte. On PostgreSQL, LooseKeys::foldCaseName() for a
    /// text the server compares without letter case (citext, a collation
    /// that is not deterministic), known once all rows are read.
    QString collation;
};

/// Raised by a reader for a value of another storage class than its field's
/// type holds (SQLite keeps any value in any column): the field, and the
/// list column it fills, become Variant ones, and the row is read again.
class FieldNeedsVariant : public Error {
public:
    explicit FieldNeedsVariant(int field)
        : Error(QStringLiteral("Field %1 holds values of several storage classes").arg(field)),
          field_(field) {}
    int field() const { return field_; }

private:
    int field_;
};

/// A query on a connection: runs SQL text and steps through the rows, with
/// typed nullable values. SQLite connections are read through the sqlite3
/// library directly (the same database handle), which keeps large results
/// fast and compact; other drivers go through Qt SQL.
class Query {
public:
    explicit Query(Connection& connection);
    ~Query();
    Query(const Query&) = delete;
    Query& operator=(const Query&) = delete;

    /// Sets the SQL text; lines given separately are joined by CR LF.
    void setSql(const QString& sql);
    const QString& sql() const { return sql_; }

    /// Runs the query and stands on its first row. Raises DatabaseError.
    void open();
    void close();
    bool isOpen() const;

    int fieldCount() const;
    const QueryField& field(int i) const;
    /// Field index by name without regard to case, -1 if none.
    int findField(const QString& name) const;

    bool eof() const;
    void next();
    /// Number of rows, -1 when the driver cannot tell.
    int recordCount() const;

    /// Value of a field of the current row, of the field's type.
    Value value(int i) const;
    bool isNull(int i) const { return value(i).isNull(); }
    QString text(int i) const;

    /// Writes the current row's fields into a store row: field i goes to
    /// store column storeColumns[i] (skipped when negative). Raises
    /// ConversionError when a value does not fit its field's type, and
    /// FieldNeedsVariant for a SQLite value of another storage class.
    void readRow(RowStore& store, std::uint32_t row, const std::vector<int>& storeColumns) const;
    /// Makes field i a Variant field, after readRow raised FieldNeedsVariant
    /// for it (see QueryBackend.h).
    void widenField(int i);

    /// Whether the rows of the open query may be read (next, readRow,
    /// widenField) on another thread than the one that opened it, while
    /// nothing else uses its connection: true for the readers that talk to
    /// SQLite and libpq directly, false for Qt SQL, whose connections serve
    /// only the thread that made them.
    bool readsOnAnyThread() const;
    /// Exchanges the SQL text and the open result with another query on the
    /// same connection, so that a query run aside takes this one's place.
    void swap(Query& other);

    class Backend;

private:
    Connection& connection_;
    QString sql_;
    std::unique_ptr<Backend> backend_;
};

/// The one statement of a query's text, without a final ";" and what
/// follows it. Raises DatabaseError, before anything reaches a database, for
/// text that holds a NUL character (a database would run only the text
/// before it), no statement, more than one statement, or a statement that is
/// not a reading one (isReadingStatement): a read-only transaction does not
/// stop every statement that acts (COPY ... TO PROGRAM runs a command on
/// the server), so only reading statements are sent at all.
QString readingStatement(const QString& sql, SqlDialect dialect);

/// Column type of an SQLite declared type (affinity rules; dates stay text,
/// as SQLite stores them; NUMERIC and DECIMAL are exact decimals). Returns
/// the size for text types in `size`.
FieldType sqliteDeclaredType(const QString& declared, int& size);

}  // namespace qm

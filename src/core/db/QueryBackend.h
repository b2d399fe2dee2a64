#pragma once

#include "common/Errors.h"
#include "db/Query.h"
#include "list/RowStore.h"

#include <QSqlDatabase>
#include <functional>
#include <memory>

namespace qm {

/// Text of unbounded length gets this size.
inline constexpr int kLargeTextSize = 1000000;

[[noreturn]] inline void failValue(const QueryField& f, const QString& text) {
    throw ConversionError(QStringLiteral("Field \"%1\": '%2' is not a valid %3 value")
                              .arg(f.name, text, fieldTypeName(f.type).mid(2)));
}

/// A query that would change data is refused before it changes anything;
/// `what` says which statement or what the database answered. Callers add
/// their own context and final full stop.
[[noreturn]] inline void refuseWritingQuery(const QString& what) {
    throw DatabaseError(
        QStringLiteral("The query is not read-only, so it is not run (%1); a query may only "
                       "read data, for example with SELECT or WITH ... SELECT")
            .arg(what));
}

[[noreturn]] inline void refuseSeveralStatements() {
    throw DatabaseError(
        QStringLiteral("The query text holds more than one statement, so it is not run; a "
                       "query is exactly one statement that reads data"));
}

/// How a query reads its rows: through a driver library directly or through
/// Qt SQL. The first row is current after construction. A reader overrides
/// value() or readField(), each of which the other is built on.
class Query::Backend {
public:
    virtual ~Backend() = default;
    /// A field's type can still widen to Variant while rows are read.
    mutable std::vector<QueryField> fields;
    virtual bool eof() const = 0;
    virtual void next() = 0;
    virtual int recordCount() const = 0;
    /// See Query::readsOnAnyThread.
    virtual bool readsOnAnyThread() const { return false; }

    /// Field i of the current row as a value of its type. Readers that
    /// write straight into a store get this for free through readField.
    virtual Value value(int i) const {
        if (eof()) {
            return {};
        }
        QueryField& f = fields[static_cast<std::size_t>(i)];
        for (;;) {
            RowStore one({storageClassOf(f.type)});
            const std::uint32_t r = one.appendRow();
            try {
                readField(one, r, 0, i);
            } catch (const FieldNeedsVariant&) {
                f.type = FieldType::Variant;
                f.size = 0;
                continue;
            }
            return one.valueAt(r, 0);
        }
    }
    /// Writes field i of the current row into column c of a store row.
    virtual void readField(RowStore& store, std::uint32_t row, std::size_t c, int i) const {
        store.set(row, c, value(i));
    }
    void readRow(RowStore& store, std::uint32_t row, const std::vector<int>& cols) const {
        for (std::size_t i = 0; i < cols.size(); ++i) {
            if (cols[i] >= 0) {
                readField(store, row, static_cast<std::size_t>(cols[i]), static_cast<int>(i));
            }
        }
    }
};

/// How a PostgreSQL query's rows are read: through COPY where the statement
/// allows it and row by row otherwise, or only one of the two ways (to
/// compare them).
enum class PgReading { Fastest, RowByRow, CopyOnly };

/// A reader that talks to libpq on the connection's own handle, so that
/// values arrive as the server's text (exact decimals, microseconds, bytea);
/// nullptr when the driver offers no such handle.
std::unique_ptr<Query::Backend> makePgBackend(const QSqlDatabase& db, const QString& sql,
                                              PgReading how = PgReading::Fastest);

/// Executes one statement through libpq's extended protocol, which refuses
/// text holding a second statement; rows it returns are dropped. False,
/// with nothing sent, when the driver offers no libpq handle. Raises
/// DatabaseError with the server's message.
bool pgExecute(const QSqlDatabase& db, const QString& sql);

/// True when the libpq handle of a connection is idle outside a transaction
/// block; false inside one and when the driver offers no such handle.
bool pgTransactionEnded(const QSqlDatabase& db);

/// Sends a cancel request for the statement the connection runs; any thread
/// may call it while the connection is open. Empty when the driver offers
/// no libpq handle.
std::function<void()> pgInterrupter(const QSqlDatabase& db);

}  // namespace qm

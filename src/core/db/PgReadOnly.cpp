#include "db/PgReadOnly.h"

#include "common/Errors.h"

#include <libpq-fe.h>
#include <QString>

using namespace Qt::StringLiterals;

namespace qm {

namespace {

// SET LOCAL ends with the transaction or the savepoint's rollback. With any
// extra_float_digits above 0 a server from version 12 on writes the shortest
// text that reads back exactly; 3 makes an older one write every digit.
constexpr char kFixedTextForms[] =
    "; SET LOCAL extra_float_digits = 3; SET LOCAL DateStyle = 'ISO, YMD'; "
    "SET LOCAL TimeZone = 'UTC'; SET LOCAL IntervalStyle = 'postgres'; "
    "SET LOCAL bytea_output = 'hex'";

}  // namespace

void PgReadOnly::enter() {
    switch (PQtransactionStatus(conn_)) {
        case PQTRANS_IDLE:
            // One round trip: a failed BEGIN leaves the connection idle,
            // which leave() finds; a failed SET leaves the transaction to
            // roll back.
            guard_ = Guard::Transaction;
            command(QByteArray("BEGIN READ ONLY") + kFixedTextForms);
            break;
        case PQTRANS_INTRANS:
            command("SAVEPOINT quillmere_read");
            guard_ = Guard::Savepoint;
            command(QByteArray("SET TRANSACTION READ ONLY") + kFixedTextForms);
            break;
        case PQTRANS_INERROR:
            throw DatabaseError(
                u"The connection is not ready for a query: its transaction has failed"_s);
        default:
            throw DatabaseError(
                u"The connection is not ready for a query: another command still runs"_s);
    }
}

void PgReadOnly::leave() noexcept {
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

void PgReadOnly::command(const QByteArray& sql) {
    PGresult* r = PQexec(conn_, sql.constData());
    const bool ok = PQresultStatus(r) == PGRES_COMMAND_OK;
    PQclear(r);
    if (!ok) {
        throw DatabaseError(QString::fromUtf8(PQerrorMessage(conn_)).trimmed());
    }
}

}  // namespace qm

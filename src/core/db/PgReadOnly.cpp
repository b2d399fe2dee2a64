#include "db/PgReadOnly.h"

#include "common/Errors.h"

#include <libpq-fe.h>
#include <QString>

using namespace Qt::StringLiterals;

namespace qm {

void PgReadOnly::enter(bool fixedTextForms) {
    switch (PQtransactionStatus(conn_)) {
        case PQTRANS_IDLE:
            command("BEGIN READ ONLY");
            guard_ = Guard::Transaction;
            break;
        case PQTRANS_INTRANS:
            command("SAVEPOINT quillmere_read");
            guard_ = Guard::Savepoint;
            command("SET TRANSACTION READ ONLY");
            break;
        case PQTRANS_INERROR:
            throw DatabaseError(
                u"The connection is not ready for a query: its transaction has failed"_s);
        default:
            throw DatabaseError(
                u"The connection is not ready for a query: another command still runs"_s);
    }
    if (!fixedTextForms) {
        return;
    }
    // SET LOCAL ends with the transaction or the savepoint's rollback.
    command(
        "SET LOCAL DateStyle = 'ISO, YMD'; SET LOCAL TimeZone = 'UTC'; "
        "SET LOCAL IntervalStyle = 'postgres'; SET LOCAL bytea_output = 'hex'");
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

void PgReadOnly::command(const char* sql) {
    PGresult* r = PQexec(conn_, sql);
    const bool ok = PQresultStatus(r) == PGRES_COMMAND_OK;
    PQclear(r);
    if (!ok) {
        throw DatabaseError(QString::fromUtf8(PQerrorMessage(conn_)).trimmed());
    }
}

}  // namespace qm

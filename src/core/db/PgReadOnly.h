#pragma once

#include <QByteArray>

struct pg_conn;

namespace qm {

/// Runs what comes between enter() and leave() in a read-only transaction of
/// its own or, inside a transaction the connection already has, in a
/// read-only savepoint: the server itself then refuses anything that writes,
/// and rolling back leaves the session as it was, ready for a script that
/// writes. Leaving is also done on destruction.
///
/// Inside, the settings that shape how values print are fixed (float
/// digits, date style, time zone, interval style, bytea output), whatever
/// the server, database, role or session set: values are read back from
/// their text, compared and hashed across two servers, so a setting such as
/// extra_float_digits = 0 would otherwise round 0.30000000000000004 to 0.3.
class PgReadOnly {
public:
    explicit PgReadOnly(pg_conn* conn) : conn_(conn) {}
    ~PgReadOnly() { leave(); }
    PgReadOnly(const PgReadOnly&) = delete;
    PgReadOnly& operator=(const PgReadOnly&) = delete;

    /// Raises DatabaseError when the connection is not ready for a query.
    void enter();
    void leave() noexcept;

private:
    void command(const QByteArray& sql);

    enum class Guard { None, Transaction, Savepoint };
    pg_conn* conn_;
    Guard guard_ = Guard::None;
};

}  // namespace qm

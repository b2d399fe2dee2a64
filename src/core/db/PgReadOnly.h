#pragma once

struct pg_conn;

namespace qm {

/// Runs what comes between enter() and leave() in a read-only transaction of
/// its own or, inside a transaction the connection already has, in a
/// read-only savepoint: the server itself then refuses anything that writes,
/// and rolling back leaves the session as it was, ready for a script that
/// writes. Leaving is also done on destruction.
class PgReadOnly {
public:
    explicit PgReadOnly(pg_conn* conn) : conn_(conn) {}
    ~PgReadOnly() { leave(); }
    PgReadOnly(const PgReadOnly&) = delete;
    PgReadOnly& operator=(const PgReadOnly&) = delete;

    /// Raises DatabaseError when the connection is not ready for a query.
    /// With `fixedTextForms`, the settings that shape how values print (date
    /// style, time zone, interval style, bytea output) are fixed for the
    /// span, so that two servers print equal values alike whatever their
    /// own settings.
    void enter(bool fixedTextForms = false);
    void leave() noexcept;

private:
    void command(const char* sql);

    enum class Guard { None, Transaction, Savepoint };
    pg_conn* conn_;
    Guard guard_ = Guard::None;
};

}  // namespace qm

#pragma once

#include "db/AliasFile.h"

#include <QSqlDatabase>
#include <QString>
#include <memory>

namespace qm {

class CancelFlag;
class ConnectionWatch;
class Session;

/// One named database connection ("ScrDB", "DestDB") addressed by an alias.
/// Wraps a QSqlDatabase; every failure raises DatabaseError with the
/// driver's message.
class Connection {
public:
    Connection(QString connectionName, const Session& session);
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    const QString& connectionName() const { return name_; }
    /// Only while disconnected.
    void setAliasName(const QString& alias);
    const QString& aliasName() const { return alias_; }

    void connect();
    void disconnect();
    bool isConnected() const { return connected_; }
    /// The resolved alias of the open connection.
    const AliasDefinition& definition() const { return def_; }
    /// SQLITE, PSQL, ODBC or MYSQL.
    const QString& driverKind() const { return def_.driver; }

    void startTransaction();
    void commit();
    void rollback();
    bool inTransaction() const { return inTransaction_; }
    /// True when the database says that the transaction this connection
    /// started is no longer open (a statement committed or rolled it back).
    /// False while it is open, and where the driver cannot tell.
    bool transactionEndedOnServer() const;
    /// Executes one statement, sending its text unchanged (no parameter
    /// parsing, so a ":" reaches the server as written). Raises
    /// DatabaseError, with nothing run, for text that SQLite or PostgreSQL
    /// reads as more than one statement, for a statement that ends or
    /// starts a transaction (transactionControlWords) and for text holding
    /// a NUL character.
    void execute(const QString& sql);
    /// A flag that another thread or a signal handler raises to stop the
    /// work: while it is raised, a statement or query that this connection
    /// runs fails soon (within about 50 ms) with the database's message
    /// instead of running to its end; rollback() and disconnect() are not
    /// stopped. SQLite asks the flag as it works, PostgreSQL gets a cancel
    /// request from a watching thread; other drivers run on. Applies to the
    /// open connection and to later ones; null stops watching. The flag
    /// must outlive its use here.
    void setStopFlag(const CancelFlag* flag);

    QSqlDatabase database() const;

private:
    /// Raises DatabaseError when the alias's driver (or ODBC data source)
    /// cannot be used at all, whatever the login.
    void checkDriver() const;
    void openWith(const QString& user, const QString& password);
    /// Applies stopFlag_ to the open connection, or removes it again; a
    /// rollback runs between the two.
    void startWatching();
    void stopWatching();

    QString name_;
    QString qtName_;
    const Session& session_;
    QString alias_;
    AliasDefinition def_;
    bool connected_ = false;
    bool inTransaction_ = false;
    const CancelFlag* stopFlag_ = nullptr;
    std::unique_ptr<ConnectionWatch> watch_;
};

}  // namespace qm

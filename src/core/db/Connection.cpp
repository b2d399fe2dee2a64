#include "db/Connection.h"

#include "common/Cancellation.h"
#include "common/Errors.h"
#include "common/ScopeGuards.h"
#include "db/ConnectionWatch.h"
#include "db/LoginPrompt.h"
#include "db/QueryBackend.h"
#include "db/Session.h"
#include "db/StatementCutter.h"

#include <sqlite3.h>
#include <QFileInfo>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <memory>

using namespace Qt::StringLiterals;

namespace qm {
namespace {

QString qtDriverOf(const QString& kind) {
    if (kind == u"SQLITE"_s) {
        return u"QSQLITE"_s;
    }
    if (kind == u"PSQL"_s || kind == u"POSTGRESQL"_s) {
        return u"QPSQL"_s;
    }
    if (kind == u"ODBC"_s) {
        return u"QODBC"_s;
    }
    if (kind == u"MYSQL"_s || kind == u"MARIADB"_s) {
        return u"QMYSQL"_s;
    }
    return {};
}

QString errorText(const QSqlError& e) {
    QString t = e.text().trimmed();
    return t.isEmpty() ? u"unknown database error"_s : t;
}

// Whether a failed connection's message says that the server asked for a
// password or refused the login. Drivers word this differently: libpq says
// "fe_sendauth: no password supplied" or "password authentication failed",
// MySQL "Access denied", ODBC drivers "Login failed" with SQLSTATE 28000.
bool isLoginRefusal(const QString& message) {
    static const QStringList signs = {u"password"_s, u"authentication"_s, u"login"_s,
                                      u"access denied"_s, u"28000"_s};
    for (const QString& sign : signs) {
        if (message.contains(sign, Qt::CaseInsensitive)) {
            return true;
        }
    }
    return false;
}

sqlite3* sqliteHandle(const QSqlDatabase& db) {
    const QVariant handle = db.driver()->handle();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0) {
        return nullptr;
    }
    return *static_cast<sqlite3* const*>(handle.constData());
}

// SQLite's progress callback: a non-zero answer interrupts the statement.
int stopWhenRaised(void* flag) {
    return static_cast<const CancelFlag*>(flag)->requested() ? 1 : 0;
}

// Virtual machine steps between two looks at the flag: a few microseconds.
constexpr int kStepsBetweenLooks = 1000;

// Registered connection names must be unique per process; a second engine
// in the same process gets a numbered name.
QString uniqueQtName(const QString& name) {
    QString n = name;
    for (int i = 2; QSqlDatabase::contains(n); ++i) {
        n = u"%1#%2"_s.arg(name).arg(i);
    }
    return n;
}

}  // namespace

Connection::Connection(QString connectionName, const Session& session)
    : name_(std::move(connectionName)), session_(session) {}

Connection::~Connection() {
    try {
        disconnect();
    } catch (...) {
    }
}

void Connection::setStopFlag(const CancelFlag* flag) {
    stopWatching();
    stopFlag_ = flag;
    startWatching();
}

void Connection::startWatching() {
    if (!connected_ || !stopFlag_) {
        return;
    }
    const QSqlDatabase db = database();
    if (sqlite3* h = def_.driver == u"SQLITE"_s ? sqliteHandle(db) : nullptr) {
        // Asked on the thread that runs the statement, so nothing else
        // touches the handle.
        sqlite3_progress_handler(h, kStepsBetweenLooks, &stopWhenRaised,
                                 const_cast<CancelFlag*>(stopFlag_));
        return;
    }
    if (std::function<void()> cancel = pgInterrupter(db)) {
        watch_ = std::make_unique<ConnectionWatch>(*stopFlag_, std::move(cancel));
    }
}

void Connection::stopWatching() {
    watch_.reset();
    if (connected_ && stopFlag_ && def_.driver == u"SQLITE"_s) {
        if (sqlite3* h = sqliteHandle(database())) {
            sqlite3_progress_handler(h, 0, nullptr, nullptr);
        }
    }
}

void Connection::setAliasName(const QString& alias) {
    if (connected_) {
        throw DatabaseError(
            u"Cannot change the alias of connection %1 while it is connected"_s.arg(name_));
    }
    alias_ = alias;
}

QSqlDatabase Connection::database() const {
    if (!connected_) {
        throw DatabaseError(u"Connection %1 is not connected"_s.arg(name_));
    }
    return QSqlDatabase::database(qtName_, false);
}

void Connection::checkDriver() const {
    const QString driver = qtDriverOf(def_.driver);
    if (driver.isEmpty()) {
        throw DatabaseError(
            u"Alias \"%1\": unknown driver \"%2\" (use SQLITE, PSQL, ODBC or MYSQL)"_s.arg(
                alias_, def_.driver));
    }
    if (!QSqlDatabase::isDriverAvailable(driver)) {
        throw DatabaseError(
            u"Alias \"%1\": the database driver %2 is not installed"_s.arg(alias_, driver));
    }
    // A data source name (a connection string holds "=") that the driver
    // manager does not know cannot be opened with any password.
    if (driver == u"QODBC"_s && !def_.database.contains(u'=') && !isOdbcDataSource(def_.database)) {
        throw DatabaseError(
            u"Cannot connect to database alias \"%1\": the ODBC driver manager knows no data "
            "source named \"%2\""_s.arg(alias_, def_.database));
    }
}

void Connection::openWith(const QString& user, const QString& password) {
    const QString driver = qtDriverOf(def_.driver);
    qtName_ = uniqueQtName(name_);
    QString failure;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(driver, qtName_);
        db.setDatabaseName(def_.database);
        if (!def_.host.isEmpty()) {
            db.setHostName(def_.host);
        }
        if (def_.port > 0) {
            db.setPort(def_.port);
        }
        db.setUserName(user);
        db.setPassword(password);
        QString options = def_.options;
        if (driver == u"QPSQL"_s && !options.contains(u"connect_timeout"_s)) {
            options += (options.isEmpty() ? u""_s : u";"_s) + u"connect_timeout=10"_s;
        }
        db.setConnectOptions(options);
        if (db.open()) {
            db.setNumericalPrecisionPolicy(QSql::HighPrecision);
            if (driver == u"QPSQL"_s) {
                // A time stamp with time zone is read and written as wall-clock
                // text of the session's zone. Both sides and the script must
                // mean the same zone whatever each server or role defaults to,
                // or one instant shows as two values and is written shifted.
                QSqlQuery q(db);
                if (!q.exec(u"SET TIME ZONE 'UTC'"_s)) {
                    failure = errorText(q.lastError());
                    q = QSqlQuery();
                    db.close();
                }
            }
            if (db.isOpen()) {
                connected_ = true;
                startWatching();
                return;
            }
        } else {
            failure = errorText(db.lastError());
        }
    }
    QSqlDatabase::removeDatabase(qtName_);
    throw DatabaseError(u"Cannot connect to database alias \"%1\": %2"_s.arg(alias_, failure));
}

void Connection::connect() {
    if (connected_) {
        return;
    }
    def_ = session_.resolve(alias_);
    // Before any login: a failure that no password can mend must not end
    // with a hint about passwords.
    checkDriver();
    if (def_.driver == u"SQLITE"_s) {
        if (def_.database.isEmpty()) {
            throw DatabaseError(u"Alias \"%1\" names no database file"_s.arg(alias_));
        }
        if (def_.database != u":memory:"_s && !QFileInfo::exists(def_.database)) {
            throw DatabaseError(
                u"Cannot connect to database alias \"%1\": the database file \"%2\" does not exist"_s
                    .arg(alias_, def_.database));
        }
        openWith({}, {});
        return;
    }
    if (!def_.password.isEmpty() || !session_.loginPrompt()) {
        openWith(def_.user, def_.password);
        return;
    }
    // The alias holds no password: try without one first (servers may trust
    // the user), then ask, but only when the server wanted a password or
    // refused the login: no password mends an unreachable server.
    try {
        openWith(def_.user, {});
        return;
    } catch (const DatabaseError& first) {
        if (!isLoginRefusal(first.message())) {
            throw;
        }
        QString user = def_.user;
        QString password;
        QString reason;
        if (!session_.loginPrompt()->askLogin(alias_, user, password, reason)) {
            throw DatabaseError(reason.isEmpty() ? first.message()
                                                 : first.message() + u"\n"_s + reason);
        }
        openWith(user, password);
    }
}

void Connection::disconnect() {
    if (!connected_) {
        return;
    }
    stopWatching();
    {
        QSqlDatabase db = QSqlDatabase::database(qtName_, false);
        // A connection the server closed has no transaction left to roll
        // back, and the driver would only warn about it.
        if (inTransaction_ && db.isOpen()) {
            db.rollback();
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(qtName_);
    connected_ = false;
    inTransaction_ = false;
}

void Connection::startTransaction() {
    QSqlDatabase db = database();
    if (!db.transaction()) {
        throw DatabaseError(u"Cannot start a transaction: %1"_s.arg(errorText(db.lastError())));
    }
    inTransaction_ = true;
}

void Connection::commit() {
    QSqlDatabase db = database();
    if (!db.commit()) {
        throw DatabaseError(u"Cannot commit: %1"_s.arg(errorText(db.lastError())));
    }
    inTransaction_ = false;
}

void Connection::rollback() {
    QSqlDatabase db = database();
    inTransaction_ = false;
    // A stop must not fail the rollback that puts its work back.
    stopWatching();
    Finally watchAgain([this] { startWatching(); });
    // The server ended the transaction with the connection (the driver
    // tells by the connection's state); the driver would only warn.
    if (!db.isOpen()) {
        throw DatabaseError(u"Cannot roll back: the connection to the database is lost"_s);
    }
    if (!db.rollback()) {
        throw DatabaseError(u"Cannot roll back: %1"_s.arg(errorText(db.lastError())));
    }
}

bool Connection::transactionEndedOnServer() const {
    if (!connected_ || !inTransaction_) {
        return false;
    }
    const QSqlDatabase db = database();
    sqlite3* h = def_.driver == u"SQLITE"_s ? sqliteHandle(db) : nullptr;
    if (h) {
        // Autocommit mode is on exactly when no transaction is open.
        return sqlite3_get_autocommit(h) != 0;
    }
    if (def_.driver == u"PSQL"_s) {
        return pgTransactionEnded(db);
    }
    return false;
}

namespace {

[[noreturn]] void refuseSeveralInOne(const QString& sql, SqlDialect dialect) {
    throw DatabaseError(
        u"\"%1\" holds more than one statement as the database reads it, so it is not run"_s.arg(
            statementHead(sql, dialect)));
}

void refuseTransactionControl(const QString& statement, SqlDialect dialect) {
    const QString words = transactionControlWords(statement, dialect);
    if (!words.isEmpty()) {
        throw DatabaseError(
            u"\"%1\" is a %2 statement, which ends or starts a transaction, so it is not run"_s.arg(
                statementHead(statement, dialect), words));
    }
}

// Prepares every statement of the text first: a second one, or text that
// is not blanks and comments after the first, refuses the whole before
// anything runs. The transaction control check reads the statement SQLite
// parsed, not the text it came from.
void executeSqlite(sqlite3* h, const QString& sql) {
    const QByteArray utf8 = sql.toUtf8();
    const char* at = utf8.constData();
    const char* const end = at + utf8.size();
    std::unique_ptr<sqlite3_stmt, decltype(&sqlite3_finalize)> stmt{nullptr, &sqlite3_finalize};
    while (at < end) {
        sqlite3_stmt* next = nullptr;
        const char* tail = nullptr;
        const int rc = sqlite3_prepare_v2(h, at, static_cast<int>(end - at), &next, &tail);
        std::unique_ptr<sqlite3_stmt, decltype(&sqlite3_finalize)> prepared{next,
                                                                            &sqlite3_finalize};
        if (stmt && (rc != SQLITE_OK || prepared)) {
            refuseSeveralInOne(sql, SqlDialect::SQLite);
        }
        if (rc != SQLITE_OK) {
            throw DatabaseError(QString::fromUtf8(sqlite3_errmsg(h)));
        }
        if (prepared) {
            stmt = std::move(prepared);
        }
        if (!tail || tail <= at) {
            break;
        }
        at = tail;
    }
    if (!stmt) {
        return;  // blanks and comments only
    }
    refuseTransactionControl(QString::fromUtf8(sqlite3_sql(stmt.get())), SqlDialect::SQLite);
    int rc = SQLITE_ROW;
    while (rc == SQLITE_ROW) {
        rc = sqlite3_step(stmt.get());
    }
    if (rc != SQLITE_DONE) {
        throw DatabaseError(QString::fromUtf8(sqlite3_errmsg(h)));
    }
}

}  // namespace

void Connection::execute(const QString& sql) {
    QSqlDatabase db = database();
    const SqlDialect dialect = dialectOfDriver(def_.driver);
    // Every driver would read the text only up to a NUL and run that part.
    if (sql.contains(QChar(0))) {
        throw DatabaseError(u"\"%1\" holds a NUL character, so it is not run"_s.arg(
            statementHead(sql.section(QChar(0), 0, 0), dialect)));
    }
    refuseTransactionControl(sql, dialect);
    // SQLite and PostgreSQL get the text through their own libraries, each
    // in a way that runs one statement at most: a piece the cut took for
    // one statement that the database reads as several is refused whole.
    const QVariant handle = def_.driver == u"SQLITE"_s ? db.driver()->handle() : QVariant();
    if (handle.isValid() && qstrcmp(handle.typeName(), "sqlite3*") == 0) {
        executeSqlite(*static_cast<sqlite3* const*>(handle.constData()), sql);
        return;
    }
    // Other drivers may run every statement the text holds; PostgreSQL's
    // extended protocol refuses a second one, but in other words.
    int statements = 0;
    for (const QString& piece : cutStatements(sql, dialect)) {
        if (!statementBody(piece, dialect).isEmpty() && ++statements > 1) {
            refuseSeveralInOne(sql, dialect);
        }
    }
    if (dialect == SqlDialect::PostgreSQL && pgExecute(db, sql)) {
        return;
    }
    QSqlQuery q(db);
    if (!q.exec(sql)) {
        throw DatabaseError(errorText(q.lastError()));
    }
}

}  // namespace qm

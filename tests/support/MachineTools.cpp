#include "support/MachineTools.h"

#include <QProcess>

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#endif
#include <sql.h>
#include <sqlext.h>

#include <array>

using namespace Qt::StringLiterals;

namespace qm::test {

bool odbcDriverRegistered(const QString& name) {
    SQLHENV env = SQL_NULL_HENV;
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env))) {
        return false;
    }
    bool found = false;
    if (SQL_SUCCEEDED(SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION,
                                    reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0))) {
        std::array<SQLCHAR, 512> description{};
        std::array<SQLCHAR, 2048> attributes{};
        SQLSMALLINT descriptionLength = 0, attributesLength = 0;
        SQLUSMALLINT direction = SQL_FETCH_FIRST;
        while (!found &&
               SQL_SUCCEEDED(SQLDrivers(
                   env, direction, description.data(), static_cast<SQLSMALLINT>(description.size()),
                   &descriptionLength, attributes.data(),
                   static_cast<SQLSMALLINT>(attributes.size()), &attributesLength))) {
            direction = SQL_FETCH_NEXT;
            const QString driver =
                QString::fromLocal8Bit(reinterpret_cast<const char*>(description.data()));
            found = driver.compare(name, Qt::CaseInsensitive) == 0;
        }
    }
    SQLFreeHandle(SQL_HANDLE_ENV, env);
    return found;
}

int closedLoopbackPort() {
#ifdef _WIN32
    WSADATA wsa;
    if (WSAStartup(MAKEWORD(2, 2), &wsa) != 0) {
        return 0;
    }
    const SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    const bool made = s != INVALID_SOCKET;
#else
    const int s = socket(AF_INET, SOCK_STREAM, 0);
    const bool made = s >= 0;
#endif
    int port = 0;
    if (made) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = 0;  // the system picks a free port
        socklen_t length = sizeof address;
        if (bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
            getsockname(s, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
            port = ntohs(address.sin_port);
        }
        // Never listened on: once closed, a connection is refused.
#ifdef _WIN32
        closesocket(s);
#else
        close(s);
#endif
    }
#ifdef _WIN32
    WSACleanup();
#endif
    return port;
}

testing::AssertionResult sqldiffFindsNoDifference(const QString& first, const QString& second,
                                                  const QStringList& options) {
    QProcess diff;
    diff.start(u"sqldiff"_s, QStringList(options) << first << second);
    if (!diff.waitForStarted(30000)) {
        return testing::AssertionFailure()
               << "sqldiff did not start (" << diff.errorString().toStdString()
               << "); it comes with the package sqlite3-tools";
    }
    if (!diff.waitForFinished(60000)) {
        diff.kill();
        diff.waitForFinished();
        return testing::AssertionFailure() << "sqldiff did not finish within a minute";
    }
    const QByteArray out = diff.readAllStandardOutput();
    const QByteArray err = diff.readAllStandardError();
    if (diff.exitStatus() != QProcess::NormalExit || diff.exitCode() != 0) {
        return testing::AssertionFailure()
               << "sqldiff failed with exit code " << diff.exitCode() << ": " << err.toStdString();
    }
    if (!out.isEmpty()) {
        return testing::AssertionFailure() << "sqldiff found differences:\n" << out.toStdString();
    }
    return testing::AssertionSuccess();
}

}  // namespace qm::test

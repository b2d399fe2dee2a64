#pragma once

#include <gtest/gtest.h>
#include <QString>
#include <QStringList>

namespace qm::test {

/// True when the ODBC driver manager knows a driver of this name (compared
/// without regard to case), as "DRIVER={name}" in a connection string needs.
bool odbcDriverRegistered(const QString& name);

/// Skips the current test when the named ODBC driver is not registered; an
/// empty name needs no driver. scripts/install-deps.sh registers the drivers
/// the tests use.
#define QM_REQUIRE_ODBC_DRIVER(name)                                                         \
    do {                                                                                     \
        const QString qmOdbcDriver_ = (name);                                                \
        if (!qmOdbcDriver_.isEmpty() && !::qm::test::odbcDriverRegistered(qmOdbcDriver_)) {  \
            GTEST_SKIP() << "no ODBC driver registered as \"" << qmOdbcDriver_.toStdString() \
                         << "\" (scripts/install-deps.sh registers it)";                     \
        }                                                                                    \
    } while (false)

/// A TCP port on 127.0.0.1 that nothing listens on: one the system handed
/// out a moment ago and that was given back unused. A connection to it is
/// refused at once. 0 when no socket could be made.
int closedLoopbackPort();

/// Success when sqldiff (package sqlite3-tools) ran, ended with exit code 0
/// and found no difference between the table in the two SQLite files;
/// otherwise a failure that says which of these went wrong.
testing::AssertionResult sqldiffFindsNoDifference(const QString& first, const QString& second,
                                                  const QStringList& options);

}  // namespace qm::test

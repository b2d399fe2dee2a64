#pragma once

#include "support/TestDatabases.h"

#include <QString>
#include <QStringList>

namespace qm::test {

/// Every row of a SQLite table as exact text, rows sorted: each cell is its
/// storage class and its bytes (integers in decimal, reals as their 64 bits,
/// text and blobs in hexadecimal), so that two tables give equal lists only
/// when each cell holds the same class and the same value.
QStringList sqliteCells(const QString& databaseFile, const QString& table);

/// What one round of syncing a pair did.
struct SyncRun {
    QStringList script;        // the statements written, header first
    QString failure;           // opening, scripting or executing failed: why
    QStringList secondScript;  // written by a new comparison after executing
};

/// Opens the source and target queries "SELECT * FROM <table>" of two
/// aliases, makes the target equal the source and writes the script as
/// `quillmere-cli script` does, executes it as `quillmere-cli execute`
/// does, then compares and scripts once more.
SyncRun syncTables(const QString& aliasFile, const QString& sourceAlias, const QString& targetAlias,
                   const QString& sourceTable, const QString& targetTable, const QString& key);
inline SyncRun syncTables(const QString& aliasFile, const QString& sourceAlias,
                          const QString& targetAlias, const QString& table, const QString& key) {
    return syncTables(aliasFile, sourceAlias, targetAlias, table, table, key);
}

}  // namespace qm::test

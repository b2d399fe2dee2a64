#pragma once

#include "support/TestDatabases.h"

#include <QString>
#include <QStringList>
#include <utility>
#include <vector>

namespace qm::test {

/// Tables a test creates on the PostgreSQL test server under names no other
/// test uses; they are dropped when the object goes.
class PgScratch {
public:
    explicit PgScratch(PgServer pg) : pg_(std::move(pg)) {}
    ~PgScratch();
    PgScratch(const PgScratch&) = delete;
    PgScratch& operator=(const PgScratch&) = delete;

    /// Creates a table: `columns` is the text between the parentheses of
    /// CREATE TABLE, `rows` the text after INSERT ... VALUES (may be empty).
    /// Returns the table's name.
    QString create(const QString& database, const QString& stem, const QString& columns,
                   const QString& rows);

private:
    PgServer pg_;
    std::vector<std::pair<QString, QString>> tables_;  // database, table
};

}  // namespace qm::test

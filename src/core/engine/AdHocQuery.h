#pragma once

#include "engine/EnginePorts.h"
#include "list/MemData.h"

#include <QString>

namespace qm {

class Query;
class TDM;

/// A query the user types to look at data on the source or the target
/// database, with its rows held in a read-only in-memory list. It is apart
/// from the engine's compared lists: it only borrows the side's connection.
///
/// The query runs through the database layer's Query, which only reads: a
/// statement that would change data is refused before it runs (see
/// db/Query.h). Every row is read at once and the query closed again, so no
/// cursor, lock or read transaction stays open on the connection that the
/// merge and the script execution use.
class AdHocQuery {
public:
    AdHocQuery();
    ~AdHocQuery();
    AdHocQuery(const AdHocQuery&) = delete;
    AdHocQuery& operator=(const AdHocQuery&) = delete;

    /// The result: one column per query field in result order (RecId apart),
    /// named after the field; a name the result repeats gets a suffix
    /// ("id", "id_2") and keeps the field's name as its display label.
    MemData& Result() { return result_; }
    const MemData& Result() const { return result_; }

    /// Connects the side through the engine unless it is connected (a failed
    /// connection shows its message and raises SilentAbort), runs `sql` on
    /// it and loads every row. Returns the number of rows loaded. A query the
    /// database rejects, one that returns no rows and one that would write
    /// raise the database layer's error; the result is closed then.
    qsizetype Run(TDM& engine, Side side, const QString& sql);

    /// Closes the result and removes its columns.
    void Close();
    bool IsOpen() const { return result_.isOpen(); }

private:
    void buildColumns(const Query& query, std::vector<int>& listFields);
    void loadRows(Query& query, const std::vector<int>& listFields, TDM& engine);

    MemData result_{QStringLiteral("QueryResult")};
};

}  // namespace qm

#pragma once

#include <QString>
#include <QStringList>
#include <vector>

namespace qm {

class Connection;
class MemData;
class TFrameNodeData;
class TPrjData;
class TQMNodeData;

/// One proposed lookup definition: a row of the review list
/// NewLookupsMemData.
struct LookupProposal {
    bool create = true;  ///< "Create": only ticked proposals become definitions
    QString tableSetupName;
    QString fieldName;
    QString lookupName;
    QString lookupTableName;
    QString lookupKeyFieldName;
    QString lookupDisplayFieldName;
    QString customLookupSQLQuery;

    bool operator==(const LookupProposal&) const = default;
};

/// Proposes lookup definitions from column names: a column of a table
/// setup's target query named after another table setup followed by a key
/// suffix (CustomerID in Orders, beside the table setup Customer) refers to
/// that table setup's target table, when that table has the columns stem +
/// "ID" and stem + "Name". All database work is done on the target
/// connection, which must be connected.
class TFindLookup {
public:
    TFindLookup(TPrjData& project, Connection& target);

    /// Suffixes that mark a key column, in the order they are tried.
    static const QStringList& keySuffixes();
    /// The column name without the first key suffix that leaves something;
    /// empty when none does.
    static QString GetStem(const QString& columnName);
    /// The column name with every occurrence of the suffix (letter case
    /// counts) removed; empty when the suffix does not occur.
    static QString StripSuffix(const QString& columnName, const QString& suffix);
    /// The first table setup, in project order, named like the stem without
    /// regard to letter case; none when there is no such table setup.
    TQMNodeData* FindTableSetupByName(const QString& stem) const;

    /// The proposals for one table setup, in the order the review list shows
    /// them (last column first). A column that already has a definition in
    /// the table setup is not proposed again. Raises the database's error
    /// when the target query or a referenced table cannot be read.
    std::vector<LookupProposal> Discover(TFrameNodeData& tableSetup);
    /// Discover for the table setups at the positions given, in project
    /// order, grouped by table setup.
    std::vector<LookupProposal> Discover(const std::vector<int>& positions);

    /// Adds the columns of the review list (Enabled, TableSetupName and the
    /// six definition fields) to a closed list.
    static void CreateProposalFields(MemData& list);
    /// Appends the proposals to an open review list.
    static void FillList(MemData& list, const std::vector<LookupProposal>& proposals);
    /// The rows of a review list, as the user left them.
    static std::vector<LookupProposal> ReadList(const MemData& list);

    /// Creates a definition in its table setup (found by exact name) for
    /// every ticked proposal, in order; returns how many were created.
    /// Proposals that name no table setup are reported together (Error)
    /// before anything is created.
    static int Apply(TPrjData& project, const std::vector<LookupProposal>& proposals);

private:
    /// The target query's column names, without reading its rows.
    QStringList targetColumns(const QString& sql);
    QStringList tableColumns(const QString& table);

    TPrjData& project_;
    Connection& target_;
};

}  // namespace qm

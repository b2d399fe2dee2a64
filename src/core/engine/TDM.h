#pragma once

#include "db/Connection.h"
#include "db/Query.h"
#include "db/Session.h"
#include "engine/ComparedColumns.h"
#include "engine/EnginePorts.h"
#include "engine/InDatabaseCompare.h"
#include "engine/KeyMatcher.h"
#include "engine/PrimaryKey.h"
#include "engine/RowMarker.h"
#include "engine/SqlLiteral.h"
#include "engine/TStatView.h"
#include "list/LooseKeys.h"
#include "list/MemData.h"
#include "project/TableSetup.h"
#include "report/MessageViewer.h"

#include <QStringList>
#include <optional>
#include <unordered_map>
#include <unordered_set>

namespace qm {

class LookupSource;
class TPrjData;

/// What opening one side came to. A failed load has shown its message and
/// left the side closed; a failed connection raises SilentAbort instead.
struct OpenOutcome {
    /// Whether the side's list is open with the query's rows.
    bool opened = false;
    /// The rows loaded; nullopt when the side is not open.
    std::optional<qsizetype> records;
};

/// What opening both sides at once came to, side by side.
struct OpenBothOutcome {
    OpenOutcome source;
    OpenOutcome target;
    bool opened() const { return source.opened && target.opened; }
};

/// The merge engine: the table-setup list, the database setup, the source
/// and target lists with their marks, the copy and the snapshot of the
/// target list, the two connections and their queries. Connects, opens and
/// compares the current table setup. Keeps its state as numbers
/// (Connected, RecordCount, Counts) and talks to the window only through
/// its ports and the MessageViewer; texts for people are made at the edges
/// (EngineTexts.h).
class TDM {
public:
    /// The ports may be null (nothing is shown) and replaced later with
    /// setPorts, for a window made after the engine.
    TDM(EnginePorts ports, MessageViewer& messages);
    ~TDM();
    TDM(const TDM&) = delete;
    TDM& operator=(const TDM&) = delete;

    // --- components ------------------------------------------------------------
    Session& session() { return session_; }
    Connection& SourceDatabase() { return sourceDatabase_; }
    Connection& DestDatabase() { return destDatabase_; }
    Query& SourceQuery() { return sourceQuery_; }
    Query& DestQuery() { return destQuery_; }
    MemData& TablesMemData() { return tablesMemData_; }
    MemData& DBSetupMemData() { return dbSetupMemData_; }
    MemData& SourceMemData() { return sourceMemData_; }
    MemData& DestMemData() { return destMemData_; }
    /// The copy of the target list, brought up to date when it is read.
    MemData& DestMemDataCopy();
    MemData& OrigMemData() { return origMemData_; }
    MemData& AutoLookupMemData() { return autoLookupMemData_; }
    TStatView& StatView() { return statView_; }

    // --- ports ------------------------------------------------------------------------
    /// Replaces the ports; the engine does not report its current state anew.
    void setPorts(EnginePorts ports);
    const EnginePorts& ports() const { return ports_; }

    // --- state the window shows ---------------------------------------------------
    /// Whether the side's connection is connected.
    bool Connected(Side side) const;
    /// Rows loaded into the side's list when it was opened (for the target,
    /// the count right after loading, not updated by edits); nullopt while
    /// the side is not open.
    std::optional<qsizetype> RecordCount(Side side) const;
    /// The counts of the comparison last shown; nullopt when cleared.
    const std::optional<ComparisonCounts>& Counts() const { return statView_.Counts(); }

    // --- engine state -------------------------------------------------------------
    bool Posting() const { return posting_; }
    bool LoadingData() const { return loadingData_; }
    bool FillDefaults() const { return !loadingData_; }
    const QStringList& SourcePositions() const { return sourcePositions_; }
    const QStringList& TargetPositions() const { return targetPositions_; }
    int InitialTargetFieldCount() const { return initialTargetFieldCount_; }
    bool Compared() const { return compared_; }
    bool AliasHeaderPending() const { return aliasHeaderPending_; }
    void setAliasHeaderPending(bool v) { aliasHeaderPending_ = v; }
    bool LoadingTableSetups() const { return loadingTableSetups_; }
    void setLoadingTableSetups(bool v) { loadingTableSetups_ = v; }
    /// The current row of the table-setup list as a value, read anew at
    /// each call (an operation reads it once). Malformed comparison rules
    /// raise Error naming the table setup and the rule.
    TableSetup CurrentTableSetup() const;
    /// The columns the last comparison of the target list compared, with
    /// their rules; what the grid colours follow.
    const ComparedColumns& MarksColumns() const { return marksColumns_; }

    // --- setup lists and default files ---------------------------------------------
    /// Opens the two setup lists and fills them when empty, from the default
    /// files in the current folder when asked to.
    void PrepareTableLists(bool useDefaultFiles);
    /// Posts pending edits of both setup lists and writes the default files.
    void SaveDefaultFiles();
    /// Makes the table setup with exactly that name current.
    bool FindTableSetup(const QString& name);
    /// Replaces both setup lists with a project's aliases and table setups
    /// (in node order, DisplayOrder 1, 2, ...); closes the compared lists.
    void LoadTableSetups(TPrjData& project);
    static QString defaultTablesFile() { return QStringLiteral("DefaultTables.txt"); }
    static QString defaultDBSetupFile() { return QStringLiteral("DefaultDBSetup.txt"); }

    // --- positions and copies -----------------------------------------------------
    void PushSourcePosition();
    void PopSourcePosition();
    void PushTargetPosition();
    void PopTargetPosition();
    void SnapshotOriginal();
    void RebuildTargetCopy();
    void CopyColumns(MemData& list, const MemData& from);
    void CopyColumns(MemData& list, const Query& from);
    void RemoveDataColumns(MemData& list);
    void RemoveLookupColumns(MemData& list);

    // --- connecting, opening, closing -----------------------------------------------
    /// Connects the side unless it is connected; a failure shows the
    /// database's message and raises SilentAbort. Reports connectedChanged.
    void ConnectSource();
    void ConnectTarget();
    /// Closes the side's query and disconnects; reports connectedChanged.
    void DisconnectSource();
    void DisconnectTarget();
    /// Connects, runs the side's query, loads its rows and compares. A failed
    /// load shows its message and closes the side (the outcome says so); a
    /// failed connection raises SilentAbort after its message.
    OpenOutcome OpenSource();
    OpenOutcome OpenTarget();
    /// OpenSource then OpenTarget, with the same lists, marks and messages,
    /// but both sides read at once, each on its own connection and thread
    /// where its driver allows. Until both are read the lists and queries
    /// stay as they were: a query that fails to run or to be read shows its
    /// side's message and leaves them so (the outcome tells neither side
    /// opened), and a stop (BusyPort::cancelRequested, asked about every
    /// 30 ms while reading, with the progress) raises Cancelled. A failed
    /// connection raises SilentAbort after its message, before any query runs.
    OpenBothOutcome OpenBoth();
    /// Called on the reading thread after each row OpenBoth reads, with the
    /// side and the rows it read so far; empty by default. Tests slow one
    /// side down or make it fail with it.
    void setRowReadHook(std::function<void(Side, std::size_t rows)> hook) {
        rowReadHook_ = std::move(hook);
    }
    void CloseSource();
    void CloseTarget();
    void CloseBoth();
    /// Fills AutoLookupMemData with the lookup definitions of the current
    /// table setup of the project last loaded (LoadTableSetups); without a
    /// project the list is left as it is.
    void LoadLookupDefinitions();
    /// Adds to the closed target list the lookup column that the current row
    /// of AutoLookupMemData defines, with the rows its lookup query read
    /// (OpenTarget reads them before the target query runs, as some
    /// databases serve one query at a time on a connection; otherwise they
    /// are read now). A lookup query the database refuses is reported and
    /// the column left out; other failures are passed on.
    void AddLookupColumn();
    void BuildTargetColumns();
    /// The project given to LoadTableSetups is closed: it is forgotten and
    /// its lookup definitions no longer give lookup columns. PrepareTableLists
    /// does the same, as it runs only while no project is open.
    void ProjectClosed();
    /// Whether opening the target adds lookup columns (the default); a run
    /// that shows no rows (the command-line tool) leaves them out, as they
    /// change neither the comparison nor the statements.
    void setLookupColumnsWanted(bool wanted) { lookupColumnsWanted_ = wanted; }
    bool lookupColumnsWanted() const { return lookupColumnsWanted_; }

    // --- comparing --------------------------------------------------------------------
    /// Marks both lists against each other; returns the target list's counts
    /// (nullopt while it is closed). The statistics are not shown by it.
    std::optional<ComparisonCounts> CompareAll();
    /// CompareAll for lists that did not change but whose comparison did
    /// (the comparison rules): the rows' update marks stay as they are, as
    /// no row was edited, and the statistics are shown.
    void CompareAgain();
    void CompareTarget();
    void MarkSourceOnly();
    int KeyFieldCount() const;
    QString KeyFieldName(int i) const;
    /// Makes the row of `list` whose key equals the key of `keyList`'s current
    /// row current. Shows a message and aborts silently on a missing or null
    /// key unless tolerant.
    bool LocateMatch(MemData& list, MemData& keyList, bool tolerant);
    /// The key values of the current row as text, or nothing for a null key
    /// when tolerant.
    std::optional<QStringList> KeyValues(MemData& list, bool tolerant);
    /// Position in `list` of the row whose key equals the key of
    /// `keyList`'s row at `keyPos`, by the comparison's own key rule; -1 when
    /// there is none, a key field is missing or null. Moves nothing and
    /// shows no message, so a grid can ask while it paints.
    int MatchingRow(const MemData& list, const MemData& keyList, int keyPos);
    void SyncSourceToTarget();
    void SyncTargetToSource();
    void UpdateStatistics();
    /// The five counts over the target list's marks; nullopt while it is closed.
    std::optional<ComparisonCounts> TargetCounts() const;

    /// Passes a long run's progress on to the window.
    void reportProgress(const QString& text) { busyPort().progress(text); }

    // --- statements ------------------------------------------------------------------
    /// Writes the header and the UPDATE, INSERT and DELETE statements of the
    /// target list's marks into the script editor, emptying it first when asked.
    void ScriptCurrentTableSetup(bool clearFirst);
    void WriteUpdateStatement();
    void WriteInsertStatement();
    void WriteDeleteStatement();
    /// The literal of a target list column's value in the target's dialect.
    QString SqlLiteral(int field) const;
    static QString QuoteSqlText(const QString& text);
    /// "Make script for current merge tab".
    void MakeScript();

    // --- merge commands (the target list only; the database follows by script) ---
    /// "Mark all target records for deletion" (false) or "Mark 'target only'
    /// records for deletion" (true).
    void MarkTargetForDeletion(bool onlyTargetOnly);
    /// Appends the current source row to the target list as a new row.
    void CopySourceRecordToTarget();
    void CopySourceOnlyRecordsToDest();
    void CopySelectedSourceOnlyRecordsToDestination();
    void ChangeRecsWithDifferencesToEqualSource();
    /// Change, copy, then mark target-only rows for deletion.
    void ChangeDataToEqualSource();
    /// Change, then copy.
    void ChangeDataToEqualSourceNoDelete();

    // --- event handlers -------------------------------------------------------------
    void TablesMemDataAfterPost();
    void TablesMemDataAfterScroll();
    void DestMemDataAfterPost();
    void DestMemDataNewRecord();
    void DBSetupMemDataSourceDBAliasChange();
    void DBSetupMemDataDestDBAliasChange();

    /// Field indexes of the table-setup and database-setup lists.
    struct TableFields {
        int Name, SourceQuerySQL, DestQuerySQL, PrimaryKeySpec, DestTableName, DisplayOrder,
            ScriptOn, ScriptTableChanged, CompareRules;
    };
    const TableFields& tableFields() const { return tf_; }
    int sourceDBAliasField() const { return sourceAliasField_; }
    int destDBAliasField() const { return destAliasField_; }
    /// Field indexes of the flag columns.
    int fieldOnlyInSource() const { return onlyInSource_; }
    int fieldOnlyInDest() const { return onlyInDest_; }
    int fieldNewField() const { return newField_; }
    int fieldUpdateField() const { return updateField_; }
    int fieldDel() const { return del_; }
    int fieldDifference() const { return difference_; }

    // --- comparing inside the databases (TDMInDatabase.cpp) ------------------------
    /// The database-setup list's "compare inside the databases" column:
    /// true when set, null otherwise (so that the default file and the
    /// project leave it out).
    int compareInDatabaseField() const { return inDatabaseField_; }
    /// Whether the database setup asks Open Source && Target to let the
    /// databases compare first.
    bool CompareInDatabase() const;
    /// Why the aliases' databases or the current table setup's comparison
    /// rules do not allow comparing inside the databases; "" when they do,
    /// and also when an alias cannot be resolved (opening names it).
    QString InDatabaseRefusal();
    /// CompareInDatabase, and nothing refuses it.
    bool InDatabaseWanted() { return CompareInDatabase() && InDatabaseRefusal().isEmpty(); }
    /// Segments that differ are split further while their rows are more
    /// than `loadBudget`; `firstBits` sizes the first pass (0: from the
    /// rows). See InDatabaseCompare; nullopt keeps its defaults.
    void setInDatabaseTuning(std::optional<qint64> loadBudget, std::optional<int> firstBits) {
        inDatabaseBudget_ = loadBudget;
        inDatabaseFirstBits_ = firstBits;
    }
    /// Opens both sides of the current table setup after its databases
    /// compared it: only the rows of segments that differ are loaded, and
    /// the rows left out are kept as Unloaded counts. The table setup's
    /// queries are restricted only while the sides open: the list's row,
    /// the window and the project keep the queries the user typed. Raises
    /// as InDatabaseCompare and OpenSource do.
    InDatabaseCompare::Outcome OpenBothInDatabase();
    /// Opens one side again while the other holds only the rows of the
    /// segments OpenBothInDatabase found different: this side is restricted
    /// to the same segments, as all of its rows would show the other side's
    /// unloaded ones as missing. False (nothing done) when no such
    /// restriction holds: the ordinary open is due. Raises Error when the
    /// table setup or the aliases changed since, which the restriction no
    /// longer fits.
    bool OpenSideRestricted(Side side);

private:
    using KeyPlan = qm::KeyPlan;
    /// What writing the UPDATE statements needs, resolved once for a pass
    /// over many rows: the target table and, in query order, the columns an
    /// UPDATE may set (the single key named by the whole spec left out).
    struct UpdatePlan {
        QString table;
        struct Column {
            int column;      // in the target list
            int origColumn;  // in the snapshot of the target as read; -1 if missing
        };
        std::vector<Column> columns;
        KeyPlan keyPlan;  // finds the current target row's snapshot
    };
    /// Target list columns the statements treat apart, from the target
    /// database's catalog (see GeneratedColumns), by column index.
    struct WriteRules {
        std::vector<bool> generated;       // never written
        std::vector<bool> identityAlways;  // INSERT with OVERRIDING SYSTEM VALUE, no UPDATE
        bool skipsUpdate(int column) const {
            const auto c = static_cast<std::size_t>(column);
            return (c < generated.size() && generated[c]) ||
                   (c < identityAlways.size() && identityAlways[c]);
        }
    };
    /// The rules of the current table setup's target table: those read when
    /// ScriptCurrentTableSetup began, or read now.
    WriteRules writeRules();
    UpdatePlan planUpdates(const WriteRules& rules) const;
    void writeUpdateStatement(const UpdatePlan& plan);
    void DataModuleCreate();
    void DataModuleDestroy();
    void createSetupLists();
    void createFlagColumns();
    void FillNewRecordDefaults();
    /// A target column that the source list lacks while it is open.
    bool targetOnly(int field) const;
    /// targetOnly of every target list column, by column index.
    std::vector<bool> targetOnlyColumns() const;
    /// The INSERT of the current target row; target-only columns the user
    /// did not set are left to the database's defaults.
    void writeInsertStatement(const std::vector<bool>& targetOnlyColumns, const WriteRules& rules);
    /// Whether the user assigned the value of that column of a new target row.
    bool userSet(int recId, int field) const;
    static std::uint64_t cellKey(int recId, int field) {
        return (static_cast<std::uint64_t>(static_cast<std::uint32_t>(recId)) << 32) |
               static_cast<std::uint32_t>(field);
    }
    void fillCopy(MemData& copy);
    void loadRows(MemData& list, Query& query, int newFieldColumn);
    /// Opens a side's list with its query's columns, lets `fill` put the
    /// rows in (read now, or read aside before) and compares it.
    void fillSource(const std::function<void()>& fill);
    void fillTarget(const std::function<void()>& fill);
    /// Runs one side's part of an open: a failure is shown naming the side
    /// and closes it, as does a stop (which goes on as Cancelled).
    void openingSide(Side side, const std::function<void()>& work);
    /// What opening a side does once its rows are in its list.
    void sourceLoaded();
    void targetLoaded();
    /// Puts rows read aside into a side's list, just opened with the
    /// columns of the query that read them.
    void adoptRows(MemData& list, const Query& query, std::unique_ptr<RowStore> rows);
    KeyPlan planKey(const MemData& list, const MemData& keyList) const;
    bool locateWithPlan(MemData& list, MemData& keyList, const KeyPlan& plan, bool tolerant);
    [[noreturn]] void keyMessage(const QString& text);
    /// Refuses, before anything is written, a script that would insert a row
    /// under another key than its source row's.
    void checkNewRowKeys();
    /// A value as a message shows it: its literal, shortened when long.
    static QString valueForMessage(const Value& value, FieldType type);
    /// Refuses a side whose rows repeat a key value, as a null key is refused;
    /// `query` tells how the side's database compares the key columns.
    void checkUniqueKey(const MemData& list, const Query& query, const QString& side);
    /// By target list column: whether it is a SQLite column of TEXT
    /// affinity, which stores a number as the number's text; empty when the
    /// target is not SQLite.
    std::vector<bool> targetTextAffinity() const;
    /// The columns compared between the open lists under the table setup.
    ComparedColumns currentComparedColumns(const TableSetup& setup) const;
    /// Key fields of the current table setup in `list`; empty if one is missing.
    std::vector<int> keyFieldsIn(const MemData& list) const;
    /// How the database that `query` read compares each key field.
    static std::vector<LooseKeys::Rule> keyRules(const MemData& list, const Query& query,
                                                 const std::vector<int>& fields);
    /// The key of row `pos` as a message shows it: "k = 1" or "(a = 1, b = 'x')".
    static QString keyForMessage(const MemData& list, int pos, const std::vector<int>& fields);
    /// The current table setup's key spec, read alone: cheap enough for
    /// paths that run while a grid paints.
    QString currentKeySpec() const;
    /// The target table of the script being written, or of the current
    /// table setup.
    QString targetTable() const;
    /// Marks of target rows worked out by CompareTarget while loading.
    enum : std::uint8_t { kMarkFound = 1, kMarkDifferent = 2 };
    void storeTargetMarks(const std::vector<std::uint8_t>& marks);
    void storeSourceMarks(const std::vector<bool>& found);
    /// What a merge did to the target list since the stored marks were
    /// worked out, so that marking again needs to look only at those rows.
    struct MergeTrack {
        bool usable = false;    // the marks were current when the merge began
        std::vector<int> rows;  // RecIds of target rows changed or added
        /// Source rows copied (by position), each with its copy's RecId.
        std::vector<std::pair<int, int>> copies;
        std::vector<FieldType> target;  // column types when the merge began
        std::vector<FieldType> source;
    };
    /// Whether both lists' marks are those a comparison would give now.
    bool marksCurrent() const;
    MergeTrack startMergeTrack() const;
    /// Whether the marks can be renewed from the track, not worked out anew.
    bool trackHolds(const MergeTrack& track) const;
    void compareTarget(const MergeTrack* track);
    void markSourceOnly(const MergeTrack* track);
    void changeRecsWithDifferences(MergeTrack* track);
    void copySourceOnlyRecords(MergeTrack* track);
    /// The columns compared, and how, at the last comparison, and the key
    /// and rules it used: other rules mean a full new comparison.
    ComparedColumns marksColumns_;
    QString marksKeySpec_;
    ComparisonRules marksRules_;
    /// Change counts of both lists (target, source) as marks were worked
    /// out and stored; marksAt_ once both sides' marks are stored.
    using ListChanges = std::pair<std::uint64_t, std::uint64_t>;
    ListChanges listChanges() const;
    ListChanges targetComputedAt_;
    ListChanges sourceComputedAt_;
    std::optional<ListChanges> targetMarksAt_;
    std::optional<ListChanges> marksAt_;
    QString keyConditions();
    /// The key columns of the target list while ScriptCurrentTableSetup
    /// runs; empty until first needed.
    std::optional<std::vector<int>> scriptKeyColumns_;
    /// The write rules while ScriptCurrentTableSetup runs.
    std::optional<WriteRules> scriptWriteRules_;
    /// The table setup while ScriptCurrentTableSetup runs.
    std::optional<TableSetup> scriptSetup_;
    /// The dialect statements are written in: the target's, once connected.
    SqlDialect targetDialect() const;
    void addUtcOffset(QString& literal, int field, FieldType type) const;
    /// A target list column's name as it stands in a statement.
    QString sqlName(int field) const;
    void pushPosition(MemData& list, QStringList& stack);
    void popPosition(MemData& list, QStringList& stack);
    void connectSide(Side side, Connection& connection, int aliasField);
    void setRecordCount(Side side, std::optional<qsizetype> records);
    // The ports, or ones that do nothing where none was given.
    EngineStateListener& statePort() const;
    GridPort& gridPort() const;
    BusyPort& busyPort() const;
    ScriptPort& scriptPort() const;
    // --- SQLite values of any storage class ---
    bool sideIsSqlite(const Connection& connection) const;
    /// Makes column f of a list a Variant column, in every list sharing its rows.
    void widenColumn(MemData& list, int f);
    /// Where both sides are SQLite, a column that holds values of several
    /// storage classes on one side does so on the other too, so that values
    /// are compared with their classes.
    void alignVariantColumns();
    /// Before the current source row's value of sourceField is copied into
    /// target column f: a SQLite target column takes it with its storage
    /// class where its own type cannot hold it.
    void prepareTargetColumn(int f, int sourceField);
    /// The current source row's value of a column in the type of target
    /// column f; a value that type cannot hold is refused with a message
    /// naming the field, the value and the row.
    Value sourceValueForTarget(int f, int sourceField);
    /// Refuses the current source row's value of a column for target column
    /// f, naming the field, the value and what the column holds.
    [[noreturn]] void refuseSourceValue(int f, int sourceField) const;
    /// Whether a column name is one of the table setup's key fields.
    bool isKeyColumn(const QString& name) const;
    // --- lookup columns ---
    /// Decides which rows of AutoLookupMemData give a column: one per target
    /// column, named after a column the query has; the others are reported.
    void chooseLookupColumns();
    /// Adds the lookup column chosen for the target column with that name.
    void addLookupColumnsFor(const QString& fieldName);
    /// Reads the lookup query of every row of AutoLookupMemData.
    void readLookupSources();
    /// Reads the lookup query of the current row of AutoLookupMemData; a
    /// query the database refuses is reported and gives none.
    std::shared_ptr<LookupSource> readLookupSource();
    /// What long work asks every thousand rows or so: whether the busy
    /// port wants it stopped.
    RowMarker::StopAsked stopAsked();

    EnginePorts ports_;
    MessageViewer& messages_;
    std::optional<qsizetype> sourceRecords_;
    std::optional<qsizetype> targetRecords_;
    TStatView statView_;
    Session session_;
    Connection sourceDatabase_;
    Connection destDatabase_;
    Query sourceQuery_;
    Query destQuery_;
    MemData tablesMemData_{QStringLiteral("TablesMemData")};
    MemData dbSetupMemData_{QStringLiteral("DBSetupMemData")};
    MemData sourceMemData_{QStringLiteral("SourceMemData")};
    MemData destMemData_{QStringLiteral("DestMemData")};
    MemData destMemDataCopy_{QStringLiteral("DestMemDataCopy")};
    MemData origMemData_{QStringLiteral("OrigMemData")};
    KeyMatcher keyMatcher_{messages_};
    MemData autoLookupMemData_{QStringLiteral("AutoLookupMemData")};
    /// The project whose table setups the lists hold; none while no project
    /// is open. Not owned.
    TPrjData* project_ = nullptr;
    bool lookupColumnsWanted_ = true;
    /// Target column name (upper case) -> RecId of the AutoLookupMemData row
    /// that gives it its lookup column, while the target columns are built.
    std::unordered_map<QString, int> chosenLookups_;
    /// RecId of an AutoLookupMemData row -> the rows its lookup query read,
    /// none when the query failed (and was reported); while opening.
    std::unordered_map<int, std::shared_ptr<LookupSource>> lookupSources_;

    bool posting_ = false;
    bool loadingData_ = false;
    QStringList sourcePositions_;
    QStringList targetPositions_;
    int initialTargetFieldCount_ = 0;
    bool compared_ = false;
    bool aliasHeaderPending_ = false;
    bool loadingTableSetups_ = false;
    bool copyStale_ = false;
    bool deferMarks_ = false;
    bool statisticsPending_ = false;
    bool keepUpdateMarks_ = false;  // while CompareAgain runs
    /// Writes statistics held back while the target's display was frozen;
    /// after a row of the target list is deleted, renews the copy (when next
    /// read) and the counts, so that both follow the list.
    class TargetDisplayWatch final : public ListObserver {
    public:
        explicit TargetDisplayWatch(TDM& dm) : dm_(dm) {}
        void listChanged() override;
        void rowsRemoved(int pos, int count) override;

    private:
        TDM& dm_;
    };
    TargetDisplayWatch targetWatch_{*this};  // CompareAll stores both sides' marks at the end
    std::vector<std::uint8_t> pendingTargetMarks_;
    /// Cells of new target rows whose value the user assigned (cellKey).
    /// Values the engine assigns (defaults, copies from the source) are not
    /// counted: a target-only column no one set is left to the database.
    std::unordered_set<std::uint64_t> userSetCells_;
    /// New target rows (by RecId) whose key a copy from the source changed,
    /// with the message that refuses their script.
    std::unordered_map<int, QString> changedKeys_;
    bool engineAssigning_ = false;
    std::vector<bool> pendingSourceFound_;

    TableFields tf_{};
    int sourceAliasField_ = -1;
    int destAliasField_ = -1;
    int onlyInSource_ = -1;
    int onlyInDest_ = -1;
    int newField_ = -1;
    int updateField_ = -1;
    int del_ = -1;
    int difference_ = -1;
    std::function<void(Side, std::size_t)> rowReadHook_;

    /// The queries both sides were opened with by OpenBothInDatabase, and
    /// what they were made from; `open` tells which side's list still holds
    /// the rows so loaded (an open or close of a side by other means clears it).
    struct InDatabaseRestriction {
        QString setupName, keySpec, sourceAlias, targetAlias;
        QString sourceQuery, targetQuery;            // as the table setup holds them
        QString restrictedSource, restrictedTarget;  // as the sides were opened
        qint64 sourceUnloaded = 0, targetUnloaded = 0;
        bool sourceOpen = false, targetOpen = false;
    };
    /// What OpenSideRestricted compares with the restriction.
    InDatabaseRestriction currentInDatabaseInputs() const;
    /// Runs `open` with the current table setup's queries replaced by the
    /// given ones, then puts the table setup's own back, whatever happens.
    template <typename Open>
    void withQueries(const QString* source, const QString* target, Open open);
    /// A side was opened or closed other than under the restriction.
    void sideLeftRestriction(Side side);
    void showUnloaded();
    int inDatabaseField_ = -1;
    std::optional<qint64> inDatabaseBudget_;
    std::optional<int> inDatabaseFirstBits_;
    std::optional<InDatabaseRestriction> inDatabase_;

    // --- stopping a merge ---
    /// What a merge command changed in both lists (TDMMerge.cpp), so that a
    /// stop puts it back; null while no merge command runs.
    struct MergeJournal;
    MergeJournal* mergeJournal_ = nullptr;
    /// Runs a merge command: when it is stopped (Cancelled), the lists, their
    /// marks and the statistics are put back as they were before it began.
    /// A command inside another journals into the outer one.
    void journaled(const std::function<void()>& command);
    void restore(const MergeJournal& journal);
    /// Long loops ask here every 1024 rows whether to stop.
    void cancelPoint(std::size_t row) const;
    /// Notes the target list's current row as added by the merge.
    void noteAdded();
    void markTargetForDeletion(bool onlyTargetOnly);
    void copySelectedSourceOnlyRecords();
};

}  // namespace qm

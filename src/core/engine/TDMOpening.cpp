// Connecting, opening and closing the two sides: the queries run, their
// rows loaded into the lists and compared.
#include "common/Cancellation.h"
#include "common/Errors.h"
#include "common/ScopeGuards.h"
#include "engine/SideReader.h"
#include "engine/TDM.h"
#include "engine/TableSetupQuery.h"
#include "list/LookupSource.h"

using namespace Qt::StringLiterals;

namespace qm {
namespace {

// Columns are found by name without regard to case, in the lists and in the
// statements, so a query whose column names are not told apart that way
// cannot be compared; the message says which column to rename.
void checkColumnNames(const Query& query, const QString& side) {
    for (int i = 0; i < query.fieldCount(); ++i) {
        const QString& name = query.field(i).name;
        if (name.isEmpty()) {
            throw Error(
                u"The %1 query returns a column without a name (column %2); give it a name "
                "with AS"_s.arg(side)
                    .arg(i + 1));
        }
        for (int j = 0; j < i; ++j) {
            const QString& earlier = query.field(j).name;
            if (earlier == name) {
                throw Error(
                    u"The %1 query returns more than one column named \"%2\"; give each "
                    "column its own name with AS"_s.arg(side, name));
            }
            if (earlier.compare(name, Qt::CaseInsensitive) == 0) {
                throw Error(
                    u"The %1 query returns the columns \"%2\" and \"%3\", whose names "
                    "differ only in case; columns are matched by name without regard to "
                    "case, so give each its own name"_s.arg(side, earlier, name));
            }
        }
    }
}

}  // namespace

// --- connecting ------------------------------------------------------------------------

void TDM::connectSide(Side side, Connection& connection, int aliasField) {
    if (connection.isConnected()) {
        statePort().connectedChanged(side, true);
        return;
    }
    try {
        connection.setAliasName(dbSetupMemData_.isOpen() ? dbSetupMemData_.asText(aliasField)
                                                         : QString());
        connection.connect();
    } catch (const Error& e) {
        statePort().connectedChanged(side, false);
        messages_.showError(e.message());
        throw SilentAbort();
    }
    statePort().connectedChanged(side, true);
}

void TDM::ConnectSource() {
    connectSide(Side::Source, sourceDatabase_, sourceAliasField_);
}

void TDM::ConnectTarget() {
    connectSide(Side::Target, destDatabase_, destAliasField_);
}

void TDM::DisconnectSource() {
    sourceQuery_.close();
    sourceDatabase_.disconnect();
    statePort().connectedChanged(Side::Source, false);
}

void TDM::DisconnectTarget() {
    destQuery_.close();
    destDatabase_.disconnect();
    statePort().connectedChanged(Side::Target, false);
}

// --- opening and closing ------------------------------------------------------------------

void TDM::loadRows(MemData& list, Query& query, int newFieldColumn) {
    // Field i of the query goes to the list column of the same name.
    std::vector<int> storeCols;
    for (int i = 0; i < query.fieldCount(); ++i) {
        const QueryField& q = query.field(i);
        if (!isUsableType(q.type)) {
            throw Error(u"Field '%1' has a data type that cannot be held in a list (%2)"_s.arg(
                q.name, fieldTypeName(q.type)));
        }
        const int f = list.dataFieldIndex(q.name);
        if (list.storeColumn(f) < 0) {
            throw Error(u"Field '%1' cannot be modified"_s.arg(list.field(f).name));
        }
        storeCols.push_back(list.storeColumn(f));
    }
    const int newFieldStore = newFieldColumn >= 0 ? list.storeColumn(newFieldColumn) : -1;
    const QString what = &list == &sourceMemData_ ? u"source"_s : u"target"_s;
    std::size_t loaded = 0;
    while (!query.eof()) {
        if (++loaded % 100000 == 0) {
            busyPort().progress(u"Loading %1: %2 rows"_s.arg(what).arg(loaded));
        }
        cancelPoint(loaded);
        const std::uint32_t row = list.beginRawRow();
        for (;;) {
            try {
                query.readRow(list.rawStore(), row, storeCols);
                break;
            } catch (const FieldNeedsVariant& e) {
                // A SQLite value of another storage class: the column takes
                // values of every class from now on, the rows read so far
                // converted once, and the row is read again.
                query.widenField(e.field());
                list.widenToVariant(list.fieldIndex(query.field(e.field()).name));
            }
        }
        if (newFieldStore >= 0) {
            list.rawStore().setBool(row, static_cast<std::size_t>(newFieldStore), false);
        }
        list.commitRawRow(row);
        query.next();
    }
}

namespace {

// Both sides report a failed open alike, naming the side and its alias, so
// that a message read on its own tells which database it is about.
QString openFailure(const QString& side, const Connection& connection, const std::exception& e) {
    const auto* err = dynamic_cast<const Error*>(&e);
    return u"Failed to open %1 dataset (alias \"%2\"). System message: %3."_s.arg(
        side, connection.aliasName(), err ? err->message() : QString::fromUtf8(e.what()));
}

}  // namespace

OpenOutcome TDM::OpenSource() {
    // Read before anything opens: malformed rules are refused with their
    // own message, the lists left as they are.
    const TableSetup setup = CurrentTableSetup();
    loadingData_ = true;
    Finally done([this] {
        loadingData_ = false;
        busyPort().progress(QString());
        UpdateStatistics();
        statePort().stateChanged();
    });
    ConnectSource();
    compared_ = false;
    if (sourceMemData_.isOpen()) {
        CloseSource();
    }
    openingSide(Side::Source, [&] {
        sourceQuery_.setSql(tableSetupQuery(setup.sourceQuery, setup.name, u"source"_s));
        sourceQuery_.open();
        checkColumnNames(sourceQuery_, u"source"_s);
        fillSource([this] { loadRows(sourceMemData_, sourceQuery_, -1); });
    });
    return {sourceMemData_.isOpen(), sourceRecords_};
}

OpenOutcome TDM::OpenTarget() {
    const TableSetup setup = CurrentTableSetup();  // as in OpenSource
    loadingData_ = true;
    Finally done([this] {
        loadingData_ = false;
        busyPort().progress(QString());
        UpdateStatistics();
        statePort().stateChanged();
    });
    ConnectTarget();
    if (destMemData_.isOpen()) {
        CloseTarget();
    }
    openingSide(Side::Target, [&] {
        LoadLookupDefinitions();
        readLookupSources();
        destQuery_.setSql(tableSetupQuery(setup.targetQuery, setup.name, u"target"_s));
        destQuery_.open();
        fillTarget([this] { loadRows(destMemData_, destQuery_, newField_); });
    });
    return {destMemData_.isOpen(), targetRecords_};
}

void TDM::fillSource(const std::function<void()>& fill) {
    CopyColumns(sourceMemData_, sourceQuery_);
    gridPort().columnsCreated(Side::Source);
    sourceMemData_.setReadOnly(false);
    sourceMemData_.open();
    sourceMemData_.first();
    {
        PushSourcePosition();
        Finally pop([this] { PopSourcePosition(); });
        fill();
    }
    sourceLoaded();
}

void TDM::fillTarget(const std::function<void()>& fill) {
    BuildTargetColumns();
    lookupSources_.clear();
    gridPort().columnsCreated(Side::Target);
    destMemData_.open();
    {
        PushTargetPosition();
        Finally pop([this] { PopTargetPosition(); });
        fill();
    }
    targetLoaded();
}

void TDM::openingSide(Side side, const std::function<void()>& work) {
    const bool source = side == Side::Source;
    const auto close = [&] { source ? CloseSource() : CloseTarget(); };
    try {
        work();
    } catch (const SilentAbort&) {
        close();
    } catch (const Cancelled&) {
        close();  // no half-read list is left open
        throw;
    } catch (const std::exception& e) {
        messages_.showError(source ? openFailure(u"source"_s, sourceDatabase_, e)
                                   : openFailure(u"target"_s, destDatabase_, e));
        close();
    }
}

void TDM::sourceLoaded() {
    checkUniqueKey(sourceMemData_, sourceQuery_, u"source"_s);
    sourceMemData_.setReadOnly(true);
    setRecordCount(Side::Source, sourceMemData_.recordCount());
    gridPort().refit(Side::Source);
    CompareAll();
    RebuildTargetCopy();
}

void TDM::targetLoaded() {
    checkUniqueKey(destMemData_, destQuery_, u"target"_s);
    gridPort().refit(Side::Target);
    RebuildTargetCopy();
    CompareAll();
    setRecordCount(Side::Target, destMemData_.recordCount());
    SnapshotOriginal();
    RebuildTargetCopy();
}

// --- both sides at once -----------------------------------------------------------------

namespace {

// The storage classes of a list's own stored columns (the flags), which
// come before its data columns in its store.
std::vector<StorageClass> ownStoredColumns(const MemData& list) {
    std::vector<StorageClass> classes;
    for (int f = 0; f < list.fieldCount(); ++f) {
        if (list.isOwnColumn(f) && list.storeColumn(f) >= 0) {
            classes.push_back(storageClassOf(list.field(f).type));
        }
    }
    return classes;
}

}  // namespace

void TDM::adoptRows(MemData& list, const Query& query, std::unique_ptr<RowStore> rows) {
    // The reader put field i after the own columns; the list must agree.
    const auto own = static_cast<int>(ownStoredColumns(list).size());
    for (int f = 0; f < list.fieldCount(); ++f) {
        if (list.isOwnColumn(f) && list.storeColumn(f) >= own) {
            throw InternalError(u"%1: flag column %2 follows the data"_s.arg(list.name()).arg(f));
        }
    }
    for (int i = 0; i < query.fieldCount(); ++i) {
        if (list.storeColumn(list.dataFieldIndex(query.field(i).name)) != own + i) {
            throw InternalError(
                u"%1: field %2 is not where it was read"_s.arg(list.name(), query.field(i).name));
        }
    }
    list.adoptRows(std::move(rows));
}

OpenBothOutcome TDM::OpenBoth() {
    const TableSetup setup = CurrentTableSetup();  // as in OpenSource
    loadingData_ = true;
    Finally done([this] {
        loadingData_ = false;
        busyPort().progress(QString());
        UpdateStatistics();
        statePort().stateChanged();
    });
    // A login prompt is answered here, before any reading starts.
    ConnectSource();
    ConnectTarget();

    // The queries run on queries of their own and their rows are read into
    // stores of their own: the lists and the open queries stay as they are
    // until both sides are read.
    Query sourceQuery(sourceDatabase_);
    Query targetQuery(destDatabase_);
    std::optional<SideReader> sourceReader;
    std::optional<SideReader> targetReader;
    try {
        sourceQuery.setSql(tableSetupQuery(setup.sourceQuery, setup.name, u"source"_s));
        sourceQuery.open();
        checkColumnNames(sourceQuery, u"source"_s);
        sourceReader.emplace(sourceQuery, ownStoredColumns(sourceMemData_), -1);
    } catch (const SilentAbort&) {
        return {};
    } catch (const std::exception& e) {
        messages_.showError(openFailure(u"source"_s, sourceDatabase_, e));
        return {};
    }
    // Lookup queries run on the target's connection before its query, as
    // some databases serve one query at a time on a connection.
    std::unordered_map<int, std::shared_ptr<LookupSource>> lookups;
    try {
        LoadLookupDefinitions();
        readLookupSources();
        lookups = std::exchange(lookupSources_, {});
        targetQuery.setSql(tableSetupQuery(setup.targetQuery, setup.name, u"target"_s));
        targetQuery.open();
        checkColumnNames(targetQuery, u"target"_s);
        targetReader.emplace(targetQuery, ownStoredColumns(destMemData_),
                             newField_ >= 0 ? destMemData_.storeColumn(newField_) : -1);
    } catch (const SilentAbort&) {
        lookupSources_.clear();
        return {};
    } catch (const std::exception& e) {
        lookupSources_.clear();
        messages_.showError(openFailure(u"target"_s, destDatabase_, e));
        return {};
    }
    if (rowReadHook_) {
        sourceReader->afterRow = [hook = rowReadHook_](std::size_t n) { hook(Side::Source, n); };
        targetReader->afterRow = [hook = rowReadHook_](std::size_t n) { hook(Side::Target, n); };
    }
    QString shown;
    try {
        readBothSides(*sourceReader, *targetReader, [&] {
            const QString text =
                u"Loading source: %1 rows, target: %2 rows"_s.arg(sourceReader->rowsRead())
                    .arg(targetReader->rowsRead());
            if (text != shown) {
                shown = text;
                busyPort().progress(text);
            }
            return busyPort().cancelRequested();
        });
    } catch (const Cancelled&) {
        throw;
    } catch (const std::exception& e) {
        const bool source = sourceReader->failure() != nullptr;
        messages_.showError(source ? openFailure(u"source"_s, sourceDatabase_, e)
                                   : openFailure(u"target"_s, destDatabase_, e));
        return {};
    }

    // Both are read: from here on, as OpenSource then OpenTarget.
    compared_ = false;
    if (sourceMemData_.isOpen()) {
        CloseSource();
    }
    if (destMemData_.isOpen()) {
        CloseTarget();
    }
    sourceQuery_.swap(sourceQuery);
    destQuery_.swap(targetQuery);
    // A stop while the rows read are compared finds the old lists gone by
    // now: no half-marked list is left open either.
    OpenBothOutcome outcome;
    openingSide(Side::Source, [&] {
        fillSource([&] { adoptRows(sourceMemData_, sourceQuery_, sourceReader->takeRows()); });
    });
    outcome.source = {sourceMemData_.isOpen(), sourceRecords_};
    try {
        openingSide(Side::Target, [&] {
            lookupSources_ = std::move(lookups);
            fillTarget([&] { adoptRows(destMemData_, destQuery_, targetReader->takeRows()); });
        });
    } catch (const Cancelled&) {
        CloseSource();
        throw;
    }
    outcome.target = {destMemData_.isOpen(), targetRecords_};
    return outcome;
}

void TDM::BuildTargetColumns() {
    checkColumnNames(destQuery_, u"target"_s);
    destMemData_.close();
    userSetCells_.clear();
    changedKeys_.clear();
    chooseLookupColumns();
    for (int i = 0; i < destQuery_.fieldCount(); ++i) {
        const QueryField& q = destQuery_.field(i);
        if (!isUsableType(q.type)) {
            continue;
        }
        FieldDef f;
        f.name = q.name;
        f.type = q.type;
        f.size = q.size;
        const int column = destMemData_.addField(f);
        // Only assignments to new rows are noted; edits of loaded rows
        // become UPDATEs, which name changed columns anyway.
        destMemData_.setFieldChangeHandler(column, [this, column] {
            MemData& d = destMemData_;
            if (!engineAssigning_ && (d.state() == ListState::Insert || d.asBool(newField_))) {
                userSetCells_.insert(cellKey(static_cast<int>(d.ref(0).i), column));
            }
        });
        addLookupColumnsFor(q.name);
    }
}

void TDM::CloseSource() {
    sourceMemData_.close();
    gridPort().columnsRemoved(Side::Source);
    RemoveDataColumns(sourceMemData_);
    sourceQuery_.close();
    setRecordCount(Side::Source, std::nullopt);
    gridPort().refit(Side::Source);
}

void TDM::CloseTarget() {
    lookupSources_.clear();
    destMemData_.close();
    gridPort().columnsRemoved(Side::Target);
    RemoveDataColumns(destMemData_);
    RemoveLookupColumns(destMemData_);
    if (destMemData_.fieldCount() != initialTargetFieldCount_) {
        throw InternalError(u"Field count to big (%1) should be %2"_s.arg(destMemData_.fieldCount())
                                .arg(initialTargetFieldCount_));
    }
    destQuery_.close();
    destMemDataCopy_.close();
    origMemData_.close();
    copyStale_ = false;
    setRecordCount(Side::Target, std::nullopt);
    gridPort().refit(Side::Target);
}

void TDM::CloseBoth() {
    CloseSource();
    CloseTarget();
    statView_.Clear();
}

}  // namespace qm

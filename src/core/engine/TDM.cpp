#include "engine/TDM.h"

#include "common/Errors.h"
#include "common/ScopeGuards.h"
#include "engine/TableSetupQuery.h"
#include "list/DefaultFile.h"
#include "list/Frozen.h"
#include "list/LookupSource.h"
#include "project/TableSetup.h"

#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace qm {

namespace {

FieldDef textField(const QString& name, int size, const QString& label = {}) {
    FieldDef f;
    f.name = name;
    f.type = FieldType::String;
    f.size = size;
    f.displayLabel = label;
    return f;
}

FieldDef typedField(const QString& name, FieldType type, const QString& label = {}) {
    FieldDef f;
    f.name = name;
    f.type = type;
    f.displayLabel = label;
    return f;
}

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

TDM::TDM(EnginePorts ports, MessageViewer& messages)
    : messages_(messages),
      sourceDatabase_(u"ScrDB"_s, session_),
      destDatabase_(u"DestDB"_s, session_),
      sourceQuery_(sourceDatabase_),
      destQuery_(destDatabase_) {
    setPorts(ports);
    createSetupLists();
    createFlagColumns();
    DataModuleCreate();
}

TDM::~TDM() {
    destMemData_.removeObserver(&targetWatch_);
    DataModuleDestroy();
}

void TDM::createSetupLists() {
    MemData& t = tablesMemData_;
    tf_.Name = t.addField(textField(u"Name"_s, 255, u"Table Setup Name"_s));
    tf_.SourceQuerySQL = t.addField(textField(u"SourceQuerySQL"_s, 5000, u"Source Query SQL"_s));
    tf_.DestQuerySQL = t.addField(textField(u"DestQuerySQL"_s, 5000, u"Target Query SQL"_s));
    tf_.PrimaryKeySpec = t.addField(textField(u"PrimaryKeySpec"_s, 255, u"Primary Key"_s));
    tf_.DestTableName = t.addField(textField(u"DestTableName"_s, 255, u"Target Table Name"_s));
    tf_.DisplayOrder = t.addField(typedField(u"DisplayOrder"_s, FieldType::Integer, u"#"_s));
    tf_.ScriptOn = t.addField(typedField(u"ScriptOn"_s, FieldType::Boolean, u"Script Enabled"_s));
    tf_.ScriptTableChanged = t.addField(
        typedField(u"ScriptTableChanged"_s, FieldType::Boolean, u"Script Table Changed"_s));
    // Null until the table setup is given comparison rules.
    tf_.CompareRules =
        t.addField(typedField(TableSetup::rulesProperty(), FieldType::Memo, u"Comparison Rules"_s));
    t.setSortField(tf_.DisplayOrder);
    t.afterPost = [this] { TablesMemDataAfterPost(); };
    t.afterScroll = [this] { TablesMemDataAfterScroll(); };

    MemData& d = dbSetupMemData_;
    sourceAliasField_ = d.addField(textField(u"SourceDBAlias"_s, 255));
    destAliasField_ = d.addField(textField(u"DestDBAlias"_s, 255));
    d.setFieldChangeHandler(sourceAliasField_, [this] { DBSetupMemDataSourceDBAliasChange(); });
    d.setFieldChangeHandler(destAliasField_, [this] { DBSetupMemDataDestDBAliasChange(); });

    MemData& l = autoLookupMemData_;
    const int lookupName = l.addField(textField(u"LookupName"_s, 255));
    l.addField(textField(u"FieldName"_s, 255));
    l.addField(textField(u"LookupTableName"_s, 255));
    l.addField(textField(u"LookupKeyFieldName"_s, 255));
    l.addField(textField(u"LookupDisplayFieldName"_s, 255));
    l.addField(typedField(u"CustomLookupSQLQuery"_s, FieldType::Memo));
    l.setSortField(lookupName);
}

void TDM::createFlagColumns() {
    const auto flag = [](const QString& name, const QString& caption) {
        FieldDef f = typedField(name, FieldType::Boolean, caption);
        f.tag = kFlagTag;
        return f;
    };
    onlyInSource_ = sourceMemData_.addField(flag(u"OnlyInSource"_s, u"Local"_s));
    onlyInDest_ = destMemData_.addField(flag(u"OnlyInDest"_s, u"Local"_s));
    newField_ = destMemData_.addField(flag(u"NewField"_s, u"Ins."_s));
    updateField_ = destMemData_.addField(flag(u"UpdateField"_s, u"Upd."_s));
    del_ = destMemData_.addField(flag(u"Del"_s, u"Del"_s));
    difference_ = destMemData_.addField(flag(u"Difference"_s, u"Difference"_s));
    destMemData_.setSortField(0);  // RecId: rows added later come last
    destMemData_.afterPost = [this] { DestMemDataAfterPost(); };
    destMemData_.addObserver(&targetWatch_);
    destMemData_.onNewRecord = [this] { DestMemDataNewRecord(); };
}

void TDM::TargetDisplayWatch::listChanged() {
    if (dm_.statisticsPending_ && !dm_.destMemData_.controlsDisabled()) {
        dm_.UpdateStatistics();
    }
}

void TDM::TargetDisplayWatch::rowsRemoved(int, int) {
    dm_.RebuildTargetCopy();
    dm_.UpdateStatistics();
}

void TDM::DataModuleCreate() {
    sourcePositions_.clear();
    targetPositions_.clear();
    initialTargetFieldCount_ = destMemData_.fieldCount();
}

void TDM::DataModuleDestroy() {
    sourcePositions_.clear();
    targetPositions_.clear();
}

// --- setup lists and default files ----------------------------------------------------

namespace {

// Opens a setup list; when it is empty, fills it from its default file
// (the first row then in edit state) and returns true, or, without a file,
// returns false. A file without rows leaves one blank row in insert state.
bool openFromDefaultFile(MemData& list, bool useDefaultFile, const QString& file) {
    list.open();
    if (list.recordCount() > 0 || !useDefaultFile || !QFileInfo::exists(file)) {
        return false;
    }
    DefaultFile::load(list, file);
    if (list.recordCount() > 0) {
        list.first();
        list.edit();
    } else {
        list.insert();
    }
    return true;
}

}  // namespace

void TDM::PrepareTableLists(bool useDefaultFiles) {
    ProjectClosed();
    MemData& t = tablesMemData_;
    if (!openFromDefaultFile(t, useDefaultFiles, defaultTablesFile()) && t.recordCount() == 0) {
        t.insert();
        t.setAsText(tf_.SourceQuerySQL, u"SELECT * FROM "_s);
        t.setAsText(tf_.DestQuerySQL, u"SELECT * FROM "_s);
    }
    MemData& d = dbSetupMemData_;
    if (!openFromDefaultFile(d, useDefaultFiles, defaultDBSetupFile()) && d.recordCount() == 0) {
        d.insert();
    }
}

void TDM::SaveDefaultFiles() {
    if (!tablesMemData_.isOpen() || !dbSetupMemData_.isOpen()) {
        return;
    }
    tablesMemData_.post();
    dbSetupMemData_.post();
    if (tablesMemData_.recordCount() > 0) {
        DefaultFile::save(tablesMemData_, defaultTablesFile());
    }
    if (dbSetupMemData_.recordCount() > 0) {
        DefaultFile::save(dbSetupMemData_, defaultDBSetupFile());
    }
}

bool TDM::FindTableSetup(const QString& name) {
    if (!tablesMemData_.isOpen()) {
        return false;
    }
    return tablesMemData_.locate({tf_.Name}, {Value::fromText(name)});
}

void TDM::TablesMemDataAfterPost() {
    MemData& t = tablesMemData_;
    if (!t.isNull(tf_.DisplayOrder)) {
        return;
    }
    Frozen frozen(t);
    std::int64_t largest = 0;
    for (int p = 0; p < t.recordCount(); ++p) {
        const ValueRef v = t.refAt(p, tf_.DisplayOrder);
        if (!v.null && v.i > largest) {
            largest = v.i;
        }
    }
    t.edit();
    t.setAsInt(tf_.DisplayOrder, largest + 1);
    t.post();
}

void TDM::TablesMemDataAfterScroll() {
    compared_ = false;
    if (!loadingTableSetups_) {
        CloseBoth();
    }
}

QString TDM::currentKeySpec() const {
    return tablesMemData_.isOpen() ? tablesMemData_.asText(tf_.PrimaryKeySpec) : QString();
}

TableSetup TDM::CurrentTableSetup() const {
    return TableSetup::fromList(tablesMemData_);
}

QString TDM::targetTable() const {
    return scriptSetup_ ? scriptSetup_->targetTable : CurrentTableSetup().targetTable;
}

// --- target list events -------------------------------------------------------------

void TDM::DestMemDataAfterPost() {
    if (posting_) {
        return;
    }
    posting_ = true;
    Finally clear([this] { posting_ = false; });
    MemData& d = destMemData_;
    if (!loadingData_ && !d.asBool(del_) && !d.asBool(newField_)) {
        d.edit();
        d.setAsBool(updateField_, true);
        d.post();
    }
    if (!loadingData_) {
        RebuildTargetCopy();
        UpdateStatistics();
    }
}

void TDM::DestMemDataNewRecord() {
    if (destMemData_.state() == ListState::Insert) {
        destMemData_.setAsBool(newField_, true);
    }
    if (FillDefaults()) {
        FillNewRecordDefaults();
    }
}

bool TDM::targetOnly(int field) const {
    return sourceMemData_.isOpen() && !destMemData_.isOwnColumn(field) &&
           sourceMemData_.findDataField(destMemData_.field(field).name) < 0;
}

bool TDM::userSet(int recId, int field) const {
    return userSetCells_.contains(cellKey(recId, field));
}

void TDM::FillNewRecordDefaults() {
    MemData& d = destMemData_;
    const bool wasAssigning = engineAssigning_;
    engineAssigning_ = true;
    Finally restore([this, wasAssigning] { engineAssigning_ = wasAssigning; });
    for (int f = 1; f < d.fieldCount(); ++f) {
        const FieldDef& def = d.field(f);
        // A column only the target has gets its value from the database's
        // default, not from an invented one.
        if (def.tag == kFlagTag || def.kind != FieldKind::Data || !d.isNull(f) || targetOnly(f)) {
            continue;
        }
        if (def.type == FieldType::String) {
            d.setValue(f, Value::fromText(QString()));
        } else if (def.type == FieldType::Boolean) {
            d.setAsBool(f, false);
        }
    }
}

void TDM::DBSetupMemDataSourceDBAliasChange() {
    DisconnectSource();
}

void TDM::DBSetupMemDataDestDBAliasChange() {
    DisconnectTarget();
}

// --- positions and copies --------------------------------------------------------------

void TDM::pushPosition(MemData& list, QStringList& stack) {
    if (stack.isEmpty()) {
        list.disableControls();
    }
    stack.append(list.isOpen() ? list.bookmark() : u"-"_s);
}

void TDM::popPosition(MemData& list, QStringList& stack) {
    if (stack.isEmpty()) {
        return;
    }
    const QString top = stack.takeLast();
    // Pops run on every way out of an operation, also while an error is on
    // its way: they must not fail. A row that no longer exists gives way to
    // the first row, and the display is unfrozen whatever happens.
    Finally unfreeze([&] {
        if (stack.isEmpty()) {
            list.enableControls();
        }
    });
    if (top != u"-"_s && list.isOpen()) {
        try {
            list.gotoBookmark(top);
        } catch (const Error&) {
            try {
                list.first();
            } catch (const Error&) {
            }
        }
    }
}

void TDM::PushSourcePosition() {
    pushPosition(sourceMemData_, sourcePositions_);
}

void TDM::PopSourcePosition() {
    popPosition(sourceMemData_, sourcePositions_);
}

void TDM::PushTargetPosition() {
    pushPosition(destMemData_, targetPositions_);
}

void TDM::PopTargetPosition() {
    popPosition(destMemData_, targetPositions_);
}

void TDM::fillCopy(MemData& copy) {
    Frozen frozen(copy);
    copy.close();
    while (copy.fieldCount() > 1) {
        copy.removeField(copy.fieldCount() - 1);
    }
    CopyColumns(copy, destMemData_);
    copy.open();
    // The copy shares the target list's posted rows; rows changed later are
    // stored anew, so the copy keeps the values it was made with. A pending
    // edit is not part of it, as the copy follows posts.
    copy.shareRowsFrom(destMemData_);
    copy.setFieldVisible(0, true);
}

void TDM::SnapshotOriginal() {
    fillCopy(origMemData_);
}

void TDM::RebuildTargetCopy() {
    if (!destMemData_.isOpen()) {
        return;
    }
    // Rebuilt when next read: a command that posts many rows pays once.
    copyStale_ = true;
}

MemData& TDM::DestMemDataCopy() {
    if (copyStale_ && destMemData_.isOpen()) {
        copyStale_ = false;
        fillCopy(destMemDataCopy_);
    }
    return destMemDataCopy_;
}

void TDM::CopyColumns(MemData& list, const MemData& from) {
    if (from.fieldCount() == 0) {
        return;
    }
    list.close();
    for (int i = 0; i < from.fieldCount(); ++i) {
        const FieldDef& src = from.field(i);
        if (i == 0 || !isUsableType(src.type)) {
            continue;
        }
        FieldDef f = src;
        f.registeredName.clear();
        f.displayLabel = src.displayLabel;
        list.addField(f);
    }
}

void TDM::CopyColumns(MemData& list, const Query& from) {
    if (from.fieldCount() == 0) {
        return;
    }
    list.close();
    for (int i = 0; i < from.fieldCount(); ++i) {
        const QueryField& q = from.field(i);
        if (!isUsableType(q.type)) {
            continue;
        }
        FieldDef f;
        f.name = q.name;
        f.type = q.type;
        f.size = q.size;
        list.addField(f);
    }
}

void TDM::RemoveDataColumns(MemData& list) {
    list.close();
    for (int i = list.fieldCount() - 1; i > 0; --i) {
        if (!list.isOwnColumn(i)) {
            list.removeField(i);
        }
    }
}

void TDM::RemoveLookupColumns(MemData& list) {
    list.close();
    for (int i = list.fieldCount() - 1; i > 0; --i) {
        if (list.field(i).kind == FieldKind::Lookup) {
            list.removeField(i);
        }
    }
}

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
    try {
        sourceQuery_.setSql(tableSetupQuery(setup.sourceQuery, setup.name, u"source"_s));
        sourceQuery_.open();
        checkColumnNames(sourceQuery_, u"source"_s);
        CopyColumns(sourceMemData_, sourceQuery_);
        gridPort().columnsCreated(Side::Source);
        sourceMemData_.setReadOnly(false);
        sourceMemData_.open();
        sourceMemData_.first();
        {
            PushSourcePosition();
            Finally pop([this] { PopSourcePosition(); });
            loadRows(sourceMemData_, sourceQuery_, -1);
        }
        checkUniqueKey(sourceMemData_, sourceQuery_, u"source"_s);
        sourceMemData_.setReadOnly(true);
        setRecordCount(Side::Source, sourceMemData_.recordCount());
        gridPort().refit(Side::Source);
        CompareAll();
        RebuildTargetCopy();
    } catch (const SilentAbort&) {
        CloseSource();
    } catch (const std::exception& e) {
        messages_.showError(openFailure(u"source"_s, sourceDatabase_, e));
        CloseSource();
    }
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
    try {
        LoadLookupDefinitions();
        readLookupSources();
        destQuery_.setSql(tableSetupQuery(setup.targetQuery, setup.name, u"target"_s));
        destQuery_.open();
        BuildTargetColumns();
        lookupSources_.clear();
        gridPort().columnsCreated(Side::Target);
        destMemData_.open();
        {
            PushTargetPosition();
            Finally pop([this] { PopTargetPosition(); });
            loadRows(destMemData_, destQuery_, newField_);
        }
        checkUniqueKey(destMemData_, destQuery_, u"target"_s);
        gridPort().refit(Side::Target);
        RebuildTargetCopy();
        CompareAll();
        setRecordCount(Side::Target, destMemData_.recordCount());
        SnapshotOriginal();
        RebuildTargetCopy();
    } catch (const SilentAbort&) {
        CloseTarget();
    } catch (const std::exception& e) {
        messages_.showError(openFailure(u"target"_s, destDatabase_, e));
        CloseTarget();
    }
    return {destMemData_.isOpen(), targetRecords_};
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

#include "engine/TDM.h"

#include "common/Errors.h"
#include "common/ScopeGuards.h"
#include "list/DefaultFile.h"
#include "list/Frozen.h"
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
    // Null until set, as the default file and the project then leave it out.
    inDatabaseField_ = d.addField(
        typedField(u"CompareInDatabase"_s, FieldType::Boolean, u"Compare inside the databases"_s));
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
        DefaultFile::save(tablesMemData_, defaultTablesFile(), {TableSetup::rulesProperty()});
    }
    if (dbSetupMemData_.recordCount() > 0) {
        DefaultFile::save(dbSetupMemData_, defaultDBSetupFile(), {u"CompareInDatabase"_s});
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

}  // namespace qm

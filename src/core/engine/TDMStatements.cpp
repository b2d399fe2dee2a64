// The statements half of the engine: UPDATE, INSERT and DELETE statements
// written from the marks of the target list.
#include "common/Errors.h"
#include "common/ScopeGuards.h"
#include "engine/GeneratedColumns.h"
#include "engine/SqlIdentifier.h"
#include "engine/SqlLiteral.h"
#include "engine/SqliteAffinity.h"
#include "engine/TDM.h"
#include "engine/ValueEquality.h"
#include "list/Frozen.h"
#include "list/TaggedValue.h"
#include "list/ValueText.h"

using namespace Qt::StringLiterals;

namespace qm {

QString TDM::QuoteSqlText(const QString& text) {
    return SqlLiteral::quoteText(text);
}

QString TDM::SqlLiteral(int field) const {
    const SqlDialect dialect = targetDialect();
    try {
        QString literal =
            SqlLiteral::of(destMemData_.value(field), destMemData_.field(field).type, dialect);
        addUtcOffset(literal, field, destMemData_.field(field).type);
        return literal;
    } catch (const ConversionError& e) {
        // Name the value: the field, and the row by its key.
        const PrimaryKey key(currentKeySpec());
        QStringList keyText;
        for (int i = 0; i < key.fieldCount(); ++i) {
            const QString name = key.fieldCount() == 1 ? key.spec() : key.fieldName(i);
            const int f = destMemData_.findDataField(name);
            keyText << u"%1 = %2"_s.arg(name, f >= 0 ? destMemData_.asText(f) : QString());
        }
        throw ConversionError(u"Field \"%1\" of the target row with %2 cannot be written: %3"_s.arg(
            destMemData_.field(field).name, keyText.join(u", "_s), e.message()));
    }
}

// The session's zone is UTC (see Connection), and a timestamptz literal says
// so wherever else the script is run. A literal that is not quoted text
// (NULL, a CAST) is left as it is.
void TDM::addUtcOffset(QString& literal, int field, FieldType type) const {
    if (type != FieldType::DateTime || !literal.endsWith(u'\'') ||
        targetDialect() != SqlDialect::PostgreSQL) {
        return;
    }
    const int q = destQuery_.findField(destMemData_.field(field).name);
    if (q >= 0 && destQuery_.field(q).declaredType == u"timestamptz"_s) {
        literal.insert(literal.size() - 1, u"+00"_s);
    }
}

SqlDialect TDM::targetDialect() const {
    return destDatabase_.isConnected() ? dialectOfDriver(destDatabase_.driverKind())
                                       : SqlDialect::Generic;
}

QString TDM::sqlName(int field) const {
    return SqlIdentifier::of(destMemData_.field(field).name, targetDialect());
}

void TDM::MakeScript() {
    if (!destMemData_.isOpen()) {
        messages_.showInfo(
            u"Unable to script because there is no target data open to script from"_s);
        return;
    }
    ScriptCurrentTableSetup(true);
    scriptPort().show();
}

void TDM::checkNewRowKeys() {
    MemData& d = destMemData_;
    d.post();
    const PrimaryKey key(currentKeySpec());
    std::vector<int> keyFields;
    std::vector<SqliteAffinity> affinities;
    const bool sqlite = targetDialect() == SqlDialect::SQLite;
    for (int i = 0; i < key.fieldCount(); ++i) {
        const int f = d.findDataField(key.fieldCount() == 1 ? key.spec() : key.fieldName(i));
        if (f < 0) {
            return;  // the statements name the missing key column
        }
        keyFields.push_back(f);
        const int q = destQuery_.findField(d.field(f).name);
        affinities.push_back(sqlite && q >= 0
                                 ? SqliteAffinityRules::of(destQuery_.field(q).declaredType)
                                 : SqliteAffinity::Blob);
    }
    const auto refuse = [this](const QString& text) {
        messages_.showError(text);
        throw SilentAbort();
    };
    for (int p = 0; p < d.recordCount(); ++p) {
        if (!d.refAt(p, newField_).i) {
            continue;
        }
        const int recId = d.recIdAt(p);
        for (std::size_t k = 0; k < keyFields.size(); ++k) {
            const int f = keyFields[k];
            if (userSet(recId, f)) {
                continue;  // the user chose this key
            }
            if (const auto it = changedKeys_.find(recId); it != changedKeys_.end()) {
                refuse(it->second);
            }
            // SQLite converts text stored into a column of numeric affinity
            // that reads as a number: '007' is stored as 7.
            const FieldDef& def = d.field(f);
            const ValueRef v = d.refAt(p, f);
            if (v.null || storageClassOf(def.type) != StorageClass::Bytes ||
                isBinaryType(def.type) || def.type == FieldType::BCD) {
                continue;
            }
            // A value of any class is written as its own class: only a text
            // can be turned into a number by the column.
            if (def.type == FieldType::Variant &&
                TaggedValue::tagOf(v.bytes) != TaggedValue::Tag::Text) {
                continue;
            }
            const QString text = def.type == FieldType::Variant
                                     ? ValueText::utf8ToString(TaggedValue::payload(v.bytes))
                                     : ValueText::toText(v.toValue(), def.type);
            QString stored;
            if (!SqliteAffinityRules::keepsText(affinities[k], text, &stored)) {
                refuse(
                    u"The new row with key field \"%1\" = %2 cannot be inserted: the target's "
                    "key column would store the key as %3, which is another key. No script "
                    "was written"_s.arg(def.name, valueForMessage(v.toValue(), def.type), stored));
            }
        }
    }
    // A new row's key can differ as stored from another row's key and still
    // be the same key to the target (1.0 beside 1, 'a' beside 'A' in a NOCASE
    // column): the UPDATE or DELETE written for the other row would change
    // the new row too.
    const std::vector<LooseKeys::Rule> rules = keyRules(d, destQuery_, keyFields);
    if (std::none_of(rules.begin(), rules.end(),
                     [](const LooseKeys::Rule& r) { return r.loose(); })) {
        return;
    }
    if (const auto pair = LooseKeys::findEqualRows(d, keyFields, rules)) {
        const bool secondNew = d.refAt(pair->second, newField_).i != 0;
        const int added = secondNew ? pair->second : pair->first;
        const int other = secondNew ? pair->first : pair->second;
        const QString text =
            d.refAt(added, newField_).i != 0
                ? u"The new row with key %1 cannot be inserted: the target database finds its "
                  "key equal to %2, the key of another row, so a statement for one of these rows "
                  "would change both"_s
                : u"The target rows with keys %1 and %2 cannot be told apart: the target "
                  "database finds these keys equal, so a statement for one of these rows would "
                  "change both"_s;
        refuse(text.arg(keyForMessage(d, added, keyFields), keyForMessage(d, other, keyFields)) +
               u". No script was written"_s);
    }
}

void TDM::ScriptCurrentTableSetup(bool clearFirst) {
    if (destMemData_.isOpen()) {
        checkNewRowKeys();
    }
    if (clearFirst) {
        scriptPort().clear();
    }
    const TableSetup setup = CurrentTableSetup();
    scriptPort().appendLine(
        u"/* Statements for Table Setup \"%1\" */"_s.arg(SqlLiteral::commentSafe(setup.name)));
    MemData& d = destMemData_;
    if (!d.isOpen()) {
        return;
    }
    Frozen frozenSource(sourceMemData_);
    Frozen frozenTarget(d);
    Finally toFirst([&d] {
        try {
            d.first();
        } catch (const Error&) {
        }
    });
    d.post();
    Finally done([this] {
        scriptKeyColumns_.reset();
        scriptWriteRules_.reset();
        scriptSetup_.reset();
        busyPort().progress(QString());
    });
    scriptKeyColumns_.emplace();
    scriptSetup_ = setup;
    scriptWriteRules_ = writeRules();
    // The header names the columns written otherwise, so that a reader of
    // the script knows why their values are not in it.
    const auto named = [this](const std::vector<bool>& flags) {
        QStringList names;
        for (std::size_t f = 0; f < flags.size(); ++f) {
            if (flags[f]) {
                names << sqlName(static_cast<int>(f));
            }
        }
        return SqlLiteral::commentSafe(names.join(u", "_s));
    };
    if (const QString generated = named(scriptWriteRules_->generated); !generated.isEmpty()) {
        scriptPort().appendLine(
            u"/* Generated columns, left out of the statements: %1 */"_s.arg(generated));
    }
    if (const QString identity = named(scriptWriteRules_->identityAlways); !identity.isEmpty()) {
        scriptPort().appendLine(
            u"/* Identity columns generated always, inserted with OVERRIDING SYSTEM VALUE and "
            "left out of UPDATE: %1 */"_s.arg(identity));
    }
    const UpdatePlan updates = planUpdates(*scriptWriteRules_);
    // One walk over the rows: the UPDATEs are written as it goes, the rows
    // of the INSERTs and DELETEs that follow them are noted.
    std::vector<int> inserts;
    std::vector<int> deletes;
    const auto marked = [&d](int p, int flag) { return d.refAt(p, flag).i != 0; };
    for (d.first(); !d.eof(); d.next()) {
        const int p = d.position();
        cancelPoint(static_cast<std::size_t>(p));  // the script port drops what it got
        if (p % 100000 == 99999) {
            busyPort().progress(
                u"Writing statements: %1 of %2 rows, first pass"_s.arg(p + 1).arg(d.recordCount()));
        }
        if (marked(p, newField_)) {
            inserts.push_back(p);
        } else if (marked(p, updateField_)) {
            writeUpdateStatement(updates);
        }
        if (marked(p, del_)) {
            deletes.push_back(p);
        }
    }
    const std::vector<bool> leftToTheDatabase = targetOnlyColumns();
    std::size_t written = 0;
    for (const int p : inserts) {
        cancelPoint(++written);
        d.moveTo(p);
        writeInsertStatement(leftToTheDatabase, *scriptWriteRules_);
    }
    for (const int p : deletes) {
        cancelPoint(++written);
        d.moveTo(p);
        WriteDeleteStatement();
    }
}

QString TDM::keyConditions() {
    // While statements are written the key columns stay; they are looked up
    // once, when first needed.
    std::vector<int> found;
    if (!scriptKeyColumns_ || scriptKeyColumns_->empty()) {
        for (int i = 0; i < KeyFieldCount(); ++i) {
            found.push_back(destMemData_.dataFieldIndex(KeyFieldName(i)));
        }
        if (scriptKeyColumns_) {
            *scriptKeyColumns_ = found;
        }
    }
    QStringList conditions;
    for (const int column :
         scriptKeyColumns_ && !scriptKeyColumns_->empty() ? *scriptKeyColumns_ : found) {
        conditions << u"%1 = %2"_s.arg(sqlName(column), SqlLiteral(column));
    }
    return conditions.join(u" AND "_s);
}

void TDM::WriteUpdateStatement() {
    writeUpdateStatement(planUpdates(writeRules()));
}

TDM::WriteRules TDM::writeRules() {
    if (scriptWriteRules_) {
        return *scriptWriteRules_;
    }
    const MemData& d = destMemData_;
    WriteRules rules;
    rules.generated.assign(static_cast<std::size_t>(d.fieldCount()), false);
    rules.identityAlways.assign(static_cast<std::size_t>(d.fieldCount()), false);
    if (!d.isOpen() || !destDatabase_.isConnected()) {
        return rules;
    }
    const GeneratedColumns catalog =
        GeneratedColumns::read(destDatabase_, targetDialect(), targetTable());
    const auto mark = [&d](const QStringList& names, std::vector<bool>& flags) {
        for (const QString& name : names) {
            const int f = d.findDataField(name);
            if (f > 0) {
                flags[static_cast<std::size_t>(f)] = true;
            }
        }
    };
    mark(catalog.generated, rules.generated);
    mark(catalog.identityAlways, rules.identityAlways);
    return rules;
}

TDM::UpdatePlan TDM::planUpdates(const WriteRules& rules) const {
    const MemData& d = destMemData_;
    const MemData& orig = origMemData_;
    const TableSetup setup = scriptSetup_ ? *scriptSetup_ : CurrentTableSetup();
    const QString& spec = setup.keySpec;
    // A column the comparison rules ignore is never set, whatever its value:
    // the rule says its differences do not count.
    const ComparedColumns compared = currentComparedColumns(setup);
    UpdatePlan plan;
    plan.table = setup.targetTable;
    for (int i = 0; i < destQuery_.fieldCount(); ++i) {
        const QString name = destQuery_.field(i).name;
        const int column = d.findDataField(name);
        if (column < 0 || name == spec || rules.skipsUpdate(column) || compared.isIgnored(column)) {
            continue;
        }
        plan.columns.push_back({column, orig.findDataField(name)});
    }
    plan.keyPlan = KeyMatcher::plan(orig, d, spec);
    return plan;
}

void TDM::writeUpdateStatement(const UpdatePlan& plan) {
    MemData& d = destMemData_;
    MemData& orig = origMemData_;
    if (plan.columns.empty()) {
        return;
    }
    if (!locateWithPlan(orig, d, plan.keyPlan, false)) {
        messages_.showError(
            u"Was unable to locate matching record within datasets while processing. This "
            "is probably because you have altered the primary key field for a record. You "
            "have to use another primary key while altering the field"_s);
        return;
    }
    QStringList assignments;
    // The snapshot was posted by the search: its current row is a stored one.
    const int op = orig.position();
    for (const UpdatePlan::Column& c : plan.columns) {
        const int column = c.column;
        const int origColumn = c.origColumn;
        if (origColumn >= 0 &&
            ValueEquality::equalQuick(d.ref(column), d.field(column).type,
                                      orig.refAt(op, origColumn), orig.field(origColumn).type)) {
            continue;
        }
        QString was = u"NULL"_s;
        if (origColumn >= 0) {
            const FieldType type = orig.field(origColumn).type;
            was = SqlLiteral::of(orig.value(origColumn), type, targetDialect());
            addUtcOffset(was, column, type);
        }
        // The old value only ever stands inside the comment, which it must not end.
        assignments << u"%1 = %2/* Was: %3 */"_s.arg(sqlName(column), SqlLiteral(column),
                                                     SqlLiteral::commentSafe(was));
    }
    if (assignments.isEmpty()) {
        return;
    }
    scriptPort().appendLine(u"UPDATE %1 SET %2 WHERE %3;"_s.arg(
        plan.table, assignments.join(u", "_s), keyConditions()));
}

std::vector<bool> TDM::targetOnlyColumns() const {
    std::vector<bool> flags(static_cast<std::size_t>(destMemData_.fieldCount()), false);
    for (int f = 1; f < destMemData_.fieldCount(); ++f) {
        flags[static_cast<std::size_t>(f)] = targetOnly(f);
    }
    return flags;
}

void TDM::WriteInsertStatement() {
    writeInsertStatement(targetOnlyColumns(), writeRules());
}

void TDM::writeInsertStatement(const std::vector<bool>& targetOnlyColumns,
                               const WriteRules& rules) {
    MemData& d = destMemData_;
    const QString spec = currentKeySpec();
    QStringList names;
    QStringList literals;
    bool overriding = false;
    for (int i = 0; i < destQuery_.fieldCount(); ++i) {
        const QString name = destQuery_.field(i).name;
        const int column = d.findDataField(name);
        if (column < 0 || (name == spec && d.isNull(column))) {
            continue;  // a null single key is left to the database
        }
        const auto c = static_cast<std::size_t>(column);
        if (targetOnlyColumns[c] && !userSet(static_cast<int>(d.ref(0).i), column)) {
            continue;  // so is a column the source lacks, unless the user set it
        }
        if (c < rules.generated.size() && rules.generated[c]) {
            continue;  // the database computes it
        }
        // The source's value is kept, as for any other column.
        overriding = overriding || (c < rules.identityAlways.size() && rules.identityAlways[c]);
        names << sqlName(column);
        literals << SqlLiteral(column);
    }
    scriptPort().appendLine(u"INSERT INTO %1 (%2)%3 VALUES (%4);"_s.arg(
        targetTable(), names.join(u", "_s), overriding ? u" OVERRIDING SYSTEM VALUE"_s : QString(),
        literals.join(u", "_s)));
}

void TDM::WriteDeleteStatement() {
    scriptPort().appendLine(u"DELETE FROM %1 WHERE %2;"_s.arg(targetTable(), keyConditions()));
}

}  // namespace qm

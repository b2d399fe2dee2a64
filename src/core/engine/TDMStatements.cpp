// The statements half of the engine: UPDATE, INSERT and DELETE statements
// written from the marks of the target list.
#include "common/Errors.h"
#include "common/ScopeGuards.h"
#include "engine/SqlLiteral.h"
#include "engine/TDM.h"
#include "engine/ValueEquality.h"

using namespace Qt::StringLiterals;

namespace qm {

QString TDM::QuoteSqlText(const QString& text) {
    return SqlLiteral::quoteText(text);
}

QString TDM::SqlLiteral(int field) const {
    const SqlDialect dialect = destDatabase_.isConnected()
                                   ? dialectOfDriver(destDatabase_.driverKind())
                                   : SqlDialect::Generic;
    try {
        return SqlLiteral::of(destMemData_.value(field), destMemData_.field(field).type, dialect);
    } catch (const ConversionError& e) {
        // Name the value: the field, and the row by its key.
        const PrimaryKey key(currentTableText(tf_.PrimaryKeySpec));
        QStringList keyText;
        for (int i = 0; i < key.fieldCount(); ++i) {
            const int f = destMemData_.findField(key.fieldName(i));
            keyText << u"%1 = %2"_s.arg(key.fieldName(i),
                                        f >= 0 ? destMemData_.asText(f) : QString());
        }
        throw ConversionError(u"Field \"%1\" of the target row with %2 cannot be written: %3"_s.arg(
            destMemData_.field(field).name, keyText.join(u", "_s), e.message()));
    }
}

void TDM::MakeScript() {
    if (!destMemData_.isOpen()) {
        messages_.showInfo(
            u"Unable to script because there is no target data open to script from"_s);
        return;
    }
    ScriptCurrentTableSetup(true);
    view_.showScriptTab();
}

void TDM::ScriptCurrentTableSetup(bool clearFirst) {
    if (clearFirst) {
        view_.scriptClear();
    }
    view_.scriptAppendLine(u"/* Statements for Table Setup \"%1\" */"_s.arg(
        SqlLiteral::commentSafe(currentTableText(tf_.Name))));
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
    Finally done([this] { view_.progress(QString()); });
    for (d.first(); !d.eof(); d.next()) {
        if (d.position() % 100000 == 99999) {
            view_.progress(u"Writing statements: %1 of %2 rows, first pass"_s.arg(d.position() + 1)
                               .arg(d.recordCount()));
        }
        if (!d.asBool(newField_) && d.asBool(updateField_)) {
            WriteUpdateStatement();
        }
    }
    for (d.first(); !d.eof(); d.next()) {
        if (d.asBool(newField_)) {
            WriteInsertStatement();
        }
    }
    for (d.first(); !d.eof(); d.next()) {
        if (d.asBool(del_)) {
            WriteDeleteStatement();
        }
    }
}

QString TDM::keyConditions() {
    QStringList conditions;
    for (int i = 0; i < KeyFieldCount(); ++i) {
        const QString name = KeyFieldName(i);
        conditions << u"%1 = %2"_s.arg(name, SqlLiteral(destMemData_.fieldIndex(name)));
    }
    return conditions.join(u" AND "_s);
}

void TDM::WriteUpdateStatement() {
    MemData& d = destMemData_;
    MemData& orig = origMemData_;
    const QString spec = currentTableText(tf_.PrimaryKeySpec);
    const QString table = currentTableText(tf_.DestTableName);
    QStringList assignments;
    bool located = false;
    for (int i = 0; i < destQuery_.fieldCount(); ++i) {
        const QString name = destQuery_.field(i).name;
        const int column = d.findField(name);
        if (column < 0 || name == spec) {
            continue;
        }
        if (!located) {
            if (!LocateMatch(orig, d, false)) {
                messages_.showError(
                    u"Was unable to locate matching record within datasets while processing. This "
                    "is probably because you have altered the primary key field for a record. You "
                    "have to use another primary key while altering the field"_s);
                return;
            }
            located = true;
        }
        const int origColumn = orig.findField(name);
        if (origColumn >= 0 &&
            ValueEquality::equal(d.ref(column), d.field(column).type, orig.ref(origColumn),
                                 orig.field(origColumn).type)) {
            continue;
        }
        const QString was =
            origColumn >= 0 ? SqlLiteral::of(orig.value(origColumn), orig.field(origColumn).type,
                                             destDatabase_.isConnected()
                                                 ? dialectOfDriver(destDatabase_.driverKind())
                                                 : SqlDialect::Generic)
                            : u"NULL"_s;
        // The old value only ever stands inside the comment, which it must not end.
        assignments << u"%1 = %2/* Was: %3 */"_s.arg(name, SqlLiteral(column),
                                                     SqlLiteral::commentSafe(was));
    }
    if (assignments.isEmpty()) {
        return;
    }
    view_.scriptAppendLine(
        u"UPDATE %1 SET %2 WHERE %3;"_s.arg(table, assignments.join(u", "_s), keyConditions()));
}

void TDM::WriteInsertStatement() {
    MemData& d = destMemData_;
    const QString spec = currentTableText(tf_.PrimaryKeySpec);
    QStringList names;
    QStringList literals;
    for (int i = 0; i < destQuery_.fieldCount(); ++i) {
        const QString name = destQuery_.field(i).name;
        const int column = d.findField(name);
        if (column < 0 || (name == spec && d.isNull(column))) {
            continue;  // a null single key is left to the database
        }
        names << name;
        literals << SqlLiteral(column);
    }
    view_.scriptAppendLine(u"INSERT INTO %1 (%2) VALUES (%3);"_s.arg(
        currentTableText(tf_.DestTableName), names.join(u", "_s), literals.join(u", "_s)));
}

void TDM::WriteDeleteStatement() {
    view_.scriptAppendLine(
        u"DELETE FROM %1 WHERE %2;"_s.arg(currentTableText(tf_.DestTableName), keyConditions()));
}

}  // namespace qm

// The window's way to compare inside the databases: the table setup's
// queries are restricted only while the sides open, and a side opened again
// later is restricted to the same segments as the other.

#include "common/Errors.h"
#include "common/ScopeGuards.h"
#include "engine/TDM.h"
#include "list/Frozen.h"

#include <algorithm>

using namespace Qt::StringLiterals;

namespace qm {
namespace {

// A list's blank first row is still being inserted: it counts as its
// current row, though no position holds it yet.
bool hasCurrentRow(const MemData& list) {
    return list.isOpen() && (list.recordCount() > 0 || list.state() == ListState::Insert);
}

// The rule that keeps the table setup from being compared inside the
// databases, in the window's words.
QString rulesHint(const TableSetup& setup) {
    const auto relative = [](const ColumnRule& r) {
        return r.relTolerance && *r.relTolerance > 0 && !r.ignore;
    };
    QString rule = u"A comparison rule"_s;
    if (relative(setup.rules.all)) {
        rule = u"The comparison rule for all columns (*)"_s;
    } else {
        for (const auto& [name, columnRule] : setup.rules.columns) {
            if (relative(columnRule)) {
                rule = u"The comparison rule of column \"%1\""_s.arg(name);
                break;
            }
        }
    }
    return u"%1 has a relative tolerance (rel=), which the databases cannot compare; an "
           "absolute tolerance (abs=) they can."_s.arg(rule);
}

}  // namespace

bool TDM::CompareInDatabase() const {
    const MemData& d = dbSetupMemData_;
    return hasCurrentRow(d) && !d.isNull(inDatabaseField_) && d.asBool(inDatabaseField_);
}

QString TDM::InDatabaseRefusal() {
    const MemData& d = dbSetupMemData_;
    if (!hasCurrentRow(d)) {
        return {};
    }
    QString sourceDriver;
    QString targetDriver;
    try {
        sourceDriver = session_.resolve(d.asText(sourceAliasField_)).driver;
        targetDriver = session_.resolve(d.asText(destAliasField_)).driver;
    } catch (const Error&) {
        return {};
    }
    if (QString why = InDatabaseCompare::refusal(sourceDriver, targetDriver); !why.isEmpty()) {
        return why;
    }
    if (!hasCurrentRow(tablesMemData_)) {
        return {};
    }
    TableSetup setup;
    try {
        setup = CurrentTableSetup();
    } catch (const Error&) {
        return {};  // rules that cannot be read are reported when opening
    }
    return InDatabaseCompare::rulesRefusal(setup).isEmpty() ? QString() : rulesHint(setup);
}

TDM::InDatabaseRestriction TDM::currentInDatabaseInputs() const {
    InDatabaseRestriction r;
    const MemData& t = tablesMemData_;
    r.setupName = t.asText(tf_.Name);
    r.keySpec = t.asText(tf_.PrimaryKeySpec);
    r.sourceQuery = t.asText(tf_.SourceQuerySQL);
    r.targetQuery = t.asText(tf_.DestQuerySQL);
    if (hasCurrentRow(dbSetupMemData_)) {
        r.sourceAlias = dbSetupMemData_.asText(sourceAliasField_);
        r.targetAlias = dbSetupMemData_.asText(destAliasField_);
    }
    return r;
}

template <typename Open>
void TDM::withQueries(const QString* source, const QString* target, Open open) {
    MemData& t = tablesMemData_;
    // A pending edit is what the user typed: it stays, and is what is put back.
    if (t.state() != ListState::Browse) {
        t.post();
    }
    // Frozen, the list tells no one of the restricted queries: the window's
    // fields, and through them the project, never see them.
    const Frozen frozen(t);
    const Value sourceQuery = t.value(tf_.SourceQuerySQL);
    const Value targetQuery = t.value(tf_.DestQuerySQL);
    Finally putBack([&] {
        t.edit();
        t.setValue(tf_.SourceQuerySQL, sourceQuery);
        t.setValue(tf_.DestQuerySQL, targetQuery);
        t.post();
    });
    if (source != nullptr || target != nullptr) {
        t.edit();
        if (source != nullptr) {
            t.setAsText(tf_.SourceQuerySQL, *source);
        }
        if (target != nullptr) {
            t.setAsText(tf_.DestQuerySQL, *target);
        }
        t.post();
    }
    open();
}

InDatabaseCompare::Outcome TDM::OpenBothInDatabase() {
    InDatabaseRestriction restriction = currentInDatabaseInputs();
    InDatabaseCompare::Outcome outcome;
    withQueries(nullptr, nullptr, [&] {
        InDatabaseCompare compare(*this);
        if (inDatabaseBudget_) {
            compare.setLoadBudget(*inDatabaseBudget_);
        }
        if (inDatabaseFirstBits_) {
            compare.setFirstBits(*inDatabaseFirstBits_);
        }
        outcome = compare.restrictCurrentTableSetup();
        restriction.restrictedSource = tablesMemData_.asText(tf_.SourceQuerySQL);
        restriction.restrictedTarget = tablesMemData_.asText(tf_.DestQuerySQL);
        // Each open forgets an earlier restriction of its side (setRecordCount).
        const OpenBothOutcome opened = OpenBoth();
        restriction.sourceOpen = opened.source.opened;
        restriction.targetOpen = opened.target.opened;
    });
    if (outcome.restricted && (restriction.sourceOpen || restriction.targetOpen)) {
        restriction.sourceUnloaded =
            std::max<qint64>(0, outcome.sourceRows - RecordCount(Side::Source).value_or(0));
        restriction.targetUnloaded =
            std::max<qint64>(0, outcome.targetRows - RecordCount(Side::Target).value_or(0));
        inDatabase_ = std::move(restriction);
        showUnloaded();
    }
    return outcome;
}

bool TDM::OpenSideRestricted(Side side) {
    const bool source = side == Side::Source;
    if (!inDatabase_ || !(source ? inDatabase_->targetOpen : inDatabase_->sourceOpen)) {
        return false;
    }
    const InDatabaseRestriction now = currentInDatabaseInputs();
    const InDatabaseRestriction& was = *inDatabase_;
    // The segments are those of the key's hashes over those queries' rows.
    if (now.setupName != was.setupName || now.keySpec != was.keySpec ||
        now.sourceQuery != was.sourceQuery || now.targetQuery != was.targetQuery ||
        now.sourceAlias.compare(was.sourceAlias, Qt::CaseInsensitive) != 0 ||
        now.targetAlias.compare(was.targetAlias, Qt::CaseInsensitive) != 0) {
        throw Error(
            u"The %1 list holds only the rows that differed when the databases compared them, "
            "and the table setup or the aliases have changed since. Open Source & Target to "
            "compare anew."_s.arg(source ? u"target"_s : u"source"_s));
    }
    const QString query = source ? was.restrictedSource : was.restrictedTarget;
    bool opened = false;
    withQueries(source ? &query : nullptr, source ? nullptr : &query,
                [&] { opened = (source ? OpenSource() : OpenTarget()).opened; });
    if (opened && inDatabase_) {
        (source ? inDatabase_->sourceOpen : inDatabase_->targetOpen) = true;
        showUnloaded();
    }
    return true;
}

void TDM::sideLeftRestriction(Side side) {
    if (!inDatabase_) {
        return;
    }
    (side == Side::Source ? inDatabase_->sourceOpen : inDatabase_->targetOpen) = false;
    if (!inDatabase_->sourceOpen && !inDatabase_->targetOpen) {
        inDatabase_.reset();
    }
    showUnloaded();
}

void TDM::showUnloaded() {
    if (!inDatabase_) {
        statView_.ShowUnloaded(std::nullopt);
        return;
    }
    statView_.ShowUnloaded(UnloadedRows{inDatabase_->sourceOpen ? inDatabase_->sourceUnloaded : 0,
                                        inDatabase_->targetOpen ? inDatabase_->targetUnloaded : 0});
}

}  // namespace qm

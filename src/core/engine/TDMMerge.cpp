// The merge commands: they change the target list so that it equals the
// source; the statements written from its marks then change the database.
#include "common/Cancellation.h"
#include "common/Errors.h"
#include "common/ScopeGuards.h"
#include "engine/RuleEquality.h"
#include "engine/TDM.h"
#include "engine/ValueEquality.h"
#include "list/Frozen.h"
#include "list/TaggedValue.h"
#include "list/ValueText.h"

#include <algorithm>

using namespace Qt::StringLiterals;

namespace qm {
namespace {

// A source value in the type of the target column it is copied into.
Value convertValue(const Value& v, FieldType from, FieldType to) {
    if (v.isNull()) {
        return v;
    }
    if (to == FieldType::Variant) {
        return TaggedValue::fromTyped(v, from);
    }
    if (from == FieldType::Variant) {
        FieldType own = FieldType::String;
        const ValueRef u = TaggedValue::untag(ValueRef::of(v), own);
        return convertValue(u.toValue(), own, to);
    }
    if (storageClassOf(from) == storageClassOf(to)) {
        return v;
    }
    return ValueText::fromVariant(ValueText::toVariant(v, from), to);
}

// What a column holds, as a user would say it.
QString kindInWords(FieldType t) {
    if (isBinaryType(t)) {
        return u"binary data"_s;
    }
    switch (t) {
        case FieldType::Boolean:
            return u"true/false values"_s;
        case FieldType::Float:
        case FieldType::Currency:
            return u"floating-point numbers"_s;
        case FieldType::BCD:
            return u"fixed-point numbers"_s;
        case FieldType::Date:
            return u"dates"_s;
        case FieldType::Time:
            return u"times of day"_s;
        case FieldType::DateTime:
            return u"dates with times"_s;
        default:
            break;
    }
    return isIntegerType(t) ? u"integers"_s : u"text"_s;
}

// The busy cursor for the lifetime of a command.
class Busy {
public:
    explicit Busy(BusyPort& port) : port_(port) { port_.beginBusy(); }
    ~Busy() { port_.endBusy(); }
    Busy(const Busy&) = delete;
    Busy& operator=(const Busy&) = delete;

private:
    BusyPort& port_;
};

// The flag columns of a list (their values by position: 0, 1, or 2 for
// null), the marks and merge flags a merge may change in any row.
struct FlagColumn {
    int field;
    std::vector<std::uint8_t> values;
};

std::vector<FlagColumn> takeFlags(const MemData& list) {
    std::vector<FlagColumn> flags;
    if (!list.isOpen()) {
        return flags;
    }
    for (int f = 0; f < list.fieldCount(); ++f) {
        if (list.field(f).tag != kFlagTag || list.storeColumn(f) < 0) {
            continue;
        }
        FlagColumn column{f,
                          std::vector<std::uint8_t>(static_cast<std::size_t>(list.recordCount()))};
        for (int p = 0; p < list.recordCount(); ++p) {
            const ValueRef v = list.refAt(p, f);
            column.values[static_cast<std::size_t>(p)] = v.null ? 2 : (v.i != 0 ? 1 : 0);
        }
        flags.push_back(std::move(column));
    }
    return flags;
}

void putFlags(MemData& list, const std::vector<FlagColumn>& flags) {
    for (const FlagColumn& column : flags) {
        const int rows = std::min(list.recordCount(), static_cast<int>(column.values.size()));
        for (int p = 0; p < rows; ++p) {
            const ValueRef v = list.refAt(p, column.field);
            const std::uint8_t now = v.null ? 2 : (v.i != 0 ? 1 : 0);
            const std::uint8_t was = column.values[static_cast<std::size_t>(p)];
            if (now != was) {
                list.writeAt(p, column.field, was == 2 ? Value() : Value::fromBool(was == 1));
            }
        }
    }
}

}  // namespace

// --- stopping a merge -------------------------------------------------------------------

/// The state a merge command began from. Flags are kept whole (a byte per
/// row and flag, taken once per command); data values only where the merge
/// changed them; added rows by RecId. Rows are never removed by a merge and
/// the target list keeps RecId order, so positions of the rows that were
/// there stay as they were.
struct TDM::MergeJournal {
    struct Cell {
        int recId;
        int field;
        Value old;
    };
    std::vector<FlagColumn> targetFlags;
    std::vector<FlagColumn> sourceFlags;
    std::vector<Cell> cells;
    std::vector<int> added;
    // The engine's note of which marks are current.
    std::optional<ListChanges> marksAt;
    std::optional<ListChanges> targetMarksAt;
    ListChanges before;
};

void TDM::cancelPoint(std::size_t row) const {
    if ((row & 1023U) == 0 && busyPort().cancelRequested()) {
        throw Cancelled();
    }
}

void TDM::journaled(const std::function<void()>& command) {
    if (mergeJournal_) {
        command();  // the outer command restores
        return;
    }
    MergeJournal journal;
    journal.targetFlags = takeFlags(destMemData_);
    journal.sourceFlags = takeFlags(sourceMemData_);
    journal.marksAt = marksAt_;
    journal.targetMarksAt = targetMarksAt_;
    journal.before = listChanges();
    mergeJournal_ = &journal;
    Finally done([this] { mergeJournal_ = nullptr; });
    try {
        command();
    } catch (const Cancelled&) {
        mergeJournal_ = nullptr;
        restore(journal);
        throw;
    }
}

void TDM::restore(const MergeJournal& journal) {
    MemData& s = sourceMemData_;
    MemData& d = destMemData_;
    if (!d.isOpen()) {
        return;
    }
    {
        Frozen frozenSource(s);
        Frozen frozenTarget(d);
        if (d.state() != ListState::Browse) {
            d.cancel();
        }
        engineAssigning_ = true;
        Finally assigned([this] { engineAssigning_ = false; });
        // Added rows stand last (RecId order); the last added goes first.
        for (auto it = journal.added.rbegin(); it != journal.added.rend(); ++it) {
            const int pos = d.positionOfRecId(*it);
            if (pos >= 0) {
                d.moveTo(pos);
                d.deleteRow();
            }
            changedKeys_.erase(*it);
        }
        for (auto it = journal.cells.rbegin(); it != journal.cells.rend(); ++it) {
            const int pos = d.positionOfRecId(it->recId);
            if (pos >= 0) {
                d.writeAt(pos, it->field, it->old);
            }
        }
        putFlags(d, journal.targetFlags);
        if (s.isOpen()) {
            putFlags(s, journal.sourceFlags);
        }
    }
    // The marks are those the command found; if they were current then,
    // they are current for the lists put back.
    const bool wereCurrent = journal.marksAt && *journal.marksAt == journal.before;
    marksAt_ = wereCurrent ? std::optional(listChanges()) : journal.marksAt;
    targetMarksAt_ = journal.targetMarksAt && *journal.targetMarksAt == journal.before
                         ? std::optional(listChanges())
                         : journal.targetMarksAt;
    if (wereCurrent) {
        targetComputedAt_ = sourceComputedAt_ = listChanges();
    }
    RebuildTargetCopy();
    UpdateStatistics();
    gridPort().repaint(Side::Source);
    gridPort().repaint(Side::Target);
}

void TDM::MarkTargetForDeletion(bool onlyTargetOnly) {
    journaled([&] { markTargetForDeletion(onlyTargetOnly); });
}

void TDM::markTargetForDeletion(bool onlyTargetOnly) {
    Busy busy(busyPort());
    MemData& d = destMemData_;
    if (!d.isOpen()) {
        return;
    }
    PushTargetPosition();
    Finally pop([this] { PopTargetPosition(); });
    d.post();
    // Only the rows marked are visited; the walk goes on from where a row
    // stands once posted, as a sorted list may have moved it.
    for (int p = 0; p < d.recordCount(); ++p) {
        cancelPoint(static_cast<std::size_t>(p));
        if (!onlyTargetOnly || d.refAt(p, onlyInDest_).i != 0) {
            d.moveTo(p);
            d.edit();
            d.setAsBool(del_, true);
            d.post();
            p = d.position();
        }
    }
}

bool TDM::isKeyColumn(const QString& name) const {
    const PrimaryKey key(currentKeySpec());
    for (int i = 0; i < key.fieldCount(); ++i) {
        const QString keyName = key.fieldCount() == 1 ? key.spec() : key.fieldName(i);
        if (keyName.compare(name, Qt::CaseInsensitive) == 0) {
            return true;
        }
    }
    return false;
}

void TDM::prepareTargetColumn(int f, int sourceField) {
    MemData& d = destMemData_;
    const FieldType to = d.field(f).type;
    const FieldType from = sourceMemData_.field(sourceField).type;
    // A value of the column's own type always fits.
    if (to == from || to == FieldType::Variant || sourceMemData_.isNull(sourceField) ||
        !sideIsSqlite(destDatabase_)) {
        return;
    }
    bool widen = from == FieldType::Variant;
    if (!widen) {
        // A value the column's type cannot hold, or holds only changed (the
        // text '' would become NULL in a number column), SQLite stores as it is.
        try {
            const Value v = sourceMemData_.value(sourceField);
            widen = !ValueEquality::equal(convertValue(v, from, to), to, v, from);
        } catch (const ConversionError&) {
            widen = true;
        }
        // Not so a key: a widened key column matches keys by storage class,
        // no longer a text by the number it names ('1' against 1), so rows
        // matched before would part.
        if (widen && isKeyColumn(d.field(f).name)) {
            refuseSourceValue(f, sourceField);
        }
    }
    if (widen) {
        widenColumn(d, f);
    }
}

Value TDM::sourceValueForTarget(int f, int sourceField) {
    const MemData& s = sourceMemData_;
    try {
        return convertValue(s.value(sourceField), s.field(sourceField).type,
                            destMemData_.field(f).type);
    } catch (const ConversionError&) {
        refuseSourceValue(f, sourceField);
    }
}

void TDM::refuseSourceValue(int f, int sourceField) const {
    const MemData& s = sourceMemData_;
    const FieldType from = s.field(sourceField).type;
    const FieldType to = destMemData_.field(f).type;
    const PrimaryKey key(currentKeySpec());
    const QString name = destMemData_.field(f).name;
    QStringList keyText;
    for (int i = 0; i < key.fieldCount(); ++i) {
        const QString keyName = key.fieldCount() == 1 ? key.spec() : key.fieldName(i);
        const int kf = s.findDataField(keyName);
        if (kf >= 0) {
            keyText << u"%1 = %2"_s.arg(keyName, valueForMessage(s.value(kf), s.field(kf).type));
        }
    }
    const QString value = valueForMessage(s.value(sourceField), from);
    if (isKeyColumn(name)) {
        throw ConversionError(
            u"The source value %1 of key field \"%2\" does not fit the target's key column "
            "\"%2\", which holds %3: it cannot be matched with the target's keys. No script "
            "was written"_s.arg(value, name, kindInWords(to)));
    }
    throw ConversionError(
        u"The source value %1 of field \"%2\" (source row with %3) cannot be stored in the "
        "target: the target's column \"%2\" holds %4. No script was written"_s.arg(
            value, name, keyText.join(u", "_s), kindInWords(to)));
}

void TDM::CopySourceRecordToTarget() {
    MemData& s = sourceMemData_;
    MemData& d = destMemData_;
    engineAssigning_ = true;
    Finally assigned([this] { engineAssigning_ = false; });
    d.post();
    for (int f = 1; f < d.fieldCount(); ++f) {
        const FieldDef& def = d.field(f);
        const int sf =
            def.tag == kFlagTag || def.kind != FieldKind::Data ? -1 : s.findDataField(def.name);
        if (sf >= 0) {
            prepareTargetColumn(f, sf);
        }
    }
    const PrimaryKey key(currentKeySpec());
    QStringList keyNames;
    for (int i = 0; i < key.fieldCount(); ++i) {
        keyNames << (key.fieldCount() == 1 ? key.spec() : key.fieldName(i));
    }
    d.insert();
    try {
        for (int f = 1; f < d.fieldCount(); ++f) {
            const FieldDef& def = d.field(f);
            if (def.tag == kFlagTag || def.kind != FieldKind::Data) {
                continue;
            }
            const int sf = s.findDataField(def.name);
            if (sf < 0) {
                continue;
            }
            const FieldType from = s.field(sf).type;
            const Value copied = sourceValueForTarget(f, sf);
            if (copied.isNull() && !s.isNull(sf) &&
                keyNames.contains(def.name, Qt::CaseInsensitive)) {
                refuseSourceValue(f, sf);  // '' in a number column reads as no key
            }
            d.setValue(f, copied);
            // A key that the target's column turns into another key ('007'
            // into an integer column becomes 7) would insert the row under
            // that other key, where a row marked for deletion may stand.
            if (!copied.isNull() && keyNames.contains(def.name, Qt::CaseInsensitive) &&
                !KeyMatcher::keepsKey(s.ref(sf), from, copied, def.type)) {
                changedKeys_[static_cast<int>(d.ref(0).i)] =
                    u"The source row with key field \"%1\" = %2 cannot be copied to the target: "
                    "its key column would hold %3, which is another key. No script was written"_s
                        .arg(def.name, valueForMessage(s.value(sf), from),
                             valueForMessage(copied, def.type));
            }
        }
        d.setAsBool(newField_, true);
        d.post();
    } catch (...) {
        d.cancel();
        throw;
    }
}

void TDM::CopySourceOnlyRecordsToDest() {
    journaled([this] {
        MergeTrack track = startMergeTrack();
        copySourceOnlyRecords(&track);
    });
}

void TDM::copySourceOnlyRecords(MergeTrack* track) {
    Busy busy(busyPort());
    MemData& s = sourceMemData_;
    MemData& d = destMemData_;
    if (!s.isOpen() || !d.isOpen()) {
        return;
    }
    {
        Frozen frozenSource(s);
        Frozen frozenTarget(d);
        s.post();
        for (int p = 0; p < s.recordCount(); ++p) {
            cancelPoint(static_cast<std::size_t>(p));
            if (s.refAt(p, onlyInSource_).i != 0) {
                s.moveTo(p);
                CopySourceRecordToTarget();
                noteAdded();
                track->rows.push_back(d.recIdAt(d.position()));
                track->copies.emplace_back(p, track->rows.back());
            }
        }
        s.first();
    }
    markSourceOnly(track);
    compareTarget(track);
}

void TDM::CopySelectedSourceOnlyRecordsToDestination() {
    journaled([this] { copySelectedSourceOnlyRecords(); });
}

void TDM::copySelectedSourceOnlyRecords() {
    Busy busy(busyPort());
    MemData& s = sourceMemData_;
    MemData& d = destMemData_;
    if (!s.isOpen() || !d.isOpen()) {
        return;
    }
    Frozen frozenSource(s);
    Frozen frozenTarget(d);
    std::size_t visited = 0;
    for (int recId : gridPort().selectedSourceRecIds()) {
        cancelPoint(++visited);
        const int pos = s.positionOfRecId(recId);
        if (pos < 0) {
            continue;
        }
        s.moveTo(pos);
        if (s.asBool(onlyInSource_)) {
            CopySourceRecordToTarget();
            noteAdded();
            // The row has a partner now; left source-only, the next "copy
            // source only" command would insert it a second time.
            s.writeAt(pos, onlyInSource_, Value::fromBool(false));
        }
    }
}

void TDM::ChangeRecsWithDifferencesToEqualSource() {
    journaled([this] { changeRecsWithDifferences(nullptr); });
}

void TDM::changeRecsWithDifferences(MergeTrack* track) {
    Busy busy(busyPort());
    MemData& s = sourceMemData_;
    MemData& d = destMemData_;
    if (!s.isOpen() || !d.isOpen()) {
        return;
    }
    PushSourcePosition();
    Finally popSource([this] { PopSourcePosition(); });
    PushTargetPosition();
    Finally popTarget([this] { PopTargetPosition(); });
    // The compared columns: only a value that differs under its column's
    // rule is copied, and an ignored column keeps the target's value.
    const TableSetup setup = CurrentTableSetup();
    const ComparedColumns compared = currentComparedColumns(setup);
    const std::vector<int> targetKeys = keyFieldsIn(d);
    if (track && targetKeys.empty()) {
        track->usable = false;
    }
    const KeyPlan plan = KeyMatcher::plan(s, d, setup.keySpec);
    const auto differs = [&](const ComparedColumn& c) {
        return !equalUnderRule(d.ref(c.target), d.field(c.target).type, s.ref(c.source),
                               s.field(c.source).type, c.rule, c.loose);
    };
    std::vector<std::pair<int, int>> differing;
    d.post();
    for (int p = 0; p < d.recordCount(); ++p) {
        cancelPoint(static_cast<std::size_t>(p));
        if (d.refAt(p, difference_).i == 0) {
            continue;
        }
        d.moveTo(p);
        if (!locateWithPlan(s, d, plan, false)) {
            d.cancel();
            throw InternalError(
                u"The source record of a target record with differences was not found; its key "
                "was changed after comparing"_s);
        }
        differing.clear();
        for (const ComparedColumn& c : compared.columns) {
            if (differs(c)) {
                const FieldType before = d.field(c.target).type;
                prepareTargetColumn(c.target, c.source);
                // A widened column holds its values anew: compared again.
                if (d.field(c.target).type == before || differs(c)) {
                    differing.emplace_back(c.target, c.source);
                }
            }
        }
        // Every value is converted before the row changes, so that a value
        // the target cannot hold leaves the row as it was.
        std::vector<std::pair<int, Value>> changes;
        for (const auto& [tf, sf] : differing) {
            changes.emplace_back(tf, sourceValueForTarget(tf, sf));
        }
        if (track) {
            track->rows.push_back(d.recIdAt(d.position()));
            // A changed key may part a source row from its partner.
            for (const auto& change : changes) {
                if (std::find(targetKeys.begin(), targetKeys.end(), change.first) !=
                    targetKeys.end()) {
                    track->usable = false;
                }
            }
        }
        if (mergeJournal_) {
            const int recId = d.recIdAt(d.position());
            for (const auto& change : changes) {
                mergeJournal_->cells.push_back({recId, change.first, d.value(change.first)});
            }
        }
        d.edit();
        d.setAsBool(updateField_, true);
        for (const auto& [tf, value] : changes) {
            d.setValue(tf, value);
        }
        d.post();
        p = d.position();  // a sorted list may have moved the row
    }
}

void TDM::ChangeDataToEqualSource() {
    journaled([this] {
        ChangeDataToEqualSourceNoDelete();
        MarkTargetForDeletion(true);
    });
}

void TDM::ChangeDataToEqualSourceNoDelete() {
    journaled([this] {
        MergeTrack track = startMergeTrack();
        changeRecsWithDifferences(&track);
        copySourceOnlyRecords(&track);
    });
}

void TDM::noteAdded() {
    if (mergeJournal_) {
        mergeJournal_->added.push_back(destMemData_.recIdAt(destMemData_.position()));
    }
}

}  // namespace qm

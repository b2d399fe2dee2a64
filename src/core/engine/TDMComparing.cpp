// The comparing half of the engine: marking the rows of both lists (their
// partners found by KeyMatcher) and counting the marks.
#include "common/Cancellation.h"
#include "common/Errors.h"
#include "common/ScopeGuards.h"
#include "engine/RowMarker.h"
#include "engine/SqliteAffinity.h"
#include "engine/TDM.h"
#include "list/Frozen.h"

#include <algorithm>

using namespace Qt::StringLiterals;

namespace qm {

static_assert(RowMarker::kFound == 1 && RowMarker::kDifferent == 2,
              "the stored marks and the worked-out marks share their bits");

// --- comparing ------------------------------------------------------------------------------

bool TDM::sideIsSqlite(const Connection& connection) const {
    return connection.isConnected() && connection.driverKind() == u"SQLITE"_s;
}

void TDM::widenColumn(MemData& list, int f) {
    if (list.field(f).type == FieldType::Variant) {
        return;
    }
    list.widenToVariant(f);
    const QString name = list.field(f).name;
    // The copy and the snapshot share the target list's stored rows.
    for (MemData* other : {&destMemData_, &destMemDataCopy_, &origMemData_}) {
        if (other != &list && other->isOpen() && other->sharesStoreWith(list)) {
            const int of = other->findDataField(name);
            if (of >= 0) {
                other->adoptVariantColumn(of);
            }
        }
    }
}

void TDM::alignVariantColumns() {
    MemData& s = sourceMemData_;
    MemData& d = destMemData_;
    if (!s.isOpen() || !d.isOpen() || !sideIsSqlite(sourceDatabase_) ||
        !sideIsSqlite(destDatabase_)) {
        return;
    }
    for (int f = 1; f < d.fieldCount(); ++f) {
        const int sf = s.findDataField(d.field(f).name);
        if (sf < 0 || d.field(f).tag == kFlagTag || d.field(f).kind != FieldKind::Data ||
            s.field(sf).kind != FieldKind::Data) {
            continue;
        }
        const bool sourceVariant = s.field(sf).type == FieldType::Variant;
        const bool targetVariant = d.field(f).type == FieldType::Variant;
        if (sourceVariant && !targetVariant) {
            widenColumn(d, f);
        } else if (targetVariant && !sourceVariant) {
            widenColumn(s, sf);
        }
    }
}

std::optional<ComparisonCounts> TDM::CompareAll() {
    // Both sides' marks are worked out before either is stored, so that a
    // key message, a conversion error or a stop on one side leaves the
    // other side's marks, statistics and copy as they were.
    deferMarks_ = true;
    Finally done([this] {
        deferMarks_ = false;
        pendingTargetMarks_.clear();
        pendingSourceFound_.clear();
    });
    CompareTarget();
    MarkSourceOnly();
    if (destMemData_.isOpen()) {
        storeTargetMarks(pendingTargetMarks_);
    }
    if (sourceMemData_.isOpen()) {
        storeSourceMarks(pendingSourceFound_);
    }
    compared_ = sourceMemData_.isOpen() && destMemData_.isOpen();
    gridPort().refit(Side::Source);
    gridPort().refit(Side::Target);
    gridPort().repaint(Side::Source);
    gridPort().repaint(Side::Target);
    return TargetCounts();
}

void TDM::CompareAgain() {
    keepUpdateMarks_ = true;
    Finally done([this] { keepUpdateMarks_ = false; });
    CompareAll();
    UpdateStatistics();
}

TDM::ListChanges TDM::listChanges() const {
    return {destMemData_.changeCount(), sourceMemData_.changeCount()};
}

bool TDM::marksCurrent() const {
    if (!marksAt_ || *marksAt_ != listChanges() || !destMemData_.isOpen() ||
        !sourceMemData_.isOpen()) {
        return false;
    }
    const TableSetup setup = CurrentTableSetup();
    return marksKeySpec_ == setup.keySpec && marksRules_ == setup.rules;
}

TDM::MergeTrack TDM::startMergeTrack() const {
    MergeTrack track;
    track.usable = marksCurrent();
    if (track.usable) {
        for (int f = 0; f < destMemData_.fieldCount(); ++f) {
            track.target.push_back(destMemData_.field(f).type);
        }
        for (int f = 0; f < sourceMemData_.fieldCount(); ++f) {
            track.source.push_back(sourceMemData_.field(f).type);
        }
    }
    return track;
}

bool TDM::trackHolds(const MergeTrack& track) const {
    if (!track.usable || !destMemData_.isOpen() || !sourceMemData_.isOpen()) {
        return false;
    }
    // A column widened meanwhile may compare differently in every row.
    const auto sameTypes = [](const MemData& list, const std::vector<FieldType>& types) {
        if (static_cast<std::size_t>(list.fieldCount()) != types.size()) {
            return false;
        }
        for (int f = 0; f < list.fieldCount(); ++f) {
            if (list.field(f).type != types[static_cast<std::size_t>(f)]) {
                return false;
            }
        }
        return true;
    };
    return sameTypes(destMemData_, track.target) && sameTypes(sourceMemData_, track.source);
}

void TDM::storeTargetMarks(const std::vector<std::uint8_t>& marks) {
    MemData& d = destMemData_;
    d.post();
    const bool fresh = sourceMemData_.isOpen() && targetComputedAt_ == listChanges() &&
                       marks.size() == static_cast<std::size_t>(d.recordCount());
    marksAt_.reset();
    targetMarksAt_.reset();
    Finally noted([this, fresh] {
        if (fresh) {
            targetMarksAt_ = listChanges();
        }
    });
    // One notice for the whole pass, not three per row, for whoever shows
    // the list.
    Frozen frozen(d);
    // A comparison clears UpdateField and posts every row. While loading that
    // is all; otherwise the after-post rule then sets it again on every row
    // that is neither new nor marked for deletion, rebuilds the copy and
    // recounts: the same end result, reached in one pass.
    const bool afterPostRule = !loadingData_;
    for (int dp = 0; dp < d.recordCount() && static_cast<std::size_t>(dp) < marks.size(); ++dp) {
        const std::uint8_t m = marks[static_cast<std::size_t>(dp)];
        // A mark that stays as it is (null reads as not set, and is set)
        // needs no write.
        const auto mark = [&d, dp](int f, bool on) {
            const ValueRef old = d.refAt(dp, f);
            if (old.null || (old.i != 0) != on || f == d.sortField()) {
                d.writeAt(dp, f, Value::fromBool(on));
            }
        };
        mark(onlyInDest_, (m & kMarkFound) == 0);
        mark(difference_, (m & kMarkDifferent) != 0);
        if (!keepUpdateMarks_) {
            const bool update = afterPostRule && !d.refAt(dp, del_).i && !d.refAt(dp, newField_).i;
            mark(updateField_, update);
        }
    }
    if (afterPostRule) {
        RebuildTargetCopy();
        UpdateStatistics();
    }
}

void TDM::storeSourceMarks(const std::vector<bool>& found) {
    MemData& s = sourceMemData_;
    s.post();
    // Both sides' marks stand for the same lists: the source's were worked
    // out with the target's or after them, and nothing changed since.
    const bool fresh =
        targetMarksAt_ && *targetMarksAt_ == listChanges() &&
        (sourceComputedAt_ == *targetMarksAt_ || sourceComputedAt_ == targetComputedAt_) &&
        found.size() == static_cast<std::size_t>(s.recordCount());
    marksAt_.reset();
    Finally noted([this, fresh] {
        if (fresh) {
            marksAt_ = listChanges();
        }
    });
    Frozen frozen(s);
    for (int sp = 0; sp < s.recordCount() && static_cast<std::size_t>(sp) < found.size(); ++sp) {
        s.writeAt(sp, onlyInSource_, Value::fromBool(!found[static_cast<std::size_t>(sp)]));
    }
}

std::vector<bool> TDM::targetTextAffinity() const {
    if (!sideIsSqlite(destDatabase_)) {
        return {};
    }
    const MemData& d = destMemData_;
    std::vector<bool> text(static_cast<std::size_t>(d.fieldCount()), false);
    for (int f = 1; f < d.fieldCount(); ++f) {
        const int q = destQuery_.findField(d.field(f).name);
        text[static_cast<std::size_t>(f)] =
            q >= 0 && !destQuery_.field(q).declaredType.isEmpty() &&
            SqliteAffinityRules::of(destQuery_.field(q).declaredType) == SqliteAffinity::Text;
    }
    return text;
}

ComparedColumns TDM::currentComparedColumns(const TableSetup& setup) const {
    if (!destMemData_.isOpen() || !sourceMemData_.isOpen()) {
        return {};
    }
    return comparedColumns(destMemData_, sourceMemData_, setup.keySpec, setup.rules,
                           targetTextAffinity());
}

RowMarker::StopAsked TDM::stopAsked() {
    return [this] { return busyPort().cancelRequested(); };
}

void TDM::CompareTarget() {
    compareTarget(nullptr);
}

void TDM::compareTarget(const MergeTrack* track) {
    MemData& d = destMemData_;
    MemData& s = sourceMemData_;
    if (!d.isOpen()) {
        return;
    }
    PushSourcePosition();
    Finally popSource([this] { PopSourcePosition(); });
    PushTargetPosition();
    Finally popTarget([this] { PopTargetPosition(); });

    alignVariantColumns();
    const bool sourceOpen = s.isOpen();
    const TableSetup setup = CurrentTableSetup();
    KeyPlan plan;
    ComparedColumns compared;
    if (sourceOpen) {
        plan = KeyMatcher::plan(s, d, setup.keySpec);
        compared = currentComparedColumns(setup);
    }
    {
        // The marks are stored row by row without edit state. Outside loading
        // every post would run the after-post rule; storeTargetMarks gives
        // each row the same end result (see there).
        d.post();
        if (sourceOpen) {
            s.post();
        }
        // Every mark is worked out before any is stored, so that a key message,
        // a conversion error or a stop leaves the marks as they were.
        // After a merge only the rows it changed or added can have other
        // marks: the rest and their partners are as they were compared.
        std::vector<bool> renew;
        std::vector<std::uint8_t> previous;
        if (track && sourceOpen && trackHolds(*track) && compared == marksColumns_) {
            renew.assign(static_cast<std::size_t>(d.recordCount()), false);
            for (const int recId : track->rows) {
                const int p = d.positionOfRecId(recId);
                if (p >= 0) {
                    renew[static_cast<std::size_t>(p)] = true;
                }
            }
            previous.assign(renew.size(), 0);
            for (int dp = 0; dp < d.recordCount(); ++dp) {
                if (!renew[static_cast<std::size_t>(dp)]) {
                    previous[static_cast<std::size_t>(dp)] = static_cast<std::uint8_t>(
                        (d.refAt(dp, onlyInDest_).i != 0 ? 0 : kMarkFound) |
                        (d.refAt(dp, difference_).i != 0 ? kMarkDifferent : 0));
                }
            }
        }
        std::vector<std::uint8_t> marks =
            RowMarker(d, s, keyMatcher_, stopAsked()).targetMarks(plan, compared, renew, previous);
        marksColumns_ = std::move(compared);
        marksKeySpec_ = setup.keySpec;
        marksRules_ = setup.rules;
        targetComputedAt_ = listChanges();
        if (deferMarks_) {
            pendingTargetMarks_ = std::move(marks);
        } else {
            storeTargetMarks(marks);
        }
        return;
    }
}

void TDM::MarkSourceOnly() {
    markSourceOnly(nullptr);
}

void TDM::markSourceOnly(const MergeTrack* track) {
    MemData& s = sourceMemData_;
    MemData& d = destMemData_;
    if (!s.isOpen()) {
        return;
    }
    PushSourcePosition();
    PushTargetPosition();
    Finally pop([this] {
        sourceMemData_.setReadOnly(true);
        PopTargetPosition();
        PopSourcePosition();
        gridPort().refit(Side::Source);
    });
    alignVariantColumns();
    const bool targetOpen = d.isOpen();
    const KeyPlan plan = planKey(d, s);
    // The source list raises no events, so the marks are stored row by row.
    s.post();
    if (targetOpen) {
        d.post();
    }
    // All marks are worked out before any is stored, as in CompareTarget.
    std::vector<bool> known;
    // After a merge that kept every target key, a row that had a partner
    // still has it; only the rows that had none are searched again.
    if (track && targetOpen && trackHolds(*track)) {
        // A row copied under its own key (no key column changed it) is
        // found as its copy.
        const auto complete = [](const std::vector<int>& fields) {
            return !fields.empty() && std::find(fields.begin(), fields.end(), -1) == fields.end();
        };
        const bool wholeKey = complete(plan.listFields) && complete(plan.keyListFields);
        known.assign(static_cast<std::size_t>(s.recordCount()), false);
        auto copy = track->copies.begin();
        for (int sp = 0; sp < s.recordCount(); ++sp) {
            cancelPoint(static_cast<std::size_t>(sp));
            while (copy != track->copies.end() && copy->first < sp) {
                ++copy;
            }
            const bool copiedWithKey = wholeKey && copy != track->copies.end() &&
                                       copy->first == sp && !changedKeys_.contains(copy->second);
            known[static_cast<std::size_t>(sp)] =
                s.refAt(sp, onlyInSource_).i == 0 || copiedWithKey;
        }
    }
    std::vector<bool> found = RowMarker(d, s, keyMatcher_, stopAsked()).sourceFound(plan, known);
    sourceComputedAt_ = listChanges();
    if (deferMarks_) {
        pendingSourceFound_ = std::move(found);
    } else {
        storeSourceMarks(found);
    }
}

void TDM::SyncSourceToTarget() {
    if (compared_ && sourceMemData_.isOpen()) {
        if (!LocateMatch(sourceMemData_, destMemData_, false)) {
            busyPort().beep();
        }
    }
}

void TDM::SyncTargetToSource() {
    if (compared_ && destMemData_.isOpen()) {
        if (!LocateMatch(destMemData_, sourceMemData_, false)) {
            busyPort().beep();
        }
        gridPort().repaint(Side::Target);
    }
}

void TDM::UpdateStatistics() {
    MemData& d = destMemData_;
    if (!d.isOpen()) {
        return;
    }
    // While the target's display is frozen (a bulk command runs) nobody sees
    // the labels; they are written once when it is unfrozen.
    if (d.controlsDisabled()) {
        statisticsPending_ = true;
        return;
    }
    statisticsPending_ = false;
    statView_.Show(*TargetCounts());
}

std::optional<ComparisonCounts> TDM::TargetCounts() const {
    const MemData& d = destMemData_;
    if (!d.isOpen()) {
        return std::nullopt;
    }
    // The counts are kept by the list as rows are posted.
    return ComparisonCounts{d.countTrue(newField_), d.countTrue(updateField_), d.countTrue(del_),
                            d.countTrue(difference_), d.countTrue(onlyInDest_)};
}

}  // namespace qm

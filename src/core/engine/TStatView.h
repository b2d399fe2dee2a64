#pragma once

#include "engine/EnginePorts.h"

#include <optional>

namespace qm {

/// The counts the statistics strip shows: set after comparing and merging,
/// cleared when both lists close. Tells its listener of every change; the
/// texts are made at the edges (EngineTexts.h).
class TStatView {
public:
    /// A null listener hears nothing.
    void setListener(EngineStateListener* listener) { listener_ = listener; }
    /// Forgets the counts.
    void Clear();
    /// Keeps the five counts.
    void Show(int inserts, int updates, int deletes, int differences, int locals);
    void Show(const ComparisonCounts& counts);
    /// The counts last shown; nullopt when cleared (or never shown).
    const std::optional<ComparisonCounts>& Counts() const { return counts_; }
    /// Keeps the rows the databases counted but did not load (all equal
    /// on both sides, so the five counts hold for the whole tables); nullopt
    /// while the open lists hold every row of their queries. Tells the
    /// listener only of a change.
    void ShowUnloaded(const std::optional<UnloadedRows>& rows);
    const std::optional<UnloadedRows>& Unloaded() const { return unloaded_; }

private:
    void changed();

    EngineStateListener* listener_ = nullptr;
    std::optional<ComparisonCounts> counts_;
    std::optional<UnloadedRows> unloaded_;
};

}  // namespace qm

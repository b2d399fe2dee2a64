#pragma once

namespace qm {

class EngineView;

/// Writes the five statistics labels of the main window. Holds no state of
/// its own.
class TStatView {
public:
    explicit TStatView(EngineView& view) : view_(view) {}
    /// Empties all five labels.
    void Clear();
    /// Sets each label to its count text, or to its "none" text for 0.
    void Show(int inserts, int updates, int deletes, int differences, int locals);

private:
    EngineView& view_;
};

}  // namespace qm

#pragma once

#include "engine/ScriptExecutor.h"

namespace qm {

/// A script editor that is just text and a selection: what the command-line
/// tool executes, and what tests drive execution with.
class TextScriptEditor final : public ScriptEditor {
public:
    explicit TextScriptEditor(QString text = {}) : text_(std::move(text)) {}
    void setText(const QString& text) { text_ = text; }

    QString text() const override { return text_; }
    int selectionStart() const override { return start_; }
    int selectionLength() const override { return length_; }
    void setSelection(int start, int length) override {
        start_ = start;
        length_ = length;
    }
    void removeSelection() override {
        text_.remove(start_, length_);
        length_ = 0;
    }
    void clear() override {
        text_.clear();
        start_ = length_ = 0;
    }

private:
    QString text_;
    int start_ = 0;
    int length_ = 0;
};

}  // namespace qm

#pragma once

#include "engine/ScriptExecutor.h"

class QPlainTextEdit;

namespace qm {

/// The script editor widget as script execution sees it. The widget keeps
/// its lines apart with "\n"; the script text it hands over has CR LF line
/// breaks, and every position and length in and out counts characters of
/// that CR LF text, so a selection maps to the same statements either way.
class ScriptMemoEditor final : public ScriptEditor {
public:
    explicit ScriptMemoEditor(QPlainTextEdit& memo) : memo_(memo) {}

    /// The widget's text exactly as typed or loaded, lines joined by "\n".
    /// (Its own plain text turns no-break spaces into blanks, which would
    /// change text literals of the script.)
    static QString plainText(const QPlainTextEdit& memo);

    QString text() const override;
    int selectionStart() const override;
    int selectionLength() const override;
    void setSelection(int start, int length) override;
    void removeSelection() override;
    void clear() override;
    void setFocus() override;

private:
    /// Position in the CR LF text of the widget's position `position`.
    int toScript(int position) const;
    /// Widget position of the CR LF text's position `position`; one inside
    /// a CR LF pair stands for the line break.
    int toWidget(int position) const;

    QPlainTextEdit& memo_;
};

}  // namespace qm

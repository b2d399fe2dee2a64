#include "window/ScriptMemoEditor.h"

#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <algorithm>

using namespace Qt::StringLiterals;

namespace qm {

QString ScriptMemoEditor::plainText(const QPlainTextEdit& memo) {
    QString text;
    const QTextDocument& document = *memo.document();
    text.reserve(document.characterCount());
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        if (block != document.begin()) {
            text += u'\n';
        }
        text += block.text();
    }
    return text;
}

QString ScriptMemoEditor::text() const {
    QString plain = plainText(memo_);
    return plain.replace(u'\n', u"\r\n"_s);
}

int ScriptMemoEditor::toScript(int position) const {
    const QString plain = plainText(memo_);
    const int end = std::clamp(position, 0, static_cast<int>(plain.size()));
    return end + static_cast<int>(QStringView(plain).first(end).count(u'\n'));
}

int ScriptMemoEditor::toWidget(int position) const {
    const QString plain = plainText(memo_);
    int script = 0;
    for (qsizetype widget = 0; widget < plain.size(); ++widget) {
        const int width = plain.at(widget) == u'\n' ? 2 : 1;
        if (position < script + width) {
            return static_cast<int>(widget);
        }
        script += width;
    }
    return static_cast<int>(plain.size());
}

int ScriptMemoEditor::selectionStart() const {
    return toScript(memo_.textCursor().selectionStart());
}

int ScriptMemoEditor::selectionLength() const {
    const QTextCursor cursor = memo_.textCursor();
    return toScript(cursor.selectionEnd()) - toScript(cursor.selectionStart());
}

void ScriptMemoEditor::setSelection(int start, int length) {
    QTextCursor cursor = memo_.textCursor();
    cursor.setPosition(toWidget(start));
    if (length > 0) {
        cursor.setPosition(toWidget(start + length), QTextCursor::KeepAnchor);
    }
    memo_.setTextCursor(cursor);
}

void ScriptMemoEditor::removeSelection() {
    QTextCursor cursor = memo_.textCursor();
    cursor.removeSelectedText();
    memo_.setTextCursor(cursor);
}

void ScriptMemoEditor::clear() {
    memo_.clear();
}

void ScriptMemoEditor::setFocus() {
    memo_.setFocus();
}

}  // namespace qm

#include "window/ScriptTab.h"

#include "window/ScriptMemoEditor.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QMetaObject>
#include <QPlainTextEdit>
#include <QTextCursor>
#include <QTextDocument>
#include <QToolButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace qm {

ScriptTab::ScriptTab(QAction& executeScript, QWidget* parent) : QWidget(parent) {
    setObjectName(u"ScriptTabSheet"_s);
    scriptMemo_ = new QPlainTextEdit(this);
    scriptMemo_->setObjectName(u"ScriptMemo"_s);
    scriptMemo_->setLineWrapMode(QPlainTextEdit::NoWrap);
    scriptMemo_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    scriptMemo_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // The selection is what "Execute Script" runs: it stays marked while
    // the user presses the button.
    QPalette palette = scriptMemo_->palette();
    palette.setColor(QPalette::Inactive, QPalette::Highlight,
                     palette.color(QPalette::Active, QPalette::Highlight));
    palette.setColor(QPalette::Inactive, QPalette::HighlightedText,
                     palette.color(QPalette::Active, QPalette::HighlightedText));
    scriptMemo_->setPalette(palette);

    // A command that writes the editor itself while the work's lines are
    // held (opening a script file) replaces what a held clear would empty.
    connect(scriptMemo_->document(), &QTextDocument::contentsChanged, this, [this] {
        if (held_) {
            editedWhileHeld_ = true;
        }
    });

    auto* bottom = new QWidget(this);
    bottom->setMinimumHeight(84);
    auto* execute = new QToolButton(bottom);
    execute->setObjectName(u"ExecuteScriptButton"_s);
    execute->setDefaultAction(&executeScript);
    execute->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    execute->setFixedWidth(121);
    auto* tip = new QLabel(
        u"Tip: you can select only part of the sql entered/generated. When "
        u"executed only the selected sql will be used."_s,
        bottom);
    tip->setWordWrap(true);
    tip->setTextInteractionFlags(Qt::TextSelectableByMouse);
    selectNext_ = new QCheckBox(
        u"Select next statement automatically, if statement executed successfully"_s, bottom);
    deleteExecuted_ =
        new QCheckBox(u"Delete statements after it is executed successfully"_s, bottom);
    disableLogging_ = new QCheckBox(u"Disable logging"_s, bottom);
    auto* grid = new QGridLayout(bottom);
    grid->setContentsMargins(4, 4, 4, 4);
    grid->addWidget(execute, 0, 0, Qt::AlignTop);
    grid->addWidget(tip, 0, 1);
    grid->addWidget(selectNext_, 1, 1);
    grid->addWidget(deleteExecuted_, 2, 1);
    grid->addWidget(disableLogging_, 3, 1);
    grid->setColumnStretch(1, 1);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(scriptMemo_, 1);
    layout->addWidget(bottom);
}

void ScriptTab::clearScript() {
    pendingLines_.clear();
    if (held_) {
        clearHeld_ = true;
        editedWhileHeld_ = false;  // what was written before is cleared too
        return;
    }
    scriptMemo_->clear();
}

void ScriptTab::holdScript() {
    flushScript();
    held_ = true;
    clearHeld_ = false;
    markHeld_ = false;
    editedWhileHeld_ = false;
}

void ScriptTab::releaseScript(bool apply) {
    if (!held_) {
        return;
    }
    held_ = false;
    if (!apply) {
        pendingLines_.clear();
    } else if (clearHeld_ && !editedWhileHeld_) {
        scriptMemo_->clear();
    }
    const bool mark = apply && markHeld_;
    clearHeld_ = false;
    markHeld_ = false;
    flushScript();
    if (mark) {
        markTableSetupScript();
    }
}

void ScriptTab::appendScriptLine(const QString& line) {
    if (pendingLines_.isEmpty() && !held_) {
        QMetaObject::invokeMethod(this, &ScriptTab::flushScript, Qt::QueuedConnection);
    }
    pendingLines_ << line;
}

void ScriptTab::flushScript() const {
    if (pendingLines_.isEmpty() || held_) {
        return;
    }
    const QString joined = pendingLines_.join(u'\n');
    pendingLines_.clear();
    // Each line becomes a paragraph of its own, as if appended one by one.
    if (scriptMemo_->document()->isEmpty()) {
        scriptMemo_->setPlainText(joined);
    } else {
        QTextCursor end(scriptMemo_->document());
        end.movePosition(QTextCursor::End);
        end.insertText(u'\n' + joined);
    }
}

void ScriptTab::markTableSetupScript() {
    if (held_) {
        markHeld_ = true;  // the text it means is still held back
        return;
    }
    flushScript();
    tableSetupScript_ = ScriptMemoEditor::plainText(*scriptMemo_);
}

bool ScriptTab::holdsOnlyTableSetupScript() const {
    flushScript();
    if (scriptMemo_->document()->isEmpty()) {
        return true;
    }
    // Compared in full: an edit anywhere, also one undone by typing it back,
    // counts only once the text differs.
    return !tableSetupScript_.isNull() &&
           ScriptMemoEditor::plainText(*scriptMemo_) == tableSetupScript_;
}

bool ScriptTab::selectNextStatement() const {
    return selectNext_->isChecked();
}

bool ScriptTab::deleteExecutedStatements() const {
    return deleteExecuted_->isChecked();
}

bool ScriptTab::disableLogging() const {
    return disableLogging_->isChecked();
}

}  // namespace qm

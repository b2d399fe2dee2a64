#include "window/FieldUndoPassOn.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>

namespace qm {
namespace {

// The line edit a combo or spin box edits through, or the widget's own.
const QLineEdit* lineEditOf(const QWidget& widget) {
    if (const auto* edit = qobject_cast<const QLineEdit*>(&widget)) {
        return edit;
    }
    if (const auto* combo = qobject_cast<const QComboBox*>(&widget)) {
        return combo->isEditable() ? combo->lineEdit() : nullptr;
    }
    if (qobject_cast<const QAbstractSpinBox*>(&widget) != nullptr) {
        return widget.findChild<const QLineEdit*>();
    }
    return nullptr;
}

}  // namespace

FieldUndoPassOn::FieldUndoPassOn(QWidget& window) : QObject(&window), window_(&window) {
    qApp->installEventFilter(this);
}

FieldUndoPassOn::~FieldUndoPassOn() {
    qApp->removeEventFilter(this);
}

bool FieldUndoPassOn::isTextField(const QWidget& widget) {
    return lineEditOf(widget) != nullptr || qobject_cast<const QPlainTextEdit*>(&widget) ||
           qobject_cast<const QTextEdit*>(&widget);
}

bool FieldUndoPassOn::fieldCanUndo(const QWidget& field) {
    if (const QLineEdit* edit = lineEditOf(field)) {
        return edit->isUndoAvailable();
    }
    if (const auto* plain = qobject_cast<const QPlainTextEdit*>(&field)) {
        return plain->document()->isUndoAvailable();
    }
    if (const auto* rich = qobject_cast<const QTextEdit*>(&field)) {
        return rich->document()->isUndoAvailable();
    }
    return false;
}

bool FieldUndoPassOn::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::ShortcutOverride || !watched->isWidgetType()) {
        return false;
    }
    const auto& widget = static_cast<const QWidget&>(*watched);
    if (widget.window() != window_ || !isTextField(widget) ||
        !static_cast<QKeyEvent*>(event)->matches(QKeySequence::Undo) || fieldCanUndo(widget)) {
        return false;
    }
    // Not claimed: the window's shortcut runs instead of the field's undo.
    event->ignore();
    return true;
}

}  // namespace qm

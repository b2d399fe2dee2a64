#include "window/BusyInputFilter.h"

#include <QKeyEvent>
#include <QWidget>
#include <QWindow>

namespace qm {

BusyInputFilter::BusyInputFilter(QObject* open, std::function<void()> onEscape)
    : open_(open), onEscape_(std::move(onEscape)) {}

bool BusyInputFilter::isInput(int eventType) {
    switch (static_cast<QEvent::Type>(eventType)) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove:
        case QEvent::Wheel:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::ShortcutOverride:
        case QEvent::Shortcut:
        case QEvent::ContextMenu:
        case QEvent::TabletPress:
        case QEvent::TabletRelease:
        case QEvent::TabletMove:
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
        case QEvent::DragEnter:
        case QEvent::DragMove:
        case QEvent::Drop:
        case QEvent::HoverEnter:
        case QEvent::HoverMove:
        case QEvent::HoverLeave:
        case QEvent::StatusTip:
        case QEvent::ToolTip:
        case QEvent::WhatsThis:
        case QEvent::Close:
            return true;
        default:
            return false;
    }
}

bool BusyInputFilter::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        if (onEscape_) {
            onEscape_();
        }
        return true;
    }
    if (!isInput(type)) {
        return false;
    }
    // A window hands its input on to its widgets, where it is judged.
    if (watched->isWindowType() && type != QEvent::Close) {
        return false;
    }
    for (QObject* o = watched; o; o = o->parent()) {
        if (o == open_ && type != QEvent::Close) {
            return false;
        }
    }
    // Closing the window now would pull the lists away from the work.
    event->ignore();
    return true;
}

}  // namespace qm

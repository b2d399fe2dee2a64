#include "shared/BusyCursor.h"

#include "report/KzError.h"

#include <QCursor>
#include <QGuiApplication>

using namespace Qt::StringLiterals;

namespace qm {
namespace {

// The application keeps the saved cursors itself (override cursors
// stack); this counts them so that the depth rules hold.
int g_depth = 0;

}  // namespace

void MakeBusy() {
    TkzError::instance().Precondition(g_depth < kMaxBusyDepth, u"busy cursor stack is full"_s,
                                      u"MakeBusy"_s);
    if (g_depth >= kMaxBusyDepth) {
        return;  // the user chose to go on: the cursor is busy already
    }
    ++g_depth;
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    // Moving the pointer onto itself makes the new cursor show before the
    // next mouse move.
    QCursor::setPos(QCursor::pos());
}

void EndBusy() {
    if (g_depth == 0) {
        return;
    }
    --g_depth;
    QGuiApplication::restoreOverrideCursor();
}

int busyDepth() {
    return g_depth;
}

}  // namespace qm

#include "window/WindowEngineAdapter.h"

#include "engine/EngineTexts.h"
#include "shared/BusyCursor.h"
#include "window/BusyInputFilter.h"
#include "window/DatabaseTab.h"
#include "window/MergeGrids.h"
#include "window/MergeTab.h"
#include "window/ScriptTab.h"
#include "window/StatusStrip.h"

#include <QApplication>
#include <QPlainTextEdit>
#include <QToolButton>

using namespace Qt::StringLiterals;

namespace qm {

WindowEngineAdapter::WindowEngineAdapter() = default;
WindowEngineAdapter::~WindowEngineAdapter() = default;

bool WindowEngineAdapter::runWork(const std::function<void()>& work) {
    if (depth_ > 0) {
        work();  // the outermost run ends it
        return true;
    }
    depth_ = 1;
    cancel_.reset();
    workClock_.start();
    pumpClock_.start();
    progressShown_ = false;
    if (regions_.script) {
        regions_.script->holdScript();
    }
    try {
        work();
    } catch (const Cancelled&) {
        endWork(true);
        return false;
    } catch (...) {
        endWork(false);
        throw;
    }
    endWork(false);
    return true;
}

void WindowEngineAdapter::endWork(bool stopped) {
    depth_ = 0;
    cancel_.reset();
    if (regions_.script) {
        regions_.script->releaseScript(!stopped);
    }
    const bool wasShown = shown_;
    shown_ = false;
    if (wasShown) {
        EndBusy();
    }
    if (regions_.status) {
        regions_.status->setWorking(false);
        if (stopped) {
            regions_.status->setStatusText(u"Stopped."_s);
        } else if (wasShown) {
            regions_.status->setStatusText(u"Ready"_s);
        }
    }
    if (wasShown && regions_.updateUI) {
        regions_.updateUI();
    }
}

void WindowEngineAdapter::showWork() {
    shown_ = true;
    MakeBusy();
    if (regions_.status) {
        regions_.status->setWorking(true);
        if (!progressShown_) {
            regions_.status->setStatusText(u"Working... (Esc stops)"_s);
        }
    }
    // The commands are disabled while the work runs: any of them would start
    // a second operation inside this one.
    if (regions_.updateUI) {
        regions_.updateUI();
    }
}

bool WindowEngineAdapter::cancelRequested() {
    if (depth_ == 0 || cancel_.requested()) {
        return cancel_.requested();
    }
    if (pumpClock_.elapsed() < pumpInterval) {
        return false;
    }
    if (!shown_ && workClock_.elapsed() >= showAfter) {
        showWork();
    }
    if (onPump) {
        onPump();
    }
    if (!filter_) {
        QObject* open = regions_.status ? &regions_.status->cancelButton() : nullptr;
        filter_ = std::make_unique<BusyInputFilter>(open, [this] { requestCancel(); });
    }
    // Installed only while events are let through here: a dialog that the
    // work opens runs its own event loop with the user's input.
    qApp->installEventFilter(filter_.get());
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    qApp->removeEventFilter(filter_.get());
    pumpClock_.start();
    return cancel_.requested();
}

void WindowEngineAdapter::connectedChanged(Side side, bool connected) {
    if (regions_.database) {
        regions_.database->setConnected(side, connected);
    }
}

void WindowEngineAdapter::recordCountChanged(Side side, std::optional<qsizetype> records) {
    if (regions_.merge) {
        regions_.merge->setRecordCount(side, records);
    }
}

void WindowEngineAdapter::statisticsChanged(const std::optional<ComparisonCounts>& counts) {
    if (regions_.merge) {
        regions_.merge->setStatistics(statisticTexts(counts).all());
    }
}

void WindowEngineAdapter::unloadedRowsChanged(const std::optional<UnloadedRows>& rows) {
    if (regions_.merge) {
        regions_.merge->setUnloadedRows(rows);
    }
}

void WindowEngineAdapter::stateChanged() {
    if (regions_.updateUI) {
        regions_.updateUI();
    }
}

void WindowEngineAdapter::columnsCreated(Side side) {
    if (regions_.grids) {
        regions_.grids->columnsCreated(side);
    }
}

void WindowEngineAdapter::columnsRemoved(Side side) {
    if (regions_.grids) {
        regions_.grids->columnsRemoved(side);
    }
}

void WindowEngineAdapter::refit(Side side) {
    if (regions_.grids) {
        regions_.grids->refit(side);
    }
}

void WindowEngineAdapter::repaint(Side side) {
    if (regions_.grids) {
        regions_.grids->repaint(side);
    }
}

std::vector<int> WindowEngineAdapter::selectedSourceRecIds() const {
    return regions_.grids ? regions_.grids->selectedSourceRecIds() : std::vector<int>{};
}

void WindowEngineAdapter::beginBusy() {
    MakeBusy();
}

void WindowEngineAdapter::endBusy() {
    EndBusy();
}

void WindowEngineAdapter::progress(const QString& text) {
    progressShown_ = !text.isEmpty();
    if (regions_.status) {
        const QString idle = shown_ ? u"Working... (Esc stops)"_s : u"Ready"_s;
        regions_.status->setStatusText(text.isEmpty() ? idle : text);
        regions_.status->repaint();  // long runs do not return to the event loop
    }
}

void WindowEngineAdapter::beep() {
    QApplication::beep();
}

void WindowEngineAdapter::clear() {
    if (regions_.script) {
        regions_.script->clearScript();
    }
}

void WindowEngineAdapter::appendLine(const QString& line) {
    if (regions_.script) {
        regions_.script->appendScriptLine(line);
    }
}

void WindowEngineAdapter::show() {
    if (regions_.script) {
        regions_.script->flushScript();
    }
    if (regions_.showScriptTab) {
        regions_.showScriptTab();
    }
}

}  // namespace qm

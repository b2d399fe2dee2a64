#include "window/WindowEngineAdapter.h"

#include "engine/EngineTexts.h"
#include "shared/BusyCursor.h"
#include "window/DatabaseTab.h"
#include "window/MergeGrids.h"
#include "window/MergeTab.h"
#include "window/ScriptTab.h"
#include "window/StatusStrip.h"

#include <QApplication>
#include <QPlainTextEdit>

namespace qm {

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
    if (regions_.status) {
        regions_.status->setStatusText(text.isEmpty() ? QStringLiteral("Ready") : text);
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

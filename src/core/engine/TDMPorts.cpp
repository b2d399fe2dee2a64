// The engine's ports and the state it reports through them.

#include "engine/TDM.h"

namespace qm {

void TDM::setPorts(EnginePorts ports) {
    ports_ = ports;
    statView_.setListener(ports.state);
}

namespace {

// Stand-ins for ports that were not given: their defaults do nothing.
EngineStateListener noState;
GridPort noGrids;
BusyPort noBusy;
ScriptPort noScript;

}  // namespace

EngineStateListener& TDM::statePort() const {
    return ports_.state ? *ports_.state : noState;
}

GridPort& TDM::gridPort() const {
    return ports_.grids ? *ports_.grids : noGrids;
}

BusyPort& TDM::busyPort() const {
    return ports_.busy ? *ports_.busy : noBusy;
}

ScriptPort& TDM::scriptPort() const {
    return ports_.script ? *ports_.script : noScript;
}

bool TDM::Connected(Side side) const {
    return (side == Side::Source ? sourceDatabase_ : destDatabase_).isConnected();
}

std::optional<qsizetype> TDM::RecordCount(Side side) const {
    return side == Side::Source ? sourceRecords_ : targetRecords_;
}

void TDM::setRecordCount(Side side, std::optional<qsizetype> records) {
    (side == Side::Source ? sourceRecords_ : targetRecords_) = records;
    // Opened or closed, the side no longer holds rows restricted by a
    // comparison inside the databases (OpenBothInDatabase marks it again).
    sideLeftRestriction(side);
    statePort().recordCountChanged(side, records);
}

}  // namespace qm

#!/usr/bin/env bash
# Configures and builds Quillmere into build/ (CMake + Ninja, release build
# with debug info). Extra arguments are passed on to the configure step,
# e.g. bash scripts/build.sh -DCMAKE_BUILD_TYPE=Debug
set -euo pipefail

cd "$(dirname "${BASH_SOURCE[0]}")/.."

BUILD_DIR=build
JOBS=${QUILLMERE_BUILD_JOBS:-2}

log() { printf '[build] %s\n' "$*" >&2; }

# A folder configured earlier with another generator cannot be reused.
if [[ -f "$BUILD_DIR/CMakeCache.txt" ]] &&
   ! grep -q '^CMAKE_GENERATOR:INTERNAL=Ninja$' "$BUILD_DIR/CMakeCache.txt"; then
    log "$BUILD_DIR was configured with another generator; reconfiguring from scratch"
    rm -rf "$BUILD_DIR/CMakeCache.txt" "$BUILD_DIR/CMakeFiles"
fi

log "configuring"
cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"

log "building with $JOBS jobs"
cmake --build "$BUILD_DIR" -j"$JOBS"

log "done"

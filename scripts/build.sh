#!/usr/bin/env bash
# Configures and builds Quillmere into build/ (CMake + Ninja, release build
# with debug info). Extra arguments are passed on to the configure step,
# e.g. bash scripts/build.sh -DCMAKE_BUILD_TYPE=Debug
# --target NAME (repeatable) builds only those targets and what they need,
# e.g. bash scripts/build.sh --target quillmere-cli; without it everything
# is built, the test programs included.
set -euo pipefail

cd "$(dirname "${BASH_SOURCE[0]}")/.."

BUILD_DIR=build
JOBS=${QUILLMERE_BUILD_JOBS:-2}

log() { printf '[build] %s\n' "$*" >&2; }

targets=()
target_names=()
configure_args=()
while (($# > 0)); do
    case "$1" in
        --target)
            (($# >= 2)) || { log "error: --target needs a target name"; exit 2; }
            targets+=(--target "$2")
            target_names+=("$2")
            shift 2
            ;;
        *)
            configure_args+=("$1")
            shift
            ;;
    esac
done

# A folder configured earlier with another generator cannot be reused.
if [[ -f "$BUILD_DIR/CMakeCache.txt" ]] &&
   ! grep -q '^CMAKE_GENERATOR:INTERNAL=Ninja$' "$BUILD_DIR/CMakeCache.txt"; then
    log "$BUILD_DIR was configured with another generator; reconfiguring from scratch"
    rm -rf "$BUILD_DIR/CMakeCache.txt" "$BUILD_DIR/CMakeFiles"
fi

log "configuring"
cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${configure_args[@]}"

if ((${#targets[@]} > 0)); then
    log "building ${target_names[*]} with $JOBS jobs"
else
    log "building everything with $JOBS jobs"
fi
cmake --build "$BUILD_DIR" -j"$JOBS" "${targets[@]}"

log "done"

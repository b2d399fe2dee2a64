#!/usr/bin/env bash
# Builds the libFuzzer targets (fuzz/Fuzz<Name>.cpp) with clang into
# build-fuzz/ and runs each one for the given number of seconds (default 20)
# over its corpus folder fuzz/corpus/<Name>/.
#
#   bash scripts/run-fuzz.sh [seconds]
#
# New inputs the fuzzer finds go to a temporary folder, never into the
# repository. When a target crashes, its log and the input that crashed it
# are copied to build-fuzz/findings/<Name>/ and the exit code is 1.
# Environment: QUILLMERE_BUILD_JOBS (build jobs, default 2),
# QUILLMERE_FUZZ_MAX_LEN (longest input in bytes, default 4096).
set -euo pipefail

cd "$(dirname "${BASH_SOURCE[0]}")/.."
ROOT=$(pwd -P)

SECONDS_PER_TARGET=${1:-20}
BUILD_DIR=build-fuzz
JOBS=${QUILLMERE_BUILD_JOBS:-2}
MAX_LEN=${QUILLMERE_FUZZ_MAX_LEN:-4096}

log() { printf '[run-fuzz] %s\n' "$*" >&2; }

if ! [[ "$SECONDS_PER_TARGET" =~ ^[1-9][0-9]*$ ]]; then
    log "usage: bash scripts/run-fuzz.sh [seconds per target]"
    exit 2
fi
for tool in clang clang++; do
    if ! command -v "$tool" >/dev/null; then
        log "$tool not found; bash scripts/install-deps.sh installs it"
        exit 1
    fi
done

# A folder configured earlier with another generator or compiler cannot be reused.
if [[ -f "$BUILD_DIR/CMakeCache.txt" ]] &&
   ! grep -q '^CMAKE_GENERATOR:INTERNAL=Ninja$' "$BUILD_DIR/CMakeCache.txt"; then
    log "$BUILD_DIR was configured with another generator; reconfiguring from scratch"
    rm -rf "$BUILD_DIR/CMakeCache.txt" "$BUILD_DIR/CMakeFiles"
fi

log "configuring $BUILD_DIR"
cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DQUILLMERE_FUZZ=ON -DBUILD_TESTING=OFF >/dev/null
log "building the fuzz targets with $JOBS jobs"
cmake --build "$BUILD_DIR" -j"$JOBS" --target quillmere-fuzz

WORK=$(mktemp -d /tmp/quillmere-fuzz.XXXXXX)
# shellcheck disable=SC2317  # called from the trap
cleanup() { rm -rf "$WORK"; }
trap cleanup EXIT

export ASAN_OPTIONS=${ASAN_OPTIONS:-abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

failed=()
for source in fuzz/Fuzz*.cpp; do
    name=$(basename "$source" .cpp)
    name=${name#Fuzz}
    binary="$BUILD_DIR/fuzz/fuzz-$name"
    mkdir -p "$WORK/$name/new" "$WORK/$name/artifacts"
    corpora=("$WORK/$name/new")
    if [[ -d "fuzz/corpus/$name" ]]; then
        corpora+=("fuzz/corpus/$name")
    fi
    options=(-max_total_time="$SECONDS_PER_TARGET" -max_len="$MAX_LEN" -timeout=10
             -rss_limit_mb=2048 -print_final_stats=1
             -artifact_prefix="$WORK/$name/artifacts/")
    if [[ -f "fuzz/$name.dict" ]]; then
        options+=(-dict="fuzz/$name.dict")
    fi

    log "fuzz-$name: ${SECONDS_PER_TARGET}s over ${corpora[*]:1}"
    if "$binary" "${options[@]}" "${corpora[@]}" >"$WORK/$name/log" 2>&1; then
        grep -E '^stat::(number_of_executed_units|new_units_added)' "$WORK/$name/log" |
            sed "s/^/[run-fuzz] fuzz-$name /" >&2 || true
    else
        tail -n 60 "$WORK/$name/log" >&2
        findings="$ROOT/$BUILD_DIR/findings/$name"
        mkdir -p "$findings"
        cp "$WORK/$name/log" "$findings/"
        cp -r "$WORK/$name/artifacts/." "$findings/" 2>/dev/null || true
        log "fuzz-$name FAILED; log and input kept in $findings"
        log "reproduce with: $binary $findings/<input>"
        failed+=("$name")
    fi
done

if ((${#failed[@]} > 0)); then
    log "failed targets: ${failed[*]}"
    exit 1
fi
log "done"

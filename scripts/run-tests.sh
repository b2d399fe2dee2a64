#!/usr/bin/env bash
# The one test command: installs the dependencies, builds, starts a private
# PostgreSQL server on a loopback port and runs every test with CTest, then
# a short fuzz run (scripts/run-fuzz.sh). Extra arguments go to ctest, e.g.
# bash scripts/run-tests.sh -R Engine, and skip the fuzz run. The exit code
# is ctest's, or 1 when only the fuzz run failed. The server is stopped on
# every way out.
set -euo pipefail

cd "$(dirname "${BASH_SOURCE[0]}")/.."
ROOT=$(pwd -P)

log() { printf '[run-tests] %s\n' "$*" >&2; }

bash "$ROOT/scripts/install-deps.sh"
bash "$ROOT/scripts/build.sh"

# The folder is made here, before the server starts, so that the cleanup
# below always knows what to stop and remove.
PG_DIR=$(mktemp -d /tmp/quillmere-pg.XXXXXX)
# shellcheck disable=SC2317  # called from the trap
cleanup() {
    local rc=$?
    trap - EXIT INT TERM HUP
    bash "$ROOT/scripts/pg-test-server.sh" stop "$PG_DIR" || true
    exit "$rc"
}
trap cleanup EXIT
trap 'exit 129' HUP
trap 'exit 130' INT
trap 'exit 143' TERM

server_env=$(bash "$ROOT/scripts/pg-test-server.sh" start "$PG_DIR")
eval "$server_env"
export QUILLMERE_TEST_PG_HOST QUILLMERE_TEST_PG_PORT QUILLMERE_TEST_PG_USER \
       QUILLMERE_TEST_PG_PWUSER QUILLMERE_TEST_PG_PASSWORD

# Tests must not depend on the caller's own alias file or password.
unset QUILLMERE_ALIASES QUILLMERE_PASSWORD
export QT_QPA_PLATFORM=offscreen

log "PostgreSQL test server on $QUILLMERE_TEST_PG_HOST:$QUILLMERE_TEST_PG_PORT"
set +e
ctest --test-dir "$ROOT/build" --output-on-failure "$@"
rc=$?
set -e
log "ctest exit code $rc"

# A bounded run of every fuzz target over its corpus (scripts/run-fuzz.sh;
# about two minutes with the instrumented build). It runs when all tests
# were asked for, unless QUILLMERE_SKIP_FUZZ is set; a failure fails the run.
if (($# == 0)) && [[ -z "${QUILLMERE_SKIP_FUZZ:-}" ]]; then
    if ! bash "$ROOT/scripts/run-fuzz.sh" "${QUILLMERE_FUZZ_SECONDS:-15}"; then
        log "fuzz run failed"
        if ((rc == 0)); then
            rc=1
        fi
    fi
fi
exit "$rc"

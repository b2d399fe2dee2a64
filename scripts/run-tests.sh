#!/usr/bin/env bash
# The one test command: installs the dependencies, builds, starts a private
# PostgreSQL server on a loopback port and runs every test with CTest.
# Extra arguments go to ctest, e.g. bash scripts/run-tests.sh -R Engine
# The exit code is ctest's. The server is stopped on every way out.
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
exit "$rc"

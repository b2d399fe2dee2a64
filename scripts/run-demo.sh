#!/usr/bin/env bash
# The demo: installs the dependencies, builds the three programs it runs
# (the command-line tool, the desktop program and quillmere-demo; the tests
# are left out), makes the two demo SQLite databases and the demo project
# (scripts/make-demo.sh), and compares every table setup listed in
# demo/table-setups.txt with the command-line tool; then compares the whole
# project and writes its script (build/demo/demo-sync.sql). Last it starts
# the desktop program on the demo project. Where no display is available it
# says so and writes a picture of the main window instead, rendered
# offscreen after opening the project and both sides of its first table
# setup (build/demo/main-window.png).
set -euo pipefail

cd "$(dirname "${BASH_SOURCE[0]}")/.."

CLI=build/src/cli/quillmere-cli
APP=build/src/desktop/quillmere
DEMO_TOOL=build/src/desktop/quillmere-demo
DEMO_OUT=build/demo
SETUPS=demo/table-setups.txt
PROJECT=$DEMO_OUT/demo.qmp

log() { printf '[run-demo] %s\n' "$*" >&2; }
die() { log "error: $*"; exit 1; }

bash scripts/install-deps.sh
# Only the three programs the demo runs; the test programs are left to
# scripts/run-tests.sh.
bash scripts/build.sh --target quillmere-cli --target quillmere --target quillmere-demo

for program in "$CLI" "$APP" "$DEMO_TOOL"; do
    [[ -x "$program" ]] || die "$program was not built"
done

log "making the demo databases and project in $DEMO_OUT"
bash scripts/make-demo.sh "$DEMO_OUT"

failures=0
count=0
while IFS= read -r line <&3 || [[ -n "$line" ]]; do
    line=${line%$'\r'}
    [[ -z "${line//[[:space:]]/}" || "$line" == \#* ]] && continue
    IFS=$'\t' read -r name key source_sql target_sql _ <<<"$line"
    count=$((count + 1))
    printf '\n=== %s (key %s) ===\n' "$name" "$key"
    if ! QT_QPA_PLATFORM=offscreen "$CLI" compare \
            --source-alias DemoSource --target-alias DemoTarget \
            --source-sql "$source_sql" --target-sql "$target_sql" \
            --key "$key" --aliases "$DEMO_OUT/Aliases.ini" </dev/null; then
        log "comparison '$name' failed"
        failures=$((failures + 1))
    fi
done 3<"$SETUPS"

echo
((count > 0)) || die "no table setups found in $SETUPS"
((failures == 0)) || die "$failures of $count comparisons failed"
log "compared $count table setups"

printf '\n=== Project %s ===\n' "$PROJECT"
QT_QPA_PLATFORM=offscreen "$CLI" project show "$PROJECT" </dev/null
printf '\n=== compare %s ===\n' "$PROJECT"
QT_QPA_PLATFORM=offscreen "$CLI" compare "$PROJECT" --aliases "$DEMO_OUT/Aliases.ini" </dev/null \
    || die "comparing the project failed"
QT_QPA_PLATFORM=offscreen "$CLI" script "$PROJECT" --aliases "$DEMO_OUT/Aliases.ini" \
    --output "$DEMO_OUT/demo-sync.sql" </dev/null || die "scripting the project failed"
echo
log "wrote the project's script to $DEMO_OUT/demo-sync.sql ($(grep -c ';' "$DEMO_OUT/demo-sync.sql") statements)"

# The desktop program keeps the demo's settings (the last project, window
# placement) in a folder of its own, so that the user's own settings stay as
# they are.
export XDG_CONFIG_HOME=$PWD/$DEMO_OUT/config
export QUILLMERE_ALIASES=$PWD/$DEMO_OUT/Aliases.ini
if [[ -z "${XDG_RUNTIME_DIR:-}" ]]; then
    XDG_RUNTIME_DIR=$(mktemp -d /tmp/quillmere-runtime.XXXXXX)
    export XDG_RUNTIME_DIR
fi
QT_QPA_PLATFORM=offscreen "$DEMO_TOOL" remember "$PWD/$PROJECT" \
    || die "could not store the demo project as the last project"

if [[ -n "${DISPLAY:-${WAYLAND_DISPLAY:-}}" ]] && [[ "${QT_QPA_PLATFORM:-}" != offscreen ]]; then
    log "starting the desktop program on $PROJECT (close its window to end the demo)"
    app_path=$PWD/$APP
    (cd "$DEMO_OUT" && exec "$app_path")
else
    log "no display is available (DISPLAY is not set): the desktop program is not started."
    QT_QPA_PLATFORM=offscreen "$DEMO_TOOL" screenshot "$PWD/$PROJECT" "$DEMO_OUT/main-window.png" \
        || die "could not render the main window"
    log "wrote a picture of the main window on the demo project to $DEMO_OUT/main-window.png"
fi

#!/usr/bin/env bash
# Starts the real desktop program on a private X server, opens the demo
# project through the File menu with the keyboard as a user would, runs
# "Open Source && Target" (Ctrl+O), and checks the window title and the
# colours on screen: the five legend colours, and grid cells coloured beyond
# what the legend alone shows. Then it merges the current table setup from
# the Actions menu, executes its script from the Script tab (Ctrl+R) and
# checks the databases with sqldiff and the log file; makes the script of
# the whole project with "Create Script Automatically", executes it, and
# checks that source and target are equal. Then it leaves through File, Exit.
# Last, over tables of 1,000,000 rows per side: Escape during Ctrl+O stops
# the open, then a full open and the merge complete, and the window keeps
# answering while they work.
#   desktop-e2e.sh QUILLMERE QUILLMERE_CLI SCREEN_CHECK SOURCE_DIR WORK_DIR
set -euo pipefail

APP=$1 CLI=$2 CHECK=$3 SRC=$4 WORK=$5

log() { printf '[desktop-e2e] %s\n' "$*" >&2; }
fail() {
    log "FAILED: $*"
    local f
    for f in app.log xvfb.log; do
        [[ -s "$WORK/$f" ]] && { log "--- $f:"; tail -n 40 "$WORK/$f" >&2; }
    done
    [[ -n "${DISPLAY:-}" ]] && "$CHECK" "$WORK/failure.png" >/dev/null 2>&1 &&
        log "screen at failure: $WORK/failure.png"
    exit 1
}

rm -rf "$WORK"
mkdir -p "$WORK/home" "$WORK/config"
QUILLMERE_CLI=$CLI bash "$SRC/scripts/make-demo.sh" "$WORK/demo"

# The X server picks a display number nobody uses, lock files and sockets
# of other machines' servers sharing this network namespace included, and
# writes it to the file.
Xvfb -displayfd 3 -screen 0 1280x900x24 -nolisten tcp 3>"$WORK/display" >"$WORK/xvfb.log" 2>&1 &
XVFB_PID=$!
APP_PID=
cleanup() {
    [[ -n "$APP_PID" ]] && kill "$APP_PID" 2>/dev/null || true
    kill "$XVFB_PID" 2>/dev/null || true
    wait 2>/dev/null || true
}
trap cleanup EXIT
for _ in $(seq 100); do
    [[ -s "$WORK/display" ]] && break
    kill -0 "$XVFB_PID" 2>/dev/null || fail "the X server did not start"
    sleep 0.1
done
DISPLAY_NUM=$(tr -dc 0-9 <"$WORK/display")
[[ -n "$DISPLAY_NUM" ]] || fail "the X server named no display"
export DISPLAY=":$DISPLAY_NUM"
for _ in $(seq 100); do
    xdotool getmouselocation >/dev/null 2>&1 && break
    sleep 0.1
done
xdotool getmouselocation >/dev/null 2>&1 || fail "the X server did not start"

# The program's own settings, aliases and job log stay inside the work folder.
export HOME=$WORK/home XDG_CONFIG_HOME=$WORK/config QT_QPA_PLATFORM=xcb
export QUILLMERE_ALIASES=$WORK/demo/Aliases.ini
unset QUILLMERE_PASSWORD
(cd "$WORK" && exec "$APP") >"$WORK/app.log" 2>&1 &
APP_PID=$!

# Waits until the main window's title matches; prints its window id.
wait_title() {
    local pattern=$1 id name
    for _ in $(seq 150); do
        for id in $(xdotool search --onlyvisible --name '^Quillmere' 2>/dev/null); do
            name=$(xdotool getwindowname "$id" 2>/dev/null || true)
            if [[ "$name" =~ $pattern ]]; then
                printf '%s\n' "$id"
                return 0
            fi
        done
        kill -0 "$APP_PID" 2>/dev/null || fail "the program ended early (see $WORK/app.log)"
        sleep 0.2
    done
    return 1
}
# Focuses the window and sends keys to it.
keys() {
    xdotool windowfocus --sync "$WIN" 2>/dev/null || true
    xdotool key --delay 80 "$@"
}

# Opens a project file with File, Open, typing its path into the dialog.
open_project() {
    keys alt+f
    sleep 0.5
    xdotool key --delay 80 o
    local dialog=
    for _ in $(seq 50); do
        dialog=$(xdotool search --onlyvisible --name 'Open' 2>/dev/null | head -n 1 || true)
        [[ -n "$dialog" ]] && break
        sleep 0.2
    done
    [[ -n "$dialog" ]] || fail "the file dialog did not open"
    xdotool windowfocus --sync "$dialog" 2>/dev/null || true
    sleep 0.5
    xdotool type --delay 20 "$1"
    xdotool key Return
}
# Leaves through File, Exit and checks that the program ended well.
exit_program() {
    keys alt+f
    sleep 0.5
    xdotool key --delay 80 x
    for _ in $(seq 50); do
        kill -0 "$APP_PID" 2>/dev/null || break
        sleep 0.2
    done
    if kill -0 "$APP_PID" 2>/dev/null; then
        fail "the program is still running after File, Exit"
    fi
    local rc=0
    wait "$APP_PID" || rc=$?
    APP_PID=
    ((rc == 0)) || fail "the program ended with exit code $rc (see $WORK/app.log)"
}

WIN=$(wait_title '^Quillmere$') || fail "no main window titled Quillmere"
sleep 1
log "main window $WIN is up; opening the demo project with File, Open"
open_project "$WORK/demo/demo.qmp"
WIN=$(wait_title '^Quillmere - "demo\.qmp"$') || fail "the title does not name demo.qmp: $(xdotool getwindowname "$WIN")"

log "project open; Ctrl+O opens source and target"
keys ctrl+o
# The legend shows each colour on about 2,600 pixels; coloured grid cells add
# to that once both sides are open and compared.
shown=false
for _ in $(seq 40); do
    sleep 0.5
    if "$CHECK" "$WORK/main-window.png" 255,0,0:50 255,255,0:50 0,255,255:50 \
            192,192,192:4000 255,255,255:50 >"$WORK/colours.txt" 2>&1; then
        shown=true
        break
    fi
done
cat "$WORK/colours.txt" >&2
$shown || fail "the legend colours and coloured grid cells are not on screen"
title=$(xdotool getwindowname "$WIN")
[[ "$title" == 'Quillmere - "demo.qmp"' ]] || fail "title after opening both sides: $title"

# Compares the demo databases: the whole file, or one table.
differences() {
    # By primary key: rows that only moved to other rowids are equal.
    sqldiff --primarykey ${1:+--table "$1"} "$WORK/demo/source.db" "$WORK/demo/target.db"
}
[[ -n "$(differences customers)" ]] || fail "the demo's customers are equal before the merge"
LOG_FILE=$HOME/ExecutedSQL.txt

log "Actions, 'Copy, change and delete records to match source'"
keys alt+a
sleep 0.6
xdotool key --delay 150 Down Down Down Down Return
sleep 1.5
log "the Script tab (Ctrl+Tab) shows the script; Ctrl+R executes it"
keys ctrl+Tab
sleep 1.5
keys ctrl+r
for _ in $(seq 40); do
    [[ -s "$LOG_FILE" ]] && break
    sleep 0.25
done
[[ -z "$(differences customers)" ]] ||
    fail "customers still differ after executing the script: $(differences customers | head -5)"
grep -qE '^(UPDATE|INSERT INTO|DELETE FROM) ' "$LOG_FILE" ||
    fail "the log $LOG_FILE holds no statements"
"$CHECK" "$WORK/script-tab.png" >/dev/null 2>&1 || true

log "back on the Merge tab (Ctrl+PgUp) the target is read again"
keys ctrl+Prior
sleep 2
QT_QPA_PLATFORM=offscreen "$CLI" compare "$WORK/demo/demo.qmp" --table-setup Customers \
    >"$WORK/compare-customers.txt" 2>&1 || fail "quillmere-cli compare failed"
grep -q 'No dual records different' "$WORK/compare-customers.txt" &&
    grep -q 'No records unique to target' "$WORK/compare-customers.txt" ||
    fail "customers differ on reopening: $(cat "$WORK/compare-customers.txt")"

log "Project, 'Create Script Automatically' over all three table setups, then Ctrl+R"
keys alt+p
sleep 0.6
xdotool key --delay 150 Return
DIALOG=
for _ in $(seq 50); do
    DIALOG=$(xdotool search --onlyvisible --name '^Create Script Automatically$' 2>/dev/null |
        head -n 1 || true)
    [[ -n "$DIALOG" ]] && break
    sleep 0.2
done
[[ -n "$DIALOG" ]] || fail "the table setup choice did not open"
"$CHECK" "$WORK/create-script-dialog.png" >/dev/null 2>&1 || true
xdotool windowfocus --sync "$DIALOG" 2>/dev/null || true
xdotool key --delay 150 Return
sleep 3
keys ctrl+r
for _ in $(seq 60); do
    [[ -z "$(differences)" ]] && break
    sleep 0.25
done
[[ -z "$(differences)" ]] || fail "the demo databases still differ: $(differences | head -5)"
"$CHECK" "$WORK/after-project-script.png" >/dev/null 2>&1 || true

log "leaving through File, Exit"
exit_program

# --- big tables: 1,000,000 rows per side -------------------------------------------
# Keys 1..1,000,000 in the source, 101..1,000,100 in the target: 100 rows
# only in each side, every 20th row's qty changed.
BIG=$WORK/big
mkdir -p "$BIG"
log "making 1,000,000 rows per side"
for side in source target; do
    if [[ $side == source ]]; then first=1 change=x; else first=101 change='CASE WHEN x % 20 = 0 THEN -1 ELSE x END'; fi
    sqlite3 "$BIG/$side.db" "CREATE TABLE t(id INTEGER PRIMARY KEY, name TEXT, qty INTEGER);
        WITH RECURSIVE c(x) AS (SELECT $first UNION ALL SELECT x + 1 FROM c
                                WHERE x < $first + 999999)
        INSERT INTO t SELECT x, 'name ' || x, $change FROM c;" || fail "cannot make $side.db"
done
printf '[BigSource]\nDriver=SQLITE\nDatabase=%s\n\n[BigTarget]\nDriver=SQLITE\nDatabase=%s\n' \
    "$BIG/source.db" "$BIG/target.db" >"$BIG/Aliases.ini"
export QUILLMERE_ALIASES=$BIG/Aliases.ini
QT_QPA_PLATFORM=offscreen "$CLI" project create "$BIG/big.qmp" --force \
    --source-alias BigSource --target-alias BigTarget >/dev/null || fail "cannot make big.qmp"
QT_QPA_PLATFORM=offscreen "$CLI" project add-table-setup "$BIG/big.qmp" --name t --key id \
    --source-sql 'SELECT * FROM t' --target-sql 'SELECT * FROM t' --table t >/dev/null ||
    fail "cannot add the table setup to big.qmp"

(cd "$WORK" && exec "$APP") >>"$WORK/app.log" 2>&1 &
APP_PID=$!
WIN=$(wait_title '^Quillmere') || fail "the program did not come up again"
sleep 1
open_project "$BIG/big.qmp"
WIN=$(wait_title '^Quillmere - "big\.qmp"$') || fail "the title does not name big.qmp"

# The window answers while it works: the X requests of a user (its name, a
# move of the window) come back within 100 ms.
# Starting the two xdotool processes costs time of its own on a loaded
# machine (the other tests run beside this one), so one of three tries in a
# row must come back within the limit.
answers_quickly() {
    local start end took
    for _ in 1 2 3; do
        start=$(date +%s%N)
        xdotool getwindowname "$WIN" >/dev/null || fail "no answer from the window ($1)"
        xdotool windowmove --sync "$WIN" "$2" 40 2>/dev/null || true
        end=$(date +%s%N)
        took=$(((end - start) / 1000000))
        ((took < 100)) && return 0
    done
    fail "the window took $took ms to answer ($1)"
}
# The grey of equal cells fills the grids once both sides are open: with the
# legend alone there are far fewer.
grids_painted() { "$CHECK" "$WORK/$1.png" 192,192,192:4000 >/dev/null 2>&1; }

log "Ctrl+O on the big tables, Escape while the rows are read"
keys ctrl+o
# Reading a million rows takes a second or more; Escape comes well before.
sleep 0.3
xdotool key Escape
# Longer than a full open takes: had Escape not stopped it, the grids would
# be painted by now.
sleep 8
grids_painted big-stopped && fail "Escape did not stop the open (see $WORK/big-stopped.png)"
kill -0 "$APP_PID" 2>/dev/null || fail "the program ended after Escape"

log "Ctrl+O again, to its end"
keys ctrl+o
sleep 0.5
answers_quickly "opening" 30
"$CHECK" "$WORK/big-working.png" >/dev/null 2>&1 || true
shown=false
for _ in $(seq 120); do
    if grids_painted big-open; then
        shown=true
        break
    fi
    sleep 0.5
done
$shown || fail "the big tables were not shown (see $WORK/big-open.png)"

log "Actions, 'Copy, change and delete records to match source' on the big tables"
keys alt+a
sleep 0.6
xdotool key --delay 150 Down Down Down Down Return
sleep 0.5
answers_quickly "merging" 10
sleep 8
kill -0 "$APP_PID" 2>/dev/null || fail "the program ended while merging"
"$CHECK" "$WORK/big-merged.png" >/dev/null 2>&1 || true
log "leaving through File, Exit"
exit_program
log "passed; screenshots $WORK/main-window.png, $WORK/big-working.png"

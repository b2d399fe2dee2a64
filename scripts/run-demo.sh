#!/usr/bin/env bash
# The demo: installs the dependencies, builds, creates the two demo SQLite
# databases from demo/*.sql and compares every table setup listed in
# demo/table-setups.txt with the command-line tool.
set -euo pipefail

cd "$(dirname "${BASH_SOURCE[0]}")/.."

CLI=build/src/cli/quillmere-cli
DEMO_OUT=build/demo
SETUPS=demo/table-setups.txt

log() { printf '[run-demo] %s\n' "$*" >&2; }
die() { log "error: $*"; exit 1; }

bash scripts/install-deps.sh
bash scripts/build.sh

[[ -x "$CLI" ]] || die "$CLI was not built"

# Fresh databases every time.
mkdir -p "$DEMO_OUT"
for side in source target; do
    db="$DEMO_OUT/$side.db"
    rm -f -- "$db" "$db-journal" "$db-wal" "$db-shm"
    log "creating $db from demo/$side.sql"
    sqlite3 -bail -init /dev/null "$db" <"demo/$side.sql" >/dev/null
done
# The alias file uses paths relative to its own folder, so a copy beside the
# databases finds them.
cp demo/Aliases.ini "$DEMO_OUT/Aliases.ini"

export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}

failures=0
count=0
line_no=0
# The setups file is read on descriptor 3 so that the tool cannot swallow it
# through stdin.
while IFS= read -r line <&3 || [[ -n "$line" ]]; do
    line_no=$((line_no + 1))
    line=${line%$'\r'}
    [[ -z "${line//[[:space:]]/}" || "$line" == \#* ]] && continue

    IFS=$'\t' read -r name key source_sql target_sql extra <<<"$line"
    if [[ -z "${target_sql:-}" || -n "${extra:-}" ]]; then
        die "$SETUPS line $line_no: expected 4 TAB-separated fields (name, key, source SQL, target SQL)"
    fi

    count=$((count + 1))
    printf '\n=== %s (key %s) ===\n' "$name" "$key"
    if ! "$CLI" compare \
            --source-alias DemoSource --target-alias DemoTarget \
            --source-sql "$source_sql" --target-sql "$target_sql" \
            --key "$key" --aliases "$DEMO_OUT/Aliases.ini" </dev/null; then
        log "comparison '$name' failed"
        failures=$((failures + 1))
    fi
done 3<"$SETUPS"

echo
if ((count == 0)); then
    die "no table setups found in $SETUPS"
fi
if ((failures > 0)); then
    log "$failures of $count comparisons failed"
    exit 1
fi
log "compared $count table setups"

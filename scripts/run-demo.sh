#!/usr/bin/env bash
# The demo: installs the dependencies, builds, creates the two demo SQLite
# databases from demo/*.sql and compares every table setup listed in
# demo/table-setups.txt with the command-line tool. Then it builds a project
# file of the same table setups (build/demo/demo.qmp), compares the whole
# project and writes its script (build/demo/demo-sync.sql).
set -euo pipefail

cd "$(dirname "${BASH_SOURCE[0]}")/.."

CLI=build/src/cli/quillmere-cli
DEMO_OUT=build/demo
SETUPS=demo/table-setups.txt
PROJECT=$DEMO_OUT/demo.qmp

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

"$CLI" project create "$PROJECT" --force \
    --source-alias DemoSource --target-alias DemoTarget >/dev/null

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

    # The target table is the one the source query reads from.
    if [[ ! "$source_sql" =~ [Ff][Rr][Oo][Mm][[:space:]]+([A-Za-z_][A-Za-z0-9_]*) ]]; then
        die "$SETUPS line $line_no: no table name after FROM in the source SQL"
    fi
    "$CLI" project add-table-setup "$PROJECT" --name "$name" --key "$key" \
        --source-sql "$source_sql" --target-sql "$target_sql" \
        --table "${BASH_REMATCH[1]}" --script-on >/dev/null </dev/null
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

printf '\n=== Project %s ===\n' "$PROJECT"
"$CLI" project show "$PROJECT" </dev/null
printf '\n=== compare %s ===\n' "$PROJECT"
"$CLI" compare "$PROJECT" --aliases "$DEMO_OUT/Aliases.ini" </dev/null \
    || die "comparing the project failed"
"$CLI" script "$PROJECT" --aliases "$DEMO_OUT/Aliases.ini" \
    --output "$DEMO_OUT/demo-sync.sql" </dev/null || die "scripting the project failed"
echo
log "wrote the project's script to $DEMO_OUT/demo-sync.sql ($(grep -c ';' "$DEMO_OUT/demo-sync.sql") statements)"

#!/usr/bin/env bash
# Makes the demo in a folder (default build/demo): the two SQLite databases
# from demo/*.sql, the alias file beside them, and the project demo.qmp with
# one table setup per line of demo/table-setups.txt and one lookup
# definition per line of demo/lookups.txt. Needs the built command-line
# tool; prints nothing but errors.
#   bash scripts/make-demo.sh [OUT_DIR]
set -euo pipefail

cd "$(dirname "${BASH_SOURCE[0]}")/.."

CLI=${QUILLMERE_CLI:-build/src/cli/quillmere-cli}
OUT=${1:-build/demo}
SETUPS=demo/table-setups.txt
LOOKUPS=demo/lookups.txt
PROJECT=$OUT/demo.qmp

log() { printf '[make-demo] %s\n' "$*" >&2; }
die() { log "error: $*"; exit 1; }

[[ -x "$CLI" ]] || die "$CLI was not built"

# Fresh databases every time.
mkdir -p "$OUT"
for side in source target; do
    db="$OUT/$side.db"
    rm -f -- "$db" "$db-journal" "$db-wal" "$db-shm"
    sqlite3 -bail -init /dev/null "$db" <"demo/$side.sql" >/dev/null
done
# The alias file uses paths relative to its own folder, so a copy beside the
# databases finds them.
cp demo/Aliases.ini "$OUT/Aliases.ini"

export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}

"$CLI" project create "$PROJECT" --force \
    --source-alias DemoSource --target-alias DemoTarget >/dev/null </dev/null

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
    # The target table is the one the source query reads from.
    if [[ ! "$source_sql" =~ [Ff][Rr][Oo][Mm][[:space:]]+([A-Za-z_][A-Za-z0-9_]*) ]]; then
        die "$SETUPS line $line_no: no table name after FROM in the source SQL"
    fi
    "$CLI" project add-table-setup "$PROJECT" --name "$name" --key "$key" \
        --source-sql "$source_sql" --target-sql "$target_sql" \
        --table "${BASH_REMATCH[1]}" --script-on >/dev/null </dev/null
done 3<"$SETUPS"

line_no=0
while IFS= read -r line <&3 || [[ -n "$line" ]]; do
    line_no=$((line_no + 1))
    line=${line%$'\r'}
    [[ -z "${line//[[:space:]]/}" || "$line" == \#* ]] && continue

    IFS=$'\t' read -r setup lookup field table key display extra <<<"$line"
    if [[ -z "${display:-}" || -n "${extra:-}" ]]; then
        die "$LOOKUPS line $line_no: expected 6 TAB-separated fields (table setup, lookup name, field, lookup table, key field, display field)"
    fi
    "$CLI" project add-lookup "$PROJECT" --table-setup "$setup" --lookup-name "$lookup" \
        --field "$field" --lookup-table "$table" --key-field "$key" \
        --display-field "$display" >/dev/null </dev/null
done 3<"$LOOKUPS"

#!/usr/bin/env bash
# Installs everything Quillmere needs to build, test and run its demo on
# Debian 12. Run as root. Safe to run again: when every package is already
# installed the apt step is skipped.
set -euo pipefail

PACKAGES=(
    build-essential cmake ninja-build pkg-config
    qt6-base-dev qt6-base-dev-tools
    libqt6sql6-sqlite libqt6sql6-psql libqt6sql6-odbc
    postgresql postgresql-client
    unixodbc unixodbc-dev odbc-postgresql libsqliteodbc
    sqlite3 sqlite3-tools libsqlite3-dev libpq-dev
    libgtest-dev libgmock-dev googletest
    xvfb xauth xdotool clang-format
    clang libclang-rt-14-dev
)

log() { printf '[install-deps] %s\n' "$*" >&2; }

if [[ ${EUID} -ne 0 ]]; then
    log "must be run as root"
    exit 1
fi

missing=()
for pkg in "${PACKAGES[@]}"; do
    status=$(dpkg-query -W -f='${db:Status-Status}' "$pkg" 2>/dev/null || true)
    if [[ "$status" != "installed" ]]; then
        missing+=("$pkg")
    fi
done

if ((${#missing[@]} > 0)); then
    log "installing: ${missing[*]}"
    apt-get update
    DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${PACKAGES[@]}"
else
    log "all packages already installed"
fi

# Make sure the ODBC drivers the tests use are registered with unixODBC.
# Debian's driver packages normally do this in their postinst scripts.
odbcinst_ini=$(odbcinst -j 2>/dev/null | sed -n 's/^DRIVERS[^:]*: *//p')
odbcinst_ini=${odbcinst_ini:-/etc/odbcinst.ini}

driver_registered() {
    odbcinst -q -d 2>/dev/null | grep -Fqx "[$1]"
}

find_lib() {
    # First existing file among the given candidates, searched in the
    # multiarch and plain ODBC library folders.
    local name dir
    for name in "$@"; do
        for dir in /usr/lib/*-linux-gnu/odbc /usr/lib/odbc /usr/lib/*-linux-gnu /usr/lib; do
            if [[ -f "$dir/$name" ]]; then
                printf '%s\n' "$dir/$name"
                return 0
            fi
        done
    done
    return 1
}

register_driver() {
    local name=$1 driver=$2 setup=${3:-}
    local tmp
    tmp=$(mktemp)
    {
        printf '[%s]\n' "$name"
        printf 'Description=%s ODBC driver\n' "$name"
        printf 'Driver=%s\n' "$driver"
        [[ -n "$setup" ]] && printf 'Setup=%s\n' "$setup"
        printf 'UsageCount=1\n'
    } >"$tmp"
    odbcinst -i -d -f "$tmp" >/dev/null
    rm -f "$tmp"
}

if ! driver_registered "SQLite3"; then
    lib=$(find_lib libsqlite3odbc.so) || { log "SQLite3 ODBC driver library not found"; exit 1; }
    log "registering ODBC driver SQLite3 ($lib)"
    register_driver "SQLite3" "$lib" "$lib"
fi

if ! driver_registered "PostgreSQL Unicode"; then
    lib=$(find_lib psqlodbcw.so) || { log "PostgreSQL Unicode ODBC driver library not found"; exit 1; }
    setup=$(find_lib libodbcpsqlS.so || true)
    log "registering ODBC driver PostgreSQL Unicode ($lib)"
    register_driver "PostgreSQL Unicode" "$lib" "$setup"
fi

for name in "SQLite3" "PostgreSQL Unicode"; do
    if ! driver_registered "$name"; then
        log "ODBC driver '$name' is still not registered in ${odbcinst_ini}"
        exit 1
    fi
done

log "done"

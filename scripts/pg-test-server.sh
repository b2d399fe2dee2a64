#!/usr/bin/env bash
# Throw-away PostgreSQL server for Quillmere's tests.
#
#   eval "$(bash scripts/pg-test-server.sh start [DIR])"
#   ...run tests...
#   bash scripts/pg-test-server.sh stop [DIR]
#
# start  creates a fresh cluster in DIR (default: a new mktemp -d folder;
#        if given, DIR must be empty or not exist yet), listening only on
#        127.0.0.1 at port $QUILLMERE_PG_PORT (default 54329; the next free
#        port is taken when that one is busy) with its unix socket inside DIR.
#        It creates the databases qm_source, qm_target and qm_test (owned by
#        postgres) and the login role quillmere_pw (password secret-pw).
#        Authentication: postgres is trusted, quillmere_pw must give its
#        password (scram-sha-256), every other role is refused.
#        On success it prints "export NAME=value" lines for eval on stdout;
#        all progress messages go to stderr. On failure it cleans up itself.
# stop   stops the server (pg_ctl stop -m fast) and removes the folder.
#        The folder comes from the argument or $QUILLMERE_PG_DIR.
#
# Run as root (initdb and the server then run as the postgres system user)
# or as any other user (they then run as that user).
set -euo pipefail

PW_USER=quillmere_pw
PW_PASSWORD=secret-pw
DATABASES=(qm_source qm_target qm_test)
MARKER=.quillmere-pg-test-server

# Messages go to the original stderr, kept on its own descriptor so that they
# still show when a trap runs while a command's output is redirected.
exec {LOG_FD}>&2
log() { printf '[pg-test-server] %s\n' "$*" >&"$LOG_FD"; }
die() { log "error: $*"; exit 1; }

pg_bindir() {
    if [[ -n "${QUILLMERE_PG_BINDIR:-}" ]]; then
        printf '%s\n' "$QUILLMERE_PG_BINDIR"
        return
    fi
    if [[ -x /usr/lib/postgresql/15/bin/initdb ]]; then
        printf '%s\n' /usr/lib/postgresql/15/bin
        return
    fi
    # Any other installed major version, newest first.
    local d
    for d in $(printf '%s\n' /usr/lib/postgresql/*/bin | sort -t/ -k5,5 -rn); do
        if [[ -x "$d/initdb" ]]; then
            printf '%s\n' "$d"
            return
        fi
    done
    die "PostgreSQL server binaries not found (install the postgresql package)"
}

# Runs a command as the server's owner, from inside the server folder (the
# postgres user may not be allowed into the caller's working directory).
as_owner() {
    local dir=$1
    shift
    if [[ ${EUID} -eq 0 ]]; then
        (cd "$dir" && runuser -u postgres -- "$@")
    else
        (cd "$dir" && "$@")
    fi
}

port_in_use() {
    # Something accepts connections on 127.0.0.1:$1?
    (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null
}

find_free_port() {
    local port=$1 tries=0
    while port_in_use "$port"; do
        tries=$((tries + 1))
        ((tries < 100)) || die "no free port found from $1 to $port"
        port=$((port + 1))
    done
    printf '%s\n' "$port"
}

server_running() {
    local dir=$1 bindir
    bindir=$(pg_bindir)
    [[ -f "$dir/data/PG_VERSION" ]] || return 1
    as_owner "$dir" "$bindir/pg_ctl" status -D "$dir/data" >/dev/null 2>&1
}

do_stop() {
    local dir=$1 bindir
    [[ -n "$dir" && -d "$dir" ]] || return 0
    if [[ -z "$(ls -A -- "$dir")" ]]; then
        # Made for a server that never got as far as starting.
        rmdir -- "$dir"
        return 0
    fi
    if [[ ! -e "$dir/$MARKER" ]]; then
        log "refusing to touch $dir: not a folder made by this script"
        return 1
    fi
    bindir=$(pg_bindir)
    if server_running "$dir"; then
        log "stopping server in $dir"
        if ! as_owner "$dir" "$bindir/pg_ctl" stop -D "$dir/data" -m fast -w -t 30 >/dev/null 2>&1; then
            log "fast shutdown failed, trying immediate shutdown"
            as_owner "$dir" "$bindir/pg_ctl" stop -D "$dir/data" -m immediate -w -t 30 >/dev/null 2>&1 || true
        fi
    fi
    if server_running "$dir"; then
        # Last resort: kill the postmaster we started (its pid is the first
        # line of postmaster.pid) so that nothing is left behind.
        local pid
        pid=$(head -n1 "$dir/data/postmaster.pid" 2>/dev/null || true)
        if [[ "$pid" =~ ^[0-9]+$ ]]; then
            log "killing postmaster $pid"
            kill -KILL "$pid" 2>/dev/null || true
            sleep 1
        fi
    fi
    rm -rf -- "$dir"
    log "removed $dir"
}

do_start() {
    local dir=${1:-} port bindir
    bindir=$(pg_bindir)

    if [[ -z "$dir" ]]; then
        # /tmp rather than $TMPDIR: the postgres user must be able to reach it.
        dir=$(mktemp -d /tmp/quillmere-pg.XXXXXX)
    else
        mkdir -p -- "$dir"
        [[ -z "$(ls -A -- "$dir")" ]] || die "$dir is not empty"
    fi
    dir=$(cd "$dir" && pwd -P)
    touch "$dir/$MARKER"

    # Whatever goes wrong from here on, leave nothing behind.
    START_DIR=$dir
    START_OK=0
    trap 'if [[ $START_OK -eq 0 ]]; then do_stop "$START_DIR" || true; fi' EXIT
    trap 'exit 130' INT
    trap 'exit 143' TERM

    mkdir -p "$dir/data" "$dir/socket"
    chmod 0700 "$dir/data"
    chmod 0755 "$dir"
    if [[ ${EUID} -eq 0 ]]; then
        id postgres >/dev/null 2>&1 || die "system user postgres does not exist"
        chown -R postgres:postgres "$dir"
    fi

    log "initdb in $dir/data"
    if ! as_owner "$dir" "$bindir/initdb" -D "$dir/data" -U postgres -A trust \
            -E UTF8 --locale=C -N >"$dir/initdb.log" 2>&1; then
        cat "$dir/initdb.log" >&2
        die "initdb failed"
    fi

    cat >"$dir/data/pg_hba.conf" <<HBA
# TYPE  DATABASE  USER          ADDRESS        METHOD
local   all       postgres                     trust
host    all       postgres      127.0.0.1/32   trust
local   all       $PW_USER                     scram-sha-256
host    all       $PW_USER      127.0.0.1/32   scram-sha-256
local   all       all                          reject
host    all       all           0.0.0.0/0      reject
host    all       all           ::/0           reject
HBA

    local attempt
    port=${QUILLMERE_PG_PORT:-54329}
    [[ "$port" =~ ^[0-9]+$ ]] || die "QUILLMERE_PG_PORT must be a number, not '$port'"
    for attempt in 1 2 3 4 5; do
        port=$(find_free_port "$port")
        cat >"$dir/data/postgresql.auto.conf" <<CONF
listen_addresses = '127.0.0.1'
port = $port
unix_socket_directories = '$dir/socket'
password_encryption = 'scram-sha-256'
max_connections = 50
fsync = off
synchronous_commit = off
full_page_writes = off
logging_collector = off
log_min_messages = warning
CONF
        [[ ${EUID} -ne 0 ]] || chown postgres:postgres "$dir/data/postgresql.auto.conf" "$dir/data/pg_hba.conf"
        log "starting server on 127.0.0.1:$port"
        if as_owner "$dir" "$bindir/pg_ctl" start -D "$dir/data" -l "$dir/server.log" -w -t 60 >/dev/null 2>&1 {LOG_FD}>&-; then
            break
        fi
        if grep -q 'could not bind' "$dir/server.log" 2>/dev/null && ((attempt < 5)); then
            log "port $port was taken meanwhile, trying the next one"
            port=$((port + 1))
            continue
        fi
        cat "$dir/server.log" >&2 || true
        die "server did not start"
    done

    local waited=0
    until "$bindir/pg_isready" -q -h 127.0.0.1 -p "$port" -t 1; do
        waited=$((waited + 1))
        ((waited < 60)) || die "server not ready after 60 s"
        sleep 1
    done

    log "creating role $PW_USER and databases ${DATABASES[*]}"
    {
        printf "CREATE ROLE %s LOGIN PASSWORD '%s';\n" "$PW_USER" "$PW_PASSWORD"
        local db
        for db in "${DATABASES[@]}"; do
            printf 'CREATE DATABASE %s OWNER postgres;\n' "$db"
            printf 'GRANT CONNECT, TEMPORARY ON DATABASE %s TO %s;\n' "$db" "$PW_USER"
        done
    } | "$bindir/psql" -X -q -v ON_ERROR_STOP=1 -h 127.0.0.1 -p "$port" -U postgres -d postgres >/dev/null

    # Let quillmere_pw read and write what postgres creates in the public
    # schema, and create tables there itself.
    local db
    for db in "${DATABASES[@]}"; do
        "$bindir/psql" -X -q -v ON_ERROR_STOP=1 -h 127.0.0.1 -p "$port" -U postgres -d "$db" >/dev/null <<SQL
GRANT USAGE, CREATE ON SCHEMA public TO $PW_USER;
ALTER DEFAULT PRIVILEGES FOR ROLE postgres IN SCHEMA public
    GRANT ALL ON TABLES TO $PW_USER;
ALTER DEFAULT PRIVILEGES FOR ROLE postgres IN SCHEMA public
    GRANT ALL ON SEQUENCES TO $PW_USER;
SQL
    done

    START_OK=1
    trap - EXIT INT TERM
    log "ready: 127.0.0.1:$port, folder $dir"
    cat <<ENV
export QUILLMERE_TEST_PG_HOST=127.0.0.1
export QUILLMERE_TEST_PG_PORT=$port
export QUILLMERE_TEST_PG_USER=postgres
export QUILLMERE_TEST_PG_PWUSER=$PW_USER
export QUILLMERE_TEST_PG_PASSWORD=$PW_PASSWORD
export QUILLMERE_PG_DIR=$dir
ENV
}

usage() {
    cat >&2 <<USAGE
usage: $0 start [DIR]   start a throw-away server, print env vars for eval
       $0 stop [DIR]    stop it and remove its folder (default: \$QUILLMERE_PG_DIR)
USAGE
    exit 2
}

case "${1:-}" in
    start) shift; do_start "${1:-}" ;;
    stop)  shift; do_stop "${1:-${QUILLMERE_PG_DIR:-}}" ;;
    *)     usage ;;
esac

#!/bin/sh
# A scratch PostgreSQL server for the tests, from Debian's packages: its data and its socket
# in one folder, no TCP listener, run as an unprivileged user when started by root (the
# server refuses root). Stopped at the end of the tests by the cleanup fixture, whatever
# they did.
#   pg_server.sh start FOLDER     makes the folder anew and starts the server; database dtu_test
#   pg_server.sh restart FOLDER   a quick stop and start, connections cut (a network blip)
#   pg_server.sh stop FOLDER      stops the server and removes the folder
# Clients connect with postgresql:///dtu_test?host=FOLDER&user=dtu
set -eu
command=$1
dir=$2

bin=/usr/lib/postgresql/15/bin
[ -x "$bin/pg_ctl" ] || bin=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1)
if [ ! -x "$bin/pg_ctl" ]; then
  echo "pg_server.sh: no PostgreSQL server installed (Debian package postgresql-15)" >&2
  exit 1
fi

# The server's own user: nobody when we are root, else whoever runs the tests.
as_server() {
  if [ "$(id -u)" -eq 0 ]; then
    HOME="$dir" setpriv --reuid=nobody --regid=nogroup --clear-groups -- "$@"
  else
    "$@"
  fi
}

stop_server() {
  if [ -f "$dir/data/postmaster.pid" ]; then
    as_server "$bin/pg_ctl" -D "$dir/data" -m immediate -w -t 60 stop >/dev/null 2>&1 || true
  fi
}

case "$command" in
  start)
    stop_server
    rm -rf "$dir"
    mkdir -p "$dir"
    [ "$(id -u)" -eq 0 ] && chown nobody:nogroup "$dir"
    as_server "$bin/initdb" -D "$dir/data" -U dtu --auth=trust -E UTF8 --no-locale >"$dir/initdb.log" 2>&1 ||
      { cat "$dir/initdb.log" >&2; exit 1; }
    # Durability is not what the tests are about: no flushes to disk, for speed. A benchmark
    # asks for a server as a plant runs it (DTU_PG_DURABLE=1): every commit on disk.
    settings="-c listen_addresses= -c unix_socket_directories=$dir -c max_connections=100"
    [ "${DTU_PG_DURABLE:-0}" = 1 ] || settings="$settings -c fsync=off -c synchronous_commit=off -c full_page_writes=off"
    as_server "$bin/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -t 60 -o "$settings" start >/dev/null ||
      { cat "$dir/server.log" >&2; exit 1; }
    as_server "$bin/createdb" -h "$dir" -U dtu dtu_test
    echo "postgresql:///dtu_test?host=$dir&user=dtu"
    ;;
  restart)
    as_server "$bin/pg_ctl" -D "$dir/data" -l "$dir/server.log" -m fast -w -t 60 restart >/dev/null
    ;;
  stop)
    stop_server
    rm -rf "$dir"
    ;;
  *)
    echo "usage: pg_server.sh start|restart|stop FOLDER" >&2
    exit 2
    ;;
esac

#!/usr/bin/env bash
# A PostgreSQL server of the test suite's own: a fresh cluster in a temporary folder, on a
# port and a socket folder of its own, run by an unprivileged user, never a system service.
#   pgserver.sh start INFO [--tls]  starts it and writes what the tests need into the file INFO;
#                            with --tls, with SSL on and a certificate for "localhost" made by a
#                            CA of the tests' own (PGTLS/ca.crt; PGTLS/other-ca.crt signed nothing)
#   pgserver.sh stop INFO    stops it and removes its folder
#   pgserver.sh halt INFO    stops it at once, as a crash would (no shutdown checkpoint)
#   pgserver.sh resume INFO  starts a halted server again on the same port
#   pgserver.sh freeze INFO  stops every process of the server where it stands (SIGSTOP), as a
#                            network that drops without a reset looks to a client
#   pgserver.sh thaw INFO    lets them go on (SIGCONT)
# INFO holds shell assignments: PGDIR (the folder), PGSOCKET (the socket folder), PGPORT, PGRUNAS,
# PGTLS (the certificates' folder, empty without --tls).
# The cluster's superuser is "vantor_admin" (no password, socket only); TCP connections on
# 127.0.0.1 need a password (scram-sha-256), so that the tests can try the password paths.
set -euo pipefail

bin=/usr/lib/postgresql/15/bin
action=${1:?start or stop}
info=${2:?the info file}

as_owner() {
  if [ "$(id -u)" -eq 0 ]; then
    runuser -u "$PGRUNAS" -- "$@"
  else
    "$@"
  fi
}

stop() {
  [ -f "$info" ] || return 0
  # shellcheck disable=SC1090
  . "$info"
  if [ -n "${PGDIR:-}" ] && [ -d "$PGDIR/data" ]; then
    # A server a test left frozen hears the stop only once it runs again.
    if [ -f "$PGDIR/data/postmaster.pid" ]; then
      postmaster=$(head -1 "$PGDIR/data/postmaster.pid")
      # shellcheck disable=SC2046
      kill -s CONT "$postmaster" $(ps -o pid= --ppid "$postmaster") 2>/dev/null || true
    fi
    as_owner "$bin/pg_ctl" -D "$PGDIR/data" -m immediate -w stop >/dev/null 2>&1 || true
  fi
  [ -n "${PGDIR:-}" ] && rm -rf -- "$PGDIR"
  rm -f -- "$info"
}

server_options() {
  local tls=
  [ -n "${PGTLS:-}" ] && tls=" -c ssl=on -c ssl_cert_file=$PGTLS/server.crt -c ssl_key_file=$PGTLS/server.key"
  echo "-p $PGPORT -k $PGSOCKET -c listen_addresses=127.0.0.1 -c max_connections=60 -c fsync=off$tls"
}

# A CA of the tests' own, a server certificate it signs for "localhost" alone (so that 127.0.0.1
# is a wrong host name), and a second CA that signed nothing: a station's unknown CA.
make_certificates() {
  local dir=$1
  mkdir -m 755 "$dir"
  local key=(-newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes)
  for ca in ca other-ca; do
    openssl req -x509 "${key[@]}" -days 3 -subj "/CN=Vantor tests $ca" -keyout "$dir/$ca.key" -out "$dir/$ca.crt" \
      -addext basicConstraints=critical,CA:TRUE -addext keyUsage=critical,keyCertSign,cRLSign 2>/dev/null
  done
  openssl req "${key[@]}" -subj "/CN=localhost" -keyout "$dir/server.key" -out "$dir/server.csr" 2>/dev/null
  openssl x509 -req -in "$dir/server.csr" -CA "$dir/ca.crt" -CAkey "$dir/ca.key" -CAcreateserial -days 3 \
    -extfile <(printf 'subjectAltName=DNS:localhost\n') -out "$dir/server.crt" 2>/dev/null
  chmod 600 "$dir/server.key"
  chmod 644 "$dir"/*.crt
  [ "$(id -u)" -eq 0 ] && chown "$PGRUNAS" "$dir/server.key"
  return 0
}

case "$action" in
  stop) stop; exit 0 ;;
  freeze | thaw)
    # shellcheck disable=SC1090
    . "$info"
    # The postmaster named in the pid file first, so that it starts no process unseen; then its children.
    postmaster=$(head -1 "$PGDIR/data/postmaster.pid")
    if [ "$action" = freeze ]; then
      kill -s STOP "$postmaster"
      # shellcheck disable=SC2046
      kill -s STOP $(ps -o pid= --ppid "$postmaster")
    else
      # shellcheck disable=SC2046
      kill -s CONT $(ps -o pid= --ppid "$postmaster")
      kill -s CONT "$postmaster"
    fi
    exit 0 ;;
  halt | resume)
    # shellcheck disable=SC1090
    . "$info"
    if [ "$action" = halt ]; then
      as_owner "$bin/pg_ctl" -D "$PGDIR/data" -m immediate -w stop >/dev/null
    else
      as_owner "$bin/pg_ctl" -D "$PGDIR/data" -l "$PGDIR/server.log" -w -t 60 start -o "$(server_options)" >/dev/null
    fi
    exit 0 ;;
esac
[ "$action" = start ] || { echo "usage: $0 start|stop|halt|resume|freeze|thaw INFO" >&2; exit 2; }
[ -x "$bin/initdb" ] || { echo "PostgreSQL 15 is not installed: run scripts/setup.sh" >&2; exit 1; }
stop # a cluster left by a run that was killed

PGRUNAS=$(id -un)
if [ "$(id -u)" -eq 0 ]; then
  # The server refuses to run as root.
  PGRUNAS=vantor-pgtest
  id "$PGRUNAS" >/dev/null 2>&1 ||
    useradd --system --no-create-home --home-dir /nonexistent --shell /usr/sbin/nologin "$PGRUNAS"
fi
PGDIR=$(mktemp -d /tmp/vantor-pg.XXXXXX)
chmod 755 "$PGDIR"
mkdir -m 755 "$PGDIR/socket"
[ "$(id -u)" -eq 0 ] && chown "$PGRUNAS" "$PGDIR" "$PGDIR/socket"
PGSOCKET=$PGDIR/socket
PGTLS=
if [ "${3:-}" = --tls ]; then
  PGTLS=$PGDIR/tls
  make_certificates "$PGTLS"
fi

as_owner "$bin/initdb" -D "$PGDIR/data" -U vantor_admin --auth-local=trust --auth-host=scram-sha-256 \
  -E UTF8 --locale=C.UTF-8 >"$PGDIR/initdb.log" 2>&1 || { cat "$PGDIR/initdb.log" >&2; exit 1; }

# A free port: the first of a few from a base of our own that the server accepts.
started=
for try in $(seq 0 40); do
  PGPORT=$((20000 + (RANDOM % 20000)))
  if as_owner "$bin/pg_ctl" -D "$PGDIR/data" -l "$PGDIR/server.log" -w -t 60 start \
    -o "$(server_options)" \
    >/dev/null 2>&1; then
    started=1
    break
  fi
  : "$try"
done
if [ -z "$started" ]; then
  tail -20 "$PGDIR/server.log" >&2 || true
  rm -rf -- "$PGDIR"
  exit 1
fi
printf 'PGDIR=%q\nPGSOCKET=%q\nPGPORT=%q\nPGRUNAS=%q\nPGTLS=%q\n' "$PGDIR" "$PGSOCKET" "$PGPORT" "$PGRUNAS" "$PGTLS" \
  >"$info"
echo "PostgreSQL test server on port $PGPORT, socket folder $PGSOCKET, run by $PGRUNAS"

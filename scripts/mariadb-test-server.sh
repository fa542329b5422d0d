#!/usr/bin/env bash
# A throwaway MariaDB server for the MySQL engine tests.
#
#   mariadb-test-server.sh start DIR   initialise a data directory in DIR, start the server on
#                                      127.0.0.1 at a free port and on DIR/mysqld.sock, create
#                                      the database kvttest (charset big5) and a user for it,
#                                      and write the connection to DIR/env
#   mariadb-test-server.sh stop DIR    shut that server down and remove DIR
#
# Table names are kept in lower case and compared without letter case, as on the Windows
# servers the package's installations use: the package's own statements spell a name one way
# ("X602base") and its programs another ("X602Base").
#
# Nothing outside DIR is touched (no system service, no option files: --no-defaults), except
# a short /tmp/kvt-mariadb.* directory for the socket when DIR is too deep for a socket path.
set -euo pipefail

die() {
  echo "mariadb-test-server: $*" >&2
  exit 1
}

find_program() {
  local name
  for name in "$@"; do
    if command -v "$name" >/dev/null 2>&1; then
      command -v "$name"
      return 0
    fi
    for dir in /usr/sbin /usr/bin /usr/local/sbin /usr/local/bin; do
      if [ -x "$dir/$name" ]; then
        echo "$dir/$name"
        return 0
      fi
    done
  done
  return 1
}

# True when something accepts connections on 127.0.0.1:$1.
port_in_use() {
  (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null
}

pick_port() {
  local port tries
  for tries in $(seq 1 50); do
    port=$((20000 + RANDOM % 40000))
    if ! port_in_use "$port"; then
      echo "$port"
      return 0
    fi
  done
  return 1
}

# The server's socket: in DIR, or in a short directory of its own when DIR is too deep for a
# socket path (about 107 bytes at most); DIR/socket-path names it either way.
socket_of() {
  cat "$1/socket-path" 2>/dev/null || echo "$1/mysqld.sock"
}

server_pid() {
  local dir=$1 pid
  [ -f "$dir/mysqld.pid" ] || return 1
  pid=$(cat "$dir/mysqld.pid" 2>/dev/null) || return 1
  [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null || return 1
  echo "$pid"
}

stop_server() {
  local dir=$1 pid i
  pid=$(server_pid "$dir") || return 0
  "$ADMIN" --no-defaults --socket="$(socket_of "$dir")" --user=root shutdown >/dev/null 2>&1 ||
    kill "$pid" 2>/dev/null || true
  for i in $(seq 1 150); do
    kill -0 "$pid" 2>/dev/null || return 0
    sleep 0.2
  done
  kill -9 "$pid" 2>/dev/null || true
}

remove_socket_dir() {
  local socket
  [ -f "$1/socket-path" ] || return 0
  socket=$(cat "$1/socket-path")
  case $socket in
    /tmp/kvt-mariadb.*/mysqld.sock) rm -rf "$(dirname "$socket")" ;;
  esac
}

# Starts mariadbd on the given port; returns 0 once it answers, 1 when it died.
launch() {
  local dir=$1 port=$2 pid i
  : >"$dir/error.log"
  "$SERVER" --no-defaults \
    --datadir="$dir/data" \
    --socket="$(socket_of "$dir")" \
    --pid-file="$dir/mysqld.pid" \
    --log-error="$dir/error.log" \
    --port="$port" \
    --bind-address=127.0.0.1 \
    --skip-networking=0 \
    --skip-name-resolve \
    --user="$(id -un)" \
    --character-set-server=big5 \
    --collation-server=big5_chinese_ci \
    --lower-case-table-names=1 \
    --skip-log-bin \
    --innodb-buffer-pool-size=16M \
    --innodb-log-file-size=8M \
    --max-connections=50 \
    </dev/null >>"$dir/error.log" 2>&1 &
  pid=$!
  for i in $(seq 1 250); do
    if ! kill -0 "$pid" 2>/dev/null; then
      return 1
    fi
    if "$ADMIN" --no-defaults --socket="$(socket_of "$dir")" --user=root ping >/dev/null 2>&1; then
      return 0
    fi
    sleep 0.1
  done
  kill "$pid" 2>/dev/null || true
  die "the server did not answer within 25 s; see $dir/error.log"
}

start() {
  local dir=$1 port attempt password
  mkdir -p "$dir"
  dir=$(cd "$dir" && pwd)
  # A server left over from an interrupted run is stopped before its directory is reused.
  stop_server "$dir"
  remove_socket_dir "$dir"
  rm -rf "$dir/data" "$dir/env" "$dir/mysqld.sock" "$dir/mysqld.pid" "$dir/socket-path"
  mkdir -p "$dir/data"
  if [ ${#dir} -gt 90 ]; then
    echo "$(mktemp -d /tmp/kvt-mariadb.XXXXXX)/mysqld.sock" >"$dir/socket-path"
  fi

  if ! "$INSTALL_DB" --no-defaults --datadir="$dir/data" --user="$(id -un)" \
    --auth-root-authentication-method=normal --skip-test-db >"$dir/install.log" 2>&1; then
    cat "$dir/install.log" >&2
    die "mariadb-install-db failed"
  fi

  # The port is free when picked, but another process may take it first: try a few.
  for attempt in 1 2 3 4 5; do
    port=$(pick_port) || die "no free port found"
    if launch "$dir" "$port"; then
      break
    fi
    if ! grep -qi "address already in use\|bind on tcp" "$dir/error.log"; then
      cat "$dir/error.log" >&2
      die "the server did not start"
    fi
    port=""
  done
  [ -n "$port" ] || die "the server could not bind a port"

  password=$(head -c 12 /dev/urandom | od -An -tx1 | tr -d ' \n')
  "$CLIENT" --no-defaults --socket="$(socket_of "$dir")" --user=root <<SQL
CREATE DATABASE kvttest DEFAULT CHARACTER SET big5;
CREATE USER 'kvt'@'127.0.0.1' IDENTIFIED BY '$password';
CREATE USER 'kvt'@'localhost' IDENTIFIED BY '$password';
GRANT ALL PRIVILEGES ON *.* TO 'kvt'@'127.0.0.1' WITH GRANT OPTION;
GRANT ALL PRIVILEGES ON *.* TO 'kvt'@'localhost' WITH GRANT OPTION;
SQL

  umask 077
  cat >"$dir/env.tmp" <<ENV
KVT_TEST_MYSQL_HOST=127.0.0.1
KVT_TEST_MYSQL_PORT=$port
KVT_TEST_MYSQL_USER=kvt
KVT_TEST_MYSQL_PASSWORD=$password
KVT_TEST_MYSQL_DATABASE=kvttest
KVT_TEST_MYSQL_SOCKET=$(socket_of "$dir")
ENV
  mv "$dir/env.tmp" "$dir/env"
  echo "MariaDB test server on 127.0.0.1:$port (socket $(socket_of "$dir"))"
}

stop() {
  local dir=$1
  [ -d "$dir" ] || return 0
  dir=$(cd "$dir" && pwd)
  stop_server "$dir"
  remove_socket_dir "$dir"
  rm -rf "$dir"
}

[ $# -eq 2 ] || die "usage: $0 start|stop DIR"
[ -n "$2" ] && [ "$2" != "/" ] || die "refusing directory '$2'"

SERVER=$(find_program mariadbd mysqld) || die "mariadbd not found (Debian package mariadb-server)"
INSTALL_DB=$(find_program mariadb-install-db mysql_install_db) || die "mariadb-install-db not found"
ADMIN=$(find_program mariadb-admin mysqladmin) || die "mariadb-admin not found"
CLIENT=$(find_program mariadb mysql) || die "the mariadb client not found"

case $1 in
  start) start "$2" ;;
  stop) stop "$2" ;;
  *) die "usage: $0 start|stop DIR" ;;
esac

#!/usr/bin/env bash
# Installs what the build needs, builds the tool, makes the demonstration installation under
# ./demo-prefix (a Wine-style prefix: drive C with an installed package and a release
# directory whose switch file asks for every step) and starts the tool from its release
# directory on it. Pressing the run button then upgrades programs, tables and form files.
#
#   demo.sh            the installation's tables are Paradox files
#   demo.sh --mysql    the tables are on a throwaway MariaDB server started for the demo
#                      (stop it with: scripts/mariadb-test-server.sh stop BUILD/demo-mariadb)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${KVT_BUILD_DIR:-$here/build}
prefix=$here/demo-prefix

"$here/scripts/install-deps.sh"

cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKVT_BUILD_GUI=ON -DKVT_BUILD_MYSQL=ON
cmake --build "$build" -j"$(nproc)" --target KVTUpgrade kvt-demo

mysql_args=()
if [ "${1:-}" = "--mysql" ]; then
  server_dir=$build/demo-mariadb
  "$here/scripts/mariadb-test-server.sh" start "$server_dir" >&2
  # shellcheck disable=SC1091
  . "$server_dir/env"
  mysql_args=(--mysql "$KVT_TEST_MYSQL_HOST:$KVT_TEST_MYSQL_PORT" "$KVT_TEST_MYSQL_DATABASE"
              "$KVT_TEST_MYSQL_USER" "$KVT_TEST_MYSQL_PASSWORD")
fi

release=$("$here/scripts/make-demo-prefix.sh" "$build" "${mysql_args[@]}")
echo "Demonstration installation: $prefix"
echo "Release directory:          $release"

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display to show the window on. Start it from a desktop session with:"
  echo "  WINEPREFIX='$prefix' '$release/KVTUpgrade'"
  exit 0
fi
WINEPREFIX="$prefix" exec "$release/KVTUpgrade"

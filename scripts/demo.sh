#!/usr/bin/env bash
# Installs what the build needs, builds the tool, makes the demonstration installation under
# ./demo-prefix (a Wine-style prefix: drive C with an installed package and a release
# directory) and starts the tool from its release directory on it.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${KVT_BUILD_DIR:-$here/build}
prefix=$here/demo-prefix

"$here/scripts/install-deps.sh"

cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKVT_BUILD_GUI=ON -DKVT_BUILD_MYSQL=ON
cmake --build "$build" -j"$(nproc)" --target KVTUpgrade kvt-demo

release=$("$here/scripts/make-demo-prefix.sh" "$build")
echo "Demonstration installation: $prefix"
echo "Release directory:          $release"

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display to show the window on. Start it from a desktop session with:"
  echo "  WINEPREFIX='$prefix' '$release/KVTUpgrade'"
  exit 0
fi
WINEPREFIX="$prefix" exec "$release/KVTUpgrade"

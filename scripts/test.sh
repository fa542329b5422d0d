#!/usr/bin/env bash
# Installs what the build and the tests need, builds everything and runs the whole test
# suite (the MySQL tests start their own throwaway MariaDB server through CTest fixtures), then
# the Windows leg (scripts/test-windows.sh) unless KVT_SKIP_WINDOWS=1.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${KVT_BUILD_DIR:-$here/build}

"$here/scripts/install-deps.sh"

cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKVT_BUILD_GUI=ON -DKVT_BUILD_MYSQL=ON
cmake --build "$build" -j"$(nproc)"
(cd "$build" && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j"$(nproc)" --timeout 900)
if [ "${KVT_SKIP_WINDOWS:-0}" != 1 ]; then
  "$here/scripts/test-windows.sh"
fi

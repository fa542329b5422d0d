#!/usr/bin/env bash
# Makes the demonstration installation ./demo-prefix from a build directory (argument 1):
# kvt-demo lays out the prefix with the built KVTUpgrade in its release directory, and
# kvt-demo-db, when built, adds the demonstration tables. Prints the release directory.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=$1
prefix=$here/demo-prefix

release=$("$build/tools/demo/kvt-demo" "$prefix" "$build/gui/KVTUpgrade")
if [ -x "$build/tools/demo-db/kvt-demo-db" ]; then
  "$build/tools/demo-db/kvt-demo-db" "$prefix/drive_c/Velmor/KVT/Database" "$release" >&2
fi
echo "$release"

#!/usr/bin/env bash
# Makes the demonstration installation ./demo-prefix from a build directory (argument 1):
# kvt-demo lays out the prefix (programs, tables, form files, switch file) with the built
# KVTUpgrade in its release directory. Further arguments go to kvt-demo (--mysql HOST:PORT
# DATABASE USER PASSWORD puts the tables on that server). Prints the release directory.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=$1
shift
prefix=$here/demo-prefix

"$build/tools/demo/kvt-demo" "$prefix" "$build/gui/KVTUpgrade" "$@"

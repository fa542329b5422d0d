#!/usr/bin/env bash
# Screenshots of the tool for the documentation, in docs/screenshots (or KVT_SCREENSHOT_DIR):
#   main-window.png      the main window before a run, with the switch text;
#   form-dir-dialog.png  the form directory dialog that the run asks with;
#   after-run.png        the main window after the run, with the log.
# kvt-screenshot drives the real window on a demonstration installation made afresh in a
# temporary directory, under a virtual X server when Xvfb is there (else on Qt's offscreen
# platform). Uses the build in KVT_BUILD_DIR (default ./build), building what it needs.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${KVT_BUILD_DIR:-$here/build}
out=${KVT_SCREENSHOT_DIR:-$here/docs/screenshots}

[ -f "$build/CMakeCache.txt" ] || { echo "configure a build first (bash scripts/demo.sh)"; exit 1; }
cmake --build "$build" -j"$(nproc)" --target KVTUpgrade kvt-demo kvt-screenshot >/dev/null

work=$(mktemp -d "${TMPDIR:-/tmp}/kvt-screenshot-XXXXXX")
xvfb=""
cleanup() {
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

release=$("$build/tools/demo/kvt-demo" "$work/prefix" "$build/gui/KVTUpgrade")
mkdir -p "$out"

if command -v Xvfb >/dev/null; then
  # Xvfb picks a free display itself and writes its number to the file.
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
  xvfb=$!
  for _ in $(seq 1 50); do
    [ -s "$work/display" ] && break
    sleep 0.1
  done
  [ -s "$work/display" ] || { echo "Xvfb did not start"; exit 1; }
  export DISPLAY=":$(head -n1 "$work/display")"
  export QT_QPA_PLATFORM=xcb
else
  echo "no Xvfb: rendering on Qt's offscreen platform"
  export QT_QPA_PLATFORM=offscreen
fi

timeout 300 "$build/tools/screenshot/kvt-screenshot" "$work/prefix" "$release" "$out"

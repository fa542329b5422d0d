#!/usr/bin/env bash
# Screenshots of the tool: the window at start on the demonstration installation, under a
# virtual X server (docs/screenshots/main-window.png), and the window after a run, from the
# offscreen window test (docs/screenshots/after-run.png). Build first (scripts/demo.sh, or
# scripts/test.sh for the test).
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${KVT_BUILD_DIR:-$here/build}
prefix=$here/demo-prefix
out=$here/docs/screenshots

for tool in Xvfb import xwininfo; do
  command -v "$tool" >/dev/null || { echo "screenshot.sh needs $tool (xvfb, imagemagick, x11-utils)"; exit 1; }
done
[ -x "$build/gui/KVTUpgrade" ] || { echo "build the tool first: bash scripts/demo.sh"; exit 1; }

release=$("$here/scripts/make-demo-prefix.sh" "$build")
mkdir -p "$out"

display=:$((90 + RANDOM % 100))
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp &
xvfb=$!
app=""
cleanup() {
  [ -n "$app" ] && kill "$app" 2>/dev/null || true
  kill "$xvfb" 2>/dev/null || true
}
trap cleanup EXIT
export DISPLAY=$display
sleep 1

WINEPREFIX="$prefix" "$release/KVTUpgrade" &
app=$!
# Wait for the window to be mapped.
window=""
for _ in $(seq 1 50); do
  window=$(xwininfo -root -tree 2>/dev/null | grep 'KVT 更新程式' | awk '{print $1}' | head -n1 || true)
  [ -n "$window" ] && break
  sleep 0.2
done
[ -n "$window" ] || { echo "the window did not appear"; exit 1; }
sleep 1
import -window "$window" "$out/main-window.png"
echo "wrote $out/main-window.png"

if [ -x "$build/tests/gui/test_gui" ]; then
  KVT_SCREENSHOT_DIR=$out QT_QPA_PLATFORM=offscreen "$build/tests/gui/test_gui" \
    --gtest_filter="DemoRun.*" >/dev/null 2>&1
  echo "wrote $out/after-run.png"
fi

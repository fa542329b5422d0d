#!/usr/bin/env bash
# The Windows leg: builds the release target (i686, compiled only: this machine runs no 32-bit
# Windows code) and the tested one (x86_64) with MinGW-w64, then runs each portable test
# program of the x86_64 build once under Wine, in a prefix inside the build folder whose ANSI
# code page is 950, prints each program's counts, and checks that kvt-table.exe prints the
# same bytes as the Linux build's kvt-table for every sample table.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${KVT_WINDOWS_BUILD_DIR:-$here/build-windows}
jobs=${KVT_JOBS:-$(nproc)}
samples=${KVT_PARADOX_SAMPLES_DIR:-$here/../shared/paradox-samples}
linux_build=${KVT_BUILD_DIR:-$here/build}
# The test programs of the Windows build, by the group directory that builds each: every group
# but the Qt window's; the POSIX facts of the others are left out of their Windows build. An
# entry "program:locale:cases" runs those cases again in another locale: the mail client's
# texts must reach the mail library in code page 950 where the ANSI code page is 1252, as in
# C.UTF-8. The window (the release program KVTUpgrade.exe) is driven by test_wingui after them.
programs=(schema/test_schema platform/test_platform paradox/test_paradox files/test_files
          forms/test_forms formupgrade/test_formupgrade formpatches/test_formpatches
          app/test_app dbupgrade/test_dbupgrade report/test_report e2e/test_e2e
          mysql/test_mysql win32/test_win32 "win32/test_win32:C.UTF-8:MapiMailClient.*")

"$here/scripts/install-deps.sh" --windows

mkdir -p "$build"
# x86_64: what is run. i686: the release's program, the core and the tools only, compiled to
# show the release builds.
targets_x86_64=(kvt-table test_wingui)
for p in "${programs[@]}"; do
  p=${p%%:*}
  targets_x86_64+=("${p#*/}")
done
targets_i686=(KVTUpgrade kvt_app_steps kvt_app_engines kvt-table kvt-form)
start=$SECONDS
for arch in i686 x86_64; do
  extra=(KVTUpgrade)
  [ "$arch" = x86_64 ] && extra=(test_wingui)
  cmake -S "$here" -B "$build/$arch" -DCMAKE_TOOLCHAIN_FILE="$here/cmake/mingw-w64-$arch.cmake" \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKVT_PARADOX_SAMPLES_DIR="$(realpath -m "$samples")" \
    ${KVT_WINDOWS_CMAKE_ARGS:-} >"$build/configure-$arch.log"
  eval 'targets=("${targets_'$arch'[@]}")'
  cmake --build "$build/$arch" -j"$jobs" --target "${targets[@]}"
done
[ -f "$linux_build/CMakeCache.txt" ] || cmake -S "$here" -B "$linux_build" >/dev/null
cmake --build "$linux_build" -j"$jobs" --target kvt-demo kvt-table >/dev/null
demo="$build/gui-demo"
"$linux_build/tools/demo/kvt-demo" "$demo" >/dev/null
echo "Windows leg: built in $((SECONDS - start)) s"

# Wine's ANSI code page follows the locale: zh_TW.UTF-8 gives 950. Made here when the system
# lacks it.
if ! locale -a 2>/dev/null | grep -qix 'zh_TW\.utf-\?8'; then
  if [ ! -d "$build/locale/zh_TW.UTF-8" ]; then
    mkdir -p "$build/locale"
    localedef -i zh_TW -f UTF-8 "$build/locale/zh_TW.UTF-8" || [ -d "$build/locale/zh_TW.UTF-8" ]
  fi
  export LOCPATH="$build/locale"
fi
# (bash itself cannot take a locale made after it started: its own warning is dropped.)
{ export LANG=zh_TW.UTF-8 LC_ALL=zh_TW.UTF-8; } 2>/dev/null
# A mail library beside a program comes before Wine's own, as on Windows: the mail client's
# test has its stand-in there.
export WINEPREFIX="$build/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;mapi32=n,b"
export WINEARCH=win64
# An X display of its own for the whole run, so that every Wine process, the window's too,
# reaches the same one.
display=90
while [ -e "/tmp/.X11-unix/X$display" ] || [ -e "/tmp/.X$display-lock" ]; do display=$((display + 1)); done
Xvfb ":$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
export DISPLAY=":$display"
# One server for the whole run: every program starts in a running Wine.
mkdir -p "$WINEPREFIX"
wineserver -p 2>/dev/null || true  # (a server left running for this prefix serves as well)
# The MySQL tests' throwaway server, as on Linux. Wine's odbc32 hands the calls to the host's
# driver manager, which loads the host's driver library; the program reaches the server on
# the host's 127.0.0.1 and reads the env file through drive Z:.
server_dir=$(realpath -m "$build/mariadb-server")
trap 'wineserver -k 2>/dev/null || true; kill "$xvfb" 2>/dev/null || true; "$here/scripts/mariadb-test-server.sh" stop "$server_dir" >/dev/null 2>&1 || true' EXIT
"$here/scripts/mariadb-test-server.sh" start "$server_dir"
export KVT_TEST_MYSQL_ENV="Z:${server_dir//\//\\}\\env"
driver=/usr/lib/$(gcc -print-multiarch 2>/dev/null || echo x86_64-linux-gnu)/odbc/libmaodbc.so
export KVT_TEST_MYSQL_ODBC_DRIVER=$driver
[ -f "$WINEPREFIX/system.reg" ] || wine wineboot -i >/dev/null 2>&1
# Without a window manager every managed window's close waits about 2 s: unmanaged windows.
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1

passed=0
failed=0
status=0
summary=()
run_counted() {  # NAME EXE [ENV=VALUE...]: runs one test program and adds its counts
  local name=$1 exe=$2
  shift 2
  local log="$build/$name.log" rc=0
  env "$@" wine "$exe" --gtest_color=no ${cases:+--gtest_filter="$cases"} >"$log" 2>&1 || rc=$?
  local ok bad skipped
  ok=$(sed -n 's/^\[  PASSED  \] \([0-9]*\) tests\?\..*/\1/p' "$log" | tail -1)
  bad=$(sed -n 's/^\[  FAILED  \] \([0-9]*\) tests\?, listed below.*/\1/p' "$log" | tail -1)
  skipped=$(sed -n 's/^\[  SKIPPED \] \([0-9]*\) tests\?, listed below.*/\1/p' "$log" | tail -1)
  ok=${ok:-0}
  bad=${bad:-0}
  # A program that failed, or ended without its summary (a crash that Wine's debugger ends with
  # status 0), counts as a failure.
  if [ "$bad" -eq 0 ] && { [ "$rc" -ne 0 ] || [ "$ok" -eq 0 ]; }; then
    bad=1
    [ "$rc" -ne 0 ] || rc=1
  fi
  [ "$rc" -eq 0 ] || status=1
  passed=$((passed + ok))
  failed=$((failed + bad))
  summary+=("$(printf '%-16s %4d passed, %d failed, %d skipped (exit %d, log %s)' \
    "$name" "$ok" "$bad" "${skipped:-0}" "$rc" "$log")")
  [ "$rc" -eq 0 ] || grep -E '^\[  FAILED  \]' "$log" | head -20 || true
}
for entry in "${programs[@]}"; do
  IFS=: read -r p locale cases <<<"$entry"
  run_counted "${p#*/}${locale:+-$locale}" "$build/x86_64/tests/$p.exe" \
    ${locale:+LANG=$locale LC_ALL=$locale}
done
cases=
[ -z "${KVT_SCREENSHOT_DIR:-}" ] || mkdir -p "$KVT_SCREENSHOT_DIR"
run_counted test_wingui "$build/x86_64/tests/wingui/test_wingui.exe" \
  KVT_GUI_DEMO_DRIVE_C="Z:$demo/drive_c" ${KVT_SCREENSHOT_DIR:+KVT_SCREENSHOT_DIR="Z:$KVT_SCREENSHOT_DIR"}
# Its pictures (docs/screenshots/windows-*.png come from here) as PNG.
if [ -n "${KVT_SCREENSHOT_DIR:-}" ]; then
  shopt -s nullglob
  bmps=("$KVT_SCREENSHOT_DIR"/windows-*.bmp)
  ((${#bmps[@]} == 0)) || python3 "$here/scripts/bmp2png.py" "${bmps[@]}"
fi

# kvt-table.exe against the Linux build's kvt-table, byte for byte, on every sample table.
linux_table="$linux_build/tools/tableinfo/kvt-table"
windows_table="$build/x86_64/tools/tableinfo/kvt-table.exe"
if [ -x "$linux_table" ]; then
  same=0
  differ=0
  while IFS= read -r -d '' table; do
    dir=$(dirname "$table")
    name=$(basename "$table")
    name=${name%.*}
    for command in structure rows; do
      want=$("$linux_table" "$command" "$dir" "$name" 2>&1 | od -An -tx1) || true
      got=$(wine "$windows_table" "$command" "Z:$dir" "$name" 2>&1 | od -An -tx1) || true
      if [ "$want" = "$got" ]; then
        same=$((same + 1))
      else
        differ=$((differ + 1))
        echo "kvt-table $command $table: the Windows build prints other bytes"
      fi
    done
  done < <(find "$(realpath -m "$samples")" -iname '*.db' -print0 | sort -z)
  summary+=("$(printf '%-16s %4d passed, %d failed (kvt-table.exe against %s)' \
    kvt-table "$same" "$differ" "$linux_table")")
  passed=$((passed + same))
  failed=$((failed + differ))
  [ "$differ" -eq 0 ] && [ "$same" -gt 0 ] || status=1
else
  summary+=("kvt-table        not compared: no Linux build at $linux_build (KVT_BUILD_DIR)")
  failed=$((failed + 1))
  status=1
fi

printf '%s\n' "Windows (x86_64 under Wine):" "${summary[@]}"
echo "Windows leg: $((SECONDS - start)) s in all"
echo "windows: $passed passed, $failed failed"
exit "$status"

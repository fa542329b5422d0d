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
# but the Qt window's and the MySQL engine's; the POSIX facts of the others are left out of
# their Windows build.
programs=(schema/test_schema platform/test_platform paradox/test_paradox files/test_files
          forms/test_forms formupgrade/test_formupgrade formpatches/test_formpatches
          app/test_app dbupgrade/test_dbupgrade report/test_report e2e/test_e2e)

"$here/scripts/install-deps.sh" --windows

mkdir -p "$build"
# x86_64: what is run. i686: the core and the tools only, compiled to show the release builds.
targets_x86_64=(kvt-table)
for p in "${programs[@]}"; do targets_x86_64+=("${p#*/}"); done
targets_i686=(kvt_app_steps kvt_app_engines kvt-table kvt-form)
start=$SECONDS
for arch in i686 x86_64; do
  cmake -S "$here" -B "$build/$arch" -DCMAKE_TOOLCHAIN_FILE="$here/cmake/mingw-w64-$arch.cmake" \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKVT_PARADOX_SAMPLES_DIR="$(realpath -m "$samples")" \
    ${KVT_WINDOWS_CMAKE_ARGS:-} >"$build/configure-$arch.log"
  eval 'targets=("${targets_'$arch'[@]}")'
  cmake --build "$build/$arch" -j"$jobs" --target "${targets[@]}"
done
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
export WINEPREFIX="$build/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
export WINEARCH=win64
# One server for the whole run: every program starts in a running Wine.
mkdir -p "$WINEPREFIX"
wineserver -p 2>/dev/null || true  # (a server left running for this prefix serves as well)
trap 'wineserver -k 2>/dev/null || true' EXIT
[ -f "$WINEPREFIX/system.reg" ] || wine wineboot -i >/dev/null 2>&1

passed=0
failed=0
status=0
summary=()
for p in "${programs[@]}"; do
  exe="$build/x86_64/tests/$p.exe"
  log="$build/${p#*/}.log"
  rc=0
  wine "$exe" --gtest_color=no >"$log" 2>&1 || rc=$?
  ok=$(sed -n 's/^\[  PASSED  \] \([0-9]*\) tests\?\..*/\1/p' "$log" | tail -1)
  bad=$(sed -n 's/^\[  FAILED  \] \([0-9]*\) tests\?, listed below.*/\1/p' "$log" | tail -1)
  ok=${ok:-0}
  bad=${bad:-0}
  skipped=$(sed -n 's/^\[  SKIPPED \] \([0-9]*\) tests\?, listed below.*/\1/p' "$log" | tail -1)
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
    "${p#*/}" "$ok" "$bad" "${skipped:-0}" "$rc" "$log")")
  [ "$rc" -eq 0 ] || grep -E '^\[  FAILED  \]' "$log" | head -20 || true
done
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

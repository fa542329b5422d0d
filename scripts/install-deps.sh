#!/usr/bin/env bash
# Installs the Debian packages the project builds and tests with, when any is missing.
# With --windows, those of the Windows leg instead: the MinGW-w64 cross compilers, GoogleTest's
# sources, Wine and the locale sources for zh_TW.
set -euo pipefail
packages=(cmake g++ pkg-config libgtest-dev libbenchmark-dev qt6-base-dev libgl1-mesa-dev
          unixodbc-dev odbc-mariadb mariadb-server pxlib-dev xvfb xauth fonts-noto-cjk xdg-utils)
windows_packages=(cmake mingw-w64 g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix googletest
                  wine wine64 locales libodbc2 odbc-mariadb mariadb-server xvfb fonts-noto-cjk)
if [ "${1:-}" = "--windows" ]; then
  packages=("${windows_packages[@]}")
fi
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  sudo_cmd=""
  [ "$(id -u)" -eq 0 ] || sudo_cmd="sudo"
  $sudo_cmd apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

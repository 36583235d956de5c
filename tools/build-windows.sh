#!/usr/bin/env bash
# Builds the Windows client (release, mingw-w64 cross build) and its package:
# build/windows/package/DravantaClient-<version>-x64.msi, which installs
# dravanta-client.exe and a commented DravantaClientConf.ini into
# C:\Program Files\Varnok\Dravanta Client\ with a Start-menu shortcut, and
# DravantaClient-<version>-x64.zip with the same two files.
#   tools/build-windows.sh      (as root the first time: it installs packages)
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/install-windows-deps.sh
bash tools/windows-third-party.sh
if command -v ccache >/dev/null; then
  export CMAKE_C_COMPILER_LAUNCHER=ccache CMAKE_CXX_COMPILER_LAUNCHER=ccache
  export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$PWD}
fi
cmake --preset windows >/dev/null
cmake --build --preset windows --target windows-package -- -j "${DRAVANTA_JOBS:-$(nproc)}"
ls -l build/windows/package/*.msi build/windows/package/*.zip

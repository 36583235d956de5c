#!/usr/bin/env bash
# Installs what the tests need, then builds and runs every test: once in a
# Release build, once under AddressSanitizer + UndefinedBehaviorSanitizer,
# the tests of threaded code once more under ThreadSanitizer, and the
# Windows cross build with its tests under Wine.
#   tools/test-all.sh            all four builds
#   tools/test-all.sh release    only the named builds (release, asan, tsan, windows)
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/install-deps.sh

presets=("$@")
[ ${#presets[@]} -gt 0 ] || presets=(release asan tsan windows)
jobs=$(nproc)

# The Windows build: its own packages and third-party libraries, the cross
# build with the installer package, and its tests under Wine. Its end-to-end
# tests talk to the reference scan server, a Linux program of the release
# build.
windows_stage() {
  local start=$SECONDS
  echo "=== windows: packages, third-party libraries, the scan server"
  bash tools/install-windows-deps.sh
  bash tools/windows-third-party.sh
  cmake --preset release >/dev/null
  cmake --build --preset release -j "$jobs" --target scan-server
  echo "=== windows: configure and build"
  cmake --preset windows >/dev/null
  cmake --build --preset windows -j "$jobs"
  echo "=== windows: test (under Wine)"
  ctest --test-dir build/windows --output-on-failure -j "$jobs"
  echo "=== windows: $((SECONDS - start)) s"
}

for preset in "${presets[@]}"; do
  if [ "$preset" = windows ]; then
    windows_stage
    continue
  fi
  echo "=== ${preset}: configure and build"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
  echo "=== ${preset}: test"
  ctest --test-dir "build/$preset" --output-on-failure -j "$jobs"
done

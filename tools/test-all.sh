#!/usr/bin/env bash
# Installs what the tests need, then builds and runs every test: once in a
# Release build, once under AddressSanitizer + UndefinedBehaviorSanitizer,
# and the tests of threaded code once more under ThreadSanitizer.
#   tools/test-all.sh            all three builds
#   tools/test-all.sh release    only the named builds (release, asan, tsan)
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/install-deps.sh

presets=("$@")
[ ${#presets[@]} -gt 0 ] || presets=(release asan tsan)
jobs=$(nproc)

for preset in "${presets[@]}"; do
  echo "=== ${preset}: configure and build"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
  echo "=== ${preset}: test"
  ctest --test-dir "build/$preset" --output-on-failure -j "$jobs"
done

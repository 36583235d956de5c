#!/usr/bin/env bash
# The main job: installs what is needed, builds the client and shows it.
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/install-deps.sh
cmake --preset release >/dev/null
cmake --build --preset release -j "$(nproc)"
if [ -x build/release/shell/dravanta-client ]; then
  build/release/shell/dravanta-client --help
fi

#!/usr/bin/env bash
# Opens the client's page against the scan server: builds everything, starts
# the server on a free loopback port with a sample folder to scan, runs the
# client with its page (it prints the page address and opens a browser when
# there is a desktop), and stops the server when the client ends.
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/install-deps.sh
cmake --preset release >/dev/null
cmake --build --preset release -j "$(nproc)"

SERVER_BIN=build/release/tools/scan-server/scan-server
CLIENT_BIN=build/release/shell/dravanta-client
WORK=$(mktemp -d "${TMPDIR:-/tmp}/dravanta-demo.XXXXXX")
SERVER_PID=
# shellcheck source=scan-server/demo-lib.sh
source tools/scan-server/demo-lib.sh
trap 'stop_server; rm -rf "$WORK"' EXIT

if [ ! -x "$CLIENT_BIN" ]; then
  echo "The client ($CLIENT_BIN) has not been built; there is no page to open yet." >&2
  exit 1
fi

start_server
make_samples "$WORK/samples"
say "Scan server: $SERVER_URL"
echo "Sample folder for a custom scan (clean files and the EICAR test file):"
echo "  $WORK/samples"
echo "Close the page (or press Ctrl+C) to end; the server stops with the client."
rc=0
"$CLIENT_BIN" show_ui=1 server="$SERVER_URL" || rc=$?
echo "The client ended with exit code $rc (0 clean, 1 threats found, 100 error)."

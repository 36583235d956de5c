#!/usr/bin/env bash
# Opens the client's page against the scan server: builds the client and the
# scan server, starts the server on a free loopback port with a sample folder
# to scan, runs the client with its page (it prints the page address and
# opens a browser when there is a desktop), and stops the server when the
# client ends.
set -euo pipefail
cd "$(dirname "$0")/.."

# DRAVANTA_BUILD_DIR names another build folder than build/release;
# DRAVANTA_NO_BROWSER=1 keeps the client from opening a browser (it still
# prints the page address).
# shellcheck source=scan-server/demo-lib.sh
source tools/scan-server/demo-lib.sh
build_demo
SERVER_PID=
CLIENT_PID=

# stop_client: asks the client to end and waits for it (bounded).
stop_client() {
  stop_process "$CLIENT_PID"
  CLIENT_PID=
}
trap 'stop_client; stop_server; rm -rf "$WORK"' EXIT
trap 'echo; echo "Stopping the client and the server."; exit 130' INT TERM

if [ ! -x "$CLIENT_BIN" ] || [ ! -x "$SERVER_BIN" ]; then
  echo "demo-ui: the build did not produce $CLIENT_BIN and $SERVER_BIN" >&2
  exit 1
fi

start_server
make_samples "$WORK/samples"
say "Scan server: $SERVER_URL"
echo "Sample folder for a custom scan (clean files and the EICAR test file):"
echo "  $WORK/samples"
echo "Close the page (or press Ctrl+C) to end; the server stops with the client."
# In the background, so that Ctrl+C (or a TERM) reaches this script at once
# and its clean-up stops both programs.
(cd "$WORK" && exec "$CLIENT_BIN" show_ui=1 server="$SERVER_URL" log_file="$WORK/client.log") &
CLIENT_PID=$!
rc=0
wait "$CLIENT_PID" || rc=$?
CLIENT_PID=
echo "The client ended with exit code $rc (0 clean, 1 threats found, 100 error)."

#!/usr/bin/env bash
# The main job: installs what is needed, builds the client and the scan
# server (not the tests: tools/test-all.sh builds everything), starts the scan
# server on a free loopback port, scans a sample folder (clean files and the
# EICAR test file) with the client twice, shows the report and the engines'
# verdicts, stops the server and says what happened.
set -euo pipefail
cd "$(dirname "$0")/.."

# DRAVANTA_BUILD_DIR names another build folder than build/release (for
# trying the demo beside a build of one's own).
# shellcheck source=scan-server/demo-lib.sh
source tools/scan-server/demo-lib.sh
build_demo
SERVER_PID=
trap 'stop_server; rm -rf "$WORK"' EXIT

if [ ! -x "$CLIENT_BIN" ] || [ ! -x "$SERVER_BIN" ]; then
  echo "demo: the build did not produce $CLIENT_BIN and $SERVER_BIN" >&2
  exit 1
fi

say "Starting the scan server (ClamAV, YARA and hash-list engines)"
start_server
echo "The server listens on $SERVER_URL"
sed 's/^scan-server: /  /' "$WORK/server.log"

SAMPLES="$WORK/samples"
make_samples "$SAMPLES"
mapfile -t FILES < <(cd "$SAMPLES" && find . -type f | sed 's#^\./##' | sort)
say "Sample folder $SAMPLES"
printf '  %s\n' "${FILES[@]}"

# run_client N: one headless scan of the sample folder, without any window;
# sets CLIENT_RC. A scan that does not end with 0 (clean) or 1 (threats) and
# its report ends the demo: there is nothing to show then.
run_client() {
  local n=$1
  CLIENT_RC=0
  (cd "$WORK" && DRAVANTA_NO_BROWSER=1 timeout 600 "$CLIENT_BIN" auto_start=1 show_ui=0 \
    scan_type=1 scan_location="$SAMPLES" server="$SERVER_URL" log_file="$WORK/client.log" \
    >"$WORK/report$n.txt" 2>"$WORK/progress$n.txt") || CLIENT_RC=$?
  case $CLIENT_RC in
    0 | 1) [ -s "$WORK/report$n.txt" ] && return 0 ;;
  esac
  echo "demo: the client's scan failed (exit code $CLIENT_RC; 100 is a failed scan):" >&2
  sed 's/^/  /' "$WORK/progress$n.txt" "$WORK/report$n.txt" | tail -n 20 >&2
  exit 1
}

explain_client_rc() {
  case $1 in
    0) echo "Exit code 0: the client found the folder clean." ;;
    1) echo "Exit code 1: the client found threats." ;;
  esac
}

say "First scan: the client looks every file up by its SHA-1 signature and uploads the ones the server does not know"
run_client 1
cat "$WORK/report1.txt"
explain_client_rc "$CLIENT_RC"
scans_first=$(count_server_scans)
lookups_first=$(count_server_lookups)

SIGNATURES=$(for f in "${FILES[@]}"; do sha1_of "$SAMPLES/$f"; done | paste -sd'|')
say "The verdict of each engine, as the server now keeps it for each sample"
print_verdicts "$(scanner_request scanmultiple '&type=signature' --data-binary "$SIGNATURES")" \
  "${FILES[@]}"
lookups_shown=$(count_server_lookups)

say "Second scan of the same folder: every file is known by its signature now"
run_client 2
cat "$WORK/report2.txt"
explain_client_rc "$CLIENT_RC"
scans_second=$(($(count_server_scans) - scans_first))
lookups_second=$(($(count_server_lookups) - lookups_shown))

say "What the server did (its log)"
sed -n 's/^scan-server: \(scan of\|lookup of\)/  \1/p' "$WORK/server.log"
stop_server

say "What happened"
echo "A scanning server with three real engines (ClamAV through libclamav, YARA through"
echo "libyara and a list of known file digests) ran on $SERVER_URL."
echo "The client scanned ${#FILES[@]} sample files twice, without any window."
echo "First scan: $lookups_first lookup request(s); $scans_first of ${#FILES[@]} files were unknown to the"
echo "server, so the client uploaded them and every engine scanned them."
if [ ${#FOUND_THREATS[@]} -gt 0 ]; then
  echo "Threats found: ${FOUND_THREATS[*]}; the other $((${#FILES[@]} - ${#FOUND_THREATS[@]})) files are clean."
else
  echo "No threat was found."
fi
if [ "$scans_second" -eq 0 ]; then
  echo "Second scan: $lookups_second lookup request(s) and no upload: the files were settled by their"
  echo "SHA-1 signatures alone, from the verdicts the server keeps in its SQLite database."
else
  echo "Second scan: $lookups_second lookup request(s), yet $scans_second file(s) were uploaded again"
  echo "although the server already knew them."
fi
if [ ${#FOUND_UNKNOWN[@]} -gt 0 ]; then
  echo "Still unknown to the server: ${FOUND_UNKNOWN[*]}."
fi
echo "The server has been stopped and the temporary folder is removed."

#!/usr/bin/env bash
# The main job: installs what is needed, builds everything, starts the scan
# server on a free loopback port, scans a sample folder (clean files and the
# EICAR test file) with the client twice, shows the report and the engines'
# verdicts, stops the server and says what happened.
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

say "Starting the scan server (ClamAV, YARA and hash-list engines)"
start_server
echo "The server listens on $SERVER_URL"
sed 's/^scan-server: /  /' "$WORK/server.log"

SAMPLES="$WORK/samples"
make_samples "$SAMPLES"
mapfile -t FILES < <(cd "$SAMPLES" && find . -type f | sed 's#^\./##' | sort)
say "Sample folder $SAMPLES"
printf '  %s\n' "${FILES[@]}"

# run_client N: one headless scan of the sample folder; sets CLIENT_RC.
# Returns 1 when the client cannot run a headless scan (yet).
run_client() {
  local n=$1
  CLIENT_RC=0
  timeout 600 "$CLIENT_BIN" auto_start=1 show_ui=0 scan_type=1 scan_location="$SAMPLES" \
    server="$SERVER_URL" >"$WORK/report$n.txt" 2>"$WORK/progress$n.txt" || CLIENT_RC=$?
  # A headless scan ends with 0, 1 or 100; 0 and 1 come with the report.
  case $CLIENT_RC in
    0 | 1) [ -s "$WORK/report$n.txt" ] ;;
    100) return 0 ;;
    *) return 1 ;;
  esac
}

explain_client_rc() {
  case $1 in
    0) echo "exit code 0: the client found the folder clean" ;;
    1) echo "exit code 1: the client found threats" ;;
    100) echo "exit code 100: the scan failed:"; sed 's/^/  /' "$WORK/progress$2.txt" | tail -n 5 ;;
  esac
}

HEADLESS=no
scans_before=$(count_server_scans)
if [ -x "$CLIENT_BIN" ]; then
  say "First scan: the client looks the files up and uploads the ones the server does not know"
  if run_client 1; then
    HEADLESS=yes
    cat "$WORK/report1.txt"
    explain_client_rc "$CLIENT_RC" 1
  else
    echo "The client could not run a headless scan (exit code $CLIENT_RC):"
    tail -n 5 "$WORK/progress1.txt" | sed 's/^/  /'
  fi
else
  echo
  echo "The client ($CLIENT_BIN) has not been built, so this demo talks to the server directly."
fi

if [ "$HEADLESS" = no ]; then
  say "The client's headless run is not available yet; curl does what it would do"
  SIGNATURES=$(for f in "${FILES[@]}"; do sha1_of "$SAMPLES/$f"; done | paste -sd'|')
  echo "One lookup of all ${#FILES[@]} SHA-1 signatures first:"
  BRIEF=1 print_verdicts "$(scanner_request scanmultiple '&type=signature' --data-binary "$SIGNATURES")" \
    "${FILES[@]}"
  echo "Then every file the server does not know is uploaded whole and scanned:"
  for f in "${FOUND_UNKNOWN[@]}"; do
    print_verdicts "$(scanner_request scan "&filename=$(basename "$f")" --data-binary "@$SAMPLES/$f")" "$f"
  done
fi
scans_first=$(($(count_server_scans) - scans_before))

SIGNATURES=$(for f in "${FILES[@]}"; do sha1_of "$SAMPLES/$f"; done | paste -sd'|')
if [ "$HEADLESS" = yes ]; then
  say "Per-engine verdicts the server holds for each sample (one lookup by SHA-1)"
  print_verdicts "$(scanner_request scanmultiple '&type=signature' --data-binary "$SIGNATURES")" \
    "${FILES[@]}"
fi

lookups_before=$(count_server_lookups)
scans_before=$(count_server_scans)
if [ "$HEADLESS" = yes ]; then
  say "Second scan of the same folder: every file is known by its signature now"
  run_client 2 || true
  cat "$WORK/report2.txt"
  explain_client_rc "$CLIENT_RC" 2
  scans_second=$(($(count_server_scans) - scans_before))
  lookups_second=$(($(count_server_lookups) - lookups_before))
fi
# The verdicts as the server now answers them, without uploading anything.
FOUND_THREATS=()
FOUND_UNKNOWN=()
if [ "$HEADLESS" = yes ]; then
  BRIEF=1 print_verdicts "$(scanner_request scanmultiple '&type=signature' --data-binary "$SIGNATURES")" \
    "${FILES[@]}" >/dev/null
else
  say "Second round: the same files, settled by one lookup alone"
  BRIEF=1 print_verdicts "$(scanner_request scanmultiple '&type=signature' --data-binary "$SIGNATURES")" \
    "${FILES[@]}"
fi
if [ "$HEADLESS" = no ]; then
  scans_second=$(($(count_server_scans) - scans_before))
  lookups_second=$(($(count_server_lookups) - lookups_before))
fi

say "What the server did (its log)"
sed -n 's/^scan-server: \(scan of\|lookup of\)/  \1/p' "$WORK/server.log"
stop_server

say "What happened"
echo "A scanning server with three real engines (ClamAV through libclamav, YARA through"
echo "libyara and a list of known file digests) ran on $SERVER_URL."
if [ "$HEADLESS" = yes ]; then
  echo "The client scanned ${#FILES[@]} sample files twice without any window."
else
  echo "The client's headless mode is not available yet, so curl stood in for it."
fi
echo "First round: $scans_first of ${#FILES[@]} files were unknown to the server, so they were uploaded"
echo "and scanned by every engine."
if [ ${#FOUND_THREATS[@]} -gt 0 ]; then
  echo "Threats found: ${FOUND_THREATS[*]}; the other $((${#FILES[@]} - ${#FOUND_THREATS[@]})) files are clean."
else
  echo "No threat was found."
fi
if [ "$scans_second" -eq 0 ]; then
  echo "Second round: $lookups_second lookup request(s) and no upload: the files were settled by their"
  echo "SHA-1 signatures alone, from the verdicts the server keeps in its SQLite database."
else
  echo "Second round: $lookups_second lookup request(s), yet $scans_second file(s) were uploaded again"
  echo "although the server already knew them."
fi
if [ ${#FOUND_UNKNOWN[@]} -gt 0 ]; then
  echo "Still unknown to the server: ${FOUND_UNKNOWN[*]}."
fi
echo "The server has been stopped and the temporary folder is removed."

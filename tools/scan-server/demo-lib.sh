# Shared by tools/demo.sh and tools/demo-ui.sh (sourced, not run): starting
# and stopping the scan server on a free loopback port, the sample folder and
# the server's per-engine verdicts. The functions after build_demo expect
# WORK (a private temporary folder) and SERVER_BIN, which build_demo sets.

RESULT_NAMES=("Threat not detected" "Threat detected" "Suspicious" "Failed To Scan" "Cleaned"
  "Unknown" "Quarantined" "Skipped Clean" "Skipped Dirty" "Exceeded Archive Depth" "Not Scanned"
  "Aborted" "Encrypted" "Exceeded Archive Size" "Exceeded Archive File Number")

say() { printf '\n== %s\n' "$*"; }

# The two programs a demo runs: the client and the scanning server. Only
# they are built (not the tests, which take most of a full build).
DEMO_TARGETS=(dravanta-client scan-server)

# build_demo: installs what is needed and builds the demo's programs into
# $DRAVANTA_BUILD_DIR (default build/release); sets BUILD, SERVER_BIN,
# CLIENT_BIN and a private temporary WORK folder. Run from the repository root.
build_demo() {
  BUILD=${DRAVANTA_BUILD_DIR:-build/release}
  bash tools/install-deps.sh
  if [ "$BUILD" = build/release ]; then
    cmake --preset release >/dev/null
    cmake --build --preset release -j "$(nproc)" --target "${DEMO_TARGETS[@]}"
  else
    cmake --build "$BUILD" -j "$(nproc)" --target "${DEMO_TARGETS[@]}"
  fi
  BUILD=$(cd "$BUILD" && pwd)
  SERVER_BIN=$BUILD/tools/scan-server/scan-server
  CLIENT_BIN=$BUILD/shell/dravanta-client
  WORK=$(mktemp -d "${TMPDIR:-/tmp}/dravanta-demo.XXXXXX")
}

# start_server: starts the server in the background with a database file in
# WORK; sets SERVER_PID and SERVER_URL. Loading the system's ClamAV database
# (when there is one) can take a while, hence the generous wait.
start_server() {
  "$SERVER_BIN" --listen 127.0.0.1:0 --db "$WORK/verdicts.db" \
    >"$WORK/server.out" 2>"$WORK/server.log" &
  SERVER_PID=$!
  local i
  for ((i = 0; i < 1200; i++)); do
    if grep -q '^listening on http://' "$WORK/server.out" 2>/dev/null; then
      SERVER_URL=$(sed -n 's/^listening on //p' "$WORK/server.out" | head -n 1)
      return 0
    fi
    if ! kill -0 "$SERVER_PID" 2>/dev/null; then
      echo "the scan server did not start:" >&2
      cat "$WORK/server.log" >&2
      SERVER_PID=
      return 1
    fi
    sleep 0.1
  done
  echo "the scan server did not report its address within 120 seconds" >&2
  return 1
}

# stop_process PID: asks a program started here to end (TERM), waits for
# it, and kills it (KILL) when it is still running after ten seconds.
stop_process() {
  [ -n "$1" ] || return 0
  kill -TERM "$1" 2>/dev/null || true
  local i
  for ((i = 0; i < 100; i++)); do
    kill -0 "$1" 2>/dev/null || break
    sleep 0.1
  done
  kill -KILL "$1" 2>/dev/null || true
  wait "$1" 2>/dev/null || true
}

# stop_server: asks the server to stop and waits for it (bounded).
stop_server() {
  stop_process "${SERVER_PID:-}"
  SERVER_PID=
}

# make_samples DIR: a few clean files and the EICAR anti-virus test file,
# which is assembled here from pieces so that no file of the repository is
# itself the test file.
make_samples() {
  local dir=$1
  mkdir -p "$dir/documents"
  printf 'Shopping list: bread, milk, apples.\n' >"$dir/documents/list.txt"
  printf 'name,size\nalpha,1\nbeta,2\n' >"$dir/documents/table.csv"
  printf '#!/bin/sh\necho "hello from a clean script"\n' >"$dir/hello.sh"
  head -c 65536 /dev/zero | tr '\0' 'a' >"$dir/padding.bin"
  printf '%s%s%s' 'X5O!P%@AP[4\PZX54(P^)7CC)7}$' 'EICAR-STANDARD-ANTIVIRUS-' \
    'TEST-FILE!$H+H*' >"$dir/eicar.com"
}

# upper-case SHA-1 of a file
sha1_of() { sha1sum "$1" | cut -c1-40 | tr 'a-f' 'A-F'; }

# scanner_request METHOD QUERY CURL-BODY-ARGS...: one request to the server.
scanner_request() {
  local method=$1 query=$2
  shift 2
  curl -sS --max-time 60 -H 'Content-Type: application/octet-stream' "$@" \
    "$SERVER_URL/scanner?method=$method$query"
}

# print_verdicts DOCUMENT LABEL...: the file verdict and engine verdicts of
# each "object" (lookup) or of the one answer (upload), labelled in order.
# With BRIEF=1 only the file verdicts. Adds the labels of files with a threat
# or suspicion to FOUND_THREATS and of unknown files to FOUND_UNKNOWN.
FOUND_THREATS=()
FOUND_UNKNOWN=()
print_verdicts() {
  local document=$1
  shift
  local label entry final threat
  local entries
  mapfile -t entries < <(printf '%s' "$document" | sed 's#</object>#&\n#g' | grep -o '<final_scan_result>.*')
  local i=0
  for label in "$@"; do
    entry=${entries[$i]:-}
    i=$((i + 1))
    final=$(printf '%s' "$entry" | sed -n 's#^<final_scan_result>\([0-9]*\)</final_scan_result>.*#\1#p')
    threat=$(printf '%s' "$entry" | sed -n 's#^<final_scan_result>[0-9]*</final_scan_result><threat_name><!\[CDATA\[\([^]]*\)\]\]>.*#\1#p')
    if [ -z "$final" ]; then
      printf '  %-22s (no answer)\n' "$label"
      continue
    fi
    printf '  %-22s %s%s\n' "$label" "${RESULT_NAMES[$final]:-result $final}" "${threat:+ [$threat]}"
    case $final in
      1 | 2) FOUND_THREATS+=("$label") ;;
      5) FOUND_UNKNOWN+=("$label") ;;
    esac
    [ "${BRIEF:-0}" = 1 ] && continue
    printf '%s' "$entry" | sed 's#</engine_result>#&\n#g' |
      sed -n 's#.*<engine_name>\(.*\)</engine_name><threat_name><!\[CDATA\[\(.*\)\]\]></threat_name><scan_result>\([0-9]*\)</scan_result></engine_result>#\1|\3|\2#p' |
      while IFS='|' read -r engine result name; do
        printf '      %-12s %s%s\n' "$engine" "${RESULT_NAMES[$result]:-result $result}" "${name:+ [$name]}"
      done
  done
}

# count_server_scans: uploads scanned so far, from the server's log.
count_server_scans() { grep -c '^scan-server: scan of ' "$WORK/server.log" || true; }
count_server_lookups() { grep -c '^scan-server: lookup of ' "$WORK/server.log" || true; }

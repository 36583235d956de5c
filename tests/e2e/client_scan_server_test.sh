#!/usr/bin/env bash
# The real client, headless, against the real scan server on loopback:
#   client_scan_server_test.sh CLIENT SCAN_SERVER
# 1. a folder with clean files and the EICAR test file: exit code 1, the
#    report names the EICAR file, and the server holds the verdict of each of
#    its three engines;
# 2. the same folder again: settled by lookup alone, no upload;
# 3. a folder of clean files only: exit code 0.
# The client runs as a copy under a name of its own (a second program of the
# same file name would count as another instance), with its home, state
# folder and log in a temporary folder. Every wait is bounded.
set -uo pipefail

client=$1
server=$2
work=$(mktemp -d "${TMPDIR:-/tmp}/dravanta-e2e-scan.XXXXXX")
server_pid=
cleanup() {
  stop_scan_server
  rm -rf "$work"
}
trap cleanup EXIT

# shellcheck source=../support/expect.sh
source "$(dirname "${BASH_SOURCE[0]}")/../support/expect.sh"
# shellcheck source=../support/scan_server_fixture.sh
source "$(dirname "${BASH_SOURCE[0]}")/../support/scan_server_fixture.sh"

mkdir -p "$work/bin" "$work/home/state"
cp "$client" "$work/bin/dravanta-client-e2e-scan"
start_scan_server "$server" "$work"
make_scan_samples "$work"

# run_client N FOLDER: one headless scan; sets rc, writes report N and its
# JSON result N, which must validate against the schema.
source_root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
run_client() {
  rc=0
  (cd "$work/home" && env -i PATH="$PATH" HOME="$work/home" XDG_STATE_HOME="$work/home/state" \
    LANG=C.UTF-8 DRAVANTA_NO_BROWSER=1 timeout 30 "$work/bin/dravanta-client-e2e-scan" \
    auto_start=1 show_ui=0 scan_type=1 "scan_location=$2" "server=$url" \
    "log_file=$work/home/client.log" "json_report=$work/result$1.json" \
    >"$work/report$1.txt" 2>"$work/progress$1.txt") || rc=$?
  if ! /usr/bin/python3 "$source_root/tests/support/validate_json_result.py" \
    "$source_root/docs/json-result.schema.json" "$work/result$1.json" 2>"$work/schema$1.txt"; then
    fail "JSON result $1 does not validate: $(cat "$work/schema$1.txt")"
  fi
}

# --- 1. clean files and EICAR: threats found.
run_client 1 "$work/samples"
expect_eq "first scan exit code" 1 "$rc"
report=$(cat "$work/report1.txt")
expect_contains "first report" "$report" "SCAN FINISHED SUCCESSFULLY"
expect_contains "first report" "$report" "Clean Files:                 3"
expect_contains "first report" "$report" "Infected Files:              1"
expect_contains "first report" "$report" "PATH:          $work/samples/eicar.com"
expect_contains "first report" "$report" "THREAT NAME:   Dravanta.Test.EICAR.UNOFFICIAL"
expect_eq "uploads of the first scan" 4 "$(scan_server_uploads)"
json=$(cat "$work/result1.json")
expect_contains "first JSON result" "$json" '"status": "infected"'
expect_contains "first JSON result" "$json" "\"path\": \"$work/samples/eicar.com\""
expect_contains "first JSON result" "$json" '{"name": "YARA", "result": 1, "threat": "Dravanta.Test.EICAR"}'

# Each engine's own verdict on the EICAR file, as the server keeps it.
eicar_sha1=$(sha1sum "$work/samples/eicar.com" | cut -c1-40 | tr 'a-f' 'A-F')
answer=$(curl -sS --max-time 10 --data-binary "$eicar_sha1" \
  "$url/scanner?method=scanmultiple&type=signature")
for engine in "ClamAV|Dravanta.Test.EICAR.UNOFFICIAL" "YARA|Dravanta.Test.EICAR" \
  "Hash list|Dravanta.Test.EICAR"; do
  expect_contains "engine verdicts" "$answer" "<engine_result><engine_name>${engine%%|*}</engine_name><threat_name><![CDATA[${engine#*|}]]></threat_name><scan_result>1</scan_result></engine_result>"
done

# --- 2. the same folder again: every file is known, nothing is uploaded.
# The walker's workers may hand the files over in more than one lookup.
lookups_before=$(scan_server_lookups)
run_client 2 "$work/samples"
expect_eq "second scan exit code" 1 "$rc"
expect_contains "second report" "$(cat "$work/report2.txt")" "PATH:          $work/samples/eicar.com"
expect_eq "uploads after the second scan" 4 "$(scan_server_uploads)"
second=$(scan_server_lookups_since "$lookups_before")
expect_eq "signatures looked up and known in the second scan" "4 4" "$second"

# --- 3. clean files only.
run_client 3 "$work/clean"
expect_eq "clean scan exit code" 0 "$rc"
report=$(cat "$work/report3.txt")
expect_contains "clean report" "$report" "Infected Files:              0"
case $report in
  *"INFECTED FILES"*) fail "clean report lists infected files" ;;
esac

if [ "$failures" -gt 0 ]; then
  for n in 1 2 3; do
    echo "--- report $n" >&2
    cat "$work/report$n.txt" "$work/progress$n.txt" >&2 2>/dev/null
  done
  echo "--- server log" >&2
  cat "$work/server.log" >&2
  exit 1
fi
echo "client against the scan server: all checks passed"

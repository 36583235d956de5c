#!/usr/bin/env bash
# The Windows client under Wine, headless, against the reference scan server
# (a Linux program) on loopback:
#   client_under_wine_test.sh WINE64 CLIENT_EXE SCAN_SERVER
# 1. a folder with clean files and the EICAR test file (its name not ASCII):
#    exit code 1; the report names the EICAR file, in the ANSI code page with
#    CR LF line ends; the diagnostic log is UTF-16LE records with CR LF; the
#    state values are in the registry (show_trayicon=1);
# 2. the same folder again: settled by lookup alone, no upload;
# 3. a folder of clean files only: exit code 0;
# 4. a server that cannot be reached: exit code 100;
# 5. a scan of the loaded modules finds the client's own executable (the
#    server knows its SHA-1 as a threat).
# The client runs as a copy under a name of its own in a temporary folder
# (a program of the same file name would count as another instance), in the
# Wine prefix of the environment. Every wait is bounded.
set -uo pipefail

wine=$1
client=$2
server=$3
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/dravanta-wine-e2e.XXXXXX")
server_pid=
cleanup() {
  stop_scan_server
  rm -rf "$work"
}
trap cleanup EXIT

# shellcheck source=../support/expect.sh
source "$here/../support/expect.sh"
# shellcheck source=../support/scan_server_fixture.sh
source "$here/../support/scan_server_fixture.sh"
# shellcheck source=wine_support.sh
source "$here/wine_support.sh"
[ -n "${WINEPREFIX:-}" ] || { echo "FAIL: WINEPREFIX is not set" >&2; exit 1; }

mkdir -p "$work/bin"
exe_name=dravanta-client-wine-e2e.exe
cp "$client" "$work/bin/$exe_name"
# The server also knows the client's own executable as a threat (scan 5).
cp -r "$here/../../tools/scan-server/data" "$work/data"
client_sha1=$(sha1sum "$work/bin/$exe_name" | cut -c1-40 | tr 'a-f' 'A-F')
echo "$client_sha1 Dravanta.Test.OwnClient" >>"$work/data/hashes/known_bad.txt"
start_scan_server "$server" "$work" --data-dir "$work/data"
eicar_name="eicar-café.com"
make_scan_samples "$work" "$eicar_name"

# run_client N ARGUMENT...: one headless run; sets rc, writes report N
# (standard output) and progress N (standard error).
run_client() {
  local n=$1
  shift
  rc=0
  wine_run 120 "$work/bin/$exe_name" auto_start=1 show_ui=0 show_trayicon=1 log_enable=2 \
    "log_file=$(windows_path "$work/client.log")" "$@" \
    >"$work/report$n.txt" 2>"$work/progress$n.txt" || rc=$?
}
file_scan() { # N FOLDER [SERVER]
  run_client "$1" scan_type=1 "scan_location=$(windows_path "$2")" "server=${3:-$url}"
}

# --- 1. clean files and EICAR: threats found.
file_scan 1 "$work/samples"
expect_eq "first scan exit code" 1 "$rc"
report=$(tr -d '\r' <"$work/report1.txt" | iconv -f CP1252 -t UTF-8)
expect_contains "first report" "$report" "SCAN FINISHED SUCCESSFULLY"
expect_contains "first report" "$report" "Clean Files:                 3"
expect_contains "first report" "$report" "Infected Files:              1"
expect_contains "first report" "$report" "PATH:          $(windows_path "$work/samples/$eicar_name")"
expect_contains "first report" "$report" "THREAT NAME:   Dravanta.Test.EICAR.UNOFFICIAL"
expect_eq "uploads of the first scan" 4 "$(scan_server_uploads)"
# 8-bit text of the default code page, every line ended by CR LF.
python3 - "$work/report1.txt" <<'PY' || fail "report 1 is not CP1252 text with CR LF line ends"
import sys
data = open(sys.argv[1], "rb").read()
assert data, "empty report"
assert b"eicar-caf\xe9.com\r\n" in data, "the EICAR path is not in code page 1252"
assert data.count(b"\n") == data.count(b"\r\n") > 10, "a line does not end with CR LF"
PY
# The log: UTF-16LE without byte-order mark, tab-separated records with the
# source location (log_enable=2), each ended by CR LF.
python3 - "$work/client.log" <<'PY' || fail "the diagnostic log is not UTF-16LE records"
import re, sys
data = open(sys.argv[1], "rb").read()
assert data and data[:2] != b"\xff\xfe", "missing, or starts with a byte-order mark"
text = data.decode("utf-16-le")
assert text.endswith("\r\n"), "does not end with CR LF"
lines = text[:-2].split("\r\n")
record = re.compile(r"\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\t(Error|Info|DevInfo)\t[^\t#]+#\d+\t[^\r\n]*")
for line in lines:
    assert record.fullmatch(line), "not a record: %r" % line
assert any(line.endswith("\tOnSetupScan") for line in lines), "no OnSetupScan record"
PY
key="HKLM\\Software\\VARNOK\\QN5RA\\$url"
expect_eq "qn5raRunning after the first scan" 0x0 "$(registry_dword "$key" qn5raRunning)"
expect_eq "qn5raThreatsFound after the first scan" 0x1 "$(registry_dword "$key" qn5raThreatsFound)"

# --- 2. the same folder again: every file is known, nothing is uploaded.
lookups_before=$(scan_server_lookups)
file_scan 2 "$work/samples"
expect_eq "second scan exit code" 1 "$rc"
expect_contains "second report" "$(tr -d '\r' <"$work/report2.txt" | iconv -f CP1252 -t UTF-8)" \
  "PATH:          $(windows_path "$work/samples/$eicar_name")"
expect_eq "uploads after the second scan" 4 "$(scan_server_uploads)"
expect_eq "signatures looked up and known in the second scan" "4 4" \
  "$(scan_server_lookups_since "$lookups_before")"

# --- 3. clean files only.
file_scan 3 "$work/clean"
expect_eq "clean scan exit code" 0 "$rc"
report=$(tr -d '\r' <"$work/report3.txt")
expect_contains "clean report" "$report" "Infected Files:              0"
case $report in
  *"INFECTED FILES"*) fail "clean report lists infected files" ;;
esac
expect_eq "qn5raThreatsFound after the clean scan" 0x0 "$(registry_dword "$key" qn5raThreatsFound)"

# --- 4. nothing listens on port 1 of the loopback address.
file_scan 4 "$work/clean" "http://127.0.0.1:1/dravanta_rest"
expect_eq "unreachable server exit code" 100 "$rc"

# --- 5. the loaded modules: the client itself is among them.
run_client 5 scan_type=0 "server=$url"
expect_eq "module scan exit code" 1 "$rc"
report=$(tr -d '\r' <"$work/report5.txt")
expect_contains "module scan report" "$report" "$exe_name"
expect_contains "module scan report" "$report" "THREAT NAME:   Dravanta.Test.OwnClient"

if [ "$failures" -gt 0 ]; then
  for n in 1 2 3 4 5; do
    echo "--- report $n" >&2
    cat "$work/report$n.txt" "$work/progress$n.txt" >&2 2>/dev/null
  done
  echo "--- server log" >&2
  tail -50 "$work/server.log" >&2
  exit 1
fi
echo "Windows client under Wine against the scan server: all checks passed"

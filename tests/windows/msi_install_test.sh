#!/usr/bin/env bash
# The installer package under Wine, in a Wine prefix of its own:
#   msi_install_test.sh WINE64 WINESERVER PACKAGE_MSI SCAN_SERVER
# installs it silently (msiexec /i ... /qn); checks the executable, the
# commented configuration file and the Start-menu shortcut are there; runs
# the installed client headless against the reference scan server on
# loopback, where it finds the EICAR test file (exit code 1) and leaves its
# log beside itself and its state values in the registry; uninstalls it
# (msiexec /x ... /qn) and checks that nothing of it is left. Every wait is
# bounded.
set -uo pipefail

wine=$1
wineserver=$2
msi=$3
server=$4
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/dravanta-msi-test.XXXXXX")
export WINEPREFIX=$work/prefix
server_pid=
cleanup() {
  stop_scan_server
  timeout 30 "$wineserver" -k >/dev/null 2>&1
  rm -rf "$work"
}
trap cleanup EXIT

# shellcheck source=../support/expect.sh
source "$here/../support/expect.sh"
# shellcheck source=../support/scan_server_fixture.sh
source "$here/../support/scan_server_fixture.sh"
# shellcheck source=wine_support.sh
source "$here/wine_support.sh"
export WINEDLLOVERRIDES="mscoree,mshtml="

[ -f "$msi" ] || { echo "FAIL: no package at $msi (bash tools/build-windows.sh)" >&2; exit 1; }
# One persistent wine server for the whole test: a server that ends between
# two commands saves the registry while the next one may already load it.
# (It, and the programs wineboot leaves running, must not hold this
# script's output.)
timeout 30 "$wineserver" -p </dev/null >/dev/null 2>&1
wine_run 180 wineboot --init >/dev/null 2>&1 || { echo "FAIL: wineboot --init" >&2; exit 1; }
drive_c=$WINEPREFIX/drive_c
folder="$drive_c/Program Files/Varnok/Dravanta Client"
find_shortcut() { find "$drive_c" -name 'Dravanta Client.lnk' -path '*Start Menu*' 2>/dev/null; }

# --- install
wine_run 180 msiexec /i "$(windows_path "$msi")" /qn >"$work/install.txt" 2>&1
expect_eq "msiexec /i exit code" 0 "$?"
for file in dravanta-client.exe DravantaClientConf.ini; do
  [ -f "$folder/$file" ] || fail "not installed: $folder/$file"
done
config=$(cat "$folder/DravantaClientConf.ini" 2>/dev/null)
expect_contains "installed configuration file" "$config" $'\r\n[dravantaclient]\r\n'
expect_contains "installed configuration file" "$config" $'\r\n;server=scan.dravanta.example/dravanta_rest\r\n'
[ -n "$(find_shortcut)" ] || fail "no Start-menu shortcut"

# --- the installed client, headless, with its default log beside it (at
# the level with developer records, so that a scan surely writes some)
start_scan_server "$server" "$work"
make_scan_samples "$work"
wine_run 120 'C:\Program Files\Varnok\Dravanta Client\dravanta-client.exe' auto_start=1 \
  show_ui=0 show_trayicon=1 log_enable=2 scan_type=1 "scan_location=$(windows_path "$work/samples")" \
  "server=$url" >"$work/report.txt" 2>"$work/progress.txt"
expect_eq "installed client's exit code" 1 "$?"
report=$(tr -d '\r' <"$work/report.txt")
expect_contains "report" "$report" "PATH:          $(windows_path "$work/samples/eicar.com")"
expect_contains "report" "$report" "THREAT NAME:   Dravanta.Test.EICAR.UNOFFICIAL"
[ -s "$folder/DravantaClient.log" ] || fail "no diagnostic log beside the installed client"
expect_eq "qn5raThreatsFound" 0x1 \
  "$(registry_dword "HKLM\\Software\\VARNOK\\QN5RA\\$url" qn5raThreatsFound)"

# --- uninstall: files, folders, shortcut and state values gone
wine_run 180 msiexec /x "$(windows_path "$msi")" /qn >"$work/uninstall.txt" 2>&1
expect_eq "msiexec /x exit code" 0 "$?"
[ ! -e "$drive_c/Program Files/Varnok" ] ||
  fail "left after uninstalling: $(find "$drive_c/Program Files/Varnok" | tr '\n' ' ')"
[ -z "$(find_shortcut)" ] || fail "shortcut left after uninstalling: $(find_shortcut)"
if wine_run 60 reg query 'HKLM\Software\VARNOK' >/dev/null 2>&1; then
  fail "registry key HKLM\\Software\\VARNOK left after uninstalling"
fi

if [ "$failures" -gt 0 ]; then
  echo "--- state values" >&2
  wine_run 60 reg query 'HKLM\Software\VARNOK' /s >&2 2>&1
  for f in install.txt report.txt progress.txt uninstall.txt; do
    echo "--- $f" >&2
    cat "$work/$f" >&2 2>/dev/null
  done
  exit 1
fi
echo "installer package under Wine: all checks passed"

#!/usr/bin/env bash
# Tests of the program itself:
#   dravanta_client_test.sh CLIENT WAITING_CLIENT
# CLIENT is the real program, WAITING_CLIENT the same program with a window
# that prints "ready ..." and waits for one line on standard input (its
# number becomes the window's result). Both are copied into a fresh folder
# under their real file name, so each copy reads its own configuration and
# writes its own log. Every wait is bounded.
set -uo pipefail

client=$1
waiting=$2
work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
  rm -rf "$work"
}
trap cleanup EXIT

# shellcheck source=../tests/support/expect.sh
source "$(dirname "${BASH_SOURCE[0]}")/../tests/support/expect.sh"

mkdir -p "$work/real" "$work/a" "$work/b" "$work/renamed"
cp "$client" "$work/real/dravanta-client"
cp "$waiting" "$work/a/dravanta-client"
cp "$waiting" "$work/b/dravanta-client"
cp "$waiting" "$work/renamed/dravanta-client-renamed"

warning="Failed to launch Workstation Scanner: Another instance of Dravanta Client is already running. Please make sure the other instance of Dravanta Client is not in progress and close it before launchng another Scanner."
bad_utf8=$'\xff\xfe\xc3'

# --- --help and --version: exit 0, start nothing (no log is created).
out=$(timeout 20 "$work/real/dravanta-client" --help "server=$bad_utf8" 2>"$work/err")
expect_eq "--help exit code" 0 $?
expect_contains "--help" "$out" "thread_count"
expect_contains "--help" "$out" "[scan.dravanta.example/dravanta_rest]"
expect_contains "--help" "$out" "Exit codes:"
expect_eq "--help stderr" "" "$(cat "$work/err")"
out=$(timeout 20 "$work/real/dravanta-client" --version)
expect_eq "--version exit code" 0 $?
expect_eq "--version" "dravanta-client 1.0.0.1" "$out"
[ ! -e "$work/real/DravantaClient.log" ] || fail "--help or --version opened the log"

# Starts a waiting copy in the background with its input and output on
# FIFOs: sets started_pid, started_in (write end) and started_out (read end).
started=0
start_waiting() {  # path, arguments...
  started=$((started + 1))
  local in="$work/fifo$started.in" out="$work/fifo$started.out"
  mkfifo "$in" "$out"
  timeout 60 "$@" <"$in" >"$out" 2>&1 &
  started_pid=$!
  pids+=("$started_pid")
  exec {started_in}>"$in" {started_out}<"$out"
}

# --- A running instance refuses a second one with the warning and 100.
printf '[dravantaclient]\r\nthread_count=7\r\nserver=file.example\r\n' >"$work/a/DravantaClientConf.ini"
start_waiting "$work/a/dravanta-client" "/SERVER=arg.example" "$bad_utf8"
first_pid=$started_pid first_in=$started_in first_out=$started_out
line=""
read -r -t 20 -u "$first_out" line
expect_eq "first instance" \
  "ready server=arg.example thread_count=7 log_file=$work/a/DravantaClient.log" "$line"

timeout 20 "$work/real/dravanta-client" "server=$bad_utf8" "--log_file=$work/second.log" \
  >"$work/out" 2>"$work/err"
expect_eq "second instance exit code" 100 $?
expect_eq "second instance warning" "$warning" "$(cat "$work/err")"
expect_eq "second instance stdout" "" "$(cat "$work/out")"

timeout 20 "$work/b/dravanta-client" >"$work/out" 2>"$work/err"
expect_eq "waiting copy refused too" 100 $?
expect_eq "waiting copy warning" "$warning" "$(cat "$work/err")"

# --- A copy under another file name is not the same program.
start_waiting "$work/renamed/dravanta-client-renamed" "log_enable=0"
renamed_pid=$started_pid renamed_in=$started_in renamed_out=$started_out
line=""
read -r -t 20 -u "$renamed_out" line
expect_contains "renamed copy runs beside the first" "$line" "ready "
echo 1 >&"$renamed_in"
wait "$renamed_pid"
expect_eq "renamed copy exit code for result 1" 1 $?
exec {renamed_in}>&- {renamed_out}<&-

# --- The first instance ends with the result its window gives.
echo 0 >&"$first_in"
wait "$first_pid"
expect_eq "first instance exit code for result 0" 0 $?
exec {first_in}>&- {first_out}<&-
[ -e "$work/a/DravantaClient.log" ] || fail "the first instance did not open its log"

# --- After the first has ended a new one runs normally; results map to exit codes.
for pair in "0 0" "1 1" "2 100" "100 100" "-1 100" "7x 100"; do
  set -- $pair
  start_waiting "$work/a/dravanta-client"
  again_pid=$started_pid again_in=$started_in again_out=$started_out
  line=""
  read -r -t 20 -u "$again_out" line
  expect_contains "new instance after the end ($1)" "$line" "ready "
  echo "$1" >&"$again_in"
  wait "$again_pid"
  expect_eq "exit code for window result $1" "$2" $?
  exec {again_in}>&- {again_out}<&-
done

# --- A window that ends at the end of its input (result -1) gives 100.
timeout 20 "$work/a/dravanta-client" </dev/null >/dev/null 2>&1
expect_eq "exit code at end of input" 100 $?

if [ "$failures" -ne 0 ]; then
  echo "$failures failure(s)" >&2
  exit 1
fi
echo "all program tests passed"

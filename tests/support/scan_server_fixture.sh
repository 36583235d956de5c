# The reference scan server and the sample folders of the end-to-end
# scripts (sourced; expects expect.sh). Every wait is bounded.

# start_scan_server SERVER WORK [ARGUMENT...]: starts the scan server on a
# free loopback port with its database in WORK and the shipped signatures
# alone (the system's ClamAV databases would only make the start slower);
# its standard output goes to WORK/server.out, its log to WORK/server.log.
# Sets url and server_pid; exits the script when the server does not start.
start_scan_server() {
  local binary=$1 work=$2
  shift 2
  "$binary" --listen 127.0.0.1:0 --db "$work/verdicts.db" --clamav-system-db=none "$@" \
    >"$work/server.out" 2>"$work/server.log" &
  server_pid=$!
  local _
  for _ in $(seq 300); do
    grep -q '^listening on http://' "$work/server.out" 2>/dev/null && break
    kill -0 "$server_pid" 2>/dev/null || break
    sleep 0.1
  done
  url=$(sed -n 's/^listening on //p' "$work/server.out")
  if [ -z "$url" ]; then
    echo "FAIL: the scan server did not start:" >&2
    cat "$work/server.log" >&2
    exit 1
  fi
}

# stop_scan_server: ends the server started by start_scan_server, if any.
stop_scan_server() {
  if [ -n "${server_pid:-}" ]; then
    kill -TERM "$server_pid" 2>/dev/null
    wait "$server_pid" 2>/dev/null
    server_pid=
  fi
}

# make_scan_samples ROOT [EICAR_NAME]: ROOT/samples holds three clean files
# (two in documents/) and the EICAR test file (default name eicar.com);
# ROOT/clean holds two clean files.
make_scan_samples() {
  local root=$1 eicar=${2:-eicar.com}
  mkdir -p "$root/samples/documents" "$root/clean"
  printf 'Shopping list: bread, milk, apples.\n' >"$root/samples/documents/list.txt"
  printf 'name,size\nalpha,1\nbeta,2\n' >"$root/samples/documents/table.csv"
  head -c 65536 /dev/zero | tr '\0' 'a' >"$root/samples/padding.bin"
  # Assembled from pieces: no file of the repository is the test file.
  printf '%s%s%s' 'X5O!P%@AP[4\PZX54(P^)7CC)7}$' 'EICAR-STANDARD-ANTIVIRUS-' \
    'TEST-FILE!$H+H*' >"$root/samples/$eicar"
  cp "$root/samples/documents/list.txt" "$root/clean/list.txt"
  printf 'another clean file\n' >"$root/clean/notes.txt"
}

# The server's counters, from the log in the script's $work:
# scan_server_uploads: the files the server has scanned so far.
scan_server_uploads() { grep -c '^scan-server: scan of ' "$work/server.log"; }

# scan_server_lookups: the lookups so far; scan_server_lookups_since N:
# "asked known", the signatures looked up and found known by the lookups
# after the first N.
scan_server_lookups() { grep -c '^scan-server: lookup of ' "$work/server.log"; }
scan_server_lookups_since() {
  grep '^scan-server: lookup of ' "$work/server.log" | tail -n +$(($1 + 1)) |
    sed -n 's/^scan-server: lookup of \([0-9]*\) signatures: \([0-9]*\) known$/\1 \2/p' |
    awk '{ asked += $1; known += $2 } END { print asked + 0, known + 0 }'
}

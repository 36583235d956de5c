# Shared by the TLS and small-file figures (sourced after bench/lib.sh): the
# bench scanning server (bench/bench_scan_server.cpp) on loopback, and the
# helpers that the figures build.
BENCH_BUILD=${DRAVANTA_BENCH_BUILD:-build/release}
BENCH_SERVER=$BENCH_BUILD/bench/dravanta_bench_scan_server
SMALL_TREE=$BENCH_BUILD/bench/dravanta_small_tree
BENCH_SERVER_PIDS=()
BENCH_CLEANUP_PATHS=()

bench_servers_cleanup() {
  local pid
  for pid in "${BENCH_SERVER_PIDS[@]}"; do
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
  if [ "${#BENCH_CLEANUP_PATHS[@]}" -gt 0 ]; then rm -rf "${BENCH_CLEANUP_PATHS[@]}"; fi
}
trap bench_servers_cleanup EXIT

# The scan helper (make-tree, scan) wherever the build put it.
scan_bench_program() {
  local candidate
  for candidate in "$BENCH_BUILD"/bench/dravanta_scan_bench "$BENCH_BUILD"/connector/dravanta_scan_bench; do
    [ -x "$candidate" ] && { echo "$candidate"; return 0; }
  done
  cmake --build "$BENCH_BUILD" --target dravanta_scan_bench >&2
  scan_bench_program
}

# ensure_bench_programs: builds what the figures run.
ensure_bench_programs() {
  cmake --build "$BENCH_BUILD" --target dravanta_bench_scan_server dravanta_small_tree \
    dravanta_scan_bench >&2
}

# need_free_space NAME PATH KIB: stops the figure when PATH's disk lacks KIB.
need_free_space() {
  local free_kib
  free_kib=$(df -Pk "$2" | awk 'NR == 2 { print $4 }')
  if [ "$free_kib" -lt "$3" ]; then
    echo "$1: $2 has ${free_kib} KiB free, needs $3 KiB" >&2
    exit 1
  fi
}

# start_bench_server known|unknown plain|tls VARIABLE: sets VARIABLE to the
# port. (Not run in a subshell, so that the cleanup knows the server.)
start_bench_server() {
  local port_file
  port_file=$(mktemp "${TMPDIR:-/tmp}/dravanta-bench-port.XXXXXX")
  BENCH_CLEANUP_PATHS+=("$port_file")
  rm -f "$port_file"
  "$BENCH_SERVER" "$1" "$2" "$port_file" >&2 &
  BENCH_SERVER_PIDS+=($!)
  for _ in $(seq 100); do
    [ -s "$port_file" ] && break
    sleep 0.1
  done
  [ -s "$port_file" ] || { echo "bench server did not start" >&2; exit 1; }
  printf -v "$3" '%s' "$(cat "$port_file")"
}

# handshake_counts URL: "FULL RESUMED REQUESTS" from the server at URL.
handshake_counts() {
  curl -s -k "$1/handshakes"
}

# hash_files ROOT: the baseline of hashing, every file, two at a time.
hash_files() {
  find "$1" -type f -print0 | xargs -0 -P2 sha1sum
}

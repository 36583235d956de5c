# Shared by bench/figures/scan-known and scan-unknown (sourced).
# A tree of 20,000 files totalling 2 GiB under /tmp, a bench scanning server
# on loopback, and their removal when the figure ends.
SCAN_BENCH=build/release/bench/dravanta_scan_bench
SCAN_TREE=${DRAVANTA_SCAN_TREE:-/tmp/dravanta-bench-scan-tree}
SCAN_FILES=20000
SCAN_BYTES=2147483648
SCAN_SERVER_PID=""

scan_bench_cleanup() {
  if [ -n "$SCAN_SERVER_PID" ]; then
    kill "$SCAN_SERVER_PID" 2>/dev/null || true
    wait "$SCAN_SERVER_PID" 2>/dev/null || true
  fi
  rm -rf "$SCAN_TREE" "$SCAN_TREE.port" "$SCAN_TREE.big"
}

# ensure_scan_tree NAME EXTRA_BYTES: builds the helper, checks that /tmp
# holds the tree plus EXTRA_BYTES, writes the tree and warms the cache.
ensure_scan_tree() {
  local name=$1 extra=$2
  if [ ! -x "$SCAN_BENCH" ]; then
    cmake --preset release >/dev/null
    cmake --build --preset release --target dravanta_scan_bench >&2
  fi
  local need_kib=$(((SCAN_BYTES + extra) / 1024 + 262144))
  local free_kib
  free_kib=$(df -Pk "$(dirname "$SCAN_TREE")" | awk 'NR == 2 { print $4 }')
  if [ "$free_kib" -lt "$need_kib" ]; then
    echo "$name: $(dirname "$SCAN_TREE") has ${free_kib} KiB free, needs ${need_kib} KiB" >&2
    exit 1
  fi
  trap scan_bench_cleanup EXIT
  rm -rf "$SCAN_TREE"
  echo "$name: writing $SCAN_FILES files, $SCAN_BYTES bytes, under $SCAN_TREE" >&2
  "$SCAN_BENCH" make-tree "$SCAN_TREE" "$SCAN_FILES" "$SCAN_BYTES"
  find "$SCAN_TREE" -type f -print0 | xargs -0 cat >/dev/null
}

# start_scan_server known|unknown: sets SCAN_URL.
start_scan_server() {
  rm -f "$SCAN_TREE.port"
  "$SCAN_BENCH" serve "$1" "$SCAN_TREE.port" &
  SCAN_SERVER_PID=$!
  for _ in $(seq 100); do
    [ -s "$SCAN_TREE.port" ] && break
    sleep 0.1
  done
  SCAN_URL="http://127.0.0.1:$(cat "$SCAN_TREE.port")/dravanta_rest"
}

# The baseline of both figures: hashing every file, two at a time.
hash_tree() {
  find "$SCAN_TREE" -type f -print0 | xargs -0 -P2 sha1sum
}

# Shared by bench/figures/walk and walk-rss (sourced).
# The generated tree is kept between runs: making 200,000 files is slow on
# some disks. DRAVANTA_WALK_TREE moves it.
WALK_BENCH=build/release/bench/dravanta_walk_bench
WALK_TREE=${DRAVANTA_WALK_TREE:-/tmp/dravanta-bench-walk-tree}

ensure_walk_tree() {
  if [ ! -x "$WALK_BENCH" ]; then
    cmake --preset release >/dev/null
    cmake --build --preset release --target dravanta_walk_bench >&2
  fi
  if [ ! -f "$WALK_TREE.complete" ]; then
    echo "walk: generating 200,000 files in 20,000 folders under $WALK_TREE" >&2
    rm -rf "$WALK_TREE"
    # 100 top folders with 199 subfolders each, 10 files in every folder.
    "$WALK_BENCH" make "$WALK_TREE" 100 199 10 >&2
    touch "$WALK_TREE.complete"
  fi
  # Warm the cache for both walkers.
  bfs "$WALK_TREE" -type f -printf '%s %p\n' >/dev/null
}

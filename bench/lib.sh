# Helpers shared by the figure scripts in bench/figures/.

# best_of3 CMD...: runs CMD three times, prints the best wall-clock seconds.
best_of3() {
  local best="" t
  for _ in 1 2 3; do
    local start end
    start=$(date +%s.%N)
    "$@" >/dev/null
    end=$(date +%s.%N)
    t=$(echo "$end - $start" | bc -l)
    if [ -z "$best" ] || [ "$(echo "$t < $best" | bc -l)" = 1 ]; then best=$t; fi
  done
  printf '%.4f\n' "$best"
}

# print_figure NAME OURS BASELINE: the runner's output line.
print_figure() {
  local ratio
  ratio=$(echo "scale=4; $2 / $3" | bc -l)
  printf '%s ours=%s baseline=%s ratio=%.3f\n' "$1" "$2" "$3" "$ratio"
}

# best_of3_reported CMD...: runs CMD three times; CMD prints its own seconds
# (the part worth timing, without its set-up); prints the best of them.
best_of3_reported() {
  local best="" t
  for _ in 1 2 3; do
    t=$("$@")
    if [ -z "$best" ] || [ "$(echo "$t < $best" | bc -l)" = 1 ]; then best=$t; fi
  done
  printf '%.4f\n' "$best"
}

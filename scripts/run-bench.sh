#!/usr/bin/env bash
# Runs every benchmark program of BUILD_DIR/bench (files named *_bench),
# five repetitions each, and prints the medians (real time), then how many
# times faster every <Other>/<Work> is than Sqlite/<Work>, and how many times
# the time of Floor/CopyFile every Engine/<Work> takes, where both exist.
# Full results go to BUILD_DIR/bench/<program>.json.
set -euo pipefail
build=${1:?usage: scripts/run-bench.sh BUILD_DIR}
shopt -s nullglob
programs=("$build"/bench/*_bench)
if [ ${#programs[@]} -eq 0 ]; then
  echo "run-bench: no *_bench programs in $build/bench" >&2
  exit 1
fi
medians=$(mktemp)
trap 'rm -f "$medians"' EXIT
for exe in "${programs[@]}"; do
  [ -x "$exe" ] || continue
  name=$(basename "$exe")
  echo "== $name"
  "$exe" --benchmark_repetitions=5 --benchmark_report_aggregates_only=true \
    --benchmark_out="$build/bench/$name.json" --benchmark_out_format=json \
    --benchmark_format=console 2>/dev/null |
    awk '$1 ~ /_median$/ { sub(/_median$/, "", $1); print }' |
    tee -a "$medians"
done
echo "== ratios"
awk '
  function ms(v, u) {
    return u == "ns" ? v / 1e6 : u == "us" ? v / 1e3 : u == "s" ? v * 1e3 : v
  }
  { t[$1] = ms($2, $3); order[++n] = $1 }
  END {
    for (i = 1; i <= n; i++) {
      name = order[i]; split(name, p, "/"); work = substr(name, length(p[1]) + 2)
      if (p[1] != "Sqlite" && ("Sqlite/" work) in t)
        printf "%-22s %6.2fx as fast as Sqlite/%s\n", name, t["Sqlite/" work] / t[name], work
      if (p[1] == "Engine" && "Floor/CopyFile" in t)
        printf "%-22s %6.2fx the time of Floor/CopyFile\n", name, t[name] / t["Floor/CopyFile"]
    }
  }' "$medians"

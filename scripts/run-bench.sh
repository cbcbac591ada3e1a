#!/usr/bin/env bash
# Runs every benchmark program under BUILD_DIR/bench (executable files named
# *_bench, in any subfolder), five repetitions each, and prints each
# program's medians (real time) followed by its ratios (see ratios below).
# Full results go to <program>.json beside each program.
set -euo pipefail
build=${1:?usage: scripts/run-bench.sh BUILD_DIR}
mapfile -t programs < <(find "$build/bench" -type f -name '*_bench' \
  -perm -u+x 2>/dev/null | sort)
if [ ${#programs[@]} -eq 0 ]; then
  echo "run-bench: no *_bench programs under $build/bench" >&2
  exit 1
fi
# How many times faster every <Other>/<Work> is than Sqlite/<Work>, how
# many times the time of Floor/CopyFile every Engine/<Work> takes, and
# App/Export against Floor/WriteExportBytes, among the medians of one
# program (name, time, unit per line).
ratios() {
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
        if (name == "App/Export" && "Floor/WriteExportBytes" in t)
          printf "%-22s %6.2fx the time of Floor/WriteExportBytes\n", name, t[name] / t["Floor/WriteExportBytes"]
      }
    }'
}

for exe in "${programs[@]}"; do
  name=$(basename "$exe")
  echo "== $name"
  medians=$("$exe" --benchmark_repetitions=5 \
    --benchmark_report_aggregates_only=true \
    --benchmark_out="$exe.json" --benchmark_out_format=json \
    --benchmark_format=console 2>/dev/null |
    awk '$1 ~ /_median$/ { sub(/_median$/, "", $1); print }')
  echo "$medians"
  echo "$medians" | ratios
done

#!/bin/sh
# The merge run's walk through the automation core against the fake spreadsheet application
# under Wine, with a delay per call: round trips per non-empty and per empty cell, and the time.
#   bench/com_bench.sh [ROWS COLUMNS [fast|each]]     (default 1000 100 fast: 100,000 cells)
# BENCH_LATENCY sets the delay per call in microseconds (default 200). The cross build goes to
# build/windows-bench. Figures: bench/README.md.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/scripts/wine-common.sh"
if missing=$(wine_tools_missing); then
  echo "needs $missing (apt-get install wine wine64 g++-mingw-w64-x86-64-posix)"
  exit 1
fi
build="$root/build/windows-bench"
wine_cross_build "$root" "$build" >/dev/null
work=$(mktemp -d)
trap 'wine_prefix_down; rm -rf "$work"' EXIT INT TERM
wine_prefix_up "$work" "$build"
wine "$build/ComWalkBench.exe" "${1:-1000}" "${2:-100}" "${3:-fast}" </dev/null >"$work/bench.log" 2>&1 || true
tr -d '\r' <"$work/bench.log"

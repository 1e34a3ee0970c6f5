#!/bin/sh
# Runs every libFuzzer target of a fuzzing build one after another, for SECONDS in all (split
# evenly, at least 10 s each), one job at a time, seeded from tests/fuzz/seeds/<target>.
#   scripts/fuzz.sh BUILD_DIR [SECONDS]      (scripts/dev fuzz builds BUILD_DIR first)
# Corpora, logs and failing inputs stay under BUILD_DIR/fuzz/; nothing is written to the source
# tree. Ends with a table per target: executions, coverage (edges, features), corpus size, and
# the inputs that failed; exits 1 when any did.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "$1" && pwd)
seconds=${2:-600}
targets=$(cat "$build/fuzz_targets.txt" | tr ';' ' ')
count=$(echo $targets | wc -w)
per=$((seconds / count))
[ "$per" -lt 10 ] && per=10
work="$build/fuzz"
mkdir -p "$work"
echo "Fuzzing $count targets for $per s each ($((per * count)) s in all), one job at a time."
echo "Output: $work"

summary="$work/summary.tsv"
printf 'target\texecutions\tcoverage\tfeatures\tcorpus\tfailing inputs\n' >"$summary"
failed=0
for t in $targets; do
  corpus="$work/corpus/$t"
  artifacts="$work/artifacts/$t"
  mkdir -p "$corpus" "$artifacts"
  dict=""
  case $t in ods_content | xlsx*) dict="-dict=$root/tests/fuzz/xml.dict" ;; esac
  # The per-input bounds are the ones the readers promise: 10 s and 1 GB (2 GB of resident
  # memory leaves room for the sanitizers' own).
  (cd "$work" && "$build/tests/fuzz/fuzz_$t" -jobs=1 -workers=1 -max_total_time="$per" \
      -timeout=10 -rss_limit_mb=2048 -malloc_limit_mb=1024 -max_len=65536 \
      -print_final_stats=1 $dict -artifact_prefix="$artifacts/" \
      "$corpus" "$root/tests/fuzz/seeds/$t" >"$work/$t.out" 2>&1) || true
  log="$work/fuzz-0.log"
  [ -f "$log" ] && mv "$log" "$work/$t.log" || cp "$work/$t.out" "$work/$t.log"
  execs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$work/$t.log" | tail -1 | grep -o '[0-9]*$' || true)
  last=$(grep -E '^#[0-9]+' "$work/$t.log" | grep 'cov:' | tail -1 || true)
  cov=$(echo "$last" | sed -n 's/.*cov: \([0-9]*\).*/\1/p')
  ft=$(echo "$last" | sed -n 's/.*ft: \([0-9]*\).*/\1/p')
  found=$(ls "$artifacts" | wc -l)
  [ "$found" -gt 0 ] && failed=1
  printf '%s\t%s\t%s\t%s\t%s\t%s\n' "$t" "${execs:-?}" "${cov:-?}" "${ft:-?}" \
      "$(ls "$corpus" | wc -l)" "$found" >>"$summary"
  echo "  $t: ${execs:-?} executions, coverage ${cov:-?} edges, $found failing inputs"
done
echo
column -t -s "$(printf '\t')" "$summary" 2>/dev/null || cat "$summary"
if [ "$failed" -ne 0 ]; then
  echo
  echo "Failing inputs are in $work/artifacts/<target>/. Replay one with"
  echo "  $build/tests/fuzz/fuzz_TARGET FILE"
  echo "and keep it as tests/fuzz/regressions/TARGET/NAME once the fault is mended."
  exit 1
fi

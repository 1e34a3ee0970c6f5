#!/usr/bin/env bash
# Times lomandra-merge over a folder of workbooks: one run over all of them read sequentially
# (--jobs 1), the same run read in parallel (one workbook per core), and a loop of one-workbook
# runs, the way a script without --workbooks would do the job. The three outputs must agree.
#   bench/many_workbooks.sh BUILD_DIR [COUNT] [ROWS]   default 200 workbooks of 1000 x 5 cells
# Work folder: $BENCH_WORK, default /tmp/lomandra-bench (workbooks are kept for the next run).
set -euo pipefail

if [ $# -lt 1 ]; then
  sed -n '2,6p' "$0"
  exit 2
fi
build=$(cd "$1" && pwd)
count=${2:-200}
rows=${3:-1000}
merge="$build/bin/lomandra-merge"
maker="$build/bin/make_workbook"
for program in "$merge" "$maker"; do
  [ -x "$program" ] || { echo "missing $program: build the project first" >&2; exit 2; }
done
[ -x /usr/bin/time ] || { echo "missing /usr/bin/time (Debian package: time)" >&2; exit 2; }

work=${BENCH_WORK:-/tmp/lomandra-bench}/many-$count-$rows
mkdir -p "$work"
list="$work/list.txt"
: > "$list"
for i in $(seq -w 1 "$count"); do
  book="$work/report-$i.xlsx"
  [ -f "$book" ] || "$maker" "$book" "$rows" 5
  echo "$book" >> "$list"
done
ref="'Numbers'!\$A\$1:\$E\$$rows"
cells=$(( count * rows * 5 ))

seconds() {  # seconds COMMAND...: the wall time of one run
  /usr/bin/time -f %e -o "$work/time" "$@"
  cat "$work/time"
}
loop() { while read -r book; do "$merge" "$book" "$ref"; done < "$list"; }

echo "$count workbooks of $(( rows * 5 )) cells each, $cells cells, $(nproc) cores" >&2
sequential=$(seconds sh -c '"$0" --jobs 1 --workbooks "$1" "$2" > "$3"' "$merge" "$list" "$ref" "$work/out.sequential")
parallel=$(seconds sh -c '"$0" --workbooks "$1" "$2" > "$3"' "$merge" "$list" "$ref" "$work/out.parallel")
looped=$(seconds sh -c "$(declare -f loop); merge='$merge' list='$list' ref=\"\$0\" loop > '$work/out.loop'" "$ref")
for out in parallel loop; do
  cmp -s "$work/out.sequential" "$work/out.$out" || { echo "the $out output differs" >&2; exit 1; }
done
printf '%-34s %8s\n' run seconds
printf '%-34s %8.2f\n' "--workbooks, --jobs 1 (sequential)" "$sequential"
printf '%-34s %8.2f\n' "--workbooks, one job per core" "$parallel"
printf '%-34s %8.2f\n' "a loop of one-workbook runs" "$looped"
echo "outputs identical: $(wc -l < "$work/out.sequential") lines each"

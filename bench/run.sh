#!/usr/bin/env bash
# Times lomandra-merge against other readers of the same cells, on generated .xlsx workbooks.
#   bench/run.sh BUILD_DIR [SIZE_MB...]     sizes among 1 10 100 (default: all three)
# Needs: unzip, time (/usr/bin/time), nodejs and npm (SheetJS xlsx@0.18.5 is installed into the
# work folder), python3-openpyxl (/usr/bin/python3). A reader whose tools are missing is skipped.
# Work folder: $BENCH_WORK, default /tmp/lomandra-bench (workbooks are kept for the next run).
set -euo pipefail

if [ $# -lt 1 ]; then
  sed -n '2,6p' "$0"
  exit 2
fi
build=$(cd "$1" && pwd)
shift
sizes=("$@")
[ ${#sizes[@]} -eq 0 ] && sizes=(1 10 100)

merge="$build/bin/lomandra-merge"
maker="$build/bin/make_workbook"
for program in "$merge" "$maker"; do
  [ -x "$program" ] || { echo "missing $program: build the project first" >&2; exit 2; }
done
[ -x /usr/bin/time ] || { echo "missing /usr/bin/time (Debian package: time)" >&2; exit 2; }

work=${BENCH_WORK:-/tmp/lomandra-bench}
mkdir -p "$work"
columns=10

# Shape of each size: rows of ten numbers; about 7 bytes of .xlsx a cell.
rows_for() {
  case "$1" in
    1) echo 14000 ;;
    10) echo 142000 ;;
    100) echo 1048576 ;;
    *) echo "unknown size $1 (choose 1, 10 or 100)" >&2; exit 2 ;;
  esac
}
columns_for() { [ "$1" = 100 ] && echo 14 || echo "$columns"; }

# --- the other readers ---------------------------------------------------------------------
# shellcheck source=bench/sheetjs.sh
source "$(dirname "$0")/sheetjs.sh"
have_sheetjs=no
sheetjs_ready "$work" && have_sheetjs=yes

have_openpyxl=no
/usr/bin/python3 -c 'import openpyxl' 2>/dev/null && have_openpyxl=yes \
  || echo "note: python3-openpyxl missing; openpyxl is skipped" >&2
cat > "$work/openpyxl_cells.py" <<'PY'
# python3 openpyxl_cells.py WORKBOOK ROWS COLUMNS -> each cell's value (openpyxl has no
# displayed text), one a line, rows left to right
import sys
from openpyxl import load_workbook
book = load_workbook(sys.argv[1], read_only=True, data_only=True)
sheet = book.worksheets[0]
out = sys.stdout
for row in sheet.iter_rows(min_row=1, max_row=int(sys.argv[2]), min_col=1,
                           max_col=int(sys.argv[3]), values_only=True):
    out.write("\n".join("" if v is None else str(v) for v in row) + "\n")
PY

have_unzip=no
command -v unzip >/dev/null && have_unzip=yes || echo "note: unzip missing; its baseline is skipped" >&2

# --- timing ----------------------------------------------------------------------------------
column_letter() { printf "\\$(printf '%03o' $((64 + $1)))"; }

results="$work/results.txt"
: > "$results"
measure() {  # measure WORKBOOK CASE EXPECTED_LINES READER command...
  local label=$1 case=$2 expected=$3 reader=$4
  shift 4
  local timing="$work/time.txt" output="$work/out.txt" check seconds kilobytes lines
  if /usr/bin/time -f '%e %M' -o "$timing" "$@" > "$output" 2> "$work/err.txt"; then
    lines=$(wc -l < "$output")
    check=ok
    [ "$expected" != "-" ] && [ "$lines" != "$expected" ] && check="wrong: $lines lines"
    # SheetJS gives displayed text too: its texts should be lomandra-merge's, line for line.
    if [ "$reader" = lomandra-merge ]; then
      cp "$output" "$work/merge-texts.txt"
    elif [ "$check" = ok ] && [ "$reader" = "SheetJS 0.18.5" ]; then
      local differ
      differ=$(paste -d '\t' "$work/merge-texts.txt" "$output" | awk -F '\t' '$1 != $2' | wc -l)
      if [ "$differ" = 0 ]; then check="ok, same texts"; else check="ok, $differ texts differ"; fi
    fi
    read -r seconds kilobytes < <(tail -n 1 "$timing")
    printf '%-8s %-20s %-16s %8s %8s  %s\n' "$label" "$case" "$reader" "$seconds" \
      "$((kilobytes / 1024))" "$check" >> "$results"
  else
    printf '%-8s %-20s %-16s %8s %8s  %s\n' "$label" "$case" "$reader" - - \
      "failed: $(head -c 60 "$work/err.txt" | tr '\n' ' ')" >> "$results"
  fi
  printf '.' >&2
}

for size in "${sizes[@]}"; do
  rows=$(rows_for "$size")
  cols=$(columns_for "$size")
  book="$work/bench-${size}mb.xlsx"
  if [ ! -f "$book" ]; then
    echo "generating $book ($rows rows x $cols columns)" >&2
    "$maker" "$book" "$rows" "$cols"
  fi
  label="${size}MB"
  last=$(column_letter "$cols")
  sheet_rows=$(( rows < 100000 ? rows : 100000 ))
  [ "$cols" -gt 10 ] && last=J
  sheet_cols=$(( cols > 10 ? 10 : cols ))
  # Two cases: the 20 cells at the top, and a whole sheet (or a million cells of it).
  for case in top sheet; do
    if [ "$case" = top ]; then
      ref="A1:J2"; r=2; c=10
    else
      ref="A1:${last}${sheet_rows}"; r=$sheet_rows; c=$sheet_cols
    fi
    cells=$(( r * c ))
    name="$case $cells cells"
    measure "$label" "$name" "$cells" lomandra-merge "$merge" "$book" "$ref"
    [ $have_sheetjs = yes ] && measure "$label" "$name" "$cells" "SheetJS 0.18.5" \
      "${sheetjs[@]}" "$book" "$ref"
    [ $have_openpyxl = yes ] && measure "$label" "$name" "$cells" "openpyxl r/o" \
      /usr/bin/python3 "$work/openpyxl_cells.py" "$book" "$r" "$c"
    [ $have_unzip = yes ] && measure "$label" "$name" - "unzip -p sheet" unzip -p "$book" xl/worksheets/sheet1.xml
  done
done

echo >&2
printf '%-8s %-20s %-16s %8s %8s  %s\n' workbook case reader seconds "peak MB" output
printf '%s\n' "------------------------------------------------------------------------------"
cat "$results"

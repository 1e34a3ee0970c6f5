#!/usr/bin/env bash
# Times lomandra-merge on a large .xls (BIFF8) workbook, against SheetJS reading the same cells.
#   bench/xls_bench.sh BUILD_DIR
# Needs /usr/bin/python3 with python3-xlwt (writes the workbook, once), /usr/bin/time, and for
# the comparison nodejs/npm (SheetJS xlsx@0.18.5, installed into the work folder as run.sh does).
# Work folder: $BENCH_WORK, default /tmp/lomandra-bench.
set -euo pipefail

[ $# -ge 1 ] || { sed -n '2,6p' "$0"; exit 2; }
build=$(cd "$1" && pwd)
merge="$build/bin/lomandra-merge"
[ -x "$merge" ] || { echo "missing $merge: build the project first" >&2; exit 2; }
[ -x /usr/bin/time ] || { echo "missing /usr/bin/time (Debian package: time)" >&2; exit 2; }
work=${BENCH_WORK:-/tmp/lomandra-bench}
mkdir -p "$work"

# The largest sheet the format holds: 65,536 rows of ten cells (text, formatted and plain
# numbers), about 10 MB.
book="$work/bench-biff8.xls"
if [ ! -f "$book" ]; then
  echo "generating $book" >&2
  /usr/bin/python3 - "$book" <<'PY'
import sys, xlwt
book = xlwt.Workbook(encoding="utf-8")
sheet = book.add_sheet("Big Data")
money = xlwt.easyxf(num_format_str="#,##0.00")
for r in range(65536):
    row = sheet.row(r)
    for c in range(10):
        if c % 3 == 0:
            row.write(c, "text %d-%d" % (r % 5000, c))
        elif c % 3 == 1:
            row.write(c, r * 1.5 + c, money)
        else:
            row.write(c, r * 10 + c)
    if r % 1000 == 0:
        sheet.flush_row_data()
book.save(sys.argv[1])
PY
fi

have_sheetjs=no
if command -v node >/dev/null && command -v npm >/dev/null; then
  if [ ! -f "$work/node/node_modules/xlsx/package.json" ]; then
    mkdir -p "$work/node"
    (cd "$work/node" && npm init -y >/dev/null &&
      npm install --silent --no-audit --no-fund xlsx@0.18.5 >/dev/null) || true
  fi
  [ -f "$work/node/node_modules/xlsx/package.json" ] && have_sheetjs=yes
fi
[ $have_sheetjs = yes ] || echo "note: SheetJS not available; lomandra-merge alone" >&2
cat > "$work/sheetjs_xls_cells.js" <<'JS'
// node sheetjs_xls_cells.js WORKBOOK A1:J2 -> each cell's displayed text, one a line
const XLSX = require('xlsx');
const [file, ref] = process.argv.slice(2);
const range = XLSX.utils.decode_range(ref);
const sheet = XLSX.readFile(file, { sheetRows: range.e.r + 1 }).Sheets['Big Data'];
const out = [];
for (let r = range.s.r; r <= range.e.r; ++r)
  for (let c = range.s.c; c <= range.e.c; ++c) {
    const cell = sheet[XLSX.utils.encode_cell({ r, c })];
    out.push(cell ? (cell.w !== undefined ? cell.w : String(cell.v)) : '');
  }
process.stdout.write(out.join('\n') + '\n');
JS

printf '%-22s %-16s %8s %8s  %s\n' case reader seconds "peak MB" output
for ref in 'A1:J2' 'A1:J65536'; do
  cells=$([ "$ref" = A1:J2 ] && echo 20 || echo 655360)
  /usr/bin/time -f '%e %M' -o "$work/time.txt" "$merge" "$book" "'Big Data'!$ref" > "$work/merge.txt"
  read -r seconds kb < "$work/time.txt"
  printf '%-22s %-16s %8s %8s  %s\n' "$ref ($cells cells)" lomandra-merge "$seconds" \
    "$((kb / 1024))" "$(wc -l < "$work/merge.txt") lines"
  if [ $have_sheetjs = yes ]; then
    /usr/bin/time -f '%e %M' -o "$work/time.txt" env NODE_PATH="$work/node/node_modules" \
      node "$work/sheetjs_xls_cells.js" "$book" "$ref" > "$work/sheetjs.txt"
    read -r seconds kb < "$work/time.txt"
    differ=$(paste -d '\t' "$work/merge.txt" "$work/sheetjs.txt" | awk -F '\t' '$1 != $2' | wc -l)
    printf '%-22s %-16s %8s %8s  %s\n' "$ref ($cells cells)" "SheetJS 0.18.5" "$seconds" \
      "$((kb / 1024))" "$differ texts differ"
  fi
done

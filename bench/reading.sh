#!/usr/bin/env bash
# The reading path's figures, each against its floor or reference in the same run:
#   bench/reading.sh BUILD_DIR [BEFORE_DIR] [ROUNDS]
# BEFORE_DIR holds an earlier build's lomandra-merge, bench_window and bench_main_window (for
# "before" figures beside "after"); ROUNDS (default 5) pairs per timing.
#  1. a million formatted cells: `lomandra-merge --json` against `unzip -p` of the same parts
#     (sheet, shared strings, styles), pair by pair, and SheetJS once (its texts compared);
#  2. rows out of order: a ~10 MB sheet whose rows alternate between its two halves, the whole
#     of it and its first ten rows (processor seconds);
#  3. the workbook window's full background read against the synchronous read of the same
#     sheet (processor seconds, from bench_window), pair by pair;
#  4. the main window's copy of a million entries through the program's own services, against
#     the throttled copy of bench_exports.
# The machine's load average is printed beside every figure: on a shared machine wall times
# mean little, processor times (user + system, all threads) a little more.
# Work folder: $BENCH_WORK, default /tmp/lomandra-bench. Needs unzip, /usr/bin/time, python3;
# node and npm for SheetJS (skipped without them).
set -euo pipefail

if [ $# -lt 1 ]; then
  sed -n '2,16p' "$0"
  exit 2
fi
build=$(cd "$1" && pwd)
before=${2:+$(cd "$2" && pwd)}
rounds=${3:-5}
work=${BENCH_WORK:-/tmp/lomandra-bench}
mkdir -p "$work"
merge="$build/bin/lomandra-merge"
maker="$build/bin/make_workbook"
[ -x "$merge" ] && [ -x "$maker" ] || { echo "build lomandra-merge and make_workbook first" >&2; exit 2; }
command -v unzip >/dev/null || { echo "missing unzip" >&2; exit 2; }
[ -x /usr/bin/time ] || { echo "missing /usr/bin/time" >&2; exit 2; }

load() { cut -d' ' -f1 /proc/loadavg; }
# run OUT_VAR command...: wall seconds, processor seconds and peak MB of one run, as "wall cpu MB".
timed() {
  /usr/bin/time -f '%e %U %S %M' -o "$work/time.txt" "$@" > "$work/out.txt" 2> "$work/err.txt" || true
  awk '{ printf "%.3f %.3f %d\n", $1, $2 + $3, $4 / 1024 }' "$work/time.txt" | tail -n 1
}
median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# ------------------------------------------------------------------ 1. a million formatted cells
book="$work/million-mixed.xlsx"
[ -f "$book" ] || "$maker" "$book" 100000 10 mixed
parts=$(unzip -Z1 "$book" | grep -E '^xl/(worksheets/sheet1|sharedStrings|styles)\.xml$' | tr '\n' ' ')
reference='A1:J100000'
echo "== 1. A million formatted cells ($reference of $(basename "$book"); parts: $parts)"
printf '%-5s %-10s %8s %8s %6s | %-10s %8s %8s %6s | %7s %6s\n' round reader wall cpu MB reader wall cpu MB ratio load
: > "$work/ratios-after.txt"; : > "$work/ratios-before.txt"
for ((i = 1; i <= rounds; ++i)); do
  read -r uw uc um < <(timed unzip -p "$book" $parts)
  read -r aw ac am < <(timed "$merge" --json "$book" "$reference")
  cp "$work/out.txt" "$work/merge-after.json"
  ratio=$(awk -v a="$aw" -v b="$uw" 'BEGIN { printf "%.2f", a / b }')
  echo "$ratio" >> "$work/ratios-after.txt"
  printf '%-5s %-10s %8s %8s %6s | %-10s %8s %8s %6s | %7s %6s\n' "$i" "unzip -p" "$uw" "$uc" "$um" after "$aw" "$ac" "$am" "${ratio}x" "$(load)"
  if [ -n "$before" ]; then
    read -r uw uc um < <(timed unzip -p "$book" $parts)
    read -r bw bc bm < <(timed "$before/lomandra-merge" --json "$book" "$reference")
    ratio=$(awk -v a="$bw" -v b="$uw" 'BEGIN { printf "%.2f", a / b }')
    echo "$ratio" >> "$work/ratios-before.txt"
    printf '%-5s %-10s %8s %8s %6s | %-10s %8s %8s %6s | %7s %6s\n' "$i" "unzip -p" "$uw" "$uc" "$um" before "$bw" "$bc" "$bm" "${ratio}x" "$(load)"
    cmp -s "$work/out.txt" "$work/merge-after.json" || echo "   texts differ between before and after"
  fi
done
echo "median ratio to unzip -p: after $(median < "$work/ratios-after.txt")x (goal <= 1.3x)${before:+, before $(median < "$work/ratios-before.txt")x}"

# shellcheck source=bench/sheetjs.sh
source "$(dirname "$0")/sheetjs.sh"
if sheetjs_ready "$work"; then
  read -r sw sc sm < <(timed "${sheetjs[@]}" "$book" "$reference" --json)
  same=$(/usr/bin/python3 -c 'import json,sys; a=json.load(open(sys.argv[1])); b=json.load(open(sys.argv[2])); print(sum(x != y for x, y in zip(a, b)) + abs(len(a) - len(b)))' "$work/merge-after.json" "$work/out.txt" 2>/dev/null || echo "?")
  echo "SheetJS 0.18.5: wall $sw s, cpu $sc s, $sm MB; texts differing from lomandra-merge: $same; load $(load)"
else
  echo "SheetJS: skipped (node/npm or the package missing)"
fi

# ------------------------------------------------------------------ 2. rows out of order
alternate="$work/alternating-10mb.xlsx"
if [ ! -f "$alternate" ]; then
  /usr/bin/python3 - "$alternate" <<'PY'
import sys, zipfile
rows = 56000  # two halves interleaved: 28001, 1, 28002, 2, ...; about 10 MB of sheet XML
half = rows // 2
ns = 'xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships"'
def row(r):
    cells = "".join(f'<c r="{c}{r}"><v>{r * 10 + i}</v></c>' for i, c in enumerate("ABCDE"))
    return f'<row r="{r}">{cells}</row>'
body = "".join(row(half + i) + row(i) for i in range(1, half + 1))
sheet = f'<worksheet {ns}><sheetData>{body}</sheetData></worksheet>'
with zipfile.ZipFile(sys.argv[1], "w", zipfile.ZIP_DEFLATED) as z:
    z.writestr("[Content_Types].xml", '<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types"><Override PartName="/xl/workbook.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml"/></Types>')
    z.writestr("_rels/.rels", '<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships"><Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument" Target="xl/workbook.xml"/></Relationships>')
    z.writestr("xl/workbook.xml", f'<workbook {ns}><sheets><sheet name="Sheet1" sheetId="1" r:id="rId1"/></sheets></workbook>')
    z.writestr("xl/_rels/workbook.xml.rels", '<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships"><Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet" Target="worksheets/sheet1.xml"/></Relationships>')
    z.writestr("xl/worksheets/sheet1.xml", sheet)
PY
fi
echo
echo "== 2. Rows out of order ($(basename "$alternate"), $(unzip -p "$alternate" xl/worksheets/sheet1.xml | wc -c) bytes of sheet XML)"
for reference in 'A1:E56000' 'A1:E10'; do
  read -r aw ac am < <(timed "$merge" --json "$alternate" "$reference")
  lines=$(/usr/bin/python3 -c 'import json,sys; a=json.load(open(sys.argv[1])); print(len(a), a[0], a[-1])' "$work/out.txt")
  line="$reference: after cpu $ac s, wall $aw s, $am MB ($lines)"
  if [ -n "$before" ]; then
    read -r bw bc bm < <(timed "$before/lomandra-merge" --json "$alternate" "$reference")
    line="$line; before cpu $bc s, wall $bw s, $bm MB"
  fi
  echo "$line; load $(load)"
done

# ------------------------------------------------------------------ 3. the window's full read
window="$work/window-10mb.xlsx"
[ -f "$window" ] || "$maker" "$window" 150000 10 mixed
echo
echo "== 3. The workbook window's full read against the synchronous read ($(basename "$window")), processor seconds"
printf '%-5s %-7s %9s %9s %13s %13s %7s %6s\n' round side sync window "window's thread" reading ratio load
for side in after ${before:+before}; do
  program="$build/bench/window/bench_window"
  [ "$side" = before ] && program="$before/bench_window"
  [ -x "$program" ] || { echo "$side: no bench_window"; continue; }
  : > "$work/window-ratios-$side.txt"
done
for ((i = 1; i <= rounds; ++i)); do
  for side in after ${before:+before}; do
    program="$build/bench/window/bench_window"
    [ "$side" = before ] && program="$before/bench_window"
    [ -x "$program" ] || continue
    # Each reading in a process of its own, the synchronous one first.
    sync=$(QT_QPA_PLATFORM=offscreen "$program" "$window" --synchronous 2>/dev/null |
           sed -n 's/.*rows, \([0-9.]*\) s cpu.*/\1/p')
    QT_QPA_PLATFORM=offscreen "$program" "$window" > "$work/window.txt" 2>/dev/null || true
    full=$(sed -n "s/.*the window's full read: \([0-9.]*\) s cpu.*/\1/p" "$work/window.txt")
    gui=$(sed -n "s/.*(window's thread \([0-9.]*\) s.*/\1/p" "$work/window.txt")
    [ -n "$sync" ] && [ -n "$full" ] || { echo "$side: bench_window gave no figure"; continue; }
    ratio=$(awk -v a="$full" -v b="$sync" 'BEGIN { printf "%.2f", a / b }')
    echo "$ratio" >> "$work/window-ratios-$side.txt"
    reading=$(awk -v a="$full" -v g="${gui:-0}" 'BEGIN { printf "%.2f", a - g }')
    printf '%-5s %-7s %9s %9s %13s %13s %7s %6s\n' "$i" "$side" "$sync" "$full" "${gui:-?}" "$reading" "${ratio}x" "$(load)"
  done
done
for side in after ${before:+before}; do
  [ -s "$work/window-ratios-$side.txt" ] &&
    echo "median ratio of the window's full read to the synchronous read, $side: $(median < "$work/window-ratios-$side.txt")x (goal <= 1.2x)"
done

# ------------------------------------------------------------------ 4. the main window's copy
echo
echo "== 4. Copy Results To Clipboard through the main window, 1,000,000 entries"
exports="$build/bench/exports/bench_exports"
if [ -x "$exports" ]; then
  QT_QPA_PLATFORM=offscreen "$exports" 2>/dev/null | grep -i clipboard | sed 's/^/bench_exports (throttled yield): /' || true
fi
for side in after ${before:+before}; do
  program="$build/bench/exports/bench_main_window"
  [ "$side" = before ] && program="$before/bench_main_window"
  [ -x "$program" ] || { echo "$side: no bench_main_window"; continue; }
  QT_QPA_PLATFORM=offscreen "$program" 1000000 8 2>/dev/null | grep -E 'Copy' | sed "s/^/$side: /" || true
  echo "$side: load $(load)"
done

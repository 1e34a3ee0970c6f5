// node sheetjs_texts.js WORKBOOK A1:J9 [--json] -> the displayed texts (cell.w) of the first
// sheet's cells in the range, row by row: one a line, or as one JSON array with --json.
// The benchmarks' reference reader (SheetJS xlsx@0.18.5, installed by sheetjs.sh).
const XLSX = require('xlsx');
const [file, ref, how] = process.argv.slice(2);
const range = XLSX.utils.decode_range(ref);
const book = XLSX.readFile(file, { sheetRows: range.e.r + 1, dense: false });
const sheet = book.Sheets[book.SheetNames[0]];
const out = [];
for (let r = range.s.r; r <= range.e.r; ++r)
  for (let c = range.s.c; c <= range.e.c; ++c) {
    const cell = sheet[XLSX.utils.encode_cell({ r, c })];
    out.push(cell ? (cell.w !== undefined ? cell.w : String(cell.v)) : '');
  }
process.stdout.write(how === '--json' ? JSON.stringify(out) : out.join('\n') + '\n');

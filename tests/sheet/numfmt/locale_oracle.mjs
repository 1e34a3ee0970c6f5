// Renders generated cells (format codes and built-in ids by values) in several locales with the
// npm package numfmt, the oracle for the engine's locale rendering, and writes the golden table
// that LocaleGoldenTest compares the engine against.
//
//   npm install --prefix <folder> numfmt@4.0.1
//   node tests/sheet/numfmt/locale_oracle.mjs <folder>/node_modules > tests/sheet/numfmt/LocaleGolden.tsv
//
// scripts/locale-oracle does both and checks the engine against the fresh table. With --raw
// the oracle's texts are written as numfmt gives them, without the two deliberate differences
// below, to measure how much they account for.
//
// Each line: locale, "code" or "id", the code or id, the value, the oracle's text (TAB, CR, LF
// and backslash escaped as \t \r \n \\).
//
// Two of the engine's deliberate differences (sheet/numfmt/README.md) are put into the oracle's
// input, as the corpus tests put the Mac differences into the reference texts: an unquoted '/'
// or ':' of a date or time code stands for the locale's date or time separator, which numfmt
// shows as written; and an abbreviated month or day name is Windows' (with its period), which
// numfmt shows without the period in French, Spanish and Polish.

import path from 'node:path';
import { pathToFileURL } from 'node:url';

const raw = process.argv.includes('--raw');
const modules = process.argv.slice(2).find((a) => a !== '--raw') || 'node_modules';
const n = await import(pathToFileURL(path.resolve(modules, 'numfmt', 'dist', 'index.mjs')).href);

export const LOCALES = ['de-DE', 'fr-FR', 'es-ES', 'it-IT', 'pt-BR', 'nl-NL', 'pl-PL', 'ru-RU', 'sv-SE',
  'tr-TR', 'ja-JP', 'zh-CN', 'ko-KR', 'en-GB'];

const NUMBER_CODES = ['General', '0', '0.00', '#,##0', '#,##0.00', '#,##0.000', '0%', '0.00%', '0.0%',
  '0.00E+00', '##0.0E+0', '0.0E+0', '# ?/?', '# ??/??', '?/?', '0.0', '#,##0.0', '#,##0;-#,##0',
  '#,##0.00;[Red]-#,##0.00', '0.0,', '#,##0,', '#,##0.00 "x"', '"Total: "0.00', '0.00;(0.00);"zero"',
  '#,##0.00_);(#,##0.00)', '000.000', '#.##', '[>1000]#,##0;0.00', 'General" u"', '0 "m:s"'];

const DATE_CODES = ['m/d/yyyy', 'dd/mm/yyyy', 'd-mmm-yy', 'mmmm d, yyyy', 'dddd', 'ddd d mmm yyyy',
  'yyyy-mm-dd', 'h:mm', 'h:mm:ss', 'hh:mm:ss AM/PM', 'h:mm AM/PM', 'mm:ss.0', '[h]:mm:ss',
  'm/d/yyyy h:mm', 'mmm-yy', 'mmmmm yy', 'dd.mm.yyyy hh:mm', 'yyyy/mm/dd', 'h:mm:ss.00', '[mm]:ss',
  'd mmmm yyyy', 'dddd, mmmm dd, yyyy', '[$-F800]dddd, mmmm dd, yyyy', '[$-F400]h:mm:ss AM/PM',
  'mmm d', 'hh"h"mm', 'd/m', '[$-409]mmmm d', 'mm/dd/yy h:mm AM/PM', 'mmmm'];

const IDS = [0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22,
  27, 30, 32, 36, 37, 38, 39, 40, 41, 42, 43, 44, 45, 46, 47, 48, 50, 57];

const NUMBERS = [0, 1, -1, 0.5, -0.5, 3.14159, 12.3, 100, 1234.5, -1234.5678, 98765.4321,
  1234567.891, -7654321.05, 0.001234, 0.0000123, 123456789012, 1e15, 2.5e-12, 42, 999.995];

const DATES = [1, 32, 59, 61, 367.25, 25569.5, 36526.75, 40000.041666, 43831.000123, 45000.3456,
  45275.999, 45291.5, 73050.123456, 2958465.25];

const escape = (s) => s.replace(/\\/g, '\\\\').replace(/\t/g, '\\t').replace(/\r/g, '\\r').replace(/\n/g, '\\n');

/// An unquoted '/' or ':' of a date code as the locale's separator, written as a literal.
function separatorsAsLiterals(code, locale) {
  const data = n.getLocale(locale);
  const dateSep = data.format?.dateSep ?? '/';
  const timeSep = data.format?.timeSep ?? ':';
  let out = '';
  let quoted = false;
  for (let i = 0; i < code.length; i++) {
    const c = code[i];
    if (c === '"') quoted = !quoted;
    if (!quoted && c === '\\' && i + 1 < code.length) { out += c + code[++i]; continue; }
    const marker = /^(am\/pm|a\/p)/i.exec(code.slice(i));
    if (!quoted && marker) { out += marker[0]; i += marker[0].length - 1; continue; }
    if (!quoted && c === '[') { const end = code.indexOf(']', i); out += code.slice(i, end + 1); i = end; continue; }
    if (!quoted && c === '/') { out += '"' + dateSep + '"'; continue; }
    if (!quoted && c === ':') { out += '"' + timeSep + '"'; continue; }
    out += c;
  }
  return out;
}

// Windows' abbreviations where numfmt drops their period (the engine's LocaleNames).
const ABBREVIATIONS = {
  'fr-FR': { mmm: ['janv.', 'févr.', 'mars', 'avr.', 'mai', 'juin', 'juil.', 'août', 'sept.', 'oct.', 'nov.', 'déc.'],
    ddd: ['dim.', 'lun.', 'mar.', 'mer.', 'jeu.', 'ven.', 'sam.'] },
  'es-ES': { mmm: ['ene.', 'feb.', 'mar.', 'abr.', 'may.', 'jun.', 'jul.', 'ago.', 'sep.', 'oct.', 'nov.', 'dic.'],
    ddd: ['do.', 'lu.', 'ma.', 'mi.', 'ju.', 'vi.', 'sá.'] },
  'pl-PL': { ddd: ['niedz.', 'pon.', 'wt.', 'śr.', 'czw.', 'pt.', 'sob.'] },
};
if (!raw) for (const [tag, names] of Object.entries(ABBREVIATIONS)) n.addLocale({ ...n.getLocale(tag), ...names }, tag);

const isDateCode = (code) => n.isDateFormat(code);

function render(code, value, locale) {
  const input = isDateCode(code) && !raw ? separatorsAsLiterals(code, locale) : code;
  return n.format(input, value, { locale, nbsp: false, dateSpanLarge: false, dateErrorNumber: false, overflow: '#' });
}

const lines = [];
for (const locale of LOCALES) {
  const emit = (kind, what, value, text) => lines.push([locale, kind, what, String(value), escape(text)].join('\t'));
  for (const code of NUMBER_CODES) for (const v of NUMBERS) emit('code', code, v, render(code, v, locale));
  for (const code of DATE_CODES) for (const v of DATES) emit('code', code, v, render(code, v, locale));
  for (const id of IDS) {
    const code = n.getFormatFromId(id, locale);
    const values = isDateCode(code) ? DATES : NUMBERS;
    for (const v of values) emit('id', String(id), v, render(code, v, locale));
  }
}
process.stdout.write(lines.join('\n') + '\n');

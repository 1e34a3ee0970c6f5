#!/usr/bin/python3
"""A battery of hostile and broken workbooks run through lomandra-merge.

    bench/hostile.py BUILD_DIR [--work DIR] [--keep-small DIR] [--only WORD]

Builds the files (once, in --work, default /tmp/lomandra-hostile): truncations and bit flips of
real workbooks (../shared/corpus/files when it is there, and Samples/), zip bombs, a zip of
100,000 entries, deep nesting, entity expansion, loops in the compound file, absurd counts and
repeats. Each file is merged for a range of at most 10,000 cells and must end within 10 s (of
processor time, as the machine may be shared; the wall time is printed too) and under 1 GB of
resident memory, without a crash, with exit status 0, 1 or 2 and, when it fails,
a description on standard error. Prints one line per file and a summary; exits 1 when any file
broke a bound. --keep-small copies the files under 64 KiB that are not plain mutations into DIR
(the regression folder of the workbook fuzz target).
"""
import argparse
import io
import os
import random
import shutil
import struct
import subprocess
import sys
import threading
import time
import zipfile
import zlib

LIMIT_SECONDS = 10.0
LIMIT_BYTES = 1 << 30
ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
NS = 'xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" ' \
     'xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships"'
REF = "'Sheet1'!$A$1:$Z$100"
ODS_NS = ('xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" '
          'xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0" '
          'xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0"')


# ------------------------------------------------------------------ package writers

class Entry:
    """A zip entry; `chunks` yields the inflated bytes (so a bomb never sits in memory)."""

    def __init__(self, name, data=b"", chunks=None, stored=False, claimed=None):
        self.name, self.data, self.chunks, self.stored, self.claimed = name, data, chunks, stored, claimed


def write_zip(path, entries):
    """A zip written by hand: deflated data streamed from generators, sizes as claimed."""
    out = open(path, "wb")
    central = []
    for e in entries:
        name = e.name.encode()
        crc, size, comp = 0, 0, bytearray()
        z = None if e.stored else zlib.compressobj(9, zlib.DEFLATED, -15)
        if isinstance(e.chunks, Bomb):
            # After a full flush the compressor starts afresh, so each copy of the block
            # compresses to the same bytes: the part is those bytes repeated.
            b = e.chunks
            comp += z.compress(b.head) + z.flush(zlib.Z_FULL_FLUSH)
            packed = z.compress(b.block) + z.flush(zlib.Z_FULL_FLUSH)
            comp += packed * b.times
            comp += z.compress(b.tail) + z.flush()
            crc = zlib.crc32(b.head)
            for _ in range(b.times):
                crc = zlib.crc32(b.block, crc)
            crc = zlib.crc32(b.tail, crc)
            size = len(b.head) + len(b.block) * b.times + len(b.tail)
            z = None
        else:
            for chunk in (e.chunks() if e.chunks else [e.data if isinstance(e.data, bytes) else e.data.encode()]):
                crc = zlib.crc32(chunk, crc)
                size += len(chunk)
                comp += chunk if z is None else z.compress(chunk)
            if z is not None:
                comp += z.flush()
        claimed = size if e.claimed is None else e.claimed
        offset = out.tell()
        method = 0 if e.stored else 8
        out.write(struct.pack("<IHHHHHIIIHH", 0x04034B50, 20, 0, method, 0, 0x21, crc & 0xFFFFFFFF,
                              len(comp) & 0xFFFFFFFF, claimed & 0xFFFFFFFF, len(name), 0) + name)
        out.write(comp)
        central.append(struct.pack("<IHHHHHHIIIHHHHHII", 0x02014B50, 20, 20, 0, method, 0, 0x21,
                                   crc & 0xFFFFFFFF, len(comp) & 0xFFFFFFFF, claimed & 0xFFFFFFFF,
                                   len(name), 0, 0, 0, 0, 0, offset) + name)
    start = out.tell()
    for c in central:
        out.write(c)
    end = out.tell()
    count = len(central)
    out.write(struct.pack("<IHHHHIIH", 0x06054B50, 0, 0, min(count, 0xFFFF), min(count, 0xFFFF),
                          end - start, start, 0))
    out.close()


def xlsx(path, sheet, strings=None, workbook=None, extra=()):
    content_types = ('<?xml version="1.0"?><Types xmlns="http://schemas.openxmlformats.org/package/2006/'
                     'content-types"><Override PartName="/xl/workbook.xml" ContentType="application/'
                     'vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml"/></Types>')
    rels = ('<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">'
            '<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/'
            'relationships/worksheet" Target="worksheets/sheet1.xml"/>'
            '<Relationship Id="rId2" Type="http://schemas.openxmlformats.org/officeDocument/2006/'
            'relationships/sharedStrings" Target="sharedStrings.xml"/></Relationships>')
    workbook = workbook or f'<workbook {NS}><sheets><sheet name="Sheet1" sheetId="1" r:id="rId1"/></sheets></workbook>'
    entries = [Entry("[Content_Types].xml", content_types), Entry("xl/workbook.xml", workbook),
               Entry("xl/_rels/workbook.xml.rels", rels)]
    entries.append(sheet if isinstance(sheet, Entry) else Entry("xl/worksheets/sheet1.xml", sheet))
    if strings is not None:
        entries.append(strings if isinstance(strings, Entry) else Entry("xl/sharedStrings.xml", strings))
    entries.extend(extra)
    write_zip(path, entries)


def ods(path, content, extra=()):
    write_zip(path, [Entry("mimetype", "application/vnd.oasis.opendocument.spreadsheet", stored=True),
                     content if isinstance(content, Entry) else Entry("content.xml", content)] + list(extra))


def ods_table(rows):
    return (f'<office:document-content {ODS_NS}><office:body><office:spreadsheet>'
            f'<table:table table:name="Sheet1">{rows}</table:table></office:spreadsheet></office:body>'
            '</office:document-content>')


class Bomb:
    """head + block * times + tail, the block a whole number of units of about 1 MiB."""

    def __init__(self, head, unit, count, tail):
        per = max(1, (1 << 20) // len(unit.encode()))
        self.head, self.block, self.times = head.encode(), (unit * per).encode(), max(1, count // per)
        self.tail = tail.encode()


def repeated(head, unit, count, tail):
    return Bomb(head, unit, count, tail)


def worksheet(rows):
    return f'<worksheet {NS}><sheetData>{rows}</sheetData></worksheet>'


# ------------------------------------------------------------------ the cases

def constructed(work):
    """(name, path, reference) of the files built from nothing."""
    cases = []

    def add(name, ref=REF):
        path = os.path.join(work, name)
        cases.append((name, path, ref))
        return path

    gib = 1 << 30
    # Zip bombs: parts that inflate to gigabytes from a few megabytes.
    p = add("bomb-sheet-cells.xlsx")
    if not os.path.exists(p):
        xlsx(p, Entry("xl/worksheets/sheet1.xml", chunks=repeated(
            f'<worksheet {NS}><sheetData><row r="1">', '<c><v>1</v></c>', (3 * gib) // 16, '</row></sheetData></worksheet>')))
    p = add("bomb-sheet-spaces.xlsx")
    if not os.path.exists(p):
        xlsx(p, Entry("xl/worksheets/sheet1.xml", chunks=repeated(
            f'<worksheet {NS}><sheetData>', ' ', 3 * gib, '</sheetData></worksheet>')))
    p = add("bomb-shared-string.xlsx")
    if not os.path.exists(p):
        xlsx(p, worksheet('<row r="1"><c r="A1" t="s"><v>0</v></c></row>'),
             Entry("xl/sharedStrings.xml", chunks=repeated('<sst><si><t>', 'a', 2 * gib, '</t></si></sst>')))
    p = add("bomb-ods-content.ods")
    if not os.path.exists(p):
        ods(p, Entry("content.xml", chunks=repeated(
            f'<office:document-content {ODS_NS}><office:body><office:spreadsheet><table:table table:name="Sheet1">',
            '<table:table-row><table:table-cell office:value-type="string"><text:p>x</text:p></table:table-cell></table:table-row>',
            (2 * gib) // 110, '</table:table></office:spreadsheet></office:body></office:document-content>')))
    p = add("bomb-rows-out-of-order.xlsx")
    if not os.path.exists(p):
        xlsx(p, Entry("xl/worksheets/sheet1.xml", chunks=repeated(
            f'<worksheet {NS}><sheetData><row r="3000"/>',
            '<row r="2000"><c r="A2000"><v>1</v></c></row><row r="1000"><c r="A1000"><v>1</v></c></row>',
            (3 * gib) // 96, '</sheetData></worksheet>')))
    p = add("bomb-claims-tiny-size.xlsx")
    if not os.path.exists(p):
        xlsx(p, Entry("xl/worksheets/sheet1.xml", claimed=100, chunks=repeated(
            f'<worksheet {NS}><sheetData><row r="1"><c r="A1"><v>1</v></c></row>', '<!-- -->', gib // 8,
            '</sheetData></worksheet>')))
    p = add("claims-huge-size.xlsx")
    xlsx(p, Entry("xl/worksheets/sheet1.xml", worksheet('<row r="1"><c r="A1"><v>1</v></c></row>'), claimed=0xFFFFFFFF))
    # Many cells of one long shared text, read 10,000 at a time.
    p = add("long-text-10000-cells.xlsx", "'Sheet1'!$A$1:$A$10000")
    xlsx(p, Entry("xl/worksheets/sheet1.xml", chunks=repeated(
        f'<worksheet {NS}><sheetData>', '<row><c t="s"><v>0</v></c></row>', 10000, '</sheetData></worksheet>')),
         Entry("xl/sharedStrings.xml", chunks=repeated('<sst><si><t>', '\U0001F600', 40000, '</t></si></sst>')))
    p = add("distinct-long-texts.xlsx", "'Sheet1'!$A$1:$A$10000")
    def distinct():
        yield f'<worksheet {NS}><sheetData>'.encode()
        for i in range(10000):
            yield f'<row><c t="inlineStr"><is><t>{i}'.encode() + ("\u4e00" * 12000).encode() + b'</t></is></c></row>'
        yield b'</sheetData></worksheet>'
    if not os.path.exists(p):
        xlsx(p, Entry("xl/worksheets/sheet1.xml", chunks=distinct))
    # 100,000 entries.
    p = add("zip-100k-entries.xlsx")
    if not os.path.exists(p):
        xlsx(p, worksheet('<row r="1"><c r="A1"><v>1</v></c></row>'),
             extra=[Entry(f"x/{i}.bin", b"", stored=True) for i in range(100000)])
    # Deep nesting.
    xlsx(add("deep-sheet.xlsx"), f'<worksheet {NS}><sheetData>' + '<a>' * 200000 + '</a>' * 200000 + '</sheetData></worksheet>')
    xlsx(add("deep-workbook.xlsx"), worksheet(""),
         workbook=f'<workbook {NS}>' + '<a>' * 200000 + '</a>' * 200000 + '<sheets><sheet name="Sheet1" r:id="rId1"/></sheets></workbook>')
    ods(add("deep-ods.ods"), ods_table('<table:table-row><table:table-cell><text:p>' + '<text:span>' * 200000
                                        + '</text:span>' * 200000 + '</text:p></table:table-cell></table:table-row>'))
    # Entity expansion.
    laughs = '<!DOCTYPE x [<!ENTITY a "aaaaaaaaaa">' + ''.join(
        f'<!ENTITY {chr(98 + i)} "{("&" + chr(97 + i) + ";") * 10}">' for i in range(9)) + ']>'
    xlsx(add("laughs-sheet.xlsx"), '<?xml version="1.0"?>' + laughs + f'<worksheet {NS}><sheetData><row><c t="inlineStr"><is><t>&j;</t></is></c></row></sheetData></worksheet>')
    xlsx(add("laughs-workbook.xlsx"), worksheet(""),
         workbook='<?xml version="1.0"?>' + laughs + f'<workbook {NS}><sheets><sheet name="&j;" r:id="rId1"/></sheets></workbook>')
    ods(add("laughs-content.ods"), '<?xml version="1.0"?>' + laughs + ods_table('<table:table-row><table:table-cell><text:p>&j;</text:p></table:table-cell></table:table-row>'))
    with open(add("laughs-flat.fods"), "w") as f:
        f.write('<?xml version="1.0"?>\n' + laughs.replace("DOCTYPE x", "DOCTYPE office:document")
                + '<office:document ' + ODS_NS + ' office:mimetype="application/vnd.oasis.opendocument.spreadsheet">'
                '<office:body><office:spreadsheet><table:table table:name="Sheet1"><table:table-row><table:table-cell>'
                '<text:p>&j;</text:p></table:table-cell></table:table-row></table:table></office:spreadsheet></office:body></office:document>')
    # Absurd repeats and counts.
    ods(add("ods-repeat-bomb.ods"), ods_table(
        '<table:table-row table:number-rows-repeated="1048576"><table:table-cell table:number-columns-repeated="16384" '
        'office:value-type="string"><text:p>' + 'x' * 1000 + '</text:p></table:table-cell></table:table-row>'))
    ods(add("ods-repeat-absurd.ods"), ods_table(
        '<table:table-column table:number-columns-repeated="99999999999"/>'
        '<table:table-row table:number-rows-repeated="4294967297"><table:table-cell table:number-columns-repeated="4294967297" '
        'office:value-type="float" office:value="1"/></table:table-row>'
        '<table:table-row><table:table-cell><text:p><text:s text:c="999999999999"/></text:p></table:table-cell></table:table-row>'))
    xlsx(add("xlsx-absurd-counts.xlsx"),
         f'<worksheet {NS}><dimension ref="A1:XFD1048576"/><cols><col min="1" max="4294967295" width="1e308"/></cols>'
         '<sheetData><row r="1" spans="1:4294967295"><c r="A1" t="s"><v>4294967295</v></c><c r="B1" s="4294967295"><v>1</v></c>'
         '<c r="XFE1"><v>1</v></c><c r="A1048577"><v>1</v></c></row></sheetData></worksheet>',
         '<sst count="4294967295" uniqueCount="4294967295"><si><t>x</t></si></sst>')
    xlsx(add("xlsx-rows-5-2-1.xlsx", "'Sheet1'!$A$1:$A$4"), worksheet(
        '<row r="5"><c r="A5"><v>5</v></c></row><row r="2"><c r="A2"><v>2</v></c></row><row r="1"><c r="A1"><v>1</v></c></row>'))
    xlsx(add("xlsx-row-4294967297.xlsx"), worksheet(
        '<row r="1"><c r="A1"><v>1</v></c></row><row r="4294967297"><c><v>9</v></c></row><row r="2"><c r="A2"><v>2</v></c></row>'))
    xlsx(add("xlsx-cell-twice.xlsx"), worksheet('<row r="1"><c r="A1"><v>1</v></c><c r="A1"><v>2</v></c></row>'))
    xlsx(add("xlsx-unordered-duplicates.xlsx"), Entry("xl/worksheets/sheet1.xml", chunks=repeated(
        f'<worksheet {NS}><sheetData><row r="2"/>', '<row r="1"><c r="A1"><v>1</v></c></row>', 10 ** 7, '</sheetData></worksheet>')))
    xlsx(add("xlsx-long-inline-text.xlsx"), worksheet('<row r="1"><c r="A1" t="inlineStr"><is><t>' + 'a' * 200000 + '</t></is></c></row>'))
    # Start tags of 48 MB, arriving chunk by chunk: a name, an attribute name, a value full of
    # '>', many attributes; each must be read once, not again with every chunk.
    for name, open_tag, unit, close_tag in (("element-name", '<c', 'n', '/>'),
                                            ("attribute-name", '<c ', 'a', '="1"/>'),
                                            ("value-of-gt", '<c v="', '>', '"/>'),
                                            ("many-attributes", '<c ', 'a=">" ', '/>')):
        p = add(f"xlsx-huge-tag-{name}.xlsx")
        if not os.path.exists(p):
            xlsx(p, Entry("xl/worksheets/sheet1.xml", chunks=repeated(
                f'<worksheet {NS}><sheetData><row r="1">{open_tag}', unit, (48 << 20) // len(unit),
                f'{close_tag}</row></sheetData></worksheet>')))
    with open(add("csv-one-huge-field.csv", "$A$1:$Z$100"), "w") as f:
        f.write('"' + "a" * (9 << 20))
    with open(add("csv-million-columns.csv", "$A$1:$Z$100"), "w") as f:
        f.write("," * (9 << 20))
    with open(add("csv-million-rows.csv", "$A$1:$Z$100"), "w") as f:
        f.write("\n" * (9 << 20))
    # Compound files: loops and absurd counts in a real .xls.
    sample = open(os.path.join(ROOT, "Samples", "sample1.xls"), "rb").read()
    for name, mutate in cfb_mutations(sample):
        with open(add(name, "$A$1:$Z$100"), "wb") as f:
            f.write(mutate)
    return cases


def cfb_mutations(data):
    """Loops and absurd counts written into the allocation table and header of a compound file."""
    header = bytearray(data[:512])
    shift = struct.unpack_from("<H", header, 0x1E)[0]
    size = 1 << shift
    fat_sector = struct.unpack_from("<I", header, 0x4C)[0]
    dir_start = struct.unpack_from("<I", header, 0x30)[0]

    def with_fat(entry, value):
        b = bytearray(data)
        struct.pack_into("<I", b, (fat_sector + 1) * size + 4 * entry, value)
        return bytes(b)

    def with_header(offset, fmt, value):
        b = bytearray(data)
        struct.pack_into(fmt, b, offset, value)
        return bytes(b)

    # The directory: the first entry's child and siblings point at itself.
    b = bytearray(data)
    for field in (0x44, 0x48, 0x4C):
        struct.pack_into("<I", b, (dir_start + 1) * size + field, 0)
    yield "cfb-directory-tree-loop.xls", bytes(b)
    yield "cfb-directory-chain-loop.xls", with_fat(dir_start, dir_start)
    yield "cfb-fat-loop-all.xls", bytes(bytearray(data[:(fat_sector + 1) * size]) + struct.pack("<I", 1) * (size // 4)
                                        + data[(fat_sector + 2) * size:])
    yield "cfb-difat-count-absurd.xls", with_header(0x48, "<I", 0xFFFFFFF0)
    yield "cfb-fat-count-absurd.xls", with_header(0x2C, "<I", 0x7FFFFFFF)
    yield "cfb-mini-stream-loop.xls", with_header(0x3C, "<I", dir_start)
    b = bytearray(data)
    struct.pack_into("<I", b, 0x44, 1)  # first DIFAT sector: sector 1, pointing to itself
    struct.pack_into("<I", b, 0x48, 1000)
    struct.pack_into("<I", b, 2 * size - 4, 1)
    yield "cfb-difat-self.xls", bytes(b)
    # A stream that claims 4 GiB.
    b = bytearray(data)
    for entry in range(size // 128):
        at = (dir_start + 1) * size + entry * 128
        if b[at + 66] == 2:
            struct.pack_into("<Q", b, at + 120, 0xFFFFFFFFFFFF)
    yield "cfb-stream-size-absurd.xls", bytes(b)


def mutations(sources, seed=13):
    """Truncations and bit flips of real workbooks."""
    rng = random.Random(seed)
    for source in sources:
        data = open(source, "rb").read()
        base = os.path.basename(source)
        for fraction in (0.1, 0.5, 0.9):
            yield f"cut{int(fraction * 100)}-{base}", data[:int(len(data) * fraction)]
        yield f"cut-last-{base}", data[:-1]
        for k in range(4):
            b = bytearray(data)
            for _ in range(1 + k * 3):
                i = rng.randrange(len(b))
                b[i] ^= 1 << rng.randrange(8)
            yield f"flip{k}-{base}", bytes(b)


# ------------------------------------------------------------------ running

def run(tool, path, reference):
    """Runs lomandra-merge; returns (wall seconds, processor seconds, peak bytes, status, stderr),
    killed after 30 s."""
    start = time.monotonic()
    proc = subprocess.Popen([tool, path, reference], stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    killer = threading.Timer(30, proc.kill)
    killer.start()
    err = proc.stderr.read()
    _, status, usage = os.wait4(proc.pid, 0)
    killer.cancel()
    proc.returncode = os.waitstatus_to_exitcode(status)
    seconds = time.monotonic() - start
    code = os.waitstatus_to_exitcode(status)
    cpu = usage.ru_utime + usage.ru_stime
    return seconds, cpu, usage.ru_maxrss * 1024, code, err.decode("utf-8", "replace")


def unclear(status, err):
    if status == 0:
        return False
    lines = [l for l in err.splitlines() if l.strip()]
    if not lines:
        return True
    text = " ".join(lines)
    raw = ("std::", "bad_alloc", "basic_string", "vector::", "what()", "terminate", "Unknown error")
    return any(r in text for r in raw) or all(len(l.split(": ", 1)[-1]) < 12 for l in lines)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("build")
    parser.add_argument("--work", default="/tmp/lomandra-hostile")
    parser.add_argument("--keep-small")
    parser.add_argument("--only")
    args = parser.parse_args()
    tool = os.path.join(os.path.abspath(args.build), "bin", "lomandra-merge")
    os.makedirs(args.work, exist_ok=True)

    cases = constructed(args.work)
    built = {name for name, _, _ in cases}
    sources = [os.path.join(ROOT, "Samples", "sample1.xls")]
    corpus = os.path.join(ROOT, "..", "shared", "corpus", "files")
    if not os.path.isdir(corpus):
        corpus = "/work/shared/corpus/files"
    if os.path.isdir(corpus):
        sources += sorted(os.path.join(corpus, f) for f in os.listdir(corpus))
    mutated = os.path.join(args.work, "mutated")
    os.makedirs(mutated, exist_ok=True)
    for name, data in mutations(sources):
        path = os.path.join(mutated, name)
        with open(path, "wb") as f:
            f.write(data)
        cases.append((name, path, "$A$1:$Z$100"))
    if args.only:
        cases = [c for c in cases if args.only in c[0]]

    broken = []
    statuses = {0: 0, 1: 0, 2: 0}
    worst_time, worst_rss = (0, ""), (0, "")
    for name, path, reference in cases:
        seconds, cpu, rss, status, err = run(tool, path, reference)
        problems = []
        if status < 0 or status > 2:
            problems.append(f"status {status}")
        # Processor time is the bound's measure: wall time on a shared machine counts the
        # others' work too (both are printed).
        if cpu > LIMIT_SECONDS:
            problems.append(f"{cpu:.1f} s of processor time")
        if rss > LIMIT_BYTES:
            problems.append(f"{rss >> 20} MB")
        if status in (1, 2) and unclear(status, err):
            problems.append("unclear message")
        statuses[status] = statuses.get(status, 0) + 1
        worst_time = max(worst_time, (cpu, name))
        worst_rss = max(worst_rss, (rss, name))
        first = err.strip().splitlines()[0] if err.strip() else ""
        if name in built or problems:
            print(f"{'FAIL' if problems else 'ok  '} {name:36} {seconds:6.2f} s ({cpu:5.2f} s cpu) {rss >> 20:5} MB  exit {status}  "
                  f"{' '.join(problems)}  {first[:150]}")
        if problems:
            broken.append(name)
        if args.keep_small and name in built and not problems and os.path.getsize(path) < 65536:
            os.makedirs(args.keep_small, exist_ok=True)
            shutil.copy(path, os.path.join(args.keep_small, name))
    print(f"\n{len(cases)} files: {len(broken)} broke a bound; exit status 0: {statuses.get(0, 0)}, "
          f"1: {statuses.get(1, 0)}, 2: {statuses.get(2, 0)}; slowest {worst_time[0]:.2f} s of processor time ({worst_time[1]}), "
          f"largest {worst_rss[0] >> 20} MB ({worst_rss[1]})")
    for name in broken:
        print("  broke a bound:", name)
    return 1 if broken else 0


if __name__ == "__main__":
    sys.exit(main())

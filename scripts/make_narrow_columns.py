#!/usr/bin/python3
"""Writes a workbook whose columns are too narrow for their numbers, for looking at the workbook
window: General numbers, amounts, percentages and dates in narrow columns, texts that flow over
empty neighbours, a merged area, stored alignments, and a saved active cell and frozen rows.

    python3 scripts/make_narrow_columns.py OUTPUT.xlsx
"""

import sys
import zipfile

CONTENT_TYPES = """<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">
<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>
<Default Extension="xml" ContentType="application/xml"/>
<Override PartName="/xl/workbook.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml"/>
<Override PartName="/xl/worksheets/sheet1.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml"/>
<Override PartName="/xl/worksheets/sheet2.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml"/>
<Override PartName="/xl/styles.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.styles+xml"/>
</Types>"""

ROOT_RELS = """<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">
<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument" Target="xl/workbook.xml"/>
</Relationships>"""

WORKBOOK = """<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<workbook xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships">
<bookViews><workbookView activeTab="0"/></bookViews>
<sheets><sheet name="Narrow" sheetId="1" r:id="rId1"/><sheet name="Second" sheetId="2" r:id="rId2"/></sheets>
</workbook>"""

WORKBOOK_RELS = """<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">
<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet" Target="worksheets/sheet1.xml"/>
<Relationship Id="rId2" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet" Target="worksheets/sheet2.xml"/>
<Relationship Id="rId3" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles" Target="styles.xml"/>
</Relationships>"""

# Cell formats: 0 General, 1 #,##0.00, 2 0.0%, 3 yyyy-mm-dd, 4 General centred, 5 text right.
STYLES = """<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<styleSheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main">
<numFmts count="2"><numFmt numFmtId="164" formatCode="0.0%"/><numFmt numFmtId="165" formatCode="yyyy-mm-dd"/></numFmts>
<cellXfs count="6"><xf numFmtId="0"/><xf numFmtId="4" applyNumberFormat="1"/>
<xf numFmtId="164" applyNumberFormat="1"/><xf numFmtId="165" applyNumberFormat="1"/>
<xf numFmtId="0" applyAlignment="1"><alignment horizontal="center"/></xf>
<xf numFmtId="0" applyAlignment="1"><alignment horizontal="right"/></xf></cellXfs>
</styleSheet>"""


def column(index):
    name = ""
    index += 1
    while index:
        index, rest = divmod(index - 1, 26)
        name = chr(65 + rest) + name
    return name


def cell(row, col, value, style=0):
    ref = f"{column(col)}{row + 1}"
    s = f' s="{style}"' if style else ""
    if isinstance(value, bool):
        return f'<c r="{ref}" t="b"{s}><v>{int(value)}</v></c>'
    if isinstance(value, (int, float)):
        return f'<c r="{ref}"{s}><v>{value!r}</v></c>'
    text = value.replace("&", "&amp;").replace("<", "&lt;")
    return f'<c r="{ref}" t="inlineStr"{s}><is><t>{text}</t></is></c>'


def sheet(rows, cols, before="", after=""):
    body = []
    for r, cells in sorted(rows.items()):
        body.append(f'<row r="{r + 1}">' + "".join(cell(r, c, *v) for c, v in sorted(cells.items())) + "</row>")
    return ('<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n'
            '<worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main">'
            + before + "<cols>" + cols + "</cols><sheetData>" + "".join(body) + "</sheetData>" + after
            + "</worksheet>")


def narrow_sheet():
    rows = {0: {0: ("General",), 1: ("Amount",), 2: ("Share",), 3: ("Date",), 4: ("Text",),
                6: ("Centred", 4), 7: ("Right", 5)}}
    generals = [13436.42, 123456789.123, -9876.54321, 0.000123456, 1234567890123.0, 3.14159265, 42]
    amounts = [13436.42, 98000.0, 5.5, 1234567.89, 12.0, 250000.0, 7]
    shares = [77.462, 0.042, -0.013, 12.5, 0.5, 3.0, 0.118]
    dates = [44949, 44000, 45000, 1, 40000, 43000, 44500]
    texts = ["A text that flows over its empty neighbours", "007", "12.3%", "04/03/2021",
             "cut at the next cell", "", "short"]
    for i in range(7):
        r = i + 1
        rows[r] = {0: (generals[i],), 1: (amounts[i], 1), 2: (shares[i], 2), 3: (dates[i], 3)}
        if texts[i]:
            rows[r][4] = (texts[i],)
    rows[5][5] = ("stop",)
    rows[2][6] = (True,)
    rows[3][6] = ("a centred text over both sides", 4)
    rows[4][7] = ("right-aligned text flows left", 5)
    rows[10] = {1: ("Merged B11:D12, centred", 4)}
    rows[13] = {0: ("Frozen top row; active cell E5",)}
    # Columns A-D narrow for their numbers, E-H narrow too.
    cols = ('<col min="1" max="1" width="7" customWidth="1"/>'
            '<col min="2" max="2" width="6" customWidth="1"/>'
            '<col min="3" max="3" width="5" customWidth="1"/>'
            '<col min="4" max="4" width="7" customWidth="1"/>'
            '<col min="5" max="8" width="9" customWidth="1"/>')
    view = ('<sheetViews><sheetView tabSelected="1" workbookViewId="0">'
            '<pane ySplit="1" topLeftCell="A2" activePane="bottomLeft" state="frozen"/>'
            '<selection pane="bottomLeft" activeCell="E5" sqref="E5"/></sheetView></sheetViews>')
    merges = '<mergeCells count="1"><mergeCell ref="B11:D12"/></mergeCells>'
    return sheet(rows, cols, view, merges)


def second_sheet():
    rows = {r: {0: (r * 1000.123,), 2: (f"row {r + 1}",)} for r in range(40)}
    return sheet(rows, '<col min="1" max="1" width="4" customWidth="1"/>')


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else "narrow-columns.xlsx"
    with zipfile.ZipFile(out, "w", zipfile.ZIP_DEFLATED) as z:
        z.writestr("[Content_Types].xml", CONTENT_TYPES)
        z.writestr("_rels/.rels", ROOT_RELS)
        z.writestr("xl/workbook.xml", WORKBOOK)
        z.writestr("xl/_rels/workbook.xml.rels", WORKBOOK_RELS)
        z.writestr("xl/styles.xml", STYLES)
        z.writestr("xl/worksheets/sheet1.xml", narrow_sheet())
        z.writestr("xl/worksheets/sheet2.xml", second_sheet())


if __name__ == "__main__":
    main()

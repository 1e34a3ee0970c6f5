#!/usr/bin/python3
"""Writes the seed corpus of the fuzz targets (tests/fuzz/seeds/<target>/): small inputs that
reach each parser's main paths. Run from anywhere; the files are kept in the repository."""
import os
import shutil
import zipfile

HERE = os.path.dirname(os.path.abspath(__file__))
SEEDS = os.path.join(HERE, "seeds")
NS = 'xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" ' \
     'xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships"'

WORKSHEET = f'''<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<worksheet {NS}><dimension ref="A1:D4"/><sheetFormatPr defaultColWidth="10.5"/>
<cols><col min="1" max="2" width="12.7" customWidth="1"/><col min="4" max="4" hidden="1" width="0"/></cols>
<sheetData><row r="1"><c r="A1" t="s"><v>0</v></c><c r="B1" s="1"><v>45000.25</v></c><c r="C1" t="b"><v>1</v></c></row>
<row r="2" hidden="1"><c r="A2" t="inlineStr"><is><t xml:space="preserve"> in_x000A_line </t><rPh><t>x</t></rPh></is></c>
<c r="B2" t="e"><v>#DIV/0!</v></c><c t="str"><f>A1</f><v>formula &amp; text</v></c><c t="d"><v>2024-01-31T12:30:00</v></c></row>
<row><c><v>-1.5E-3</v></c><c r="XFD3" s="2"><v>1</v></c></row><row r="4"><c r="A4" t="s"><v>2</v></c></row></sheetData>
<mergeCells count="1"><mergeCell ref="A4:B4"/></mergeCells></worksheet>'''
STRINGS = f'''<?xml version="1.0" encoding="UTF-8"?>
<sst {NS} count="3" uniqueCount="3"><si><t>one</t></si><si><r><rPr><b/></rPr><t>t</t></r><r><t>wo</t></r>
<rPh sb="0" eb="1"><t>ph</t></rPh></si><si><t>_x0033__x005F_x&#x1F600;</t></si></sst>'''
STYLES = f'''<?xml version="1.0" encoding="UTF-8"?>
<styleSheet {NS}><numFmts count="2"><numFmt numFmtId="164" formatCode="yyyy\\-mm\\-dd;@"/>
<numFmt numFmtId="165" formatCode="[Red]#,##0.00_);(#,##0.00)"/></numFmts>
<cellStyleXfs count="1"><xf numFmtId="0"/></cellStyleXfs>
<cellXfs count="4"><xf numFmtId="0"/><xf numFmtId="164" applyNumberFormat="1"/><xf numFmtId="165"/><xf numFmtId="14"/></cellXfs></styleSheet>'''
WORKBOOK = f'''<?xml version="1.0" encoding="UTF-8"?>
<workbook {NS}><workbookPr date1904="1"/><bookViews><workbookView activeTab="1"/></bookViews>
<sheets><sheet name="Sheet1" sheetId="1" r:id="rId1"/><sheet name="It&apos;s hidden" sheetId="2" state="hidden" r:id="rId2"/>
<sheet name="Chart" sheetId="3" r:id="rId5"/></sheets></workbook>'''
WORKBOOK_RELS = '''<?xml version="1.0" encoding="UTF-8"?>
<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">
<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet" Target="worksheets/sheet1.xml"/>
<Relationship Id="rId2" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet" Target="/xl/worksheets/../worksheets/sheet2.xml"/>
<Relationship Id="rId3" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles" Target="styles.xml"/>
<Relationship Id="rId4" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/sharedStrings" Target="sharedStrings.xml"/>
<Relationship Id="rId6" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/hyperlink" Target="http://example.com/" TargetMode="External"/>
</Relationships>'''
CONTENT_TYPES = '''<?xml version="1.0" encoding="UTF-8"?>
<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">
<Default Extension="xml" ContentType="application/xml"/>
<Override PartName="/xl/workbook.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml"/>
</Types>'''
ROOT_RELS = '''<?xml version="1.0" encoding="UTF-8"?>
<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">
<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument" Target="xl/workbook.xml"/>
</Relationships>'''
SHEET2 = f'<worksheet {NS}><sheetData><row r="5"><c r="A5"><v>5</v></c></row><row r="2"><c r="A2"><v>2</v></c></row></sheetData></worksheet>'
# Cells the reader takes straight from the bytes beside near misses it leaves to the events.
PLAIN = (f'<worksheet {NS}><sheetData><row r="1"><c r="A1" s="1"><v>1.5</v></c><c r="B1" t="s"><v>1</v></c>'
         "<c r='C1' t='inlineStr'><is><t xml:space='preserve'> a </t></is></c><c r=\"D1\" s=\"2\"/>\n  "
         '<c r="E1"> <v>2</v> </c><c r="F1"><v>a &amp; b</v></c><c r="G1" xml:t="s"><v>0</v></c>'
         '<c r="H1" x:y="1" xmlns:x="urn:x"><v>3</v></c><c r="I1"><v/></c></row></sheetData></worksheet>')

CONTENT = '''<?xml version="1.0" encoding="UTF-8"?>
<office:document-content xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0"
 xmlns:style="urn:oasis:names:tc:opendocument:xmlns:style:1.0" xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0"
 xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0" office:version="1.2">
<office:automatic-styles><style:style style:name="co1" style:family="table-column"><style:table-column-properties style:column-width="2.258cm"/></style:style>
<style:style style:name="ta2" style:family="table"><style:table-properties table:display="false"/></style:style></office:automatic-styles>
<office:body><office:spreadsheet><table:table table:name="Sheet1"><table:table-column table:style-name="co1" table:number-columns-repeated="2"/>
<table:table-column table:visibility="collapse"/>
<table:table-row><table:table-cell office:value-type="float" office:value="1.5"><text:p>1.50</text:p></table:table-cell>
<table:table-cell table:number-columns-repeated="2" office:value-type="string"><text:p>a<text:s text:c="2"/>b<text:tab/>c</text:p><text:p>second</text:p></table:table-cell></table:table-row>
<table:table-row table:number-rows-repeated="3" table:visibility="collapse"><table:table-cell/></table:table-row>
<table:table-row><table:covered-table-cell/><table:table-cell office:value-type="boolean" office:boolean-value="true"/>
<table:table-cell><office:annotation><text:p>note</text:p></office:annotation><text:p>x</text:p></table:table-cell></table:table-row>
</table:table><table:table table:name="Hidden" table:style-name="ta2"><table:table-row><table:table-cell office:value-type="string" office:string-value="v"/></table:table-row></table:table>
</office:spreadsheet></office:body></office:document-content>'''
FODS = CONTENT.replace("office:document-content", "office:document").replace(
    'office:version="1.2"', 'office:version="1.2" office:mimetype="application/vnd.oasis.opendocument.spreadsheet"')
SETTINGS = '''<?xml version="1.0" encoding="UTF-8"?>
<office:document-settings xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0"
 xmlns:config="urn:oasis:names:tc:opendocument:xmlns:config:1.0"><office:settings>
<config:config-item-set config:name="ooo:view-settings"><config:config-item config:name="ActiveTable" config:type="string">Sheet1</config:config-item>
</config:config-item-set></office:settings></office:document-settings>'''


def write(target, name, data):
    folder = os.path.join(SEEDS, target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data if isinstance(data, bytes) else data.encode("utf-8"))


def package(parts):
    import io
    buffer = io.BytesIO()
    with zipfile.ZipFile(buffer, "w", zipfile.ZIP_DEFLATED) as z:
        for name, data in parts:
            z.writestr(zipfile.ZipInfo(name, (2024, 1, 1, 0, 0, 0)), data,
                       zipfile.ZIP_STORED if name == "mimetype" else zipfile.ZIP_DEFLATED)
    return buffer.getvalue()


def main():
    shutil.rmtree(SEEDS, ignore_errors=True)
    xlsx = package([("[Content_Types].xml", CONTENT_TYPES), ("_rels/.rels", ROOT_RELS),
                    ("xl/workbook.xml", WORKBOOK), ("xl/_rels/workbook.xml.rels", WORKBOOK_RELS),
                    ("xl/worksheets/sheet1.xml", WORKSHEET), ("xl/worksheets/sheet2.xml", SHEET2),
                    ("xl/sharedStrings.xml", STRINGS), ("xl/styles.xml", STYLES)])
    ods = package([("mimetype", "application/vnd.oasis.opendocument.spreadsheet"),
                   ("content.xml", CONTENT), ("settings.xml", SETTINGS)])
    csv = 'name;value\r\n"quoted;""text""";1,5\r\n\xe9t\xe9;\r\n'.encode("cp1252")
    sample = open(os.path.join(HERE, "..", "..", "Samples", "sample1.xls"), "rb").read()

    write("xlsx", "small.xlsx", xlsx)
    write("xlsx_worksheet", "sheet1.xml", WORKSHEET)
    write("xlsx_worksheet", "unordered.xml", SHEET2)
    write("xlsx_worksheet", "plain-cells.xml", PLAIN)
    write("xlsx_strings", "sharedStrings.xml", STRINGS)
    write("xlsx_styles", "styles.xml", STYLES)
    write("xlsx_workbook", "workbook.xml", WORKBOOK + "\0" + WORKBOOK_RELS)
    write("xlsx_workbook", "content-types.xml", CONTENT_TYPES + "\0" + ROOT_RELS)
    write("ods_content", "content.xml", CONTENT)
    write("ods_content", "flat.fods", FODS)
    write("csv", "semicolons.csv", csv)
    write("csv", "utf16.txt", "\ufeffa\tb\r\n1\t\u20ac\r\n".encode("utf-16-le"))
    write("xls", "sample1.xls", sample)
    write("reference", "quoted", "'Staff List'!$A$1:$B$4")
    write("reference", "areas", "Sheet1!A1,C3:D4,$A:$C,$2:$5")
    write("reference", "apostrophe", "'It''s'!XFD1048576")
    write("numfmt", "date", "[$-409]dddd, mmmm d, yyyy h:mm AM/PM;@")
    write("numfmt", "sections", '[Red][<=100]#,##0.00_);[Blue](#,##0.00);"zero";@" text"')
    write("numfmt", "fraction", "# ??/16 0.0E+00 [h]:mm:ss.000")
    for name, data in [("small.xlsx", xlsx), ("small.ods", ods), ("flat.fods", FODS),
                       ("semicolons.csv", csv), ("sample1.xls", sample)]:
        write("workbook", name, data)


if __name__ == "__main__":
    main()

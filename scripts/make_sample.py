#!/usr/bin/python3
"""Writes Samples/sample1.xls, the sample workbook that ships beside Lomandra.

Run with Debian's Python, which has python3-xlwt:  /usr/bin/python3 scripts/make_sample.py
The output is the same bytes on every run (xlwt stores no time stamps), so the committed file
can be checked against a fresh run.
"""

import datetime
import os
import sys

import xlwt

HERE = os.path.dirname(os.path.abspath(__file__))
OUTPUT = os.path.join(HERE, "..", "Samples", "sample1.xls")


def style(num_format="General", bold=False):
    s = xlwt.XFStyle()
    s.num_format_str = num_format
    if bold:
        font = xlwt.Font()
        font.bold = True
        s.font = font
    return s


HEADER = style(bold=True)
TEXT = style()
DATE_BUILTIN = style("M/D/YY")  # built-in format 14, shown as m/d/yyyy
DATE_LONG = style("d mmmm yyyy")
MONTH = style("mmm yyyy")
TIME_AMPM = style("h:mm AM/PM")  # built-in format 18
TIME_24 = style("hh:mm:ss")
DATE_TIME = style("yyyy-mm-dd hh:mm")
CURRENCY = style('"$"#,##0.00')
CURRENCY_NEG = style('"$"#,##0.00_);[Red]("$"#,##0.00)')
PERCENT = style("0%")  # built-in format 9
PERCENT_1 = style("0.0%")
THOUSANDS = style("#,##0")  # built-in format 3
DECIMAL_1 = style("0.0")
DECIMAL_2 = style("0.00")  # built-in format 2
INTEGER = style("0")  # built-in format 1


def staff_list(book):
    sheet = book.add_sheet("Staff List")
    headers = ["Name", "Department", "Start Date", "Salary", "Bonus Rate", "Hours per Week"]
    for column, text in enumerate(headers):
        sheet.write(0, column, text, HEADER)
    rows = [
        ("Ada Lovelace", "Research", datetime.date(2019, 3, 4), 72500, 0.05, 37.5),
        ("Grace Hopper", "Engineering", datetime.date(2015, 9, 21), 88000, 0.075, 40),
        ("Alan Turing", "Research", datetime.date(2021, 1, 11), 69250.5, 0.05, 37.5),
        ("Katherine Johnson", "Finance", datetime.date(2018, 6, 1), 75000, None, 35),
        ("Tim Berners-Lee", None, datetime.date(2020, 11, 30), 91000, 0.1, 40),
    ]
    for r, (name, department, start, salary, bonus, hours) in enumerate(rows, start=1):
        sheet.write(r, 0, name, TEXT)
        if department is not None:  # an empty cell where the department is not known
            sheet.write(r, 1, department, TEXT)
        sheet.write(r, 2, start, DATE_BUILTIN)
        sheet.write(r, 3, salary, CURRENCY)
        if bonus is not None:
            sheet.write(r, 4, bonus, PERCENT_1)
        sheet.write(r, 5, hours, DECIMAL_1)
    total = sum(row[3] for row in rows)
    sheet.write(7, 0, "Total salaries", HEADER)
    sheet.write(7, 3, total, CURRENCY)
    sheet.write(8, 0, "Staff count", HEADER)
    sheet.write(8, 3, len(rows), INTEGER)
    for column, width in enumerate([20, 14, 12, 13, 11, 15]):
        sheet.col(column).width = width * 256
    return sheet


def monthly_sales(book):
    sheet = book.add_sheet("Monthly Sales")
    headers = ["Month", "Units Sold", "Revenue", "Growth", "Target Met"]
    for column, text in enumerate(headers):
        sheet.write(0, column, text, HEADER)
    months = [
        (datetime.date(2024, 1, 1), 1250, 15625.0, None, False),
        (datetime.date(2024, 2, 1), 1310, 16375.0, 0.048, True),
        (datetime.date(2024, 3, 1), 1310, 16375.0, 0.0, True),  # the same figures again
        (datetime.date(2024, 4, 1), 1269, 15862.5, -0.0313, False),
        (datetime.date(2024, 5, 1), 1402, 17525.0, 0.1048, True),
        (datetime.date(2024, 6, 1), 1457, 18212.5, 0.0392, True),
    ]
    for r, (month, units, revenue, growth, met) in enumerate(months, start=1):
        sheet.write(r, 0, month, MONTH)
        sheet.write(r, 1, units, THOUSANDS)
        sheet.write(r, 2, revenue, CURRENCY_NEG)
        if growth is not None:
            sheet.write(r, 3, growth, PERCENT)
        sheet.write(r, 4, met, TEXT)
    sheet.write(8, 0, "Half-year units", HEADER)
    sheet.write(8, 1, sum(m[1] for m in months), THOUSANDS)
    sheet.write(9, 0, "Half-year revenue", HEADER)
    sheet.write(9, 2, sum(m[2] for m in months), CURRENCY_NEG)
    sheet.write(10, 0, "Refunds", HEADER)
    sheet.write(10, 2, -1234.5, CURRENCY_NEG)
    sheet.write(11, 0, "Visitors", HEADER)
    sheet.write(11, 1, 1234567, THOUSANDS)
    sheet.write(12, 0, "Average price", HEADER)
    sheet.write(12, 2, 12.5, DECIMAL_2)
    for column, width in enumerate([18, 12, 14, 10, 11]):
        sheet.col(column).width = width * 256
    return sheet


def notes_and_dates(book):
    sheet = book.add_sheet("Notes and Dates")
    headers = ["Event", "Date", "Time", "Date and Time", "Note"]
    for column, text in enumerate(headers):
        sheet.write(0, column, text, HEADER)
    events = [
        ("Kick-off meeting", datetime.date(2024, 1, 15), datetime.time(9, 30),
         datetime.datetime(2024, 1, 15, 9, 30), "Bring the project plan"),
        ("Design review", datetime.date(2024, 2, 29), datetime.time(14, 0),
         datetime.datetime(2024, 2, 29, 14, 0), None),
        ("Budget check", datetime.date(2024, 3, 28), datetime.time(16, 45, 30),
         datetime.datetime(2024, 3, 28, 16, 45, 30), "Quarter end"),
        ("Release", datetime.date(2024, 6, 3), datetime.time(0, 0),
         datetime.datetime(2024, 6, 3, 8, 0), "Quarter end"),
    ]
    for r, (event, date, time, moment, note) in enumerate(events, start=1):
        sheet.write(r, 0, event, TEXT)
        sheet.write(r, 1, date, DATE_LONG)
        sheet.write(r, 2, time, TIME_AMPM if r % 2 else TIME_24)
        sheet.write(r, 3, moment, DATE_TIME)
        if note is not None:
            sheet.write(r, 4, note, TEXT)
    sheet.write(6, 0, "Tip: select cells across rows and columns; the merge reads them row by "
                      "row, left to right, and keeps empty cells as empty texts.", TEXT)
    for column, width in enumerate([18, 18, 12, 18, 24]):
        sheet.col(column).width = width * 256
    return sheet


def main():
    book = xlwt.Workbook(encoding="utf-8")
    staff_list(book)
    monthly_sales(book)
    notes_and_dates(book)
    os.makedirs(os.path.dirname(OUTPUT), exist_ok=True)
    book.save(OUTPUT)
    print("wrote", os.path.normpath(OUTPUT))
    return 0


if __name__ == "__main__":
    sys.exit(main())

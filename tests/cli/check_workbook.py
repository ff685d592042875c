#!/usr/bin/python3
"""Checks a saved workbook against the CSV of the same list: openpyxl reads every cell as
text, the header in view with its filter and each column as wide as its content;
LibreOffice's CSV of it, where given, holds the same fields row for row.
Usage: check_workbook.py CSV WORKBOOK [LIBREOFFICE_CSV | -]  ("-": starts LibreOffice itself)"""
import csv
import os
import subprocess
import sys
import tempfile
import zipfile

import openpyxl

HEADER = ["Bankleitzahl", "Bezeichnung", "Prüfzifferberechnungsmethode"]


def decode(data):
    try:
        return data.decode("utf-8")
    except UnicodeDecodeError:
        # Windows 1252, its gaps read as ISO 8859-1.
        return "".join(bytes([b]).decode("cp1252", errors="ignore") or chr(b) for b in data)


def fields(line):
    first, last = line.find(";"), line.rfind(";")
    return [line[:first], line[first + 1:last], line[last + 1:]]


def main(csv_path, workbook_path, libreoffice_path=None):
    text = decode(open(csv_path, "rb").read())
    expected = [fields(line) for line in text.split("\n")]
    problems = []
    book = openpyxl.load_workbook(workbook_path)
    sheet = book.worksheets[0]
    rows = [[cell.value if cell.value is not None else "" for cell in row] for row in sheet.iter_rows(max_col=3)]
    if len(book.worksheets) != 1:
        problems.append(f"{len(book.worksheets)} sheets")
    if rows[0] != HEADER:
        problems.append(f"header {rows[0]}")
    if rows[1:] != expected:
        wrong = next(i for i, (a, b) in enumerate(zip(rows[1:] + [None] * len(expected), expected)) if a != b)
        problems.append(f"row {wrong + 2}: {rows[wrong + 1] if wrong + 1 < len(rows) else None} != {expected[wrong]}")
    untyped = [c.coordinate for row in sheet.iter_rows(max_col=3) for c in row
               if c.value is not None and (c.data_type != "s" or c.number_format != "@")]
    if untyped:
        problems.append(f"{len(untyped)} cells not stored as text, first {untyped[0]}")
    if sheet.freeze_panes != "A2":
        problems.append(f"frozen at {sheet.freeze_panes}")
    if sheet.auto_filter.ref != f"A1:C{len(expected) + 1}":
        problems.append(f"filter over {sheet.auto_filter.ref}")
    sheet_xml = zipfile.ZipFile(workbook_path).read("xl/worksheets/sheet1.xml").decode("utf-8")
    if f'<ignoredError sqref="A2:C{len(expected) + 1}" numberStoredAsText="1"/>' not in sheet_xml:
        problems.append("digits stored as text are marked as an error")
    for column, letter in enumerate("ABC"):
        longest = max(len(row[column]) for row in rows)
        width = sheet.column_dimensions[letter].width
        if not longest < width < longest + 6:
            problems.append(f"column {letter} {width} wide for {longest} characters")
    if libreoffice_path is not None:
        with open(libreoffice_path, encoding="utf-8", newline="") as read:
            read_back = [row + [""] * (3 - len(row)) for row in csv.reader(read, delimiter=";")]
        if read_back != [HEADER] + expected:
            wrong = next(i for i, (a, b) in enumerate(zip(read_back, [HEADER] + expected)) if a != b)
            problems.append(f"LibreOffice row {wrong + 1}: {read_back[wrong]}")
    for problem in problems:
        print(f"FAIL: {workbook_path}: {problem}")
    return 1 if problems else 0


def with_libreoffice(csv_path, workbook_path):
    with tempfile.TemporaryDirectory() as work:
        subprocess.run(["soffice", f"-env:UserInstallation=file://{work}/profile", "--headless", "--convert-to",
                        "csv:Text - txt - csv (StarCalc):59,34,76,1", "--outdir", work, workbook_path],
                       check=True, capture_output=True)
        name = os.path.splitext(os.path.basename(workbook_path))[0] + ".csv"
        return main(csv_path, workbook_path, os.path.join(work, name))


if __name__ == "__main__":
    if sys.argv[3:] == ["-"]:
        sys.exit(with_libreoffice(*sys.argv[1:3]))
    sys.exit(main(*sys.argv[1:]))

#!/usr/bin/env python3
"""Reads an .xlsx workbook with openpyxl, a reader independent of the writer,
and prints what the class summary test checks as JSON: per sheet its name,
frozen cell, autofilter range, and per cell its value, number format and
fill colour (null when not filled)."""
import json
import sys

import openpyxl


def fill_of(cell):
    if cell.fill is None or cell.fill.fill_type != "solid":
        return None
    return cell.fill.fgColor.rgb


def main():
    book = openpyxl.load_workbook(sys.argv[1])
    sheets = []
    for sheet in book.worksheets:
        rows = []
        for row in sheet.iter_rows():
            rows.append([{"value": c.value, "format": c.number_format, "fill": fill_of(c)}
                         for c in row])
        sheets.append({"name": sheet.title, "freeze": sheet.freeze_panes,
                       "filter": sheet.auto_filter.ref, "rows": rows})
    json.dump({"sheets": sheets}, sys.stdout, ensure_ascii=False)


main()

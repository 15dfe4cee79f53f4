#!/usr/bin/env python3
"""Reads an .xlsx workbook with openpyxl, a reader independent of the writer,
and prints what the class summary tests check as JSON: the workbook's title;
per sheet its name, frozen cell, autofilter range, print setup, the lines
above the table (title_rows) and the table's rows from its header (the
autofilter's first row) down, per cell its value, number format, fill
colour (null when not filled) and link target (null when none)."""
import json
import sys

import openpyxl
from openpyxl.utils.cell import range_boundaries


def fill_of(cell):
    if cell.fill is None or cell.fill.fill_type != "solid":
        return None
    return cell.fill.fgColor.rgb


def cells(row):
    return [{"value": c.value, "format": c.number_format, "fill": fill_of(c),
             "link": c.hyperlink.target if c.hyperlink is not None else None}
            for c in row]


def trimmed(values):
    """The values of a row without the empty cells after the last."""
    while values and values[-1] is None:
        values.pop()
    return values


def main():
    book = openpyxl.load_workbook(sys.argv[1])
    sheets = []
    for sheet in book.worksheets:
        rows = [cells(row) for row in sheet.iter_rows()]
        header = 0
        if sheet.auto_filter.ref:
            header = range_boundaries(sheet.auto_filter.ref)[1] - 1
        setup = sheet.page_setup
        fit = sheet.sheet_properties.pageSetUpPr
        sheets.append({"name": sheet.title, "freeze": sheet.freeze_panes,
                       "filter": sheet.auto_filter.ref,
                       "print": {"orientation": setup.orientation,
                                 "paper": setup.paperSize,
                                 "fit_to_page": bool(fit is not None and fit.fitToPage),
                                 # A count of 1, the format's default, may go unwritten.
                                 "fit_width": 1 if setup.fitToWidth is None else setup.fitToWidth,
                                 "fit_height": 1 if setup.fitToHeight is None else setup.fitToHeight,
                                 "title_rows": sheet.print_title_rows},
                       "title_rows": [trimmed([c["value"] for c in row])
                                      for row in rows[:header]],
                       "rows": rows[header:]})
    json.dump({"title": book.properties.title, "sheets": sheets}, sys.stdout,
              ensure_ascii=False, default=str)


main()

"""Reads a workbook with openpyxl and prints what a report test compares, one fact a line:
  SHEET <name>
  MERGED <range>                      (sorted)
  CELL <ref> <type> <value> | font=<name>,<size>,b<0/1>,i<0/1> align=<h>/<v> border=<l><r><t><b> fill=<type>:<rgb>
  WIDTH <column> <width>
  PRINT orientation=<o> fit=<0/1> wide=<pages> tall=<pages> titles=<rows>
Only cells holding a value or a style are printed."""
import sys

import openpyxl
from openpyxl.utils import get_column_letter


def side(border_side):
    return border_side.style[0] if border_side is not None and border_side.style else "-"


def main(path):
    workbook = openpyxl.load_workbook(path)
    for sheet in workbook.worksheets:
        print("SHEET", sheet.title)
        setup = sheet.page_setup
        fit = sheet.sheet_properties.pageSetUpPr
        # An absent fitToWidth or fitToHeight means 1 page in the file format.
        print("PRINT orientation=%s fit=%d wide=%s tall=%s titles=%s" % (
            setup.orientation, bool(fit is not None and fit.fitToPage),
            1 if setup.fitToWidth is None else setup.fitToWidth, 1 if setup.fitToHeight is None else setup.fitToHeight,
            (sheet.print_title_rows or "").replace("$", "")))
        for merged in sorted(str(r) for r in sheet.merged_cells.ranges):
            print("MERGED", merged)
        for row in sheet.iter_rows():
            for cell in row:
                if cell.__class__.__name__ == "MergedCell":
                    continue
                if cell.value is None and not cell.has_style:
                    continue
                value = cell.value
                kind = "n" if isinstance(value, (int, float)) else ("s" if value is not None else "-")
                if isinstance(value, float) and value.is_integer():
                    value = int(value)
                font = cell.font
                border = cell.border
                fill = cell.fill
                colour = fill.fgColor.rgb if fill is not None and fill.fill_type else ""
                print("CELL %s %s %r | font=%s,%g,b%d,i%d align=%s/%s border=%s%s%s%s fill=%s:%s" % (
                    cell.coordinate, kind, value, font.name, font.size or 0, bool(font.b), bool(font.i),
                    cell.alignment.horizontal or "general", cell.alignment.vertical or "bottom",
                    side(border.left), side(border.right), side(border.top), side(border.bottom),
                    fill.fill_type or "none", colour))
        for index in range(1, 28):
            letter = get_column_letter(index)
            dimension = sheet.column_dimensions.get(letter)
            if dimension is not None and dimension.width:
                print("WIDTH %s %.2f" % (letter, dimension.width))


if __name__ == "__main__":
    main(sys.argv[1])

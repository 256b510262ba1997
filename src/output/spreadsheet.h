// The spreadsheet report of the signal timings: one worksheet per iteration and network with
// the timings of the network's signal nodes, written as an .xlsx workbook. When the workbook
// cannot be written, the node report CSV takes its place.
#pragma once

#include <string>
#include <vector>

#include "model/settings.h"
#include "model/transyt_model.h"
#include "util/log.h"

namespace veltra {

// Writes the workbook InformeNodos names; when it cannot be written, the node report CSV.
void WriteSpreadsheetReport(const Settings& cfg, const QorVars& qor, MessageLog& log, int lastIteration);

// The formatting of one cell. Every cell of a sheet starts as Arial 10.
struct SheetStyle {
  enum Horizontal { General, Left, Centre };
  enum Vertical { Bottom, Middle, Top };
  bool Bold = false;
  bool Italic = false;
  double Size = 10;
  Horizontal Align = General;
  Vertical VerticalAlign = Bottom;
  bool Borders = false;  // thin continuous lines of the automatic colour on all four sides
  bool Filled = false;   // the solid fill of the header rows

  bool operator<(const SheetStyle& o) const;
  bool operator==(const SheetStyle& o) const;
};

struct SheetCell {
  enum Kind { Empty, Text, Number };
  Kind Type = Empty;
  std::string Value;  // the text, or the number as it reads
  double NumberValue = 0;
  SheetStyle Style;
};

// Rows and columns from 1, as the cell names count them.
struct SheetRange {
  int FirstRow = 1, FirstColumn = 1, LastRow = 1, LastColumn = 1;
};

struct ReportSheet {
  static constexpr int kColumns = 28;  // A..AB
  static constexpr int kHeaderRows = 5;  // network, cycle, a blank row and the two heading rows
  std::string Name;
  std::vector<std::vector<SheetCell>> Cells;  // [row][column], both from 1
  std::vector<SheetRange> Merged;
  std::vector<double> Widths;  // [column] in character widths

  int Rows() const { return static_cast<int>(Cells.size()) - 1; }
  SheetCell& At(int row, int column);
  const SheetCell& At(int row, int column) const;
};

// A range by its cell names ("A4:AA5", or one cell "I4").
SheetRange ParseRange(const std::string& name);

// The worksheet of iteration i and network position r, laid out and fitted.
ReportSheet BuildReportSheet(const Settings& cfg, const QorVars& qor, int i, int r);

// The workbook name for an InformeNodos setting: the name itself when it ends in ".xlsx",
// else the same name with that extension.
std::string WorkbookName(const std::string& informeNodos);

// Writes the sheets of iterations 1..lastIteration, networks in order within each. False, with
// the reason in `error`, when the workbook cannot be written (nothing is left under its name).
bool WriteWorkbook(const Settings& cfg, const QorVars& qor, int lastIteration, const std::string& path,
                   std::string& error);

}  // namespace veltra

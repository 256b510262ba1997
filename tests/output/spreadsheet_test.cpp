// The spreadsheet report: the layout of one sheet, the workbook read back by openpyxl, and the
// CSV fallback when the workbook cannot be written.
#include "output/spreadsheet.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>

#include "support/output_model.h"
#include "util/conversions.h"
#include "util/text.h"

namespace veltra {
namespace {

using test::OutputModel;
using test::TempDir;

// Network 5 with two signal nodes (two and four stages), recorded for two iterations.
struct Report {
  OutputModel m;
  int r;
  Report() {
    r = m.AddNetwork(5, "Centro");
    m.AddSignalNode(r, 501, 12, 10, 90, {{20, 5, 7}, {15, 4, 6}, {25, 3, 8}, {10, 5, 5}});
    m.AddSignalNode(r, 502, 3, 0, 90, {{40, 5, 7}, {30, 5, 6}});
    m.Record(r, 1, 80);
    m.Record(r, 2, 90);
  }
};

std::string Describe(const SheetStyle& s) {
  static const char* const horizontal[] = {"general", "left", "centre"};
  static const char* const vertical[] = {"bottom", "middle", "top"};
  return Printf("%s%s%g %s/%s%s%s", s.Bold ? "bold " : "", s.Italic ? "italic " : "", s.Size, horizontal[s.Align],
                vertical[s.VerticalAlign], s.Borders ? " borders" : "", s.Filled ? " filled" : "");
}

std::string RangeName(const SheetRange& r) {
  return CellName(r.FirstRow, r.FirstColumn) + ":" + CellName(r.LastRow, r.LastColumn);
}

SheetStyle ExpectedStyle(const std::string& description) {
  SheetStyle s;
  std::istringstream in(description);
  std::string word;
  while (in >> word) {
    if (word == "bold") s.Bold = true;
    if (word == "italic") s.Italic = true;
    if (word == "6") s.Size = 6;
    if (word == "left") s.Align = SheetStyle::Left;
    if (word == "centre") s.Align = SheetStyle::Centre;
    if (word == "middle") s.VerticalAlign = SheetStyle::Middle;
    if (word == "top") s.VerticalAlign = SheetStyle::Top;
    if (word == "borders") s.Borders = true;
    if (word == "filled") s.Filled = true;
  }
  return s;
}

TEST(ReportSheet, CellsMergesAndFormatsFollowTheLayout) {
  Report x;
  const ReportSheet sheet = BuildReportSheet(x.m.run().Cfg, x.m.run().Qor, 2, x.r);
  EXPECT_EQ(sheet.Name, "Red_5 (2)");
  ASSERT_EQ(sheet.Rows(), 8);

  struct Case {
    const char* cell;
    const char* value;  // "#n" for a number n, "" for an empty cell
    const char* style;
  };
  const Case cases[] = {
      {"A1", "Red:", ""},
      {"B1", "#5", "bold"},
      {"C1", "Centro", "bold left"},
      {"D1", "", "left"},
      {"A2", "Ciclo:", ""},
      {"B2", "#90", "bold"},
      {"C2", "", "bold"},
      {"A3", "", ""},
      {"A4", "Nodo", "bold centre middle borders filled"},
      {"B5", "", "bold centre middle borders filled"},
      {"C4", "Inicio Verdes", "bold centre borders filled"},
      {"I4", "Desfase", "bold centre middle borders filled"},
      {"J4", "Duración Verde (seg)", "bold centre borders filled"},
      {"P4", "Entreverde", "bold centre borders filled"},
      {"V4", "Verde Mínimo", "bold centre borders filled"},
      {"C5", "F1", "bold centre borders filled"},
      {"H5", "F6", "bold centre borders filled"},
      {"AA5", "F6", "bold centre borders filled"},
      {"A6", "#12", "centre borders"},
      {"B6", "#4", "centre borders"},
      {"C6", "#15", "centre borders"},
      {"G6", " ", "centre borders"},
      {"I6", "#10", "centre borders"},
      {"AA6", " ", "centre borders"},
      {"AB4", "Nodo Saturn", "bold centre middle borders filled"},
      {"AB6", "#501", "centre borders"},
      {"AB7", "#502", "centre borders"},
      {"A7", "#3", "centre borders"},
      {"E7", " ", "centre borders"},
      {"A8", "Generado por VELTRA. Iteración 2", "italic 6 left top"},
      {"AB8", "", "left top"},
  };
  for (const Case& c : cases) {
    const SheetRange at = ParseRange(c.cell);
    const SheetCell& cell = sheet.At(at.FirstRow, at.FirstColumn);
    const std::string value = c.value;
    if (value.empty()) {
      EXPECT_EQ(cell.Type, SheetCell::Empty) << c.cell;
    } else if (value[0] == '#') {
      EXPECT_EQ(cell.Type, SheetCell::Number) << c.cell;
      EXPECT_EQ(cell.NumberValue, std::atof(value.c_str() + 1)) << c.cell;
    } else {
      EXPECT_EQ(cell.Type, SheetCell::Text) << c.cell;
      EXPECT_EQ(cell.Value, value) << c.cell;
    }
    EXPECT_EQ(Describe(cell.Style), Describe(ExpectedStyle(c.style))) << c.cell;
  }

  std::vector<std::string> merged;
  for (const SheetRange& m : sheet.Merged) merged.push_back(RangeName(m));
  std::sort(merged.begin(), merged.end());
  EXPECT_EQ(merged, (std::vector<std::string>{"A4:A5", "A8:AB8", "AB4:AB5", "B4:B5", "C1:AA1", "C4:H4", "I4:I5",
                                              "J4:O4", "P4:U4", "V4:AA4"}));
}

TEST(ReportSheet, NetworkWithoutSignalNodesKeepsHeaderBordersAndFooter) {
  OutputModel m;
  const int r = m.AddNetwork(9, "Sur");
  m.Record(r, 1, 0);
  const ReportSheet sheet = BuildReportSheet(m.run().Cfg, m.run().Qor, 1, r);
  ASSERT_EQ(sheet.Rows(), 6);
  EXPECT_TRUE(sheet.At(5, 27).Style.Borders);
  EXPECT_EQ(sheet.At(6, 1).Value, "Generado por VELTRA. Iteración 1");
  EXPECT_FALSE(sheet.At(6, 1).Style.Borders);
  EXPECT_EQ(RangeName(sheet.Merged.back()), "A6:AB6");
}

TEST(ReportSheet, ColumnWidthsFitTheirTexts) {
  Report x;
  x.m.run().Cfg.Red[1].NombreRed = std::string(200, 'N');
  const ReportSheet sheet = BuildReportSheet(x.m.run().Cfg, x.m.run().Qor, 2, x.r);
  const auto width = [&](const char* column) { return sheet.Widths[static_cast<size_t>(ParseRange(column).FirstColumn)]; };
  // Texts merged within one column count for it: "Desfase" in bold is wider than any offset.
  EXPECT_GE(width("I1"), 7 * 1.1);
  EXPECT_GT(width("I1"), width("H1"));
  EXPECT_GE(width("A1"), 6.0);   // "Ciclo:"
  EXPECT_LT(width("C1"), 20.0);  // the title spreads over C:AA instead of widening C alone
  // A text merged over several columns widens them together when they are too narrow.
  double across = 0;
  for (const char* column : {"C1", "D1", "E1", "F1", "G1", "H1", "I1", "J1", "K1", "L1", "M1", "N1", "O1", "P1",
                             "Q1", "R1", "S1", "T1", "U1", "V1", "W1", "X1", "Y1", "Z1", "AA1"})
    across += width(column);
  EXPECT_GE(across, 200 * 1.1);
  for (size_t c = 1; c < sheet.Widths.size(); ++c) EXPECT_GT(sheet.Widths[c], 1.0) << c;
}

TEST(ReportSheet, WorkbookNameTakesTheXlsxExtension) {
  const std::pair<const char*, const char*> cases[] = {{"informe.xlsx", "informe.xlsx"},
                                                       {"Informe.XLSX", "Informe.XLSX"},
                                                       {"informe.xls", "informe.xlsx"},
                                                       {"dir.v2/informe", "dir.v2/informe.xlsx"},
                                                       {"informe.csv", "informe.xlsx"}};
  for (const auto& [setting, name] : cases) EXPECT_EQ(WorkbookName(setting), name) << setting;
}

#ifdef VELTRA_HAVE_XLSXWRITER

std::vector<std::string> DumpLines(const std::string& path) {
  std::string output;
  EXPECT_EQ(test::RunCheckScript("dump_xlsx.py", {path}, output), 0) << output;
  std::vector<std::string> lines = Split(output, '\n');
  if (!lines.empty() && lines.back().empty()) lines.pop_back();
  return lines;
}

std::string Join(const std::vector<std::string>& lines) {
  std::string text;
  for (const auto& line : lines) text += line + "\n";
  return text;
}

bool Has(const std::vector<std::string>& lines, const std::string& line) {
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

TEST(SpreadsheetReport, WorkbookReadBackHoldsOneSheetPerIterationAndNetworkInOrder) {
  TempDir dir;
  OutputModel m;
  const int r1 = m.AddNetwork(1, "Uno"), r2 = m.AddNetwork(10, "Diez"), r3 = m.AddNetwork(2, "Dos");
  m.AddSignalNode(r1, 101, 1, 5, 80, {{30, 5, 7}, {35, 10, 7}});
  m.AddSignalNode(r3, 201, 7, 0, 90, {{40, 5, 7}, {20, 4, 6}, {10, 5, 5}});
  for (int i = 1; i <= 2; ++i)
    for (int r : {r1, r2, r3}) m.Record(r, i, 70 + 10 * i);
  m.run().Cfg.InformeNodos = "informe.xlsx";
  WriteSpreadsheetReport(m.run().Cfg, m.run().Qor, m.run().Log, 2);
  ASSERT_TRUE(dir.Exists("informe.xlsx"));
  EXPECT_FALSE(dir.Exists("informe.csv"));
  EXPECT_EQ(m.Console(), "");
  if (!test::PythonHas("openpyxl")) GTEST_SKIP() << "python3-openpyxl is not installed: the workbook is not read back";

  const std::vector<std::string> dump = DumpLines(dir.File("informe.xlsx"));
  std::vector<std::string> sheets;
  for (const std::string& line : dump)
    if (StartsWith(line, "SHEET ")) sheets.push_back(line.substr(6));
  EXPECT_EQ(sheets, (std::vector<std::string>{"Red_1 (1)", "Red_10 (1)", "Red_2 (1)", "Red_1 (2)", "Red_10 (2)",
                                              "Red_2 (2)"}));

  // The last sheet: network 2 in iteration 2, one signal node with three stages.
  const auto last = std::find(dump.begin(), dump.end(), "SHEET Red_2 (2)");
  const std::vector<std::string> sheet(last, dump.end());
  const char* const border = " border=tttt";
  const char* const header = " fill=solid:FFE2EFFF";
  const std::string expected[] = {
      "PRINT orientation=landscape fit=1 wide=1 tall=0 titles=1:5",
      "MERGED A4:A5", "MERGED A7:AB7", "MERGED AB4:AB5", "MERGED B4:B5", "MERGED C1:AA1", "MERGED C4:H4", "MERGED I4:I5",
      "MERGED J4:O4", "MERGED P4:U4", "MERGED V4:AA4",
      "CELL A1 s 'Red:' | font=Arial,10,b0,i0 align=general/bottom border=---- fill=none:",
      "CELL B1 n 2 | font=Arial,10,b1,i0 align=general/bottom border=---- fill=none:",
      "CELL C1 s 'Dos' | font=Arial,10,b1,i0 align=left/bottom border=---- fill=none:",
      "CELL B2 n 90 | font=Arial,10,b1,i0 align=general/bottom border=---- fill=none:",
      std::string("CELL A4 s 'Nodo' | font=Arial,10,b1,i0 align=center/center") + border + header,
      std::string("CELL J4 s 'Duración Verde (seg)' | font=Arial,10,b1,i0 align=center/bottom") + border + header,
      std::string("CELL AA5 s 'F6' | font=Arial,10,b1,i0 align=center/bottom") + border + header,
      std::string("CELL A6 n 7 | font=Arial,10,b0,i0 align=center/bottom") + border + " fill=none:",
      std::string("CELL B6 n 3 | font=Arial,10,b0,i0 align=center/bottom") + border + " fill=none:",
      std::string("CELL F6 s ' ' | font=Arial,10,b0,i0 align=center/bottom") + border + " fill=none:",
      "CELL A7 s 'Generado por VELTRA. Iteración 2' | font=Arial,6,b0,i1 align=left/top border=---- fill=none:",
  };
  for (const std::string& line : expected) EXPECT_TRUE(Has(sheet, line)) << line << "\nin:\n" << Join(sheet);

  // The network without signal nodes: header rows, borders and the footer in row 6.
  const auto empty = std::find(dump.begin(), dump.end(), "SHEET Red_10 (1)");
  const std::vector<std::string> emptySheet(empty, std::find(empty, dump.end(), "SHEET Red_2 (1)"));
  EXPECT_TRUE(Has(emptySheet, "MERGED A6:AB6"));
  // Every sheet prints one landscape page across, repeating its headings on each page.
  EXPECT_EQ(std::count(dump.begin(), dump.end(), "PRINT orientation=landscape fit=1 wide=1 tall=0 titles=1:5"), 6)
      << Join(dump);
  EXPECT_TRUE(Has(emptySheet, "CELL A6 s 'Generado por VELTRA. Iteración 1' | font=Arial,6,b0,i1 align=left/top "
                              "border=---- fill=none:"));
}

TEST(SpreadsheetReport, OtherExtensionIsWrittenAsXlsxBesideItAndSaidSo) {
  TempDir dir;
  Report x;
  x.m.run().Cfg.InformeNodos = "informe.xls";
  WriteSpreadsheetReport(x.m.run().Cfg, x.m.run().Qor, x.m.run().Log, 2);
  EXPECT_TRUE(dir.Exists("informe.xlsx"));
  EXPECT_FALSE(dir.Exists("informe.xls"));
  EXPECT_EQ(x.m.Console(), "ATENCION: InformeNodos informe.xls no es un libro .xlsx; el informe se guarda en "
                           "informe.xlsx\n");
}

TEST(SpreadsheetReport, RunWithNothingToReportStillGivesAWorkbook) {
  TempDir dir;
  OutputModel m;
  m.run().Cfg.InformeNodos = "informe.xlsx";
  WriteSpreadsheetReport(m.run().Cfg, m.run().Qor, m.run().Log, 0);
  ASSERT_TRUE(dir.Exists("informe.xlsx"));
  if (!test::PythonHas("openpyxl")) GTEST_SKIP() << "python3-openpyxl is not installed: the workbook is not read back";
  const auto dump = DumpLines(dir.File("informe.xlsx"));
  ASSERT_FALSE(dump.empty());
  EXPECT_EQ(dump[0], "SHEET Hoja1");
}

#endif

TEST(SpreadsheetReport, WorkbookThatCannotBeWrittenFallsBackToTheNodeReport) {
  TempDir dir;
  Report x;
  std::filesystem::create_directory(dir.File("informe.xlsx"));  // nothing can be written under that name
  x.m.run().Cfg.InformeNodos = "informe.xlsx";
  WriteSpreadsheetReport(x.m.run().Cfg, x.m.run().Qor, x.m.run().Log, 2);
  EXPECT_TRUE(std::filesystem::is_directory(dir.File("informe.xlsx")));
  ASSERT_TRUE(dir.Exists("informe.csv"));
  EXPECT_EQ(test::ReadLines(dir.File("informe.csv"))[0], "Red:,5,Centro");
  const std::string console = x.m.Console();
  EXPECT_TRUE(EndsWith(console, "\nError al habilitar servidor Excel. El resultado se genera en formato \"CSV\"\n\n"))
      << console;
}

}  // namespace
}  // namespace veltra

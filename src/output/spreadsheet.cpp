#include "output/spreadsheet.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <tuple>

#include "model/tables.h"
#include "output/history_view.h"
#include "output/summaries.h"
#include "output/xml_text.h"
#include "util/conversions.h"
#include "util/files.h"
#include "util/text.h"

#ifdef VELTRA_HAVE_XLSXWRITER
#include <xlsxwriter.h>
#endif

namespace veltra {

namespace {

constexpr double kDefaultWidth = 8.43;  // a column with nothing to fit keeps the usual width

auto StyleKey(const SheetStyle& s) {
  return std::make_tuple(s.Bold, s.Italic, s.Size, static_cast<int>(s.Align), static_cast<int>(s.VerticalAlign),
                         s.Borders, s.Filled);
}

// Column letters to a number: A = 1, Z = 26, AA = 27.
int ColumnNumber(const std::string& letters) {
  int column = 0;
  for (char c : letters) column = column * 26 + (std::toupper(static_cast<unsigned char>(c)) - 'A' + 1);
  return column;
}

void ParseCell(const std::string& name, int& row, int& column) {
  size_t split = 0;
  while (split < name.size() && std::isalpha(static_cast<unsigned char>(name[split]))) ++split;
  column = ColumnNumber(name.substr(0, split));
  row = std::atoi(name.c_str() + split);
}

// A text as the spreadsheet takes it when typed into a cell: whole numbers become numbers.
SheetCell Typed(const std::string& text) {
  SheetCell cell;
  if (text.empty()) return cell;
  cell.Type = SheetCell::Text;
  cell.Value = text;
  const size_t digits = text.size() - (StartsWith(text, "-") ? 1 : 0);
  if (digits >= 1 && digits <= 9 &&
      std::all_of(text.end() - static_cast<long>(digits), text.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    cell.Type = SheetCell::Number;
    cell.NumberValue = std::stod(text);
  }
  return cell;
}

class SheetBuilder {
 public:
  SheetBuilder(ReportSheet& sheet, int rows) : sheet_(sheet) {
    sheet_.Cells.assign(static_cast<size_t>(rows) + 1, std::vector<SheetCell>(ReportSheet::kColumns + 1));
  }

  void Put(const std::string& cell, const std::string& text) { Put(cell, Typed(text)); }
  void PutText(const std::string& cell, const std::string& text) {
    SheetCell value;
    value.Type = SheetCell::Text;
    value.Value = text;
    Put(cell, value);
  }
  void Put(const std::string& cell, SheetCell value) {
    int row = 0, column = 0;
    ParseCell(cell, row, column);
    SheetCell& target = sheet_.At(row, column);
    value.Style = target.Style;
    target = value;
  }
  template <class Change>
  void Format(const std::string& range, Change change) {
    const SheetRange r = ParseRange(range);
    for (int row = r.FirstRow; row <= r.LastRow; ++row)
      for (int column = r.FirstColumn; column <= r.LastColumn; ++column) change(sheet_.At(row, column).Style);
  }
  void Merge(const std::string& range) { sheet_.Merged.push_back(ParseRange(range)); }

 private:
  ReportSheet& sheet_;
};

const auto Bold = [](SheetStyle& s) { s.Bold = true; };
const auto CentredBothWays = [](SheetStyle& s) {
  s.Align = SheetStyle::Centre;
  s.VerticalAlign = SheetStyle::Middle;
};

double TextWidth(const SheetCell& cell) {
  if (cell.Type == SheetCell::Empty) return 0;
  const double characters = static_cast<double>(Utf8Length(ValidUtf8(cell.Value)));
  return characters * cell.Style.Size / 10.0 * (cell.Style.Bold ? 1.1 : 1.0) + 1.0;
}

// Widths fitted to the contents: every column as wide as its widest text; a text merged over
// one column counts for it, a text merged over several widens them evenly when they are too narrow.
void FitColumns(ReportSheet& sheet) {
  std::vector<std::vector<bool>> spread(sheet.Cells.size(), std::vector<bool>(ReportSheet::kColumns + 1, false));
  for (const SheetRange& m : sheet.Merged)
    if (m.LastColumn > m.FirstColumn)
      for (int row = m.FirstRow; row <= m.LastRow; ++row)
        for (int column = m.FirstColumn; column <= m.LastColumn; ++column)
          spread[static_cast<size_t>(row)][static_cast<size_t>(column)] = true;

  sheet.Widths.assign(ReportSheet::kColumns + 1, 0.0);
  for (int row = 1; row <= sheet.Rows(); ++row)
    for (int column = 1; column <= ReportSheet::kColumns; ++column)
      if (!spread[static_cast<size_t>(row)][static_cast<size_t>(column)])
        sheet.Widths[static_cast<size_t>(column)] =
            std::max(sheet.Widths[static_cast<size_t>(column)], TextWidth(sheet.At(row, column)));
  for (size_t column = 1; column < sheet.Widths.size(); ++column)
    if (sheet.Widths[column] == 0) sheet.Widths[column] = kDefaultWidth;

  for (const SheetRange& m : sheet.Merged) {
    if (m.LastColumn == m.FirstColumn) continue;
    double have = 0;
    for (int column = m.FirstColumn; column <= m.LastColumn; ++column) have += sheet.Widths[static_cast<size_t>(column)];
    const double need = TextWidth(sheet.At(m.FirstRow, m.FirstColumn));
    if (need <= have) continue;
    const double extra = (need - have) / (m.LastColumn - m.FirstColumn + 1);
    for (int column = m.FirstColumn; column <= m.LastColumn; ++column) sheet.Widths[static_cast<size_t>(column)] += extra;
  }
}

}  // namespace

bool SheetStyle::operator<(const SheetStyle& o) const { return StyleKey(*this) < StyleKey(o); }
bool SheetStyle::operator==(const SheetStyle& o) const { return StyleKey(*this) == StyleKey(o); }

SheetCell& ReportSheet::At(int row, int column) {
  return Cells.at(static_cast<size_t>(row)).at(static_cast<size_t>(column));
}
const SheetCell& ReportSheet::At(int row, int column) const {
  return Cells.at(static_cast<size_t>(row)).at(static_cast<size_t>(column));
}

SheetRange ParseRange(const std::string& name) {
  SheetRange range;
  const size_t colon = name.find(':');
  ParseCell(name.substr(0, colon), range.FirstRow, range.FirstColumn);
  if (colon == std::string::npos) {
    range.LastRow = range.FirstRow;
    range.LastColumn = range.FirstColumn;
  } else {
    ParseCell(name.substr(colon + 1), range.LastRow, range.LastColumn);
  }
  return range;
}

ReportSheet BuildReportSheet(const Settings& cfg, const QorVars& qor, int i, int r) {
  const HistoryView history(qor);
  const int n = history.SignalNodes(r);
  ReportSheet sheet;
  sheet.Name = Printf("Red_%d (%d)", history.NetworkNumber(r), i);
  SheetBuilder b(sheet, n + 6);

  b.PutText("A1", "Red:");
  b.Put("B1", Printf("%d", history.NetworkNumber(r)));
  b.PutText("C1", cfg.Network(NetworkPosition(r)).NombreRed);
  b.Format("B1:C2", Bold);
  b.Merge("C1:AA1");
  b.Format("C1:AA1", [](SheetStyle& s) { s.Align = SheetStyle::Left; });
  b.PutText("A2", "Ciclo:");
  b.Put("B2", Printf("%d", history.Cycle(i, r)));

  b.PutText("A4", "Nodo");
  b.PutText("B4", "Fases");
  b.PutText("C4", "Inicio Verdes");
  const auto centred = [](SheetStyle& s) { s.Align = SheetStyle::Centre; };
  b.Merge("C4:H4");
  b.Format("C4:H4", centred);
  b.PutText("I4", "Desfase");
  b.PutText("J4", "Duración Verde (seg)");
  b.Merge("J4:O4");
  b.Format("J4:O4", centred);
  b.PutText("P4", "Entreverde");
  b.Merge("P4:U4");
  b.Format("P4:U4", centred);
  b.PutText("V4", "Verde Mínimo");
  b.Merge("V4:AA4");
  b.Format("V4:AA4", centred);
  // The node as the SATURN network numbers it, beside the TRANSYT number of column A, so that a
  // junction is found in either model without the node list at hand.
  b.PutText("AB4", "Nodo Saturn");
  for (const char* range : {"A4:A5", "B4:B5", "I4:I5", "AB4:AB5"}) {
    b.Merge(range);
    b.Format(range, CentredBothWays);
  }
  for (const char* first : {"C", "J", "P", "V"}) {
    const int column = ColumnNumber(first);
    for (int s = 1; s <= kHistStages; ++s) b.PutText(CellName(5, column + s - 1), Printf("F%d", s));
  }
  b.Format("A4:AB5", [](SheetStyle& s) {
    s.Bold = true;
    s.Filled = true;
  });

  for (int k = 1; k <= n; ++k) {
    b.Put(CellName(5 + k, 1), Printf("%d", history.TransytNode(r, k)));
    for (int c = 0; c < kHistColumns; ++c) b.Put(CellName(5 + k, 2 + c), history.Text(i, r, k, c));
    b.Put(CellName(5 + k, 2 + kHistColumns), Printf("%d", history.SaturnNode(r, k)));
  }
  b.Format(Printf("A4:AB%d", n + 5), [](SheetStyle& s) {
    s.Align = SheetStyle::Centre;
    s.Borders = true;
  });

  const std::string footer = Printf("A%d", n + 6);
  b.PutText(footer, Printf("Generado por VELTRA. Iteración %d", i));
  b.Format(footer, [](SheetStyle& s) {
    s.Italic = true;
    s.Size = 6;
  });
  const std::string footerRow = Printf("A%d:AB%d", n + 6, n + 6);
  b.Format(footerRow, [](SheetStyle& s) {
    s.Align = SheetStyle::Left;
    s.VerticalAlign = SheetStyle::Top;
  });
  b.Merge(footerRow);

  FitColumns(sheet);
  return sheet;
}

std::string WorkbookName(const std::string& informeNodos) {
  if (EqualsIgnoreCase(ExtractExtension(informeNodos), ".xlsx")) return informeNodos;
  return ChangeExtension(informeNodos, ".xlsx");
}

#ifdef VELTRA_HAVE_XLSXWRITER

namespace {

// The fill of the header rows: the colour value -4126 the layout names, read as the spreadsheet
// program reads a colour (its low 24 bits, blue in the high byte).
constexpr lxw_color_t kHeaderFill = 0xE2EFFF;

class FormatCache {
 public:
  explicit FormatCache(lxw_workbook* workbook) : workbook_(workbook) {}
  lxw_format* Of(const SheetStyle& style) {
    auto found = formats_.find(style);
    if (found != formats_.end()) return found->second;
    lxw_format* f = workbook_add_format(workbook_);
    format_set_font_name(f, "Arial");
    format_set_font_size(f, style.Size);
    if (style.Bold) format_set_bold(f);
    if (style.Italic) format_set_italic(f);
    if (style.Align == SheetStyle::Left) format_set_align(f, LXW_ALIGN_LEFT);
    if (style.Align == SheetStyle::Centre) format_set_align(f, LXW_ALIGN_CENTER);
    if (style.VerticalAlign == SheetStyle::Middle) format_set_align(f, LXW_ALIGN_VERTICAL_CENTER);
    if (style.VerticalAlign == SheetStyle::Top) format_set_align(f, LXW_ALIGN_VERTICAL_TOP);
    if (style.Borders) format_set_border(f, LXW_BORDER_THIN);
    if (style.Filled) {
      format_set_pattern(f, LXW_PATTERN_SOLID);
      format_set_bg_color(f, kHeaderFill);
    }
    formats_[style] = f;
    return f;
  }

 private:
  lxw_workbook* workbook_;
  std::map<SheetStyle, lxw_format*> formats_;
};

lxw_error WriteCell(lxw_worksheet* ws, int row, int column, const SheetCell& cell, FormatCache& formats) {
  const auto r = static_cast<lxw_row_t>(row - 1);
  const auto c = static_cast<lxw_col_t>(column - 1);
  lxw_format* format = formats.Of(cell.Style);
  switch (cell.Type) {
    case SheetCell::Number: return worksheet_write_number(ws, r, c, cell.NumberValue, format);
    case SheetCell::Text: return worksheet_write_string(ws, r, c, ValidUtf8(cell.Value).c_str(), format);
    default: return cell.Style == SheetStyle() ? LXW_NO_ERROR : worksheet_write_blank(ws, r, c, format);
  }
}

lxw_error WriteSheet(lxw_workbook* workbook, const ReportSheet& sheet, FormatCache& formats) {
  lxw_worksheet* ws = workbook_add_worksheet(workbook, ValidUtf8(sheet.Name).c_str());
  if (!ws) return LXW_ERROR_SHEETNAME_ALREADY_USED;
  lxw_error result = LXW_NO_ERROR;
  auto keep = [&](lxw_error e) {
    if (result == LXW_NO_ERROR) result = e;
  };
  // Empty cells of the report's columns take the sheet's font too.
  for (int column = 1; column <= ReportSheet::kColumns; ++column)
    keep(worksheet_set_column(ws, static_cast<lxw_col_t>(column - 1), static_cast<lxw_col_t>(column - 1),
                              sheet.Widths[static_cast<size_t>(column)], formats.Of(SheetStyle())));
  // Merging fills the range with one format; the cells are written afterwards with their own.
  for (const SheetRange& m : sheet.Merged)
    keep(worksheet_merge_range(ws, static_cast<lxw_row_t>(m.FirstRow - 1), static_cast<lxw_col_t>(m.FirstColumn - 1),
                               static_cast<lxw_row_t>(m.LastRow - 1), static_cast<lxw_col_t>(m.LastColumn - 1), "",
                               formats.Of(sheet.At(m.FirstRow, m.FirstColumn).Style)));
  for (int row = 1; row <= sheet.Rows(); ++row)
    for (int column = 1; column <= ReportSheet::kColumns; ++column)
      keep(WriteCell(ws, row, column, sheet.At(row, column), formats));
  // Printed, a sheet's 28 columns fit one landscape page across, and every page repeats the
  // network, cycle and column headings, so a long node list stays readable on paper.
  worksheet_set_landscape(ws);
  worksheet_fit_to_pages(ws, 1, 0);
  keep(worksheet_repeat_rows(ws, 0, static_cast<lxw_row_t>(ReportSheet::kHeaderRows - 1)));
  return result;
}

}  // namespace

bool WriteWorkbook(const Settings& cfg, const QorVars& qor, int lastIteration, const std::string& path,
                   std::string& error) {
  lxw_workbook* workbook = workbook_new(path.c_str());
  if (!workbook) {
    error = "no se pudo crear el libro";
    return false;
  }
  FormatCache formats(workbook);
  lxw_error result = LXW_NO_ERROR;
  const int networks = HistoryView(qor).Networks();
  for (int i = 1; i <= lastIteration && result == LXW_NO_ERROR; ++i)
    for (int r = 1; r <= networks && result == LXW_NO_ERROR; ++r)
      result = WriteSheet(workbook, BuildReportSheet(cfg, qor, i, r), formats);
  // A workbook holds at least one sheet: with nothing to report it keeps its first, empty one.
  if (result == LXW_NO_ERROR && (lastIteration < 1 || networks < 1) && !workbook_add_worksheet(workbook, "Hoja1"))
    result = LXW_ERROR_SHEETNAME_ALREADY_USED;
  const lxw_error closed = workbook_close(workbook);
  if (result == LXW_NO_ERROR) result = closed;
  if (result == LXW_NO_ERROR) return true;
  error = lxw_strerror(result);
  // A file the writer could not finish must not pass for a report.
  std::error_code ec;
  if (closed != LXW_ERROR_CREATING_XLSX_FILE && std::filesystem::is_regular_file(path, ec))
    std::filesystem::remove(path, ec);
  return false;
}

#else

bool WriteWorkbook(const Settings&, const QorVars&, int, const std::string&, std::string& error) {
  error = "programa compilado sin escritura de libros xlsx";
  return false;
}

#endif

void WriteSpreadsheetReport(const Settings& cfg, const QorVars& qor, MessageLog& log, int lastIteration) {
  const std::string& setting = cfg.InformeNodos;
  const std::string name = WorkbookName(setting);
  if (name != setting)
    log.Warning(Printf("ATENCION: InformeNodos %s no es un libro .xlsx; el informe se guarda en %s", setting.c_str(),
                        name.c_str()));
  std::string error;
  if (WriteWorkbook(cfg, qor, lastIteration, ExpandFileName(name), error)) return;
#ifdef VELTRA_HAVE_XLSXWRITER
  log.Error(Printf("ERROR - No se pudo escribir %s (%s).", name.c_str(), error.c_str()));
#endif
  WriteTextFile(ChangeExtension(cfg.InformeNodos, ".csv"),
                [&](TextWriter& out) { WriteNodeReport(cfg, qor, lastIteration, out); });
  log.Line();
  log.Line("Error al habilitar servidor Excel. El resultado se genera en formato \"CSV\"");
  log.Line();
}

}  // namespace veltra

#include "transyt/print_files.h"

#include <algorithm>
#include <cctype>
#include <unordered_map>

#include "model/tables.h"
#include "util/conversions.h"
#include "util/files.h"
#include "util/text.h"

namespace veltra {

namespace {

constexpr double kNoResult = kNoPerformanceIndex;

// The lines of a print file, read front to back. A missing file reads as an empty one: the
// outside program that should have written it failed, and every search then ends at once.
class PrintFile {
 public:
  explicit PrintFile(const std::string& path) { LoadLines(path, lines_); }
  explicit PrintFile(const std::vector<std::string>& lines) : lines_(lines) {}

  bool Next(std::string& line) {
    if (pos_ >= lines_.size()) return false;
    line = lines_[pos_++];
    return true;
  }
  // Reads lines until `found` holds for one; false at the end of the file.
  template <class Test>
  bool FindLine(std::string& line, Test found) {
    while (Next(line))
      if (found(line)) return true;
    return false;
  }
  void Skip(int count) {
    std::string unused;
    for (int i = 0; i < count && Next(unused); ++i) {
    }
  }

 private:
  std::vector<std::string> lines_;
  size_t pos_ = 0;
};

// A fixed-column number: the field's text without blanks through the field conversion.
int32_t IntColumns(const std::string& line, int first, int last) {
  return TextToInt(RemoveBlanks(Field(line, first, last)));
}
double RealColumns(const std::string& line, int first, int last) {
  return TextToReal(RemoveBlanks(Field(line, first, last)));
}

// The CYOP index of column k: the six characters ending at column 8k + 12. The first of them
// is also where the column before prints its structure marker ("S" or "D"); a marker there is
// not part of the number, and a total of 1000 or more needs all six places.
double CyopIndex(const std::string& line, int k) {
  std::string field = Field(line, 8 * k + 7, 8 * k + 12);
  if (!field.empty() && std::isalpha(static_cast<unsigned char>(field[0]))) field[0] = ' ';
  return TextToReal(RemoveBlanks(field));
}

bool ColumnsHold(const std::string& line, int first, int last, const char* text) {
  return Field(line, first, last) == text;
}

// Stage start times of a node line into the node's signal plan.
void ApplyNodeTimings(TPlanSemaforo& plan, const std::string& line, int32_t networkCycle, bool updateOffset) {
  const int n = plan.StageCount;
  std::array<int32_t, kMaxStages + 1> start{};
  for (int k = 1; k <= n; ++k) start[k] = IntColumns(line, 8 * k + 10, 8 * k + 14);

  // Stage k lasts until the next stage starts; stage 1 follows stage N, across the cycle's end.
  std::array<int32_t, kMaxStages + 1> length{};
  for (int k = 1; k <= n; ++k) {
    int32_t next = start[k == n ? 1 : k + 1];
    length[k] = next > start[k] ? next - start[k] : networkCycle + next - start[k];
  }

  plan.CycleTime = networkCycle;
  if (updateOffset) plan.Offset = start[1];
  // The stage's length includes the intergreen that leads into it, the one after the stage before.
  for (int k = 1; k <= n; ++k) {
    int before = k == 1 ? n : k - 1;
    At(plan.Stages, k).GreenTime = length[k] - At(plan.Stages, before).Intergreen;
  }
}

}  // namespace

char CyopRow::Structure(int k) const {
  const std::string& m = Markers[static_cast<size_t>(k)];
  return m.size() >= 3 ? m[2] : ' ';
}

double ReadPerformanceIndex(const std::string& printFile) {
  PrintFile in(printFile);
  std::string line;
  if (!in.FindLine(line, [](const std::string& l) { return l.find("FINAL SETTINGS") != std::string::npos; }))
    return kNoResult;
  if (!in.FindLine(line, [](const std::string& l) { return ColumnsHold(l, 114, 119, "TOTALS"); })) return kNoResult;
  return RealColumns(line, 98, 107);
}

PrintFileNotes ReadPrintFileNotes(const std::string& printFile) {
  std::vector<std::string> lines;
  if (!LoadLines(printFile, lines)) return PrintFileNotes();
  PrintFileNotes notes = ReadPrintFileNotes(lines);
  notes.Exists = true;
  return notes;
}

PrintFileNotes ReadPrintFileNotes(const std::vector<std::string>& lines) {
  PrintFileNotes notes;
  notes.Exists = true;
  bool tinput = false;
  for (size_t i = 0; i < lines.size(); ++i) {
    const std::string& line = lines[i];
    if (!tinput) tinput = ColumnsHold(line, 7, 30, "END OF SUBROUTINE TINPUT");
    else if (!notes.FinalSettings) notes.FinalSettings = ColumnsHold(line, 2, 15, "FINAL SETTINGS");
    const std::string text = Trim(line);
    if (StartsWith(text, "ERROR:") && StartsWith(line, "   ")) notes.Errors.push_back(text);
    if (!StartsWith(text, "WARNINGS:") || !notes.Warnings.empty()) continue;
    // " WARNINGS: none", " WARNINGS: N" and its N lines, or (a refused file) " WARNINGS:" and
    // its lines up to the first that is not indented by three blanks.
    const std::string count = Trim(text.substr(9));
    if (Lower(count) == "none") continue;
    const size_t wanted = count.empty() ? lines.size() : static_cast<size_t>(std::max(0, TextToInt(count)));
    for (size_t k = i + 1; k < lines.size() && notes.Warnings.size() < wanted; ++k) {
      if (!StartsWith(lines[k], "   ") || Trim(lines[k]).empty()) break;
      notes.Warnings.push_back(Trim(lines[k]));
    }
  }
  return notes;
}

namespace {

// The rows of the link table, from just after its "0 LINK" heading to the "0  TOTAL" line: the
// six lines of headings are skipped, and lines without a link number.
template <class Take>
void ForLinkRows(PrintFile& in, Take take) {
  std::string line;
  in.Skip(6);
  while (in.Next(line) && !ColumnsHold(line, 1, 8, "0  TOTAL")) {
    PrintLinkResult row;
    row.Link = IntColumns(line, 1, 6);
    if (row.Link < 1) continue;
    row.Node = IntColumns(line, 7, 11);
    row.Flow = RealColumns(line, 12, 17);
    row.DegreeOfSaturation = RealColumns(line, 24, 28);
    row.Cruise = RealColumns(line, 29, 34);
    row.Delay = RealColumns(line, 35, 40);
    row.Stops = RealColumns(line, 65, 70);
    row.Queue = RealColumns(line, 81, 86);
    take(row);
  }
}

}  // namespace

bool ReadFinalSettings(const std::string& printFile, bool updateOffset, NetworkPosition r, SaturnVars& sat, QorVars& qor,
                       MessageLog& log) {
  std::vector<std::string> lines;
  LoadLines(printFile, lines);
  return ReadFinalSettings(lines, updateOffset, r, sat, qor, log);
}

bool ReadFinalSettings(const std::vector<std::string>& lines, bool updateOffset, NetworkPosition r, SaturnVars& sat, QorVars& qor,
                       MessageLog& log) {
  PrintFile in(lines);
  std::string line;
  bool found =
      in.FindLine(line, [](const std::string& l) { return ColumnsHold(l, 7, 30, "END OF SUBROUTINE TINPUT"); });
  if (found) found = in.FindLine(line, [](const std::string& l) { return ColumnsHold(l, 2, 15, "FINAL SETTINGS"); });
  if (!found) {
    log.Line(Printf("%6sSIN ACTUALIZAR REPARTOS", " "));
    log.EmptyLines(2);
    return false;
  }

  // The SATURN node of each TRANSYT number of this network (the first one listed).
  const TRedNodos& network = qor.Network(r);
  const int32_t networkCycle = qor.Cycle(r);
  in.Skip(4);
  while (in.Next(line) && !ColumnsHold(line, 1, 6, "0 LINK")) {
    int32_t transytNode = IntColumns(line, 1, 6);
    if (transytNode < 1) continue;
    const int32_t nodeIndex = network.NodeOfTransyt(transytNode);
    if (nodeIndex == 0 || static_cast<size_t>(nodeIndex) >= sat.Nodes.size()) continue;
    TPlanSemaforo* signal = sat.PlanOf(nodeIndex);
    if (!At(sat.Nodes, nodeIndex).Optimise || signal == nullptr) continue;
    TPlanSemaforo& plan = *signal;
    if (plan.StageCount < 1 || plan.StageCount > kMaxStages) continue;
    ApplyNodeTimings(plan, line, networkCycle, updateOffset);
  }

  // Links by number; the last link with a number wins.
  std::unordered_map<int32_t, int32_t> linkOfNumber;
  for (int32_t i = 1; i <= qor.NumArcos && static_cast<size_t>(i) < qor.Arcos.size(); ++i)
    linkOfNumber[At(qor.Arcos, i).Numero] = i;

  ForLinkRows(in, [&](const PrintLinkResult& row) {
    auto it = linkOfNumber.find(row.Link);
    if (it == linkOfNumber.end()) return;
    TArco& arco = At(qor.Arcos, it->second);
    arco.ResGradoSat = static_cast<float>(row.DegreeOfSaturation);
    arco.ResCrucero = static_cast<float>(row.Cruise);
    arco.ResDemora = static_cast<float>(row.Delay);
    arco.ResParadas = static_cast<float>(row.Stops);
    arco.ResCola = static_cast<float>(row.Queue);
  });
  return true;
}

std::vector<PrintLinkResult> ReadLinkResults(const std::string& printFile) {
  std::vector<PrintLinkResult> rows;
  if (!FileExists(printFile)) return rows;
  PrintFile in(printFile);
  std::string line;
  if (!in.FindLine(line, [](const std::string& l) { return ColumnsHold(l, 7, 30, "END OF SUBROUTINE TINPUT"); }) ||
      !in.FindLine(line, [](const std::string& l) { return ColumnsHold(l, 2, 15, "FINAL SETTINGS"); }) ||
      !in.FindLine(line, [](const std::string& l) { return ColumnsHold(l, 1, 6, "0 LINK"); }))
    return rows;
  ForLinkRows(in, [&](const PrintLinkResult& row) { rows.push_back(row); });
  return rows;
}

bool ReadCyopTable(const std::string& printFile, CyopTable& table) {
  table = CyopTable();
  if (!FileExists(printFile)) return false;
  PrintFile in(printFile);
  std::string line;
  if (!in.FindLine(line, [](const std::string& l) { return ColumnsHold(l, 1, 7, "0MAXIMA"); })) return true;
  for (int k = 1; k <= kCyopColumns; ++k) table.Heading[static_cast<size_t>(k)] = Field(line, 8 * k + 6, 8 * k + 12);
  // Columns 1 to 3 are never candidates.
  for (int k = 4; k <= kCyopColumns && table.FirstCandidate == 0; ++k)
    if (table.Heading[static_cast<size_t>(k)] != "TOO LOW") table.FirstCandidate = k;

  if (!in.FindLine(
          line, [](const std::string& l) { return ColumnsHold(l, 1, 38, "0PERFORMANCE INDICES BY NODE AND CYCLE"); }))
    return true;
  in.Skip(1);
  if (!in.Next(line)) return true;
  for (int k = 1; k <= kCyopColumns; ++k) table.Cycle[static_cast<size_t>(k)] = IntColumns(line, 8 * k + 5, 8 * k + 12);
  in.Skip(1);

  while (in.Next(line)) {
    int32_t node = IntColumns(line, 2, 6);
    if (node == 0) break;  // blank or 0 ends the node rows
    CyopRow row;
    row.Node = node;
    for (int k = 1; k <= kCyopColumns; ++k) {
      row.Index[static_cast<size_t>(k)] = CyopIndex(line, k);
      std::string markers = Field(line, 8 * k + 13, 8 * k + 15);
      markers.resize(3, ' ');
      row.Markers[static_cast<size_t>(k)] = markers;
    }
    table.Rows.push_back(std::move(row));
  }

  // Totals: the line after the row that ended the nodes (single), and two lines further on (double).
  if (table.FirstCandidate == 0) return true;
  auto readTotals = [&](std::array<double, kCyopColumns + 1>& totals) {
    for (int k = table.FirstCandidate; k <= kCyopColumns; ++k)
      totals[static_cast<size_t>(k)] = CyopIndex(line, k);
  };
  if (!in.Next(line)) return true;
  readTotals(table.SingleTotal);
  in.Skip(1);
  if (!in.Next(line)) return true;
  readTotals(table.DoubleTotal);
  return true;
}

}  // namespace veltra

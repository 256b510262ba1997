#include "saturn/listing.h"

#include <algorithm>
#include <charconv>

#include "model/tables.h"
#include "util/conversions.h"
#include "util/files.h"
#include "util/text.h"

namespace veltra {

namespace {

const char* const kFlowsStart = "LISTING OF THE FLOWS ON CHANNEL";
const char* const kDisaggregated = "LISTING OF DISAGGREGATED FLOWS";
const char* const kSummary = "SUMMARY STATISTICS FOR THE ASSIGNMENT NETWORK";
const char* const kTotalsTable = "TOTAL FLOWS - FIXED PLUS ASSIGNED";

enum class RowKind { None, Link, Turn, Connector, ZoneSide, NodeSide };

struct Row {
  RowKind Kind = RowKind::None;
  int32_t A = 0, B = 0, C = 0;
  double Value[6] = {0, 0, 0, 0, 0, 0};  // 1..5
};

// True when columns first..last hold exactly an integer right-aligned in the field.
bool IntegerAt(const std::string& line, int first, int last, int32_t& value) {
  return IntegerField(Field(line, first, last), last - first + 1, value);
}
bool BlankAt(const std::string& line, int first, int last) { return IsBlank(Field(line, first, last)); }

// The kind of a listing row, by the first pattern that matches.
Row ParseRow(const std::string& line) {
  Row row;
  int32_t a = 0, b = 0, c = 0;
  if (IntegerAt(line, 1, 9, a) && IntegerAt(line, 10, 18, b)) {
    row.Kind = RowKind::Link;
  } else if (IntegerAt(line, 1, 6, a) && IntegerAt(line, 7, 12, b) && BlankAt(line, 13, 18)) {
    row.Kind = RowKind::Link;
  } else if (IntegerAt(line, 1, 6, a) && IntegerAt(line, 7, 12, b) && IntegerAt(line, 13, 18, c)) {
    row.Kind = RowKind::Turn;
  } else if (Column(line, 2) == 'C' && IntegerAt(line, 7, 12, b) && BlankAt(line, 13, 18)) {
    row.Kind = RowKind::Connector;
  } else if (IntegerAt(line, 1, 6, a) && Column(line, 8) == 'C' && BlankAt(line, 13, 18)) {
    row.Kind = RowKind::Connector;
  } else if (Column(line, 2) == 'C' && IntegerAt(line, 9, 12, a) && IntegerAt(line, 15, 18, b)) {
    row.Kind = RowKind::ZoneSide;
  } else if (IntegerAt(line, 3, 6, a) && IntegerAt(line, 9, 12, b) && Column(line, 14) == 'C') {
    row.Kind = RowKind::NodeSide;
  }
  if (row.Kind == RowKind::None || row.Kind == RowKind::Connector) return row;
  row.A = a;
  row.B = b;
  row.C = c;
  for (int v = 1; v <= 5; ++v) row.Value[v] = TextToReal(Field(line, 10 * v + 9, 10 * v + 18));
  return row;
}

// The columns of value v of a row: 10v+9 to 10v+18.
int FirstColumn(int v) { return 10 * v + 9; }
int LastColumn(int v) { return 10 * v + 18; }

// True when column c holds a character other than a blank.
bool Filled(const std::string& line, int c) {
  const char ch = Column(line, c);
  return ch != ' ' && ch != '\0';
}

// True when the text, blanks around it aside, is one number as the field conversion reads it.
bool OneNumber(const std::string& text) {
  const std::string t = Upper(Trim(text));
  if (t.empty()) return true;
  for (char c : t)
    if (!((c >= '0' && c <= '9') || c == '-' || c == '.' || c == 'E')) return false;
  double value = 0;
  const auto [ptr, ec] = std::from_chars(t.data(), t.data() + t.size(), value, std::chars_format::general);
  return ec == std::errc() && ptr == t.data() + t.size();
}

class ListingReader {
 public:
  ListingReader(const std::vector<std::string>& lines, int iteration, const SaturnSettings& settings, SaturnVars& sat,
                MessageLog& log)
      : settings_(settings), log_(log), sat_(sat), lines_(lines), iteration_(iteration) {}

  void Read();

 private:
  // Lines after the current one.
  int64_t Remaining() const { return static_cast<int64_t>(lines_.size()) - 1 - position_; }
  const std::string& Take() {
    ++position_;
    // In place: the listing holds a line per link and turn, and the copy reuses its room.
    line_.assign(lines_[static_cast<size_t>(position_)]);
    MakeUpper(line_);
    return line_;
  }
  // Refuses a row whose columns ran together: a value wider than its ten columns pushes the
  // values after it along, and the fields then hold pieces of two numbers; read as they
  // stand they gave flows below zero and precisions that mean nothing. The row is read for
  // its values firstValue..lastValue, the flows among them from firstFlow on.
  void CheckRow(const Row& row, int firstValue, int lastValue, int firstFlow);
  void CheckTotals(const std::string& line);
  [[noreturn]] void Refuse(int first, int last, const std::string& what);
  void TotalRow(const Row& row);
  void ClassRow(const Row& row, int size, int offset);
  void ReadClassFlows();
  void ReadTotals();
  void TurnSumDifferences();
  void FixedFlowCorrection();
  void BusSelection();
  [[noreturn]] void NoFlows();

  const SaturnSettings& settings_;
  MessageLog& log_;
  SaturnVars& sat_;
  const std::vector<std::string>& lines_;
  int iteration_;
  int64_t position_ = -1;
  std::string line_;
};

void ListingReader::Read() {
  PrepareFlows(sat_);
  bool found = false;
  while (Remaining() > 0 && !found) found = Contains(Take(), kFlowsStart);
  if (!found) NoFlows();

  while (Remaining() > 0) {
    const std::string& line = Take();
    if (Contains(line, kDisaggregated) || Contains(line, kSummary)) break;
    if (line.size() > 27) {
      const Row row = ParseRow(line);
      CheckRow(row, 3, 5, 4);
      TotalRow(row);
    }
  }
  if (sat_.Param.NOMADS > 1) ReadClassFlows();
  if (Remaining() >= 1) ReadTotals();

  TurnSumDifferences();
  FixedFlowCorrection();
  BusSelection();
  sat_.Network.FlowsRead = true;
}

void ListingReader::NoFlows() {
  MessageLog& log = log_;
  log.Line();
  log.Error(Printf("ERROR - Archivo %s no valido (%d lineas leidas)", ChangeExtension(sat_.NetworkFileName, ".lpa").c_str(),
                  static_cast<int>(position_ + 1)));
  log.EmptyLines(3);
  log.Line("Proceso Abortado....");
  log.EmptyLines(2);
  log.CloseMessagesFile();
  throw RunStop{1, false};
}

void ListingReader::Refuse(int first, int last, const std::string& what) {
  const std::string file =
      settings_.ListingFile.empty() ? ChangeExtension(sat_.NetworkFileName, ".lpa") : settings_.ListingFile;
  log_.Fatal(Printf("ERROR - Listado Saturn %s, linea %d, columnas %d-%d: %s", file.c_str(),
                    static_cast<int>(position_ + 1), first, last, what.c_str()),
             1, Listed::Yes);
}

void ListingReader::CheckRow(const Row& row, int firstValue, int lastValue, int firstFlow) {
  if (row.Kind == RowKind::None || row.Kind == RowKind::Connector) return;
  const std::string& line = line_;
  for (int v = firstValue; v <= lastValue; ++v) {
    const int first = FirstColumn(v), last = LastColumn(v);
    const std::string field = Field(line, first, last);
    if (!OneNumber(field)) Refuse(first, last, Printf("\"%s\" no es un numero (columnas juntas)", Trim(field).c_str()));
    // A field filled to its first column touches the value before it: one of the two ran
    // over its ten columns.
    if (Filled(line, first) && Filled(line, first - 1))
      Refuse(first - 10, last, Printf("valores juntos (\"%s\")", Field(line, first - 10, last).c_str()));
    if (v >= firstFlow && row.Value[v] < 0) Refuse(first, last, Printf("flujo negativo (%s)", Trim(field).c_str()));
  }
  // The last value read runs on into the columns after it.
  const int end = LastColumn(lastValue);
  if (Filled(line, end) && Filled(line, end + 1))
    Refuse(FirstColumn(lastValue), end + 10,
           Printf("valores juntos (\"%s\")", Field(line, FirstColumn(lastValue), end + 10).c_str()));
}

void ListingReader::CheckTotals(const std::string& line) {
  for (const auto& [first, last] : {std::pair<int, int>{23, 32}, std::pair<int, int>{37, 46}}) {
    const std::string field = Field(line, first, last);
    if (!OneNumber(field)) Refuse(first, last, Printf("\"%s\" no es un numero (columnas juntas)", Trim(field).c_str()));
    if (TextToReal(field) < 0) Refuse(first, last, Printf("total negativo (%s)", Trim(field).c_str()));
  }
  // The blanks between the two totals: a first total wider than its columns fills them.
  if (!IsBlank(Field(line, 33, 36))) Refuse(23, 46, Printf("valores juntos (\"%s\")", Field(line, 23, 46).c_str()));
}

void ListingReader::TotalRow(const Row& row) {
  // The total of a row below its fixed flow by more than the rounding of the printed values
  // is no flow the assignment can give.
  if (row.Value[4] - row.Value[5] < -0.015)
    Refuse(FirstColumn(4), LastColumn(5),
           Printf("flujo total %.2f menor que el flujo fijo %.2f", row.Value[4], row.Value[5]));
  const double assigned = std::max(0.0, row.Value[4] - row.Value[5]);
  switch (row.Kind) {
    case RowKind::Link: {
      const int32_t l = sat_.FindLink(row.A, row.B);
      if (l == 0) return;
      TFlujoArco& f = At(sat_.LinkFlows, l);
      f[FlowSlot::ListingValue] = static_cast<float>(row.Value[3]);
      f[FlowSlot::Assigned] = static_cast<float>(assigned);
      f[FlowSlot::Fixed] = static_cast<float>(row.Value[5]);
      f[FlowSlot::Total] = static_cast<float>(row.Value[4]);
      const int32_t capacity = At(sat_.Links, l).Capacity;
      if (capacity > 0) f[FlowSlot::VolumeCapacity] = static_cast<float>(row.Value[4] / capacity);
      return;
    }
    case RowKind::Turn: {
      const int32_t t = sat_.FindTurn(row.A, row.B, row.C);
      if (t == 0) return;
      TGiro& turn = At(sat_.Turns, t);
      turn.ListingValue = static_cast<float>(row.Value[3]);
      turn.AssignedFlow = static_cast<float>(assigned);
      turn.FixedFlow = static_cast<float>(row.Value[5]);
      turn.TotalFlow = static_cast<float>(row.Value[4]);
      if (turn.EntryLink <= 0 || static_cast<size_t>(turn.EntryLink) >= sat_.LinkFlows.size()) return;
      TFlujoArco& f = At(sat_.LinkFlows, turn.EntryLink);
      f[TFlujoArco::ByDirection(FlowSlot::TurnAssigned, turn.Direction)] += static_cast<float>(assigned);
      f[TFlujoArco::ByDirection(FlowSlot::TurnFixed, turn.Direction)] += static_cast<float>(row.Value[5]);
      f[FlowSlot::TurnsAssigned] += static_cast<float>(assigned);
      f[FlowSlot::TurnsFixed] += static_cast<float>(row.Value[5]);
      f[FlowSlot::TurnsTotal] += static_cast<float>(row.Value[4]);
      return;
    }
    case RowKind::ZoneSide:
    case RowKind::NodeSide: {
      const int32_t l = sat_.FindLink(row.A, row.B);
      if (l == 0) return;
      At(sat_.LinkFlows, l)[row.Kind == RowKind::ZoneSide ? FlowSlot::ZoneConnectors : FlowSlot::NodeConnectors] =
          static_cast<float>(assigned);
      return;
    }
    default:
      return;
  }
}

void ListingReader::ClassRow(const Row& row, int size, int offset) {
  const int firstValue = sat_.Param.PLOD ? 3 : 1;
  const int lastValue = std::min(5, firstValue + size - 1);
  CheckRow(row, firstValue, lastValue, firstValue);
  float* flows = nullptr;
  if (row.Kind == RowKind::Link) {
    const int32_t l = sat_.FindLink(row.A, row.B);
    if (l == 0 || static_cast<size_t>(l) >= sat_.LinkClassFlows.size()) return;
    flows = At(sat_.LinkClassFlows, l).data();
  } else if (row.Kind == RowKind::Turn) {
    const int32_t t = sat_.FindTurn(row.A, row.B, row.C);
    if (t == 0) return;
    flows = At(sat_.Turns, t).ClassFlows.data();
  } else {
    return;
  }
  const bool plod = sat_.Param.PLOD;
  // The model keeps classes 1 to 8; further classes of the listing are passed over.
  for (int m = 1; m <= size && offset + m - 1 < 8; ++m) {
    const int column = plod ? m + 2 : m;
    if (column > 5) break;
    flows[offset + m - 1] = static_cast<float>(row.Value[column]);
  }
}

// The class flows come in blocks of up to 5 classes (3 with PLOD), one listing each.
void ListingReader::ReadClassFlows() {
  const int32_t classes = sat_.Param.NOMADS;
  const int blockMax = sat_.Param.PLOD ? 3 : 5;
  int size = std::min(classes, blockMax);
  while (Remaining() >= 10) {
    const std::string& line = Take();
    if (Contains(line, kDisaggregated) || Contains(line, kSummary)) break;
    if (line.size() > 27) ClassRow(ParseRow(line), size, 0);
  }
  int32_t done = size;
  while (done < classes && Remaining() >= 10) {
    size = std::min(classes - done, blockMax);
    while (Remaining() >= 10) {
      const std::string& line = Take();
      if (StartsWith(line, "      LISTING OF D") || StartsWith(line, "           SUMMARY")) break;
      if (line.size() > 27) ClassRow(ParseRow(line), size, done);
    }
    done += size;
  }
}

void ListingReader::ReadTotals() {
  bool table = false;
  while (Remaining() >= 10 && !table) table = Contains(Take(), kTotalsTable);
  TIterationFigures& figures = sat_.FiguresOf(iteration_);
  while (Remaining() >= 10) {
    const std::string& line = Take();
    const float first = static_cast<float>(TextToReal(Field(line, 23, 32)));
    const float second = static_cast<float>(TextToReal(Field(line, 37, 46)));
    if (Contains(line, "SUB-TOTALS") || Contains(line, "GRAND TOTALS")) CheckTotals(line);
    if (Contains(line, "SUB-TOTALS")) {
      figures.SubTotalHr = first;
      figures.SubTotalKm = second;
    }
    if (Contains(line, "GRAND TOTALS")) {
      figures.GrandTotalHr = first;
      figures.GrandTotalKm = second;
      break;
    }
  }
}

// Every turn of a run with the same A-node and junction stores how far the run's assigned
// flows exceed the assigned flow of the link that enters the junction.
void ListingReader::TurnSumDifferences() {
  const int32_t count = sat_.Network.TurnCount;
  int32_t start = 1;
  while (start <= count) {
    const TGiro& first = At(sat_.Turns, start);
    int32_t end = start;
    double sum = 0;
    while (end <= count && At(sat_.Turns, end).ANode == first.ANode &&
           At(sat_.Turns, end).JunctionNode == first.JunctionNode) {
      sum += At(sat_.Turns, end).AssignedFlow;
      ++end;
    }
    const int32_t l = sat_.FindLink(first.ANode, first.JunctionNode);
    const float difference = static_cast<float>(sum - At(sat_.LinkFlows, l)[FlowSlot::Assigned]);
    for (int32_t t = start; t < end; ++t) At(sat_.Turns, t).TurnSumDifference = difference;
    start = end;
  }
}

// A link carries at least the fixed flow of the turns it feeds.
void ListingReader::FixedFlowCorrection() {
  std::vector<double> turnFixed(sat_.LinkFlows.size(), 0.0);
  for (int32_t t = 1; t <= sat_.Network.TurnCount; ++t) {
    const TGiro& turn = At(sat_.Turns, t);
    if (turn.EntryLink > 0 && static_cast<size_t>(turn.EntryLink) < turnFixed.size())
      turnFixed[static_cast<size_t>(turn.EntryLink)] += turn.FixedFlow;
  }
  const bool firstRead = settings_.FirstRead;
  for (int32_t l = 1; l <= sat_.Network.LinkCount; ++l) {
    TFlujoArco& f = At(sat_.LinkFlows, l);
    const float sum = static_cast<float>(turnFixed[static_cast<size_t>(l)]);
    if (sum <= f[FlowSlot::Fixed]) continue;
    if (firstRead) {
      const Tardat& link = At(sat_.Links, l);
      log_.Warning(Printf("   ATENCION: Al arco %d-%d se le corrigió flujo fijo (%.2f --> %.2f)", link.ANode, link.BNode,
                           static_cast<double>(f[FlowSlot::Fixed]), static_cast<double>(sum)));
    }
    f[FlowSlot::Fixed] = sum;
  }
}

// The selected buses travel as assigned traffic rather than as fixed flow.
void ListingReader::BusSelection() {
  if (settings_.LineasPrivado.empty()) return;
  auto move = [](float& assigned, float& fixed, float bus, bool roundFixed) {
    if (fixed >= bus) {
      assigned += bus;
      fixed -= bus;
      if (roundFixed) fixed = static_cast<float>(RoundEven(fixed * 100.0) / 100.0);
    } else {
      assigned += fixed;
      fixed = 0;
    }
  };
  for (int32_t l = 1; l <= sat_.Network.LinkCount && static_cast<size_t>(l) < sat_.SelectedBusLink.size(); ++l) {
    const float bus = At(sat_.SelectedBusLink, l);
    if (bus == 0) continue;
    TFlujoArco& f = At(sat_.LinkFlows, l);
    move(f[FlowSlot::Assigned], f[FlowSlot::Fixed], bus, false);
  }
  for (int32_t t = 1; t <= sat_.Network.TurnCount && static_cast<size_t>(t) < sat_.SelectedBusTurn.size(); ++t) {
    const float bus = At(sat_.SelectedBusTurn, t);
    if (bus == 0) continue;
    TGiro& turn = At(sat_.Turns, t);
    move(turn.AssignedFlow, turn.FixedFlow, bus, true);
  }
}

}  // namespace

void PrepareFlows(SaturnVars& sat) {
  sat.LinkFlows.assign(sat.Links.size(), TFlujoArco{});
  if (sat.Param.NOMADS > 0)
    sat.LinkClassFlows.assign(sat.Links.size(), std::array<float, 8>{});
  else
    sat.LinkClassFlows.clear();
  for (TGiro& turn : sat.Turns) {
    turn.ListingValue = 0;
    turn.AssignedFlow = turn.FixedFlow = turn.TotalFlow = 0;
    turn.TurnSumDifference = 0;
    turn.ClassFlows.fill(0);
  }
}

ListingNotes ReadListing(const std::vector<std::string>& lines, int iteration, const SaturnSettings& settings,
                         SaturnVars& sat, MessageLog& log) {
  ListingReader reader(lines, iteration, settings, sat, log);
  reader.Read();
  return ListingNotesOf(lines);
}

ListingNotes ListingNotesOf(const std::vector<std::string>& lines) {
  // The words assignment programs use for it, ours and others'; the lines are shown as they
  // stand, whatever their wording.
  static const char* const notConverged[] = {"LOOP LIMIT WAS REACHED", "ITERATION LIMIT BEFORE", "NOT CONVERGED",
                                             "DID NOT CONVERGE"};
  static const char* const leftOut[] = {"NOT ASSIGNED", "DROPPED", "NOT LOADED", "NOT IN THE NETWORK", "LEFT OUT"};
  ListingNotes notes;
  for (const std::string& text : lines) {
    const std::string line = Upper(text);
    auto any = [&line](const auto& keys) {
      return std::any_of(std::begin(keys), std::end(keys), [&line](const char* key) { return Contains(line, key); });
    };
    if (any(notConverged)) notes.NotConverged.push_back(Trim(text));
    if (Contains(line, "TRIPS") && any(leftOut)) notes.TripsLeftOut.push_back(Trim(text));
  }
  return notes;
}

}  // namespace veltra

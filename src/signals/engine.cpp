#include "signals/engine.h"

#include "signals/cycle_table.h"
#include "signals/search.h"
#include "util/text.h"

namespace veltra::signals {

namespace {

bool WriteLines(const std::string& path, const std::vector<std::string>& lines, std::ostream& console) {
  try {
    TextWriter out(path);
    for (const std::string& line : lines) out.Line(line);
    out.Close();
    return true;
  } catch (const FileError& e) {
    console << "t8s: " << e.what() << "\n";
    return false;
  }
}

}  // namespace

int RunProgram(const std::string& dataFile, const std::string& printFile, std::ostream& console) {
  ReadReport report;
  std::vector<std::string> lines;
  if (!LoadLines(dataFile, lines)) {
    report.Errors.push_back(dataFile + ": the data file cannot be read");
    return WriteLines(printFile, FailurePrintLines("", dataFile, report), console) ? 1 : 2;
  }
  SignalNetwork net = ReadDataFile(lines, dataFile, report);
  if (!report.Ok()) {
    console << "t8s: " << report.Errors.front() << "\n";
    return WriteLines(printFile, FailurePrintLines(net.Title, dataFile, report), console) ? 1 : 2;
  }
  const bool cycleTable = EndsWith(Lower(printFile), ".cyo");
  std::vector<std::string> out;
  if (cycleTable) {
    CycleTable table = BuildCycleTable(net);
    ReadReport withTable = report;
    for (std::string& w : CycleTableWarnings(table)) withTable.Warnings.push_back(std::move(w));
    out = CycleTableLines(net, table, InputSummaryLines(net, withTable));
  } else {
    NetworkModel model(net, net.Run.Cycle);
    RunOutcome outcome = OptimiseTimings(net, model);
    out = TimingPrintLines(net, report, outcome, model);
  }
  return WriteLines(printFile, out, console) ? 0 : 2;
}

}  // namespace veltra::signals

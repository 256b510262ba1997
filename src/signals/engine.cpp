#include "signals/engine.h"

#include <filesystem>
#include <system_error>

#include "signals/cycle_table.h"
#include "signals/search.h"
#include "util/text.h"

namespace veltra::signals {

namespace fs = std::filesystem;

namespace {

bool WriteLines(const std::string& path, const std::vector<std::string>& lines, std::ostream& console) {
  try {
    TextWriter out(path);
    for (const std::string& line : lines) out.Line(line);
    out.Close();
    return true;
  } catch (const FileError&) {
    console << "t8s: " << path << ": the print file cannot be written (a missing directory, or no permission?)\n";
    return false;
  }
}

// Reads the data file's lines; false with the reason when it cannot be read as text.
bool ReadDataLines(const std::string& dataFile, std::vector<std::string>& lines, std::string& why) {
  std::error_code ec;
  if (!fs::exists(fs::path(dataFile), ec)) {
    why = "the data file does not exist";
    return false;
  }
  if (fs::is_directory(fs::path(dataFile), ec)) {
    why = "the data file is a directory, not a file";
    return false;
  }
  try {
    if (LoadLines(dataFile, lines)) return true;
    why = "the data file cannot be opened (no permission to read it?)";
  } catch (const LineTooLongError& e) {
    why = Printf("line %zu of the data file is longer than %zu characters: it is not a data file of cards", e.Line,
                 e.Limit);
  } catch (const std::exception&) {
    why = "the data file cannot be read";
  }
  return false;
}

}  // namespace

std::string UsageText() {
  return "usage: t8s DATA PRINT [options] [<answers]\n"
         "       t8s --help\n"
         "\n"
         "The signal-timing engine: reads the TRANSYT-style data file DATA and writes the print file\n"
         "PRINT (replaced when it exists). PRINT ending in .cyo (any case) asks for the cycle table;\n"
         "any other name for the optimised timings, or the given ones evaluated when no node is to be\n"
         "optimised. Standard input is not read. Messages go to the error stream, in English.\n"
         "Without arguments this text is shown on the error stream and the exit code is 1.\n"
         "\n"
         "options:\n"
         "  --progress S    a progress line (the start and step of the search, or the candidate cycle\n"
         "                  of the cycle table, the evaluations so far and the best index) on the error\n"
         "                  stream every S seconds (0 to 3600), even when it is not a terminal; default:\n"
         "                  every 2 s when the error stream is a terminal, else none\n"
         "  --no-progress   no progress line, even on a terminal\n"
         "  --help          this text, on the output (also -h; nothing is read or written)\n"
         "\n"
         "Everything else is set by card 1 of DATA:\n"
         "  cycle (s); steps per cycle of the printed profiles (0: the cycle up to 60, else half of it,\n"
         "  at most 60; the model itself works in one-second steps); simulated minutes (0: 60);\n"
         "  start lost time and end gain (s, 2 and 2 when the fields are missing); equisat (1: start\n"
         "  from equisaturation splits, 0: from the given ones); cycle-table file flag; flow and speed\n"
         "  factors (percent, 0: 100); cruise values as speeds (1, the default) or times (0); optimise\n"
         "  (0 evaluate, 1 offsets, 2 offsets and stage change times, the default); dispersion (0 off,\n"
         "  1 alpha 0.35, the default, n alpha n/100); output (1: print every link's profiles); delay\n"
         "  and stop weights (hundredths; both 0: 930 and 170).\n"
         "\n"
         "Exit codes:\n"
         "  0  PRINT holds a result (final settings, or the cycle table)\n"
         "  1  a wrong command line (this text, nothing written), or DATA could not be read or used:\n"
         "     the console says why, and so does PRINT, which then holds no result\n"
         "  2  PRINT could not be written\n";
}

int RunCommandLine(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                   const Terminals& terminals) {
  for (const std::string& a : args)
    if (a == "--help" || a == "-h") {
      out << UsageText();
      return 0;
    }
  if (args.empty()) {
    err << UsageText();
    return 1;
  }
  ProgressChoice choice;
  std::vector<std::string> files;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--no-progress") {
      choice.Off = true;
    } else if (a == "--progress") {
      if (i + 1 >= args.size() || !ReadProgressInterval(args[i + 1], choice.Interval)) {
        err << "t8s: --progress: " << (i + 1 < args.size() ? "\"" + args[i + 1] + "\" is not" : std::string("expected"))
            << Printf(" a number of seconds from 0 to %.0f\n", kMaxProgressInterval) << UsageText();
        return 1;
      }
      choice.Forced = true;
      ++i;
    } else if (StartsWith(a, "--")) {
      err << "t8s: unknown option " << a << "\n" << UsageText();
      return 1;
    } else {
      files.push_back(a);
    }
  }
  if (files.size() != 2) {
    err << "t8s: expected the data file and the print file, got " << files.size() << " arguments\n" << UsageText();
    return 1;
  }
  ProgressLine progress(err, choice, terminals.Error);
  return RunProgram(files[0], files[1], err, &progress);
}

int RunProgram(const std::string& dataFile, const std::string& printFile, std::ostream& console,
               ProgressLine* progress) {
  ReadReport report;
  std::vector<std::string> lines;
  std::string why;
  if (!ReadDataLines(dataFile, lines, why)) {
    console << "t8s: " << dataFile << ": " << why << "\n";
    report.Errors.push_back(dataFile + ": " + why);
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
    CycleTable table = BuildCycleTable(net, progress);
    ReadReport withTable = report;
    for (std::string& w : CycleTableWarnings(table)) withTable.Warnings.push_back(std::move(w));
    out = CycleTableLines(net, table, InputSummaryLines(net, withTable));
  } else {
    NetworkModel model(net, net.Run.Cycle);
    RunOutcome outcome = OptimiseTimings(net, model, progress);
    out = TimingPrintLines(net, report, outcome, model);
  }
  return WriteLines(printFile, out, console) ? 0 : 2;
}

}  // namespace veltra::signals

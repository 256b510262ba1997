// Reading the TRANSYT and CYOP print files.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "model/saturn_vars.h"
#include "model/transyt_model.h"
#include "util/log.h"

namespace veltra {

// Performance index of a test run; 999999.0 when the print file holds no result.
constexpr double kNoPerformanceIndex = 999999.0;
double ReadPerformanceIndex(const std::string& printFile);

// What a TRANSYT print file says of the run that wrote it: whether it holds final settings
// (found as the final settings are read), the lines of its warnings section (" WARNINGS: N"
// and N lines indented by three blanks) and the errors it found in the data file ("   ERROR:"
// lines, when it refused the file).
struct PrintFileNotes {
  bool Exists = false;
  bool FinalSettings = false;
  std::vector<std::string> Warnings;
  std::vector<std::string> Errors;
};
PrintFileNotes ReadPrintFileNotes(const std::string& printFile);
PrintFileNotes ReadPrintFileNotes(const std::vector<std::string>& lines);

// Final settings of the TRANSYT run of network position r, read from its print file, into the
// signal plans of the network's optimised nodes and the links' results; the offsets only with
// `updateOffset` (the network's ActualizaDesfase). A print file without final settings (or a
// missing one) leaves them as they are, with a message, and returns false.
bool ReadFinalSettings(const std::string& printFile, bool updateOffset, NetworkPosition r, SaturnVars& sat, QorVars& qor,
                       MessageLog& log);
bool ReadFinalSettings(const std::vector<std::string>& lines, bool updateOffset, NetworkPosition r, SaturnVars& sat, QorVars& qor,
                       MessageLog& log);

// One row of the link performance table that follows the final settings: the link and its
// node (TRANSYT numbers), flow (PCU/h), degree of saturation (%), cruise time (s), mean delay
// (s per PCU), stops (% of the vehicles) and largest queue (PCU).
struct PrintLinkResult {
  int32_t Link = 0, Node = 0;
  double Flow = 0, DegreeOfSaturation = 0, Cruise = 0, Delay = 0, Stops = 0, Queue = 0;
};
// The link table of a print file; empty when the file is missing or holds no final settings.
std::vector<PrintLinkResult> ReadLinkResults(const std::string& printFile);

// The CYOP table of performance indices by node and cycle.
constexpr int kCyopColumns = 14;

struct CyopRow {
  int32_t Node = 0;                                   // TRANSYT node number
  std::array<double, kCyopColumns + 1> Index{};       // 1..14
  std::array<std::string, kCyopColumns + 1> Markers;  // 1..14, three characters each
  // The structure marker (the third character) of column k.
  char Structure(int k) const;
};

struct CyopTable {
  std::array<std::string, kCyopColumns + 1> Heading;  // 1..14, seven characters
  std::array<int32_t, kCyopColumns + 1> Cycle{};      // 1..14
  // First column from column 4 on whose heading is not "TOO LOW"; 0 when there is none.
  // It is also the first double-structure column as printed.
  int FirstCandidate = 0;
  std::vector<CyopRow> Rows;
  // The printed totals, from the first candidate column up to 14 (0 elsewhere).
  std::array<double, kCyopColumns + 1> SingleTotal{};
  std::array<double, kCyopColumns + 1> DoubleTotal{};
};

// Reads the CYOP print file into `table`. Returns false (table empty) when the file does not exist.
bool ReadCyopTable(const std::string& printFile, CyopTable& table);

}  // namespace veltra

#include "satprog/trip_matrix.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "assign/tntp.h"
#include "satprog/tntp_trips.h"
#include "util/files.h"
#include "util/text.h"

namespace veltra::satprog {

namespace {

[[noreturn]] void Fail(const std::string& file, int line, const std::string& what) {
  if (line > 0) throw MatrixError{Printf("unreadable trip matrix: %s, line %d: %s", file.c_str(), line, what.c_str())};
  throw MatrixError{Printf("unreadable trip matrix: %s: %s", file.c_str(), what.c_str())};
}

// A binary file: NUL bytes, or many control characters, in its first 4096 bytes.
bool LooksBinary(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  char buffer[4096];
  in.read(buffer, sizeof buffer);
  const std::streamsize n = in.gcount();
  int control = 0;
  for (std::streamsize i = 0; i < n; ++i) {
    const unsigned char c = static_cast<unsigned char>(buffer[i]);
    if (c == 0) return true;
    if (c < 9 || (c > 13 && c < 32)) ++control;
  }
  return n > 0 && control * 20 > n;
}

bool IsTntpText(const std::vector<std::string>& lines) {
  for (const std::string& line : lines) {
    const std::string t = Upper(Trim(line));
    // "Origin 3" opens a block; a CSV header "origin,destination,trips" does not.
    if ((StartsWith(t, "ORIGIN") && t.size() > 6 && (t[6] == ' ' || t[6] == '\t')) || StartsWith(t, "<NUMBER OF ZONES>"))
      return true;
  }
  return false;
}

bool ParseNumber(const std::string& text, double& value) {
  const std::string t = Trim(text);
  if (t.empty()) return false;
  char* end = nullptr;
  errno = 0;
  value = std::strtod(t.c_str(), &end);
  return errno == 0 && end == t.c_str() + t.size();
}

bool ParseZone(const std::string& text, int32_t& zone) {
  double value = 0;
  // The range first: a number beyond the integers (1e121) has no integer part to compare with.
  if (!ParseNumber(text, value) || !(value >= 1 && value <= 2e9) || value != std::floor(value)) return false;
  zone = static_cast<int32_t>(value);
  return true;
}

}  // namespace

std::string FindMatrixFile(const std::string& mat) {
  for (const char* extension : {".csv", ".tntp", ".txt", ".ufm", ".CSV", ".TNTP", ".TXT", ".UFM"})
    if (FileExists(mat + extension)) return mat + extension;
  if (FileExists(mat) && !DirectoryExists(mat)) return mat;
  return "";
}

std::vector<TripRow> ParseCsvTrips(const std::vector<std::string>& lines, const std::string& fileName) {
  std::vector<TripRow> rows;
  bool first = true;
  for (size_t i = 0; i < lines.size(); ++i) {
    const int lineNo = static_cast<int>(i + 1);
    std::string line = lines[i];
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (i == 0 && StartsWith(line, "\xEF\xBB\xBF")) line = line.substr(3);
    const std::string trimmed = Trim(line);
    if (trimmed.empty() || trimmed[0] == '*' || trimmed[0] == '#') continue;
    std::vector<std::string> fields;
    if (trimmed.find(',') != std::string::npos) {
      fields = Split(trimmed, ',');
    } else {
      std::istringstream words(trimmed);
      for (std::string word; words >> word;) fields.push_back(word);
    }
    double number = 0;
    const bool header = first && !fields.empty() && !ParseNumber(fields[0], number);
    first = false;
    if (header) continue;
    if (fields.size() != 3)
      Fail(fileName, lineNo, Printf("3 fields expected (origin,destination,trips), %d found", static_cast<int>(fields.size())));
    TripRow row;
    if (!ParseZone(fields[0], row.Origin)) Fail(fileName, lineNo, "origin \"" + Trim(fields[0]) + "\" is not a zone number");
    if (!ParseZone(fields[1], row.Destination)) Fail(fileName, lineNo, "destination \"" + Trim(fields[1]) + "\" is not a zone number");
    if (!ParseNumber(fields[2], row.Trips) || !TripsWithinLimit(row.Trips))
      Fail(fileName, lineNo, "trips \"" + Trim(fields[2]) + "\": " + kTripLimitText);
    rows.push_back(row);
  }
  return rows;
}

TripMatrix ReadTripMatrix(const std::string& path) {
  TripMatrix matrix;
  matrix.FileName = path;
  if (!FileExists(path)) Fail(path, 0, Printf("does not exist; %s", kMatrixFormats));
  if (LooksBinary(path)) Fail(path, 0, Printf("is a binary file; %s", kMatrixFormats));
  std::vector<std::string> lines;
  try {
    // The TNTP trips reader's line limit: an origin's destinations may all be on one line.
    if (!LoadLines(path, lines, assign::kMaxTntpLineLength)) Fail(path, 0, "cannot be opened");
  } catch (const LineTooLongError& error) {
    Fail(path, static_cast<int>(error.Line), Printf("longer than %zu characters, more than a line of a matrix holds", error.Limit));
  } catch (const FileError& error) {
    Fail(path, 0, error.what());
  }
  if (IsTntpText(lines)) {
    matrix.Rows = ReadTntpTripRows(path, lines);
  } else {
    matrix.Rows = ParseCsvTrips(lines, path);
  }
  if (matrix.Rows.empty()) Fail(path, 0, Printf("holds no trips; %s", kMatrixFormats));
  return matrix;
}

}  // namespace veltra::satprog

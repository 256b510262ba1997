#include "saturn/street_names.h"

#include "model/tables.h"
#include "util/conversions.h"
#include "util/files.h"
#include "util/text.h"

namespace veltra {

void ReadStreetNames(const std::string& fileName, bool reportUnknown, SaturnVars& sat, MessageLog& log) {
  std::vector<std::string> lines;
  if (!LoadLines(fileName, lines)) return;
  ReadStreetNames(lines, fileName, reportUnknown, sat, log);
}

void ReadStreetNames(const std::vector<std::string>& lines, const std::string& fileName, bool reportUnknown,
                     SaturnVars& sat, MessageLog& log) {
  if (lines.size() < 2) return;
  for (size_t i = 1; i < lines.size(); ++i) {
    const std::vector<std::string> fields = Split(lines[i], ',');
    if (fields.size() < 3) continue;
    const int32_t a = TextToInt(fields[0]);
    const int32_t b = TextToInt(fields[1]);
    const int32_t l = sat.FindLink(a, b);
    if (l != 0)
      At(sat.Links, l).Name = Trim(fields[2]).substr(0, 25);
    else if (reportUnknown)
      log.Line(Printf("Arco %d %d en %s no reconocido.", a, b, fileName.c_str()));
  }
}

}  // namespace veltra

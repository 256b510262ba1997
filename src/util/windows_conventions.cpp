// Windows rules that do not need Windows itself, so that they are checked on every system:
// the version enumeration and the quoting of a command line.
#include <string>
#include <vector>

#include "util/platform.h"

namespace veltra {

int WindowsVersionCode(unsigned major, unsigned minor, bool workstation) {
  // The enumeration numbers each release of the NT line in order of appearance, servers
  // beside the workstations of the same kernel version; Windows 11 still reports 10.0.
  struct Release {
    unsigned major, minor;
    int workstationCode, serverCode;
  };
  static const Release releases[] = {
      {3, 10, 6, 6},   {3, 50, 7, 7},   {3, 51, 8, 8},   {4, 0, 9, 9},    {5, 0, 10, 10},   {5, 1, 11, 11},
      {5, 2, 13, 12},  {6, 0, 15, 16},  {6, 1, 17, 18},  {6, 2, 19, 21},  {6, 3, 22, 24},   {10, 0, 25, 26},
  };
  for (const Release& r : releases)
    if (r.major == major && r.minor == minor) return workstation ? r.workstationCode : r.serverCode;
  return 0;
}

std::string WindowsCommandLine(const std::string& program, const std::vector<std::string>& args) {
  // The C runtime splits at blanks outside quotes; inside quotes, backslashes count only in
  // front of a quote, where 2n backslashes and a quote give n backslashes and an end of the
  // quoted part, and 2n+1 give n backslashes and a literal quote.
  auto quote = [](const std::string& arg) {
    if (!arg.empty() && arg.find_first_of(" \t\"") == std::string::npos) return arg;
    std::string out = "\"";
    size_t backslashes = 0;
    for (char c : arg) {
      if (c == '\\') {
        ++backslashes;
        continue;
      }
      if (c == '"') out.append(backslashes * 2 + 1, '\\');
      else out.append(backslashes, '\\');
      backslashes = 0;
      out.push_back(c);
    }
    out.append(backslashes * 2, '\\');
    out.push_back('"');
    return out;
  };
  // The program name is read by different rules: no escapes, only quotes around blanks.
  std::string line = program.find_first_of(" \t") == std::string::npos ? program : "\"" + program + "\"";
  for (const auto& a : args) line += " " + quote(a);
  return line;
}

}  // namespace veltra

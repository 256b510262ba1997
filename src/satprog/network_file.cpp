#include "satprog/network_file.h"

#include <sstream>

#include "saturn/network_reader.h"
#include "util/log.h"
#include "util/text.h"

namespace veltra::satprog {

NetworkRead ReadNetworkFile(const std::string& path, SaturnVars& sat) {
  NetworkRead out;
  std::ostringstream console;
  std::vector<std::string> errors;
  {
    MessageLog log(console);
    std::vector<std::string> lines;
    sat.Clear();
    if (!LoadLines(path, lines)) {
      out.Errors.push_back(Printf("ERROR - the network file %s does not exist or cannot be read", path.c_str()));
      out.Messages = out.Errors;
      return out;
    }
    SaturnSettings settings;  // no bus line counts as private traffic; first read: every message
    try {
      SaturnRead(std::move(lines), path, settings, sat, log);
      out.Ok = true;
    } catch (const RunStop&) {
      out.Ok = false;
    } catch (const FileError& error) {
      out.Errors.push_back(std::string("ERROR - ") + error.what());
    }
    errors = log.Errors;
  }
  std::istringstream text(console.str());
  for (std::string line; std::getline(text, line);) {
    for (std::string& piece : Split(line, '\r')) {
      if (Trim(piece).empty()) continue;
      out.Messages.push_back(piece);
    }
  }
  out.Errors.insert(out.Errors.end(), errors.begin(), errors.end());
  if (!out.Errors.empty()) out.Ok = false;
  return out;
}

}  // namespace veltra::satprog

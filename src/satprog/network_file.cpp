#include "satprog/network_file.h"

#include <memory>
#include <sstream>

#include "run/run.h"
#include "saturn/network_reader.h"
#include "util/platform.h"
#include "util/text.h"

namespace veltra::satprog {

NetworkRead ReadNetworkFile(const std::string& path, SaturnVars& sat) {
  NetworkRead out;
  PosixPlatform platform;
  std::ostringstream console;
  // The reader writes its messages through a run's log; the run lives only for this read.
  auto run = std::make_unique<Run>(platform, console);
  if (!LoadLines(path, run->Sat.NetworkLines)) {
    out.Errors.push_back(Printf("ERROR - Red Saturn %s no existe o no se puede leer", path.c_str()));
    out.Messages = out.Errors;
    return out;
  }
  run->Sat.NetworkFileName = path;
  try {
    SaturnRead(*run);
    out.Ok = true;
  } catch (const RunStop&) {
    out.Ok = false;
  } catch (const FileError& error) {
    out.Errors.push_back(std::string("ERROR - ") + error.what());
  }
  std::istringstream text(console.str());
  for (std::string line; std::getline(text, line);) {
    for (std::string& piece : Split(line, '\r')) {
      if (Trim(piece).empty()) continue;
      out.Messages.push_back(piece);
    }
  }
  for (const std::string& error : run->Log.Errors) out.Errors.push_back(error);
  if (!out.Errors.empty()) out.Ok = false;
  sat = std::move(run->Sat);
  return out;
}

}  // namespace veltra::satprog

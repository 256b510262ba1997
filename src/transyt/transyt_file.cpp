#include "transyt/transyt_file.h"

#include "util/text.h"

namespace veltra {

// Placeholder: title and card 1 only, until the full writer lands.
void WriteTransytFile(Run& run, int r, const std::string& fileName, int cycle, bool) {
  const NetworkSettings& net = run.Cfg.Red[static_cast<size_t>(r)];
  int c = cycle != 0 ? cycle : net.Ciclo;
  TextWriter out(fileName);
  out.Line(net.NombreRed);
  out.Line(Printf("%5d%5d", 1, c));
  out.Close();
}

}  // namespace veltra

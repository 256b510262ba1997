#include "transyt/transyt_file.h"

#include "model/tables.h"
#include "transyt/link_cards.h"
#include "transyt/node_cards.h"

namespace veltra {

void WriteTransytData(const Settings& cfg, NetworkPosition r, SaturnVars& sat, QorVars& qor, MessageLog& log, TextWriter& out,
                      int cycle, bool allowDouble) {
  const NetworkSettings& net = cfg.Network(r);
  const int32_t network = qor.NumberOf(r).Value();
  RaisePriorityNodes(net, network, sat);

  out.Line(net.NombreRed);
  std::vector<int32_t> cardOne = CardOne(net, cycle);
  int32_t c = cardOne[1];
  out.Line(CardText(cardOne));
  WriteCardTwo(net, network, sat, log, out);
  WriteCardSeven(qor, out);
  ReadGivenMinimumGreens(net, qor.Network(r), sat, log);
  WriteTimingCards(net, network, qor.CicloPreasignado, sat, log, out, c, allowDouble);
  WriteLinkCards(cfg, net, sat, qor, out, allowDouble);
}

TransytDataFile WriteTransytFile(const Settings& cfg, NetworkPosition r, SaturnVars& sat, QorVars& qor, MessageLog& log,
                                 const std::string& fileName, int cycle, bool allowDouble) {
  TextWriter out(fileName);
  try {
    WriteTransytData(cfg, r, sat, qor, log, out, cycle, allowDouble);
  } catch (const CardFieldError& error) {
    // A file TRANSYT would read shifted is not left to be run: the run stops naming it.
    throw FileError(Printf("ERROR - Red Transyt %s, linea %zu: %s", fileName.c_str(), out.LinesWritten() + 1,
                           error.what()));
  }
  out.Close();
  return TransytDataFile{fileName, qor.NumberOf(r)};
}

}  // namespace veltra

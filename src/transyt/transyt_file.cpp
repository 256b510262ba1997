#include "transyt/transyt_file.h"

#include "output/companion_files.h"
#include "transyt/link_cards.h"
#include "transyt/node_cards.h"
#include "util/text.h"

namespace veltra {

void WriteTransytFile(Run& run, int r, const std::string& fileName, int cycle, bool allowDouble) {
  const NetworkSettings& net = run.Cfg.Red[static_cast<size_t>(r)];
  RaisePriorityNodes(run, r);

  TextWriter out(fileName);
  out.Line(net.NombreRed);
  std::vector<int32_t> cardOne = CardOne(net, cycle);
  int32_t c = cardOne[1];
  out.Line(CardText(cardOne));
  WriteCardTwo(run, r, out);
  WriteCardSeven(run.Qor, out);
  ReadGivenMinimumGreens(run, r);
  WriteTimingCards(run, r, out, c, allowDouble);
  WriteLinkCards(run, r, out, allowDouble);
  out.Close();

  WriteCompanionFiles(run, r, fileName);
}

}  // namespace veltra

// The link cards of a TRANSYT data file: card 30 (give-way links), card 31 (signal control of
// each link, then every link not yet written), card 32 (flows and upstream sources), card 35
// (links for graphs) and card 38 (queue settings).
#pragma once

#include <cstdint>
#include <vector>

#include "model/saturn_vars.h"
#include "model/settings.h"
#include "model/transyt_model.h"
#include "util/text.h"

namespace veltra {

// A link length as written: never more than the LargoMaximo setting.
int32_t LargoMaximo(const Settings& cfg, int32_t largo);

// One green period of a link: the stage it starts in and the stage that ends it.
struct StagePeriod {
  int Start = 0;
  int End = 0;
};
// The green periods of a link green in the stages of `mask` (bit k-1: stage k) of a node with
// `stages` stages (2 to 6): the runs of consecutive green stages taken round the cycle, each
// ending with the stage after its last one, by ascending start stage; a link green in every
// stage has the single period (1, 1). Empty when there is none.
const std::vector<StagePeriod>& StagePeriods(int stages, int mask);

// Card 31 of the first pass (17 fields): the link's signal control and the common tail.
std::vector<int32_t> SignalCard(const SaturnVars& sat, const TArco& arco, bool allowDouble, int32_t largoMaximo);
// Card 31 of the second pass: an uncontrolled link.
std::vector<int32_t> UncontrolledCard(const TArco& arco, int32_t largoMaximo);
// Card 32, after settling the link's secondary flow (kept in FlujoConector1).
std::vector<int32_t> FlowCard(TArco& arco, const NetworkSettings& net);

// All link cards of the network with settings `net`, in file order; marks the links written.
void WriteLinkCards(const Settings& cfg, const NetworkSettings& net, const SaturnVars& sat, QorVars& qor, TextWriter& out,
                    bool allowDouble);

}  // namespace veltra

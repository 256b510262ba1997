// The cards of a TRANSYT data file that describe the network and its signalised nodes:
// card 1 (network and run data), card 2 (nodes to optimise and coordinated groups), card 7
// (links sharing a stop line), the given minimum greens and the node timing cards 12 to 16,
// 22 and 23. Also the card-line helpers every card of the file uses.
#pragma once

#include <cstdint>
#include <initializer_list>
#include "util/errors.h"
#include <string>
#include <unordered_map>
#include <vector>

#include "model/saturn_vars.h"
#include "model/settings.h"
#include "model/transyt_model.h"
#include "util/log.h"
#include "util/text.h"

namespace veltra {

// A field value that five columns cannot hold (above 99999, below -9999): written, it would
// run into the field before it and TRANSYT would read every field after it shifted.
struct CardFieldError : InputError {
  explicit CardFieldError(const std::string& what) : InputError(what) {}
};

// One card line: every field an integer right-aligned in five columns (the card number is the
// first). Throws CardFieldError naming the card, the field and the value. The rest of a card
// after blank fields is written with its card number and the position of its first field.
std::string CardText(const std::vector<int32_t>& fields);
std::string CardText(const std::vector<int32_t>& fields, int32_t card, size_t firstPosition);

// Lines of one card kind holding entries of one or more fields: the card number in columns
// 1-5, then up to `perLine` entries; a full line ends and the next entry starts a new line.
class CardLines {
 public:
  CardLines(TextWriter& out, int32_t card, int perLine) : out_(out), card_(card), perLine_(perLine) {}
  void Add(std::initializer_list<int32_t> entry);
  // Ends a line that holds at least one entry.
  void Finish();

 private:
  TextWriter& out_;
  int32_t card_;
  int perLine_;
  int count_ = 0;
  std::string line_;
};


// Link number -> index in Arcos, the last link with that number (what a look-up by number gives).
std::unordered_map<int32_t, int32_t> LinkNumberIndex(const QorVars& qor);

// True when the SATURN node belongs to the network being written (network number `number`).
inline bool InNetwork(const TNodo& node, int32_t number) { return number != 0 && node.TransytNetwork == number; }

// Card 1: the steps of the cycle, and the sixteen fields of a file of `kind` at `cycle`.
int32_t CycleSteps(int32_t cycle);
std::vector<int32_t> CardOne(const NetworkSettings& net, TransytFileKind kind, int32_t cycle);

// The nodes of `network` (its row of RedNodos) are its junctions with the network's number in
// their TRANSYT network field, as the construction leaves them; they are looked at in node order.
// Priority nodes of the network become class 3 (unsignalised from then on).
void RaisePriorityNodes(const NetworkSettings& net, const TRedNodos& network, SaturnVars& sat);
// Card 2: sets the optimise flags and writes the optimised nodes and the coordinated groups.
void WriteCardTwo(const NetworkSettings& net, const TRedNodos& network, SaturnVars& sat, MessageLog& log, TextWriter& out);
// Card 7: links sharing a stop line.
void WriteCardSeven(const QorVars& qor, TextWriter& out);
// Stores the VerdeMin_%d entries of the network in its nodes and reports a missing last one.
// `network` is the network's row of RedNodos (TRANSYT number by node position).
void ReadGivenMinimumGreens(const NetworkSettings& net, const TRedNodos& network, SaturnVars& sat, MessageLog& log);

// Minimum green of stage `stage` of a sequence of `length` stages of the plan, computed from
// the block that precedes it (stage 1 follows the last stage of the sequence).
int32_t ComputedMinimumGreen(const TPlanSemaforo& plan, int stage, int length, double laneWidth);

// Scales values whose sum exceeds the cycle so that they fit, noting it in the errors list.
// `half`: the values describe half of a double cycle, so their sum counts twice and they
// must fit in half the cycle.
void FitToCycle(std::vector<int32_t>& values, int32_t cycle, bool half, int32_t transytNode, MessageLog& log);

// The timing card of one signalised node: Fields empty when the node gets no card.
struct TimingCard {
  std::vector<int32_t> Fields;     // card number, TRANSYT node, then (start, minimum green) pairs
  std::vector<int32_t> MinGreens;  // minimum green of stages 1..n as written
};
TimingCard NodeTimingCard(const TNodo& node, const TPlanSemaforo& plan, int32_t cycle, double laneWidth,
                          bool optimised, bool allowDouble, MessageLog& log);
// Writes the timing cards of the network's signalised nodes and stores their minimum greens
// into the signal plans.
// `preassigned`: the network's preassigned-cycle flag (NetworkSettings::PreassignedCycle).
void WriteTimingCards(const NetworkSettings& net, const TRedNodos& network, bool preassigned, SaturnVars& sat,
                      MessageLog& log, TextWriter& out, int32_t cycle, bool allowDouble);

}  // namespace veltra

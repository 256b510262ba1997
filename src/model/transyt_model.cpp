#include "model/transyt_model.h"

#include <algorithm>
#include <string_view>

#include "model/saturn_vars.h"
#include "model/tables.h"
#include "util/conversions.h"
#include "util/text.h"

namespace veltra {

QorVars::QorVars() {
  RedNodos.assign(1, TRedNodos());
  NodoTransytUsado.assign(kMaxTransytNode + 1, 0);
  Arcos.assign(1, TArco());
  Casos.assign(1, TCaso());
  EnsureIteration(0);
}

void TRedNodos::Reset(NetworkNumber number, size_t nodeCount) {
  Number = number;
  transytNodes_.assign(nodeCount + 1, 0);
  indexed_ = false;
}

void TRedNodos::SetTransytNode(int32_t nodeIndex, int32_t transytNode) {
  if (nodeIndex < 1) return;
  if (static_cast<size_t>(nodeIndex) >= transytNodes_.size()) transytNodes_.resize(static_cast<size_t>(nodeIndex) + 1, 0);
  transytNodes_[static_cast<size_t>(nodeIndex)] = transytNode;
  indexed_ = false;
}

int32_t TRedNodos::TransytNodeOf(int32_t nodeIndex) const {
  if (nodeIndex < 1 || static_cast<size_t>(nodeIndex) >= transytNodes_.size()) return 0;
  return transytNodes_[static_cast<size_t>(nodeIndex)];
}

// The index keeps the first node of each number, as a scan of the nodes in order finds it.
void TRedNodos::Index() const {
  if (indexed_) return;
  nodeOfTransyt_.clear();
  members_.clear();
  for (size_t i = 1; i < transytNodes_.size(); ++i) {
    if (transytNodes_[i] != 0) nodeOfTransyt_.emplace(transytNodes_[i], static_cast<int32_t>(i));
    if (transytNodes_[i] > 0) members_.push_back(static_cast<int32_t>(i));
  }
  indexed_ = true;
}

const std::vector<int32_t>& TRedNodos::Members() const {
  Index();
  return members_;
}

int32_t TRedNodos::NodeOfTransyt(int32_t transytNode) const {
  Index();
  if (transytNode == 0) return 0;
  auto found = nodeOfTransyt_.find(transytNode);
  return found == nodeOfTransyt_.end() ? 0 : found->second;
}

const TRedNodos& QorVars::Network(NetworkPosition r) const { return At(RedNodos, r.Value()); }
TRedNodos& QorVars::Network(NetworkPosition r) { return At(RedNodos, r.Value()); }

void QorVars::SetNetworks(const std::vector<NetworkNumber>& numbers, size_t nodeCount) {
  NumRedes = static_cast<int32_t>(numbers.size());
  RedNodos.resize(numbers.size() + 1);
  positionOfNumber_.clear();
  for (size_t p = 1; p <= numbers.size(); ++p) {
    RedNodos[p].Reset(numbers[p - 1], nodeCount);
    positionOfNumber_.emplace(numbers[p - 1].Value(), static_cast<int32_t>(p));
  }
  SizeNetworkTables();
}

NetworkPosition QorVars::PositionOf(NetworkNumber number) const {
  auto found = positionOfNumber_.find(number.Value());
  if (found != positionOfNumber_.end()) return NetworkPosition(found->second);
  // Rows set one by one (a model built in code) are not in the index: looked for in order.
  for (NetworkPosition r : Positions())
    if (static_cast<size_t>(r.Value()) < RedNodos.size() && NumberOf(r) == number) return r;
  return NetworkPosition(0);
}

// Rows are added, never taken away: the node list is read again after every SATURN run and
// gives the same networks, whose cycles and history must stay.
void QorVars::SizeNetworkTables() {
  const size_t rows = static_cast<size_t>(std::max(NumRedes, 0)) + 1;
  if (CicloRed.size() < rows) CicloRed.resize(rows, 0);
  if (NodosSemaforo.size() < rows) NodosSemaforo.resize(rows, std::vector<int32_t>(1, 0));
  if (NodosSemaforoTransyt.size() < rows) NodosSemaforoTransyt.resize(rows, std::vector<int32_t>(1, 0));
  if (NumNodosSemaforo.size() < rows) NumNodosSemaforo.resize(rows, 0);
  for (auto& cycles : HistCiclo)
    if (cycles.size() < rows) cycles.resize(rows, 0);
  for (auto& networks : Hist)
    if (networks.size() < rows) networks.resize(rows);
}

int32_t& QorVars::Cycle(NetworkPosition r) { return At(CicloRed, r.Value()); }
int32_t QorVars::Cycle(NetworkPosition r) const { return At(CicloRed, r.Value()); }

void QorVars::EnsureIteration(int iteration) {
  if (iteration < 0) return;
  size_t need = static_cast<size_t>(iteration) + 1;
  if (HistCiclo.size() < need) HistCiclo.resize(need);
  if (Hist.size() < need) Hist.resize(need);
  SizeNetworkTables();
}

namespace {

uint64_t NodesKey(int32_t a, int32_t b) {
  return (static_cast<uint64_t>(static_cast<uint32_t>(a)) << 32) | static_cast<uint32_t>(b);
}

}  // namespace

void QorVars::InvalidateLinkIndex() { arcIndexValid_ = false; }

// The index answers what a scan of 1..NumArcos would: the number map keeps the last link of each
// number, the node map every link of a pair of nodes in table order. Links appended since the
// last look-up are added in place; a shorter table (a new construction) is indexed afresh.
void QorVars::EnsureArcIndex() const {
  if (!arcIndexValid_ || NumArcos < arcIndexedCount_) {
    arcByNumber_.clear();
    arcsByNodes_.clear();
    arcIndexedCount_ = 0;
    arcIndexValid_ = true;
  }
  for (int32_t i = arcIndexedCount_ + 1; i <= NumArcos && static_cast<size_t>(i) < Arcos.size(); ++i) {
    const TArco& arco = At(Arcos, i);
    arcByNumber_[arco.Numero] = i;
    arcsByNodes_[NodesKey(arco.NodoA, arco.NodoB)].push_back(i);
    arcIndexedCount_ = i;
  }
}

int32_t QorVars::LinkByNumber(int32_t numero) const {
  EnsureArcIndex();
  auto it = arcByNumber_.find(numero);
  if (it != arcByNumber_.end() && At(Arcos, it->second).Numero != numero) {
    arcIndexValid_ = false;  // the number changed since it was indexed
    EnsureArcIndex();
    it = arcByNumber_.find(numero);
  }
  return it == arcByNumber_.end() ? 0 : it->second;
}

int32_t QorVars::NextLinkOfMovement(int32_t position, int32_t a, int32_t b, int32_t c) const {
  EnsureArcIndex();
  for (int attempt = 0; attempt < 2; ++attempt) {
    auto it = arcsByNodes_.find(NodesKey(a, b));
    if (it == arcsByNodes_.end()) return NumArcos + 1;
    const std::vector<int32_t>& links = it->second;
    bool stale = false;
    for (auto at = std::upper_bound(links.begin(), links.end(), position); at != links.end() && !stale; ++at) {
      const TArco& arco = At(Arcos, *at);
      stale = arco.NodoA != a || arco.NodoB != b;
      if (!stale && (c == 0 || ExitsInclude(arco.Salidas, c))) return *at;
    }
    if (!stale) break;
    arcIndexValid_ = false;  // the end nodes of a link changed since they were indexed
    EnsureArcIndex();
  }
  return NumArcos + 1;
}

int32_t QorVars::AddLink() {
  if (NumArcos < arcIndexedCount_) arcIndexValid_ = false;  // NumArcos was set back: a place indexed is reused
  ++NumArcos;
  if (Arcos.size() <= static_cast<size_t>(NumArcos)) Arcos.resize(static_cast<size_t>(NumArcos) + 1);
  At(Arcos, NumArcos) = TArco();
  return NumArcos;
}

void QorVars::ClearLinks() {
  for (int32_t i = 1; i <= NumArcos && static_cast<size_t>(i) < Arcos.size(); ++i) At(Arcos, i) = TArco();
  NumArcos = 0;
  InvalidateLinkIndex();
}

int32_t QorVars::AddCase() {
  ++NumCasos;
  if (Casos.size() <= static_cast<size_t>(NumCasos)) Casos.resize(static_cast<size_t>(NumCasos) + 1);
  At(Casos, NumCasos) = TCaso();
  return NumCasos;
}

void QorVars::ClearCases() {
  for (TCaso& caso : Casos) caso = TCaso();
  NumCasos = 0;
}

std::vector<int32_t> ExitList(const std::string& salidas) {
  std::vector<int32_t> exits;
  if (salidas.empty()) return exits;
  // Every piece between slashes, an empty one too (it reads 0), converted where it stands.
  const std::string_view text(salidas);
  size_t start = 0;
  while (true) {
    const size_t slash = text.find('/', start);
    exits.push_back(TextToInt(text.substr(start, slash == std::string_view::npos ? std::string_view::npos : slash - start)));
    if (slash == std::string_view::npos) return exits;
    start = slash + 1;
  }
}

bool ExitsInclude(const std::string& salidas, int32_t c) {
  for (int32_t exit : ExitList(salidas))
    if (exit == c) return true;
  return false;
}

bool SingleExit(const std::string& salidas, int32_t* exit) {
  if (salidas.empty() || salidas.find('/') != std::string::npos) return false;
  NumberValue v = ConvertNumber(salidas);
  int32_t n = v.AsInteger();
  if (n <= 0) return false;
  if (exit) *exit = n;
  return true;
}

}  // namespace veltra

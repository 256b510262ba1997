#include "model/qor_vars.h"

#include "model/saturn_vars.h"
#include "util/kwt_utils.h"
#include "util/text.h"

namespace veltra {

QorVars::QorVars() {
  RedNodos.assign(kMaxRedes + 1, std::vector<int32_t>(static_cast<size_t>(RowSize()), 0));
  NodoTransytUsado.assign(kMaxTransytNode + 1, 0);
  Arcos.assign(1, TArco());
  Casos.assign(1, TCaso());
  CicloRed.assign(kMaxRedes + 1, 0);
  NodosSemaforo.assign(kMaxRedes + 1, std::vector<int32_t>(1, 0));
  NodosSemaforoTransyt.assign(kMaxRedes + 1, std::vector<int32_t>(1, 0));
  NumNodosSemaforo.assign(kMaxRedes + 1, 0);
  EnsureIteration(0);
}

int QorVars::RowSize() { return kMaxNodes + 1; }

void QorVars::EnsureIteration(int iteration) {
  if (iteration < 0) return;
  size_t need = static_cast<size_t>(iteration) + 1;
  if (HistCiclo.size() < need) HistCiclo.resize(need, std::vector<int32_t>(kMaxRedes + 1, 0));
  if (Hist.size() < need) Hist.resize(need, std::vector<std::vector<THistNodo>>(kMaxRedes + 1));
}

int32_t QorVars::NodoSaturnDeTransyt(int r, int32_t transytNode) const {
  if (r < 1 || static_cast<size_t>(r) >= RedNodos.size()) return 0;
  const auto& row = RedNodos[static_cast<size_t>(r)];
  for (size_t i = 1; i < row.size(); ++i)
    if (row[i] == transytNode) return static_cast<int32_t>(i);
  return 0;
}

int32_t QorVars::ArcoPorNumero(int32_t numero) const {
  for (int32_t i = NumArcos; i >= 1; --i)
    if (Arcos[static_cast<size_t>(i)].Numero == numero) return i;
  return 0;
}

int32_t QorVars::SiguienteArco(int32_t position, int32_t a, int32_t b, int32_t c) const {
  for (int32_t i = position + 1; i <= NumArcos; ++i) {
    const TArco& arco = Arcos[static_cast<size_t>(i)];
    if (arco.NodoA == a && arco.NodoB == b && (c == 0 || SalidasContiene(arco.Salidas, c))) return i;
  }
  return NumArcos + 1;
}

int32_t QorVars::NuevoArco() {
  if (NumArcos >= kMaxArcos) return 0;
  ++NumArcos;
  if (Arcos.size() <= static_cast<size_t>(NumArcos)) Arcos.resize(static_cast<size_t>(NumArcos) + 1);
  Arcos[static_cast<size_t>(NumArcos)] = TArco();
  return NumArcos;
}

void QorVars::LimpiarArcos() {
  for (int32_t i = 1; i <= NumArcos && static_cast<size_t>(i) < Arcos.size(); ++i) Arcos[static_cast<size_t>(i)] = TArco();
  NumArcos = 0;
}

std::vector<int32_t> SalidasLista(const std::string& salidas) {
  std::vector<int32_t> exits;
  if (salidas.empty()) return exits;
  for (const auto& piece : Split(salidas, '/')) exits.push_back(TextToInt(piece));
  return exits;
}

bool SalidasContiene(const std::string& salidas, int32_t c) {
  for (int32_t exit : SalidasLista(salidas))
    if (exit == c) return true;
  return false;
}

bool SalidaUnica(const std::string& salidas, int32_t* exit) {
  if (salidas.empty() || salidas.find('/') != std::string::npos) return false;
  NumberValue v = ConvertNumber(salidas);
  int32_t n = v.AsInteger();
  if (n <= 0) return false;
  if (exit) *exit = n;
  return true;
}

}  // namespace veltra

// Read access to the signal history for the reports. The tables grow as the run goes on and a
// network's node count may change between iterations, so every read is checked: a slot the run
// never filled reads as 0 (numbers) or as an empty text.
#pragma once

#include <algorithm>
#include <string>

#include "model/transyt_model.h"

namespace veltra {

class HistoryView {
 public:
  explicit HistoryView(const QorVars& qor) : qor_(qor) {}

  int Networks() const { return std::max(qor_.NumRedes, 0); }
  int NetworkNumber(int r) const { return Has(qor_.RedNodos, r) ? qor_.RedNodos[Index(r)].Number.Value() : 0; }
  int SignalNodes(int r) const { return std::max(Get(qor_.NumNodosSemaforo, r), 0); }
  int SaturnNode(int r, int k) const { return Get(qor_.NodosSemaforo, r, k); }
  int TransytNode(int r, int k) const { return Get(qor_.NodosSemaforoTransyt, r, k); }
  int Cycle(int i, int r) const { return Get(qor_.HistCiclo, i, r); }

  const THistNodo* Node(int i, int r, int k) const {
    if (!Has(qor_.Hist, i) || !Has(qor_.Hist[Index(i)], r) || !Has(qor_.Hist[Index(i)][Index(r)], k)) return nullptr;
    return &qor_.Hist[Index(i)][Index(r)][Index(k)];
  }
  int StageLength(int i, int r, int k, int s) const {
    const THistNodo* node = Node(i, r, k);
    return node && s >= 1 && s <= kHistStages ? node->Etapas[Index(s)] : 0;
  }
  std::string Text(int i, int r, int k, int column) const {
    const THistNodo* node = Node(i, r, k);
    return node && column >= 0 && column < kHistColumns ? node->Textos[Index(column)] : std::string();
  }

 private:
  static size_t Index(int v) { return static_cast<size_t>(v); }
  template <class Table>
  static bool Has(const Table& table, int v) {
    return v >= 0 && Index(v) < table.size();
  }
  template <class Table>
  static int Get(const Table& table, int v) {
    return Has(table, v) ? table[Index(v)] : 0;
  }
  template <class Table>
  static int Get(const Table& table, int a, int b) {
    return Has(table, a) ? Get(table[Index(a)], b) : 0;
  }

  const QorVars& qor_;
};

}  // namespace veltra

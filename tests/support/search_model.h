// A small TRANSYT network for the tests of the runs, the print-file readers and the cycle
// search: signalised SATURN nodes with their plans and TRANSYT numbers, TRANSYT links into
// them and turning movements through them, in network position 1.
#pragma once

#include <string>
#include <vector>

#include "state/run.h"

namespace veltra::test {

class SearchModel {
 public:
  // Network position 1 with the given number; settings as a network without its own section.
  explicit SearchModel(Run& run, int networkNumber = 1);

  // A signalised node whose plan has one stage per green (intergreen 5 unless given). Returns
  // the node's index. `optimise` is the optimise flag the data file writer would set.
  int AddSignalNode(int saturnNumber, int transytNumber, const std::vector<int>& greens,
                    const std::vector<int>& intergreens = {}, bool optimise = true);
  // A node of another network (position 2) that shares a TRANSYT number with this one.
  int AddForeignNode(int saturnNumber, int transytNumber, int stages);
  // Makes a two- or three-stage plan double (stages repeated, repeat indicator -1).
  void MakeDouble(int saturnNumber);

  int AddLink(int numero, int nodoA, int nodoB, int numEtapas, int mask);
  int AddTurn(int junction, int aNode, int cNode, int mask);

  TNodo& Node(int saturnNumber);
  TPlanSemaforo& Plan(int saturnNumber);
  TArco& Link(int index) { return run_.Qor.Arcos[static_cast<size_t>(index)]; }
  TGiro& Turn(int index) { return run_.Sat.Turns[static_cast<size_t>(index)]; }
  NetworkSettings& Net() { return run_.Cfg.Red[1]; }

 private:
  int AddNode(int saturnNumber, int position, int transytNumber, int planIndex);

  Run& run_;
};

// The file under tests/data/transyt/runs.
std::string RunsData(const std::string& name);
// Copies a data file (or the stand-in "t8s", made executable) into the current directory.
void CopyRunsData(const std::string& name, const std::string& as = std::string());
// The console text of a run cut into lines.
std::vector<std::string> ConsoleLines(const std::string& console);

}  // namespace veltra::test

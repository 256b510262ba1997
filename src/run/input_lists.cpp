#include "run/input_lists.h"

namespace veltra {

// Placeholder until the readers land.
void InputCheck(Run& run, const std::string&, int) { run.Log.Line(run.ProgressMessage); }
void ReadNodeList(Run& run, const std::string&) { run.Log.Line("Leyendo nodos..."); }
void ApplyPriorityLists(Run&) {}
void ReadStreetNames(Run&, const std::string&) {}

}  // namespace veltra

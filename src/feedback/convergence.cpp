#include "feedback/convergence.h"

namespace veltra {

void BaseFigures(Run&) {}
bool ConvergenceTest(Run& run, int iteration) { return iteration >= run.Cfg.Iteraciones; }

}  // namespace veltra

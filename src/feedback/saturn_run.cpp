#include "feedback/saturn_run.h"

namespace veltra {

void RunSaturn(Run&, int) {}

}  // namespace veltra

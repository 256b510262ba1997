// The network drawing.
#pragma once

#include <string>

#include "run/run.h"

namespace veltra {

void DibujarRed(Run& run, int r, const std::string& fileName);

}  // namespace veltra

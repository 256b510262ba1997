#include "output/qor_dxf.h"

namespace veltra {

void DibujarRed(Run&, int, const std::string&) {}

}  // namespace veltra

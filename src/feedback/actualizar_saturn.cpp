#include "feedback/actualizar_saturn.h"

namespace veltra {

void ActualizarSaturn(Run&, int, int) {}

}  // namespace veltra

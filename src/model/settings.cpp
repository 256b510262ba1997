#include "model/settings.h"

#include "model/tables.h"
#include "util/text.h"

namespace veltra {

bool Settings::UseListing() const { return Lower(Conteos) == "null"; }

NetworkSettings& Settings::Network(NetworkPosition r) { return At(Red, r.Value()); }
const NetworkSettings& Settings::Network(NetworkPosition r) const { return At(Red, r.Value()); }

}  // namespace veltra

#include "model/settings.h"

#include "model/tables.h"
#include "util/text.h"

namespace veltra {

bool Settings::UseListing() const { return Lower(Conteos) == "null"; }

NetworkSettings& Settings::Network(NetworkPosition r) {
  if (r.Value() < 0) ThrowTableIndexError(r.Value(), Red.size());
  return Red[static_cast<size_t>(r.Value())];
}
const NetworkSettings& Settings::Network(NetworkPosition r) const {
  if (r.Value() < 0) ThrowTableIndexError(r.Value(), Red.size());
  return Red[static_cast<size_t>(r.Value())];
}

}  // namespace veltra

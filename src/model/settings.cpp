#include "model/settings.h"

#include "util/text.h"

namespace veltra {

bool Settings::UseListing() const { return Lower(Conteos) == "null"; }

}  // namespace veltra

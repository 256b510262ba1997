// The conversions and keyword helpers live in util/conversions.h; this name stays for code
// that includes them under it.
#pragma once

#include "util/conversions.h"

#include "util/batch.h"

namespace veltra {

// Placeholder until the interpreter lands.
bool RunBatchFile(Platform&, const std::string&, const BatchOptions&) { return false; }
std::string FindProgram(Platform&, const std::string&, const std::string&) { return std::string(); }

}  // namespace veltra

#include "state/run.h"

#include "util/files.h"
#include "util/text.h"

namespace veltra {

std::string Run::SaturnBase() const { return ChangeExtension(SaturnFile, ""); }
std::string Run::TransytBase() const { return ChangeExtension(TransytFile, ""); }
std::string Run::ConfigurationPath() const { return JoinPath(WorkDir, ConfigFileName); }

}  // namespace veltra

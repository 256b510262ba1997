#include "state/run.h"

#include "util/files.h"
#include "util/text.h"

namespace veltra {

std::string Run::ConfigurationPath() const { return JoinPath(WorkDir, ConfigFileName); }

}  // namespace veltra

// What a run of an outside program (SATURN, TRANSYT, CYOP) uses: the settings that name,
// show and pause it, the operating-system code that decides the batch file's form, the
// platform that runs the batch file and waits, and the log its messages go to.
#pragma once

#include "model/settings.h"
#include "util/log.h"
#include "util/platform.h"

namespace veltra {

struct ProgramEnv {
  const Settings& Cfg;
  int OsCode = 11;
  Platform& Sys;
  MessageLog& Log;
};

}  // namespace veltra

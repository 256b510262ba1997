// t8s: the signal-timing engine, run as "t8s DATA PRINT <answers" by the loop's batch file.
// The answers on standard input are not read.
#include <iostream>
#include <string>
#include <vector>

#include "signals/engine.h"
#include "util/platform.h"

int main(int argc, char** argv) {
  veltra::NativePlatform platform;
  return veltra::signals::RunCommandLine(std::vector<std::string>(argv + 1, argv + argc), std::cout, std::cerr,
                                         veltra::TerminalsOf(platform));
}

// t8s: the signal-timing engine, run as "t8s DATA PRINT <answers" by the loop's batch file.
// The answers on standard input are not needed and are not read.
#include <iostream>

#include "signals/engine.h"

int main(int argc, char** argv) {
  if (argc < 3) {
    std::cerr << "usage: t8s DATA PRINT <answers\n"
                 "  PRINT ending in .cyo: the cycle table; otherwise the optimised timings\n";
    return 1;
  }
  return veltra::signals::RunProgram(argv[1], argv[2], std::cerr);
}

// One executable under the names SATNET, SATALL, SATASS and SATEASY: argv[0] chooses.
#include <iostream>
#include <string>
#include <vector>

#include "satprog/programs.h"
#include "util/platform.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  veltra::NativePlatform platform;
  return veltra::satprog::RunSaturnProgram(argc > 0 ? argv[0] : "", args, std::cout, veltra::TerminalsOf(platform));
}

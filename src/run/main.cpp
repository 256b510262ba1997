// The console program's entry.
#include <clocale>
#include <iostream>
#include <string>
#include <vector>

#include "run/veltra.h"
#include "util/platform.h"

int main(int argc, char** argv) {
  // Dates and times follow the user's locale; numbers keep "." as decimal point.
  std::setlocale(LC_TIME, "");
  std::vector<std::string> args(argv + 1, argv + argc);
  veltra::NativePlatform platform;
  platform.PrepareConsole();
  return veltra::VeltraMain(args, platform, std::cout);
}

// veltra-tntp: TNTP files to a SATURN network data file, a trip matrix and a node list.
#include <iostream>
#include <string>
#include <vector>

#include "satprog/tntp_converter.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  return veltra::satprog::RunTntpConverter(args, std::cout);
}

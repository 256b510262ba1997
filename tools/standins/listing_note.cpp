// Stand-in for SATURN's SATNET, SATASS and SATEASY (the program name and the extension of the
// note it leaves come from the build): run as "PROGRAM NET [MAT]", it leaves a short listing
// NET.<extension> so that the files SATURN would write exist; the assignment itself is the
// stand-in SATALL's.
#include <fstream>
#include <iostream>
#include <string>

int main(int argc, char** argv) {
  if (argc < 2) {
    std::cerr << "uso: " << VELTRA_STANDIN_NAME << " RED [MATRIZ]\n";
    return 2;
  }
  std::ofstream out(std::string(argv[1]) + VELTRA_STANDIN_EXTENSION, std::ios::binary);
  out << VELTRA_STANDIN_NAME << " (VELTRA demo stand-in): " << argv[1] << "\r\n";
  return out ? 0 : 1;
}

// Stand-in for the text viewer (WordPad) that the pause settings open on a listing: it notes
// the file it was asked to show in "visor.txt" and ends at once, where the real viewer would
// wait for the user to close it.
#include <fstream>

int main(int argc, char** argv) {
  std::ofstream out("visor.txt", std::ios::binary | std::ios::app);
  out << "wordpad";
  for (int i = 1; i < argc; ++i) out << ' ' << argv[i];
  out << "\r\n";
  return out ? 0 : 1;
}

#include "satprog/output_files.h"

#include "util/text.h"

namespace veltra::satprog {

void WriteTextFile(const std::string& path, const std::vector<std::string>& lines) {
  try {
    TextWriter writer(path);
    for (const std::string& line : lines) writer.Line(line);
    writer.Close();
  } catch (const FileError&) {
    throw FileError(path + ": cannot be written");
  }
}

}  // namespace veltra::satprog

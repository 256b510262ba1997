// The text files the programs write, whole: a file that cannot be created or written is named in
// the programs' own language, since the message reaches their user directly.
#pragma once

#include <string>
#include <vector>

namespace veltra::satprog {

// Writes `lines` (CR LF ends) to `path`. Throws FileError: "<path>: cannot be written".
void WriteTextFile(const std::string& path, const std::vector<std::string>& lines);

}  // namespace veltra::satprog

// Reading the configuration file: its location, every setting with its default and the
// rules between settings, the operating-system line, and the start-up header.
#pragma once

#include <string>

#include "state/run.h"

namespace veltra {

// The program's title line, used by the usage text and the start-up header.
extern const char* const kTitleLine;

// Writes the usage text to the console, pauses 3000 ms and stops the run.
[[noreturn]] void UsageStop(Run& run);

// Global part (network position 0). Returns true when the SATURN ".dat" file and the node
// list file exist. With a wrong argument count it does not return (usage stop).
bool ReadGlobalConfiguration(Run& run, const std::vector<std::string>& args);

// The section "Transyt%d" of network position r (1..NumRedes), after the node list is read.
void ReadNetworkConfiguration(Run& run, NetworkPosition r);

// Display name of an operating-system code, empty when the code has none.
std::string OsDisplayName(int code);

}  // namespace veltra

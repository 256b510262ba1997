// What every fuzz target shares: the input cut into lines as the program loads a file, a
// private working directory for the files a reader opens or writes, the example network as
// the model the flow and name readers fill, and the orderly stops that count as a normal end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <ostream>
#include <streambuf>
#include <string>
#include <string_view>
#include <vector>

#include "model/saturn_vars.h"
#include "model/transyt_model.h"
#include "saturn/network_reader.h"
#include "transyt/node_list.h"
#include "util/conversions.h"
#include "util/log.h"
#include "util/text.h"

namespace veltra::fuzz {

// The input's lines as LoadLines gives them: split at LF, a CR before it dropped.
inline std::vector<std::string> Lines(std::string_view text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string line(text.substr(start, end - start));
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(std::move(line));
    start = end + 1;
  }
  return lines;
}

inline std::string_view Text(const uint8_t* data, size_t size) {
  return std::string_view(reinterpret_cast<const char*>(data), size);
}

// A console that swallows everything: the messages are not what is being tested.
class NullBuffer : public std::streambuf {
 protected:
  int overflow(int c) override { return c; }
  std::streamsize xsputn(const char*, std::streamsize n) override { return n; }
};
inline std::ostream& NullConsole() {
  static NullBuffer buffer;
  static std::ostream console(&buffer);
  return console;
}

// Makes a fresh directory the working directory, once per process, so that whatever a
// reader writes next to its input (an errors list, a messages file) stays out of the tree.
// It is removed when the process ends normally; after a finding it stays, to be looked at.
inline const std::filesystem::path& WorkDir() {
  static const std::filesystem::path dir = [] {
    std::string pattern = (std::filesystem::temp_directory_path() / "veltra-fuzz-XXXXXX").string();
    if (!mkdtemp(pattern.data())) std::abort();
    std::filesystem::current_path(pattern);
    return std::filesystem::path(pattern);
  }();
  static const bool removedAtExit = [] {
    std::atexit([] {
      std::error_code ec;
      std::filesystem::current_path(std::filesystem::temp_directory_path(), ec);
      std::filesystem::remove_all(dir, ec);
    });
    return true;
  }();
  (void)removedAtExit;
  return dir;
}

// libFuzzer's own paths (corpus directories, inputs, the dictionary, where findings go) given
// relative to the directory the target was started in, made absolute before WorkDir moves.
// Without -artifact_prefix, findings go to the starting directory, as libFuzzer's default
// "./" means there, not into the private directory.
inline void AnchorArguments(int* argc, char*** argv) {
  static std::vector<std::string> kept;
  static std::vector<char*> arguments;
  kept.reserve(static_cast<size_t>(*argc) + 1);
  bool artifactPrefix = false;
  for (int i = 1; i < *argc; ++i)
    artifactPrefix = artifactPrefix || std::string((*argv)[i]).rfind("-artifact_prefix=", 0) == 0 ||
                     std::string((*argv)[i]).rfind("-exact_artifact_path=", 0) == 0;
  if (!artifactPrefix) {
    kept.push_back("-artifact_prefix=" + std::filesystem::current_path().string() + "/");
    arguments.assign(*argv, *argv + *argc);
    arguments.push_back(kept.back().data());
    arguments.push_back(nullptr);
    *argv = arguments.data();
    ++*argc;
  }
  const char* const options[] = {"-dict=", "-artifact_prefix=", "-exact_artifact_path=", "-merge_control_file="};
  for (int i = 1; i < *argc; ++i) {
    std::string arg = (*argv)[i];
    std::string prefix;
    for (const char* option : options)
      if (arg.rfind(option, 0) == 0) prefix = option;
    if (prefix.empty() && !arg.empty() && arg[0] == '-') continue;
    std::string path = arg.substr(prefix.size());
    if (path.empty() || path[0] == '/') continue;
    const bool directoryPrefix = prefix == "-artifact_prefix=" && path.back() == '/';
    std::string absolute = std::filesystem::absolute(path).string();
    if (directoryPrefix && absolute.back() != '/') absolute += '/';
    kept.push_back(prefix + absolute);
    (*argv)[i] = kept.back().data();
  }
  WorkDir();
}

inline void WriteFile(const std::string& name, std::string_view text) {
  std::ofstream out(WorkDir() / name, std::ios::binary | std::ios::trunc);
  out.write(text.data(), static_cast<std::streamsize>(text.size()));
}

// Removes what a run left in the working directory besides the files named in `keep`.
inline void CleanWorkDir(const std::vector<std::string>& keep) {
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(WorkDir(), ec)) {
    const std::string name = entry.path().filename().string();
    bool kept = false;
    for (const auto& k : keep) kept = kept || k == name;
    if (!kept) std::filesystem::remove_all(entry.path(), ec);
  }
}

inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline std::string ExampleFile(const std::string& name) { return std::string(VELTRA_EXAMPLES_DIR) + "/" + name; }

// The example network and its node list, read once: the model the flow, name and print-file
// readers fill as they do in a run.
struct ExampleModel {
  SaturnVars Sat;
  QorVars Qor;
};
inline const ExampleModel& Example() {
  static const ExampleModel* model = [] {
    WorkDir();
    auto* m = new ExampleModel();
    MessageLog log(NullConsole());
    std::vector<std::string> lines;
    if (!LoadLines(ExampleFile("pueblo.dat"), lines)) std::abort();
    SaturnRead(std::move(lines), ExampleFile("pueblo.dat"), SaturnSettings(), m->Sat, log);
    ReadNodeList(ExampleFile("nodos.txt"), kMaxTransytNode, m->Sat, m->Qor, log);
    return m;
  }();
  return *model;
}

// The model every input is read into, one per process: its tables are sized for a full
// network, and allocating them afresh for every input would be most of the fuzzer's time.
inline SaturnVars& Model() {
  static SaturnVars* model = new SaturnVars();
  return *model;
}

inline QorVars& Qor() {
  static QorVars* model = new QorVars();
  return *model;
}

// The example model copied afresh into the process's model, with a quiet log: where the print
// file readers start.
struct ExampleState {
  ExampleState() : Sat(Model()), Qor(fuzz::Qor()), Log(NullConsole()) {
    Sat = Example().Sat;
    Qor = Example().Qor;
  }
  SaturnVars& Sat;
  QorVars& Qor;
  MessageLog Log;
};

// Runs one reading; the orderly stops of the program (every InputError: its stop, a file it
// cannot use, a field that is not a number) end it normally. Anything else escapes and is a
// finding.
template <class F>
void Orderly(F&& read) {
  try {
    read();
  } catch (const InputError&) {
  }
}

}  // namespace veltra::fuzz

// Every target: its arguments anchored, then the private working directory entered.
extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  veltra::fuzz::AnchorArguments(argc, argv);
  return 0;
}

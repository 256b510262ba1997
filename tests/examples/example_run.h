// An example of examples/ run end to end in a fresh folder with the engines built next to veltra
// (nothing of the programs' names on the PATH), and the figures its messages report.
#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace veltra::examples {

namespace fs = std::filesystem;

inline std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// The numbers of the last message line that starts with `label` after the line `heading`.
inline std::vector<double> LastFigures(const std::string& output, const std::string& heading, const std::string& label) {
  std::vector<double> figures;
  size_t at = output.rfind(heading);
  if (at == std::string::npos) return figures;
  at = output.find(label, at);
  if (at == std::string::npos) return figures;
  std::istringstream line(output.substr(at + label.size(), output.find('\n', at) - at - label.size()));
  for (double value; line >> value;) figures.push_back(value);
  return figures;
}

struct ExampleRun {
  fs::path Dir;
  std::string Output;
  int ExitCode = -1;

  // Copies examples/<name> into a fresh folder, lets `prepare` change its files, and runs veltra
  // there with `args`.
  ExampleRun(const std::string& name, const std::vector<std::string>& args,
             const std::function<void(const fs::path&)>& prepare = {}) {
    Dir = fs::temp_directory_path() / ("veltra_example_" + name + "_" + std::to_string(::getpid()));
    fs::remove_all(Dir);
    fs::create_directories(Dir);
    fs::copy(fs::path(VELTRA_EXAMPLES_DIR) / name, Dir, fs::copy_options::recursive);
    if (prepare) prepare(Dir);
    std::string command = "cd '" + Dir.string() + "' && PATH=/usr/bin:/bin '" + VELTRA_EXE + "'";
    for (const std::string& a : args) command += " '" + a + "'";
    command += " > veltra.out 2>&1 </dev/null";
    const int status = std::system(command.c_str());
    ExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    Output = ReadFile(Dir / "veltra.out");
  }
  ~ExampleRun() {
    if (!::testing::Test::HasFailure()) fs::remove_all(Dir);
  }
  bool Logged(const std::string& text) const { return Output.find(text) != std::string::npos; }
  // The iteration that the run chose as its result ("Iteración seleccionada : N").
  int ChosenIteration() const {
    std::smatch m;
    return std::regex_search(Output, m, std::regex("seleccionada : (\\d+)")) ? std::stoi(m[1]) : -1;
  }
};

}  // namespace veltra::examples

// Helpers shared by the tests: fresh temporary directories, files, an instant platform, and
// running the real veltra binary.
#pragma once

#include <sstream>
#include <string>
#include <vector>

#include "state/run.h"
#include "util/platform.h"
#include "util/text.h"

namespace veltra::test {

// A fresh temporary directory, removed at the end of the test. While it lives, it is the
// current directory (the previous one is restored).
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& Path() const { return path_; }
  std::string File(const std::string& name) const;
  // Writes a file (relative names inside the directory); lines joined with `lineEnd`.
  void Write(const std::string& name, const std::string& content) const;
  void WriteLines(const std::string& name, const std::vector<std::string>& lines, const char* lineEnd = "\r\n") const;
  std::string Read(const std::string& name) const;
  bool Exists(const std::string& name) const;

 private:
  std::string path_;
  std::string previous_;
};

// The system's platform with instant pauses, no console waits and a fixed executable location.
class TestPlatform : public NativePlatform {
 public:
  void Sleep(int milliseconds) override { slept += milliseconds; }
  void WaitForEnter() override { ++enterWaits; }
  std::string ExecutablePath() override { return exePath.empty() ? NativePlatform::ExecutablePath() : exePath; }
  int OsVersionCode() override { return osCode; }

  int slept = 0;
  int enterWaits = 0;
  int osCode = 0;
  std::string exePath;
};

// A run with a test platform and a captured console.
struct TestRun {
  TestPlatform platform;
  std::ostringstream console;
  Run run{platform, console};
};

std::string ReadFile(const std::string& path);
std::vector<std::string> ReadLines(const std::string& path);  // CR LF or LF; CR removed

// Runs build/veltra with the arguments in `dir`; returns the exit code, output in `output`.
// The batch files find the engines built next to veltra (t8s, SATNET and the others).
int RunVeltra(const std::vector<std::string>& args, const std::string& dir, std::string& output);

// Runs a shell command in `dir`; returns its exit code, its output (stdout and stderr) in `output`.
int RunShell(const std::string& command, const std::string& dir, std::string& output);

// Network position r of `qor` gets the number `number` (the rows up to r made first); r is at
// least the last network. Its row keeps the TRANSYT numbers it has.
void SetNetwork(QorVars& qor, int r, int number);

// What a writer writes into a TextWriter over a string (CR LF line ends).
template <class Write>
std::string Written(const Write& write) {
  std::ostringstream text;
  TextWriter out(text);
  write(out);
  out.Close();
  return text.str();
}

// Compares two texts line by line; empty when equal, else the first differences.
std::string DiffLines(const std::string& expected, const std::string& actual);

}  // namespace veltra::test

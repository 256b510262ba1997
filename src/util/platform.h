// The narrow interface to the operating system: starting a program and waiting for it,
// pauses, the operating-system code, and where the running executable lives. Everything
// else (files, directories) goes through std::filesystem, which is portable already.
#pragma once

#include <string>
#include <vector>

namespace veltra {

struct ProcessSpec {
  std::string Program;            // full path of the program to start
  std::vector<std::string> Args;  // arguments after the program name
  std::string StdinFile;          // file given as standard input; empty keeps the caller's
  bool Hidden = true;             // hidden: the child's output goes nowhere
  std::string WorkDir;            // empty: the current directory
};

class Platform {
 public:
  virtual ~Platform() = default;

  // Pauses of the run (after the usage text, after a TRANSYT run, while SATURN settles).
  virtual void Sleep(int milliseconds) = 0;
  // Waits until the user presses Enter on the console (or the console is closed).
  virtual void WaitForEnter() = 0;
  // Operating-system version code of the run's platform; 0 where the platform has none.
  virtual int OsVersionCode() = 0;
  // Full path of the running veltra executable (empty when unknown).
  virtual std::string ExecutablePath() = 0;
  // The value of an environment variable, empty when unset.
  virtual std::string GetEnv(const std::string& name) = 0;
  // Starts a program and waits for its end. Returns its exit code, or -1 when it could not
  // be started.
  virtual int StartAndWait(const ProcessSpec& launch) = 0;
};

// The implementation for POSIX systems (Linux here). A Windows implementation sits beside it.
class PosixPlatform : public Platform {
 public:
  void Sleep(int milliseconds) override;
  void WaitForEnter() override;
  int OsVersionCode() override { return 0; }
  std::string ExecutablePath() override;
  std::string GetEnv(const std::string& name) override;
  int StartAndWait(const ProcessSpec& launch) override;
};

}  // namespace veltra

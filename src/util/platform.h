// The narrow interface to the operating system: starting a program and waiting for it,
// pauses, the operating-system code, where the running executable lives, and whether a person
// watches the program's console. Everything
// else (files, directories) goes through std::filesystem, which is portable already.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace veltra {

enum class StandardStream : uint8_t { Output, Error };

struct ProcessSpec {
  std::string Program;            // full path of the program to start
  std::vector<std::string> Args;  // arguments after the program name
  std::string StdinFile;          // file given as standard input; empty keeps the caller's
  bool Hidden = true;             // hidden: no window; the child's output goes to OutputFile
  std::string OutputFile;         // hidden runs: standard output and error appended here; empty: nowhere
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
  // Where the system has a batch shell of its own (cmd.exe on Windows), runs the batch file
  // with it, hidden (its output appended to `outputFile`, when one is named) or shown, waits
  // for it and returns true with its exit code (-1 when the shell could not be started).
  // Returns false elsewhere: the program's own interpreter then runs the file.
  virtual bool RunBatchWithSystemShell(const std::string& batchFile, bool hidden, const std::string& outputFile,
                                       int& exitCode) {
    (void)batchFile;
    (void)hidden;
    (void)outputFile;
    (void)exitCode;
    return false;
  }
  // Makes the console show the program's UTF-8 texts (the Spanish accents) as they are.
  virtual void PrepareConsole() {}
  // Whether the standard output or error is a console a person watches, rather than a file, a
  // pipe or the null device: the engines show progress lines only there, so that batch files and
  // the loop, which redirect them, get none.
  virtual bool IsTerminal(StandardStream stream) {
    (void)stream;
    return false;
  }
};

#ifndef _WIN32
// The implementation for POSIX systems (Linux here).
class PosixPlatform : public Platform {
 public:
  void Sleep(int milliseconds) override;
  void WaitForEnter() override;
  int OsVersionCode() override { return 0; }
  std::string ExecutablePath() override;
  std::string GetEnv(const std::string& name) override;
  int StartAndWait(const ProcessSpec& launch) override;
  bool IsTerminal(StandardStream stream) override;
};
using NativePlatform = PosixPlatform;
#else
// The implementation for Windows: programs started with CreateProcess, the run batch file
// executed by cmd.exe, the version code from the system's real version.
class WindowsPlatform : public Platform {
 public:
  void Sleep(int milliseconds) override;
  void WaitForEnter() override;
  int OsVersionCode() override;
  std::string ExecutablePath() override;
  std::string GetEnv(const std::string& name) override;
  int StartAndWait(const ProcessSpec& launch) override;
  bool RunBatchWithSystemShell(const std::string& batchFile, bool hidden, const std::string& outputFile,
                               int& exitCode) override;
  void PrepareConsole() override;
  bool IsTerminal(StandardStream stream) override;
};
using NativePlatform = WindowsPlatform;
#endif

// The version code of a Windows version (major and minor number, workstation or server), in
// the enumeration the run reports and that chooses how the outside programs are started; 0
// for a version the enumeration does not know.
int WindowsVersionCode(unsigned major, unsigned minor, bool workstation);

// The command line that runs `program` with `args` on Windows: each argument quoted where it
// holds blanks or quotes, in the form the C runtime splits back into the same arguments.
std::string WindowsCommandLine(const std::string& program, const std::vector<std::string>& args);

}  // namespace veltra

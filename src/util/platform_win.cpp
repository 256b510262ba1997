// The Windows side of the platform interface. File names are in the system's ANSI code page,
// as the command line and std::filesystem hand them to the program, so the ANSI ("A") calls
// take them unchanged.
#ifdef _WIN32

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <iostream>
#include <string>
#include <vector>

#include "util/files.h"
#include "util/platform.h"
#include "util/text.h"

namespace veltra {

namespace {

// A handle closed when it goes out of scope.
class Handle {
 public:
  explicit Handle(HANDLE h = INVALID_HANDLE_VALUE) : h_(h) {}
  ~Handle() {
    if (h_ != INVALID_HANDLE_VALUE && h_ != nullptr) CloseHandle(h_);
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  void Reset(HANDLE h) {
    if (valid()) CloseHandle(h_);
    h_ = h;
  }
  HANDLE get() const { return h_; }
  bool valid() const { return h_ != INVALID_HANDLE_VALUE && h_ != nullptr; }

 private:
  HANDLE h_;
};

HANDLE OpenInheritable(const char* name, bool forWriting) {
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  return CreateFileA(name, forWriting ? GENERIC_WRITE : GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                     OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

// The output file of a hidden run, opened for appending (created when missing); NUL when none
// is named or it cannot be opened.
HANDLE OpenOutput(const std::string& outputFile) {
  if (!outputFile.empty()) {
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE h = CreateFileA(outputFile.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                           OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h != INVALID_HANDLE_VALUE) return h;
  }
  return OpenInheritable("NUL", true);
}

// Starts a command line and waits for its end. Hidden: no window, and the standard output and
// error go to the output file (NUL when none); without an input file a hidden program reads
// an empty input, since nobody can type at it. Shown: a console window of its own, as a
// program started by the user has.
int Launch(std::string commandLine, const std::string& stdinFile, bool hidden, const std::string& workDir,
           const std::string& outputFile) {
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  Handle input, output;
  if (hidden || !stdinFile.empty()) {
    input.Reset(OpenInheritable(stdinFile.empty() ? "NUL" : stdinFile.c_str(), false));
    if (!input.valid()) return -1;
    output.Reset(hidden ? OpenOutput(outputFile) : OpenInheritable("NUL", true));
    startup.dwFlags |= STARTF_USESTDHANDLES;
    startup.hStdInput = input.get();
    startup.hStdOutput = hidden ? output.get() : GetStdHandle(STD_OUTPUT_HANDLE);
    startup.hStdError = hidden ? output.get() : GetStdHandle(STD_ERROR_HANDLE);
  }
  startup.dwFlags |= STARTF_USESHOWWINDOW;
  startup.wShowWindow = hidden ? SW_HIDE : SW_SHOWNORMAL;
  DWORD flags = hidden ? CREATE_NO_WINDOW : CREATE_NEW_CONSOLE;

  std::cout.flush();
  PROCESS_INFORMATION process{};
  std::vector<char> mutableLine(commandLine.begin(), commandLine.end());
  mutableLine.push_back('\0');
  if (!CreateProcessA(nullptr, mutableLine.data(), nullptr, nullptr, TRUE, flags, nullptr,
                      workDir.empty() ? nullptr : workDir.c_str(), &startup, &process))
    return -1;
  Handle processHandle(process.hProcess), threadHandle(process.hThread);
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD code = 0;
  if (!GetExitCodeProcess(process.hProcess, &code)) return -1;
  // Exit codes are unsigned on Windows; the interface keeps negative values for "not started".
  return static_cast<int>(code & 0x7fffffff);
}

}  // namespace

void WindowsPlatform::Sleep(int milliseconds) {
  if (milliseconds > 0) ::Sleep(static_cast<DWORD>(milliseconds));
}

void WindowsPlatform::WaitForEnter() {
  std::string line;
  std::getline(std::cin, line);
}

int WindowsPlatform::OsVersionCode() {
  // GetVersionEx reports what the program's manifest declares it supports, not the system;
  // the kernel's own call reports the real version.
  using RtlGetVersionFn = LONG(WINAPI*)(OSVERSIONINFOEXW*);
  HMODULE ntdll = GetModuleHandleA("ntdll.dll");
  if (!ntdll) return 0;
  auto rtlGetVersion = reinterpret_cast<RtlGetVersionFn>(reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlGetVersion")));
  if (!rtlGetVersion) return 0;
  OSVERSIONINFOEXW info{};
  info.dwOSVersionInfoSize = sizeof info;
  if (rtlGetVersion(&info) != 0) return 0;
  return WindowsVersionCode(info.dwMajorVersion, info.dwMinorVersion, info.wProductType == VER_NT_WORKSTATION);
}

std::string WindowsPlatform::ExecutablePath() {
  std::vector<char> buffer(MAX_PATH);
  for (;;) {
    DWORD n = GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0) return std::string();
    if (n < buffer.size()) return std::string(buffer.data(), n);
    if (buffer.size() >= 32768) return std::string();
    buffer.resize(buffer.size() * 2);
  }
}

std::string WindowsPlatform::GetEnv(const std::string& name) {
  DWORD n = GetEnvironmentVariableA(name.c_str(), nullptr, 0);
  if (n == 0) return std::string();
  std::vector<char> buffer(n);
  n = GetEnvironmentVariableA(name.c_str(), buffer.data(), static_cast<DWORD>(buffer.size()));
  return n < buffer.size() ? std::string(buffer.data(), n) : std::string();
}

int WindowsPlatform::StartAndWait(const ProcessSpec& launch) {
  return Launch(WindowsCommandLine(launch.Program, launch.Args), launch.StdinFile, launch.Hidden, launch.WorkDir,
                launch.OutputFile);
}

bool WindowsPlatform::RunBatchWithSystemShell(const std::string& batchFile, bool hidden, const std::string& outputFile,
                                              int& exitCode) {
  // The programs a batch file names are looked up by the shell in the working directory and
  // the PATH; the directory of veltra.exe, where the built-in engines are installed, is added
  // at the end of the PATH the shell inherits.
  std::string exeDir = ExtractFileDir(ExecutablePath());
  std::string path = GetEnv("PATH");
  if (!exeDir.empty() && Upper(";" + path + ";").find(Upper(";" + exeDir + ";")) == std::string::npos) {
    path += (path.empty() ? "" : ";") + exeDir;
    SetEnvironmentVariableA("PATH", path.c_str());
  }
  std::string shell = GetEnv("ComSpec");
  if (shell.empty()) shell = "cmd.exe";
  // With /c, cmd.exe drops the first and the last quote of the rest of the line, so the batch
  // file's own quotes (needed when its path holds blanks) sit inside a second pair.
  std::string commandLine = WindowsCommandLine(shell, {}) + " /d /c \"\"" + batchFile + "\"\"";
  exitCode = Launch(commandLine, std::string(), hidden, std::string(), outputFile);
  return true;
}

void WindowsPlatform::PrepareConsole() {
  // The texts are UTF-8; the console shows them as such only in the UTF-8 code page.
  SetConsoleOutputCP(CP_UTF8);
}

bool WindowsPlatform::IsTerminal(StandardStream stream) {
  // A console answers GetConsoleMode; a file, a pipe and NUL do not. (_isatty would take NUL,
  // a character device, for a console.)
  HANDLE h = GetStdHandle(stream == StandardStream::Output ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE);
  DWORD mode = 0;
  return h != nullptr && h != INVALID_HANDLE_VALUE && GetConsoleMode(h, &mode) != 0;
}

}  // namespace veltra

#endif  // _WIN32

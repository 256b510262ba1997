// The POSIX side of the platform interface; the Windows side is platform_win.cpp.
#ifndef _WIN32

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>
#include <thread>

#include "util/platform.h"

namespace veltra {

void PosixPlatform::Sleep(int milliseconds) {
  if (milliseconds > 0) std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

void PosixPlatform::WaitForEnter() {
  std::string line;
  std::getline(std::cin, line);
}

std::string PosixPlatform::ExecutablePath() {
  std::error_code ec;
  auto p = std::filesystem::read_symlink("/proc/self/exe", ec);
  return ec ? std::string() : p.string();
}

std::string PosixPlatform::GetEnv(const std::string& name) {
  const char* v = std::getenv(name.c_str());
  return v ? std::string(v) : std::string();
}

int PosixPlatform::StartAndWait(const ProcessSpec& launch) {
  std::vector<std::string> argvStore;
  argvStore.push_back(launch.Program);
  for (const auto& a : launch.Args) argvStore.push_back(a);
  std::vector<char*> argv;
  for (auto& a : argvStore) argv.push_back(a.data());
  argv.push_back(nullptr);

  std::cout.flush();
  // A close-on-exec pipe tells the parent whether exec itself failed.
  int report[2];
  if (pipe2(report, O_CLOEXEC) != 0) return -1;
  pid_t pid = fork();
  if (pid < 0) {
    close(report[0]);
    close(report[1]);
    return -1;
  }
  if (pid == 0) {
    close(report[0]);
    if (!launch.WorkDir.empty() && chdir(launch.WorkDir.c_str()) != 0) _exit(127);
    // A hidden program has nobody to type at it: without redirection it reads an empty input.
    std::string input = launch.StdinFile.empty() && launch.Hidden ? std::string("/dev/null") : launch.StdinFile;
    if (!input.empty()) {
      int fd = open(input.c_str(), O_RDONLY);
      if (fd < 0) _exit(127);
      dup2(fd, 0);
      close(fd);
    }
    if (launch.Hidden) {
      // Hidden: nobody watches its console, so what it writes goes to the output file, where
      // the user can read why a run failed; without one, nowhere.
      int out = launch.OutputFile.empty() ? -1 : open(launch.OutputFile.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
      if (out < 0) out = open("/dev/null", O_WRONLY);
      if (out >= 0) {
        dup2(out, 1);
        dup2(out, 2);
        close(out);
      }
    }
    execv(launch.Program.c_str(), argv.data());
    char failed = 1;
    ssize_t ignored = write(report[1], &failed, 1);
    (void)ignored;
    _exit(127);
  }
  close(report[1]);
  char failed = 0;
  ssize_t got;
  do {
    got = read(report[0], &failed, 1);
  } while (got < 0 && errno == EINTR);
  close(report[0]);
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return -1;
  }
  if (got == 1) return -1;
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  return -1;
}

bool PosixPlatform::IsTerminal(StandardStream stream) {
  return isatty(stream == StandardStream::Output ? STDOUT_FILENO : STDERR_FILENO) == 1;
}

}  // namespace veltra

#endif  // _WIN32

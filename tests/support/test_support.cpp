#include "support/test_support.h"

#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "util/text.h"

namespace fs = std::filesystem;

namespace veltra::test {

#ifndef _WIN32
TempDir::TempDir() {
  previous_ = fs::current_path().string();
  std::string tmpl = (fs::temp_directory_path() / "veltra_test_XXXXXX").string();
  std::vector<char> buffer(tmpl.begin(), tmpl.end());
  buffer.push_back('\0');
  char* made = mkdtemp(buffer.data());
  path_ = made ? std::string(made) : tmpl;
  fs::current_path(path_);
}
#else
TempDir::TempDir() {
  previous_ = fs::current_path().string();
  // VELTRA_TEST_TMP keeps the directories on the drive of the source tree (under Wine, the
  // test data's paths name no drive and are taken on the current one).
  const char* base = std::getenv("VELTRA_TEST_TMP");
  fs::path root = base && *base ? fs::path(base) : fs::temp_directory_path();
  fs::create_directories(root);
  static unsigned counter = 0;
  for (;;) {
    fs::path candidate = root / ("veltra_test_" + std::to_string(std::rand()) + "_" + std::to_string(++counter));
    std::error_code ec;
    if (fs::create_directory(candidate, ec)) {
      path_ = candidate.string();
      break;
    }
  }
  fs::current_path(path_);
}
#endif

TempDir::~TempDir() {
  std::error_code ec;
  fs::current_path(previous_, ec);
  fs::remove_all(path_, ec);
}

std::string TempDir::File(const std::string& name) const { return (fs::path(path_) / name).make_preferred().string(); }

void TempDir::Write(const std::string& name, const std::string& content) const {
  fs::path p = fs::path(path_) / name;
  fs::create_directories(p.parent_path());
  std::ofstream out(p, std::ios::binary);
  out << content;
}

void TempDir::WriteLines(const std::string& name, const std::vector<std::string>& lines, const char* lineEnd) const {
  std::string content;
  for (const auto& l : lines) content += l + lineEnd;
  Write(name, content);
}

std::string TempDir::Read(const std::string& name) const { return ReadFile(File(name)); }

bool TempDir::Exists(const std::string& name) const { return fs::exists(File(name)); }

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

std::vector<std::string> ReadLines(const std::string& path) {
  std::vector<std::string> lines;
  LoadLines(path, lines);
  return lines;
}

namespace {
std::string ReadAll(FILE* pipe) {
  std::string text;
  char buffer[4096];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) text.append(buffer, n);
  return text;
}
}  // namespace

#ifndef _WIN32
int RunVeltra(const std::vector<std::string>& args, const std::string& dir, std::string& output) {
  std::string command = "'" + std::string(VELTRA_EXE) + "'";
  for (const auto& a : args) command += " '" + a + "'";
  return RunShell(command, dir, output);
}

int RunShell(const std::string& command, const std::string& dir, std::string& output) {
  const std::string full = "cd '" + dir + "' && " + command + " </dev/null 2>&1";
  output.clear();
  FILE* pipe = popen(full.c_str(), "r");
  if (!pipe) return -1;
  output = ReadAll(pipe);
  int status = pclose(pipe);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
#else
namespace {
std::string WindowsPath(std::string path) {
  for (char& c : path)
    if (c == '/') c = '\\';
  return path;
}
}  // namespace

// On Windows the outside programs are built apart: VELTRA_STANDINS, when set, names their
// directory, which then comes first on the PATH.
int RunVeltra(const std::vector<std::string>& args, const std::string& dir, std::string& output) {
  std::string command;
  const char* standInDir = std::getenv("VELTRA_STANDINS");
  if (standInDir) command += "set \"PATH=" + WindowsPath(standInDir) + ";%PATH%\" && ";
  command += "\"" + WindowsPath(VELTRA_EXE) + "\"";
  for (const auto& a : args) command += " \"" + a + "\"";
  return RunShell(command, dir, output);
}

int RunShell(const std::string& command, const std::string& dir, std::string& output) {
  const std::string full = "cd /d \"" + WindowsPath(dir) + "\" && " + command + " <NUL 2>&1";
  output.clear();
  FILE* pipe = _popen(full.c_str(), "rb");
  if (!pipe) return -1;
  output = ReadAll(pipe);
  // The console's line ends, so the texts compare with those of the other systems.
  std::string lf;
  for (size_t i = 0; i < output.size(); ++i)
    if (!(output[i] == '\r' && i + 1 < output.size() && output[i + 1] == '\n')) lf.push_back(output[i]);
  output = lf;
  return _pclose(pipe);
}
#endif

std::string DiffLines(const std::string& expected, const std::string& actual) {
  auto split = [](const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      lines.push_back(line);
    }
    return lines;
  };
  std::vector<std::string> e = split(expected), a = split(actual);
  std::ostringstream out;
  int shown = 0;
  size_t n = std::max(e.size(), a.size());
  for (size_t i = 0; i < n && shown < 10; ++i) {
    const std::string* el = i < e.size() ? &e[i] : nullptr;
    const std::string* al = i < a.size() ? &a[i] : nullptr;
    if (el && al && *el == *al) continue;
    out << "line " << (i + 1) << ":\n  expected: " << (el ? "[" + *el + "]" : "(none)")
        << "\n  actual:   " << (al ? "[" + *al + "]" : "(none)") << "\n";
    ++shown;
  }
  return out.str();
}

void SetNetwork(QorVars& qor, int r, int number) {
  if (qor.RedNodos.size() <= static_cast<size_t>(r)) qor.RedNodos.resize(static_cast<size_t>(r) + 1);
  qor.RedNodos[static_cast<size_t>(r)].Number = NetworkNumber(number);
  qor.NumRedes = std::max(qor.NumRedes, r);
  qor.SizeNetworkTables();
}

}  // namespace veltra::test

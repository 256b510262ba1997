#include "util/batch.h"

#include <cstring>
#include <filesystem>
#include <system_error>
#include <vector>

#include "util/conversions.h"
#include "util/files.h"
#include "util/text.h"

namespace fs = std::filesystem;

namespace veltra {

namespace {

// Programs the batch files name that only make sense on the system they were written for
// (the DOS extender, its clean-up, the text viewer): skipped when no such program exists here.
bool IsOptionalProgram(const std::string& name) {
  std::string n = Upper(name);
  if (!n.empty() && n[0] == '$') n.erase(0, 1);
  return n == "DBOS" || n == "KILL_DBO" || n == "WORDPAD";
}

std::vector<std::string> PathDirectories(const std::string& pathVariable) {
  std::vector<std::string> dirs;
  std::string current;
#ifdef _WIN32
  const char* const separators = ";";  // ":" belongs to drive letters there
#else
  const char* const separators = ";:";
#endif
  for (char c : pathVariable) {
    if (std::strchr(separators, c)) {
      if (!current.empty()) dirs.push_back(current);
      current.clear();
    } else {
      current.push_back(c);
    }
  }
  if (!current.empty()) dirs.push_back(current);
  return dirs;
}

// An executable regular file in `dir` whose name equals `name` without regard to case.
std::string FindInDirectory(const std::string& dir, const std::string& name) {
  std::error_code ec;
  fs::path exact = fs::path(dir.empty() ? "." : dir) / name;
  if (fs::is_regular_file(exact, ec)) return fs::absolute(exact, ec).string();
  fs::directory_iterator it(dir.empty() ? fs::path(".") : fs::path(dir), ec);
  if (ec) return std::string();
  for (const auto& entry : it) {
    std::error_code fileEc;
    if (!entry.is_regular_file(fileEc)) continue;
    if (EqualsIgnoreCase(entry.path().filename().string(), name)) return fs::absolute(entry.path(), fileEc).string();
  }
  return std::string();
}

struct Interpreter {
  Platform& platform;
  const BatchOptions& options;
  std::string batchFile;
  std::string pathVariable;
  bool ok = true;

  void Report(const std::string& text) {
    if (options.Report) options.Report(text);
  }

  void Fail(int lineNo, const std::string& what) {
    Report(Printf("ERROR - %s (%s, linea %d)", what.c_str(), batchFile.c_str(), lineNo));
    ok = false;
  }

  // Executes one command; `line` is already trimmed.
  void Execute(const std::string& line, int lineNo) {
    if (line.empty()) return;
    std::vector<std::string> words = SplitBlanks(line);
    if (words.empty()) return;
    std::string first = Upper(words[0]);

    if (first == "@ECHO" || first == "ECHO" || first == "REM" || StartsWith(first, "::")) return;
    if (line.find_first_of("|>&") != std::string::npos) {
      Fail(lineNo, "Linea no reconocida: " + line);
      return;
    }
    if (first == "SET") {
      std::string rest = Trim(line.substr(3));
      size_t eq = rest.find('=');
      if (eq == std::string::npos) {
        Fail(lineNo, "Linea no reconocida: " + line);
        return;
      }
      if (Upper(Trim(rest.substr(0, eq))) == "PATH") {
        std::string value = rest.substr(eq + 1);
        size_t ref = Upper(value).find("%PATH%");
        if (ref != std::string::npos) value.replace(ref, 6, pathVariable);
        pathVariable = value;
      }
      return;
    }
    if (first == "ERASE" || first == "DEL") {
      if (words.size() != 2) {
        Fail(lineNo, "Linea no reconocida: " + line);
        return;
      }
      DeleteMatching(words[1]);
      return;
    }
    if (first == "COPY") {
      if (words.size() != 3) {
        Fail(lineNo, "Linea no reconocida: " + line);
        return;
      }
      CopyIfExists(words[1], words[2]);
      return;
    }
    if (first == "IF") {
      if (words.size() < 4 || Upper(words[1]) != "EXIST") {
        Fail(lineNo, "Linea no reconocida: " + line);
        return;
      }
      if (!MatchingFiles(words[2]).empty()) Execute(Trim(RestAfterWords(line, 3)), lineNo);
      return;
    }
    if (first == "CALL") {
      Execute(Trim(RestAfterWords(line, 1)), lineNo);
      return;
    }
    if (first == "START") {
      if (words.size() < 3 || Upper(words[1]) != "/W") {
        Fail(lineNo, "Linea no reconocida: " + line);
        return;
      }
      Execute(Trim(RestAfterWords(line, 2)), lineNo);
      return;
    }
    RunProgram(words, line, lineNo);
  }

  // The text of `line` after its first `count` blank-separated words.
  static std::string RestAfterWords(const std::string& line, int count) {
    size_t pos = 0;
    for (int w = 0; w < count; ++w) {
      while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t')) ++pos;
      while (pos < line.size() && line[pos] != ' ' && line[pos] != '\t') ++pos;
    }
    return line.substr(pos);
  }

  void RunProgram(const std::vector<std::string>& words, const std::string& commandLine, int lineNo) {
    ProcessSpec launch;
    launch.Hidden = options.Hidden;
    std::vector<std::string> args;
    for (size_t w = 1; w < words.size(); ++w) {
      const std::string& word = words[w];
      if (word == "<") {
        if (w + 1 >= words.size()) {
          Fail(lineNo, "Redireccion sin archivo");
          return;
        }
        launch.StdinFile = words[++w];
      } else if (word[0] == '<') {
        launch.StdinFile = word.substr(1);
      } else {
        args.push_back(word);
      }
    }
    const std::string& name = words[0];
    launch.Program = FindProgram(platform, name, pathVariable);
    if (launch.Program.empty()) {
      if (IsOptionalProgram(name)) return;
      Fail(lineNo, "Programa " + name + " no encontrado");
      return;
    }
    if (!launch.StdinFile.empty() && !FileExists(launch.StdinFile)) {
      Fail(lineNo, "Archivo de entrada " + launch.StdinFile + " no existe");
      return;
    }
    launch.Args = std::move(args);
    launch.OutputFile = options.OutputFile;
    Note("> " + commandLine + (launch.Hidden ? "" : "   (salida en su ventana)"));
    const int exitCode = platform.StartAndWait(launch);
    if (exitCode < 0) {
      Note("< " + name + ": no se pudo iniciar");
      Fail(lineNo, "No se pudo iniciar " + launch.Program);
      return;
    }
    Note(Printf("< %s: codigo de salida %d", name.c_str(), exitCode));
    if (options.ProgramEnded) options.ProgramEnded(name, exitCode);
  }

  // A line of the programs' log; a log that cannot be written takes nothing from the run.
  void Note(const std::string& text) {
    if (!options.OutputFile.empty()) AppendLine(options.OutputFile, text);
  }
};

}  // namespace

std::string FindProgram(Platform& platform, const std::string& name, const std::string& pathVariable) {
  if (name.empty()) return std::string();
  std::vector<std::string> candidates{name};
  if (name.size() > 1 && name[0] == '$') candidates.push_back(name.substr(1));
  std::vector<std::string> dirs{""};
  for (const auto& d : PathDirectories(pathVariable)) dirs.push_back(d);
  std::string exeDir = ExtractFileDir(platform.ExecutablePath());
  if (!exeDir.empty()) dirs.push_back(exeDir);
  for (const auto& candidate : candidates) {
    if (candidate.find_first_of("/\\:") != std::string::npos) {  // a path, with or without a drive
      if (FileExists(candidate)) return ExpandFileName(candidate);
      continue;
    }
    for (const auto& dir : dirs) {
      std::string found = FindInDirectory(dir, candidate);
      if (!found.empty()) return found;
    }
  }
  return std::string();
}

bool RunBatchFile(Platform& platform, const std::string& batchFile, const BatchOptions& options) {
  // Where the system has its own batch shell, it runs the file, so the user's own batch files
  // behave exactly as that system makes them.
  int shellExit = 0;
  if (FileExists(batchFile) &&
      platform.RunBatchWithSystemShell(batchFile, options.Hidden, options.OutputFile, shellExit)) {
    if (shellExit < 0) {
      if (options.Report) options.Report("ERROR - No se pudo iniciar el interprete de comandos para " + batchFile);
      return false;
    }
    // The shell's own exit code is that of the last line it ran, often an ERASE: it is noted in
    // the programs' log, not taken for a program's failure.
    if (!options.OutputFile.empty())
      AppendLine(options.OutputFile,
                 Printf("< %s (interprete de comandos): codigo de salida %d", batchFile.c_str(), shellExit));
    return true;
  }
  Interpreter interpreter{platform, options, batchFile, platform.GetEnv("PATH")};
  std::vector<std::string> lines;
  if (!LoadLines(batchFile, lines)) {
    interpreter.Report("ERROR - No existe " + batchFile);
    return false;
  }
  for (size_t i = 0; i < lines.size(); ++i) interpreter.Execute(Trim(lines[i]), static_cast<int>(i) + 1);
  return interpreter.ok;
}

}  // namespace veltra

#include "programs/program_env.h"

#include <filesystem>
#include <fstream>
#include <system_error>

#include "util/files.h"
#include "util/text.h"

namespace veltra {

namespace {

// How many of the programs' own last lines a failure shows; the log holds them all.
constexpr size_t kTailLines = 6;

// The size of the log before a run: what the run adds starts there.
uintmax_t SizeOf(const std::string& name) {
  std::error_code ec;
  const uintmax_t size = std::filesystem::file_size(name, ec);
  return ec ? 0 : size;
}

// The lines the first program that failed after `from` wrote to the log (the last kTailLines
// of them): what a program says as it fails is the reason; the programs after it mostly fail
// for want of its files. Without such a program, the last lines of the run.
std::vector<std::string> OutputSince(const std::string& name, uintmax_t from) {
  std::vector<std::string> section, last;
  std::ifstream in(name, std::ios::binary);
  if (!in || !in.seekg(static_cast<std::streamoff>(from))) return last;
  auto keep = [](std::vector<std::string>& lines, const std::string& text) {
    lines.push_back(text);
    if (lines.size() > kTailLines) lines.erase(lines.begin());
  };
  std::string line;
  while (std::getline(in, line)) {
    const std::string text = TrimRight(line);
    if (StartsWith(text, "> ")) {
      section.clear();
      continue;
    }
    if (StartsWith(text, "< ")) {
      if (!EndsWith(text, "codigo de salida 0")) return section;
      continue;
    }
    if (text.empty() || StartsWith(text, "=== ")) continue;
    keep(section, text);
    keep(last, text);
  }
  return last;
}

}  // namespace

std::string ProgramRun::FailureText() const {
  std::string text;
  for (const std::string& failure : Failures) text += (text.empty() ? "" : "; ") + failure;
  return text;
}

ProgramRun RunProgramBatch(const ProgramEnv& env, const std::string& batchFile, const std::string& label, bool hidden,
                           ProgramRun run) {
  const std::string& log = env.OutputLog;
  const uintmax_t before = log.empty() ? 0 : SizeOf(log);
  if (!log.empty()) AppendLine(log, "=== " + label);

  BatchOptions options;
  options.Hidden = hidden;
  options.OutputFile = log;
  options.Report = [&env, &run](const std::string& message) {
    env.Log.Line(message);
    run.Failures.push_back(StartsWith(message, "ERROR - ") ? message.substr(8) : message);
  };
  options.ProgramEnded = [&run](const std::string& program, int exitCode) {
    // SATURN's batch files name its programs "$SATALL"; the message names the program.
    const std::string name = StartsWith(program, "$") ? program.substr(1) : program;
    if (exitCode != 0) run.Failures.push_back(Printf("%s termino con codigo de salida %d", name.c_str(), exitCode));
  };
  const bool ok = RunBatchFile(env.Sys, batchFile, options);
  run.Ran = true;
  if (!ok && run.Failures.empty())
    run.Failures.push_back("el archivo de corrida " + batchFile + " no se pudo ejecutar");
  if (run.Failed()) run.OutputTail = OutputSince(log, before);
  return run;
}

}  // namespace veltra

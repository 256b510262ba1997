#include "programs/transyt_run.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "util/batch.h"
#include "util/files.h"
#include "util/text.h"

namespace fs = std::filesystem;

namespace veltra {

namespace {

const char* const kAnswerFile = "_opt.dat";
const char* const kWorkingData = "_red_.dat";
const char* const kBatchFile = "_sh.bat";

// Windows 2000, XP and 7 start the batch file through the shell; "start /w" keeps the batch
// waiting for the editor there.
bool ShellStartsBatch(int osCode) { return osCode == 10 || osCode == 11 || osCode == 17; }

// True when the data file is the working copy itself (run in place).
bool IsWorkingCopy(const std::string& dataFile) {
  if (Upper(dataFile) == Upper(kWorkingData)) return true;
  std::error_code ec;
  return fs::equivalent(fs::path(dataFile), fs::path(kWorkingData), ec);
}

ProgramRun RunProgram(const ProgramEnv& env, const std::string& dataFile, const std::string& printFile, int pause,
                      bool cyop) {
  const Settings& cfg = env.Cfg;
  if (cfg.TransytExe != "t8s") return ProgramRun();

  {
    TextWriter answers(kAnswerFile);
    answers.Line("1");
    answers.Close();
  }
  if (FileExists(printFile)) DeleteFileIfExists(printFile);

  const bool copied = !IsWorkingCopy(dataFile);
  if (copied) {
    DeleteFileIfExists(kWorkingData);
    CopyFileReplacing(dataFile, kWorkingData);
  }
  const std::string workingPrint = "_red_" + ExtractExtension(printFile);

  {
    TextWriter batch(kBatchFile);
    batch.Line(Printf("%s %s %s <_opt.dat", cfg.TransytExe.c_str(), kWorkingData, workingPrint.c_str()));
    if (pause == 1) {
      const char* format = ShellStartsBatch(env.OsCode) ? "IF EXIST %s start /w wordpad %s" : "IF EXIST %s wordpad %s";
      batch.Line(Printf(format, workingPrint.c_str(), workingPrint.c_str()));
    }
    batch.Close();
  }

  // Started through the shell or as a DOS-mode program, the batch file ends up in our
  // interpreter on this platform; only the window differs, and it follows TransytVisible.
  const ProgramRun run = RunProgramBatch(
      env, kBatchFile, Printf("%s: %s -> %s", cyop ? "CYOP" : "Transyt", dataFile.c_str(), printFile.c_str()),
      cfg.HiddenTransyt());
  // Programs that release their print file late get EsperaTransyt seconds (1 by default),
  // clamped so that a huge setting cannot overflow the milliseconds.
  const long long pauseMs = std::clamp(static_cast<long long>(env.Cfg.EsperaTransyt) * 1000, 0LL, 3600000LL);
  env.Sys.Sleep(static_cast<int>(pauseMs));

  DeleteFileIfExists(kBatchFile);
  std::error_code answerError;
  fs::remove(fs::path(kAnswerFile), answerError);
  if (cyop && answerError)
    env.Log.Line(Printf("No pudo borrar \"_opt.dat\" (%s, %s)", dataFile.c_str(), printFile.c_str()));

  if (copied && FileExists(workingPrint)) {
    std::error_code ec;
    fs::rename(fs::path(workingPrint), fs::path(printFile), ec);
    // A print file wanted on another file system cannot be renamed there: copied instead.
    if (ec && CopyFileReplacing(workingPrint, printFile)) DeleteFileIfExists(workingPrint);
  }
  return run;
}

}  // namespace

ProgramRun RunCyop(const ProgramEnv& env, const std::string& dataFile, const std::string& printFile) {
  return RunProgram(env, dataFile, printFile, env.Cfg.PausaCyop, true);
}

ProgramRun RunTransyt(const ProgramEnv& env, const std::string& dataFile, const std::string& printFile) {
  return RunProgram(env, dataFile, printFile, env.Cfg.PausaTransyt, false);
}

}  // namespace veltra

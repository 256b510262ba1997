#include "programs/saturn_run.h"

#include <algorithm>
#include <climits>

#include "util/batch.h"
#include "util/files.h"
#include "util/text.h"

namespace veltra {

namespace {

constexpr const char* kBatchFile = "_sh.bat";

enum class SaturnForm { None, A, B, C };

// 9.1 and 9.3 run the programs one batch file each, 9.4 and 9.5 in one; from 10 on the
// programs are started by their "$" names. The version text is compared as text.
SaturnForm FormOf(const std::string& version) {
  if (version == "9.1" || version == "9.3") return SaturnForm::A;
  if (version == "9.4" || version == "9.5") return SaturnForm::B;
  if (version.substr(0, 3) >= "10.") return SaturnForm::C;
  return SaturnForm::None;
}

// EsperaSaturn seconds, as milliseconds.
int WaitMilliseconds(int seconds) {
  return static_cast<int>(std::clamp(static_cast<long long>(seconds) * 1000, 0LL, static_cast<long long>(INT_MAX)));
}

bool OneFileSystem(int osCode) { return osCode == 10 || osCode == 11 || osCode == 17; }

// Builds the lines of one batch file.
class BatchText {
 public:
  BatchText(const Settings& cfg, const std::string& net, const std::string& mat)
      : cfg_(cfg), net_(net), mat_(mat), lpa_(net + ".LPA") {}

  BatchText& Add(const std::string& line) {
    lines_.push_back(line);
    return *this;
  }
  BatchText& AddIf(bool condition, const std::string& line) { return condition ? Add(line) : *this; }
  // "%s" of the format receives NET.
  BatchText& Net(const char* format) { return Add(Printf(format, net_.c_str())); }
  // Both "%s" receive NET, then MAT.
  BatchText& NetMat(const char* format) { return Add(Printf(format, net_.c_str(), mat_.c_str())); }
  BatchText& NetNet(const char* format) { return Add(Printf(format, net_.c_str(), net_.c_str())); }
  BatchText& LpaLpa(const char* format) { return Add(Printf(format, lpa_.c_str(), lpa_.c_str())); }
  BatchText& CopyListing() { return Add(Printf("COPY %s.LPA %s", net_.c_str(), lpa_.c_str())); }

  // H: the header lines.
  BatchText& Header() {
    Add("@ECHO OFF");
    return AddIf(!cfg_.PathSaturn.empty(), "SET PATH=" + cfg_.PathSaturn);
  }
  // K: the control files of the previous SATURN program go before the next one starts.
  BatchText& ControlFiles() { return Add("").Add("ERASE $SAT9.CTL").Add("ERASE $SAT2.CTL"); }
  // E: the SATURN files the configuration asks to erase.
  BatchText& EraseLines() {
    if (cfg_.BorrarLPT == 1) Net("ERASE %s.LPT");
    if (cfg_.BorrarUFC == 1) Net("ERASE %s.UFC");
    if (cfg_.EraseAssignmentFiles()) {
      Net("ERASE %s.UFN").Net("ERASE %s.UFS").Net("ERASE %s.LPN");
    } else {
      if (cfg_.BorrarUFN == 1) Net("ERASE %s.UFN");
      if (cfg_.BorrarUFS == 1) Net("ERASE %s.UFS");
      if (cfg_.BorrarLPN == 1) Net("ERASE %s.LPN");
    }
    if (cfg_.EraseUfaAndKp()) Net("ERASE %s.UFA").Net("ERASE %s.KP");
    return *this;
  }

  SaturnBatch Done(bool wait) { return SaturnBatch{std::move(lines_), wait}; }

 private:
  const Settings& cfg_;
  std::string net_, mat_, lpa_;
  std::vector<std::string> lines_;
};

std::vector<SaturnBatch> FormA(const Settings& cfg, const std::string& net, const std::string& mat) {
  std::vector<SaturnBatch> batches;
  BatchText b1(cfg, net, mat);
  b1.Header().Add("DBOS").Net("ERASE %s.LP*").Net("ERASE %s.U*").Net("Call SATNET %s").Add("KILL_DBO");
  batches.push_back(b1.Done(true));

  BatchText b2(cfg, net, mat);
  b2.Header().Add("DBOS");
  if (cfg.PausaSatnet == 1) b2.NetNet("IF EXIST %s wordpad %s");
  b2.ControlFiles().NetMat("Call SATALL %s %s").Add("KILL_DBO");
  batches.push_back(b2.Done(true));

  BatchText b3(cfg, net, mat);
  b3.Header().Add("DBOS").ControlFiles();
  b3.NetMat(cfg.CorreSatass == 1 ? "Call SATASS %s %s" : "Call SATEASY %s %s").Add("KILL_DBO");
  batches.push_back(b3.Done(true));

  BatchText b4(cfg, net, mat);
  b4.Header().Add("DBOS").EraseLines().CopyListing().Add("KILL_DBO");
  if (cfg.PausaSatass == 1) b4.LpaLpa("IF EXIST %s wordpad %s");
  batches.push_back(b4.Done(false));
  return batches;
}

std::vector<SaturnBatch> FormB(const Settings& cfg, const std::string& net, const std::string& mat) {
  BatchText b(cfg, net, mat);
  b.Header().Add("DBOS").Net("ERASE %s.LP*").Net("ERASE %s.U*").Net("Call SATNET %s");
  if (cfg.PausaSatnet == 1) b.NetNet("IF EXIST %s wordpad %s");
  b.ControlFiles().NetMat("Call SATALL %s %s");
  b.ControlFiles().NetMat("Call SATASS %s %s");  // this version always assigns with SATASS
  b.EraseLines().CopyListing().Add("KILL_DBO");
  if (cfg.PausaSatass == 1) b.LpaLpa("IF EXIST %s wordpad %s");
  return {b.Done(false)};
}

std::vector<SaturnBatch> FormCOneFile(const Settings& cfg, const std::string& net, const std::string& mat) {
  BatchText b(cfg, net, mat);
  b.Header().Net("ERASE %s.LP*").Net("Start /w $SATNET %s");
  if (cfg.PausaSatnet == 1) b.NetNet("IF EXIST %s.LPN start /w wordpad %s.LPN");
  b.ControlFiles().NetMat("Start /w $SATALL %s %s");
  b.ControlFiles().NetMat(cfg.CorreSatass == 1 ? "Start /w $SATASS %s %s" : "Start /w $SATEASY %s %s");
  b.EraseLines();
  if (cfg.PausaSatass == 1) b.LpaLpa("IF EXIST %s Start /w wordpad %s");
  return {b.Done(false)};
}

std::vector<SaturnBatch> FormCFourFiles(const Settings& cfg, const std::string& net, const std::string& mat) {
  std::vector<SaturnBatch> batches;
  BatchText b1(cfg, net, mat);
  b1.Header().Net("ERASE %s.LP*").Net("$SATNET %s");
  batches.push_back(b1.Done(true));

  BatchText b2(cfg, net, mat);
  b2.Header();
  if (cfg.PausaSatnet == 1) b2.NetNet("IF EXIST %s.LPN wordpad %s.LPN");
  b2.ControlFiles().NetMat("$SATALL %s %s");
  batches.push_back(b2.Done(true));

  BatchText b3(cfg, net, mat);
  b3.Header().ControlFiles().NetMat(cfg.CorreSatass == 1 ? "$SATASS %s %s" : "$SATEASY %s %s");
  batches.push_back(b3.Done(true));

  BatchText b4(cfg, net, mat);
  b4.Header().EraseLines().CopyListing();
  if (cfg.PausaSatass == 1) b4.LpaLpa("IF EXIST %s wordpad %s");
  batches.push_back(b4.Done(false));
  return batches;
}

}  // namespace

std::vector<SaturnBatch> SaturnBatchFiles(const Settings& cfg, int osCode, const std::string& dataFile) {
  const std::string net = ChangeExtension(ExtractFileName(dataFile), "");
  const std::string mat = ChangeExtension(cfg.MatrizBinaria, "");
  switch (FormOf(cfg.VersionSaturn)) {
    case SaturnForm::A:
      return FormA(cfg, net, mat);
    case SaturnForm::B:
      return FormB(cfg, net, mat);
    case SaturnForm::C:
      return OneFileSystem(osCode) ? FormCOneFile(cfg, net, mat) : FormCFourFiles(cfg, net, mat);
    case SaturnForm::None:
      break;
  }
  return {};
}

ProgramRun RunSaturn(const ProgramEnv& env, const std::string& dataFile, int iteration) {
  ProgramRun run;
  if (env.Cfg.CorreSaturn != 1) return run;
  env.Log.Line(Printf("   Corriendo Saturn (%d)...", iteration));

  const std::vector<SaturnBatch> batches = SaturnBatchFiles(env.Cfg, env.OsCode, dataFile);
  const std::string label = Printf("Saturn (%d): %s", iteration, dataFile.c_str());
  for (const SaturnBatch& batch : batches) {
    TextWriter out(kBatchFile);
    for (const std::string& line : batch.Lines) out.Line(line);
    out.Close();
    run = RunProgramBatch(env, kBatchFile, label, env.Cfg.HiddenSaturn(), std::move(run));
    if (batch.Wait) env.Sys.Sleep(WaitMilliseconds(env.Cfg.EsperaSaturn));
  }
  if (!batches.empty()) DeleteFileIfExists(kBatchFile);
  return run;
}

}  // namespace veltra

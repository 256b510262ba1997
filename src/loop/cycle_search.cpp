#include "loop/cycle_search.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "loop/engine_checks.h"
#include "model/tables.h"
#include "output/companion_files.h"
#include "programs/transyt_run.h"
#include "transyt/cyop_choice.h"
#include "transyt/print_files.h"
#include "transyt/transyt_file.h"
#include "util/conversions.h"
#include "util/files.h"
#include "util/text.h"

namespace veltra {

namespace {

// Each test of a search is a TRANSYT run with its own data and print files; a range that would
// take more tests than this is a mistake in the configuration, not a search to run.
constexpr long long kMaxCycleTests = 250;

// A TRANSYT data file of network position r and its companion files beside it.
void WriteDataAndCompanions(Run& run, NetworkPosition r, const std::string& fileName, TransytFileKind kind, int32_t cycle) {
  const TransytDataFile written = WriteTransytFile(run.Cfg, r, run.Sat, run.Qor, run.Log, fileName, kind, cycle);
  WriteCompanionFiles(written, run.Sat, run.Qor, run.Log);
}

// One search of a network in one iteration.
class CycleSearcher {
 public:
  CycleSearcher(Run& run, NetworkPosition r, int iteration)
      : run_(run),
        r_(r),
        iteration_(iteration),
        number_(run.Qor.NumberOf(r).Value()),
        net_(run.Cfg.Network(r)),
        cyopData_(RunFiles::CyopData(iteration, NetworkNumber(number_))),
        cyopPrint_(RunFiles::CyopPrint(iteration, NetworkNumber(number_))) {}

  void Search() {
    switch (net_.OptimizaCiclo) {
      case CycleMode::Preassigned:
        PreassignedCycle();
        break;
      case CycleMode::Cyop:
        CyopCycle();
        break;
      case CycleMode::RangeTests:
        RangeTests();
        break;
      case CycleMode::CyopThenTests:
        CyopThenTests();
        break;
      case CycleMode::StructureTests:
      case CycleMode::SingleStructureTests:
        TestsWithStructure(net_.OptimizaCiclo == CycleMode::SingleStructureTests);
        break;
      case CycleMode::Keep:
      default:
        KeepCycle();
        break;
    }
  }

 private:
  struct TestEntry {
    double Index = 0;
    int Cycle = 0;
    int Structure = 1;  // 0: the file did not allow double cycling
  };

  int32_t& NetworkCycle() { return run_.Qor.Cycle(r_); }

  void CleanCyop() { DeleteRunFiles(cyopData_, run_.Cfg.BorrarCyop); }

  // A search range needs a step forward; a step below 1 would never reach its end.
  int Step() {
    if (net_.PasoCiclo >= 1) return net_.PasoCiclo;
    run_.Log.Warning(Printf("   ATENCION: PasoCiclo %d no valido en red %d, se usa 1", net_.PasoCiclo, number_));
    return 1;
  }

  // Stops the run before a search of more than kMaxCycleTests cycles starts.
  void CheckTestCount(long long from, long long last, int step) {
    if (last < from) return;
    const long long tests = (last - from) / step + 1;
    if (tests <= kMaxCycleTests) return;
    run_.Log.Fatal(Printf("ERROR - Configuracion %s, red %d: la busqueda de ciclo de %lld a %lld en pasos de %d "
                          "haria %lld pruebas (maximo %lld)",
                          run_.ConfigurationPath().c_str(), number_, from, last, step, tests, kMaxCycleTests),
                   1, Listed::Yes);
  }

  std::string TestFile(long long c, bool single) const {
    return RunFiles::TestData(iteration_, NetworkNumber(number_), c, single);
  }

  void KeepCycle() {
    // A network that never searched keeps the cycle its data files are written with.
    if (NetworkCycle() == 0 && net_.Ciclo >= 1) NetworkCycle() = net_.Ciclo;
    run_.Log.Line(Printf("   Ciclo Predeterminado (%d,%d) : %d", iteration_, number_, NetworkCycle()));
  }

  void PreassignedCycle() {
    if (net_.Ciclo >= 1) {
      NetworkCycle() = net_.Ciclo;
      run_.Log.Line(Printf("   Ciclo Preasignado (%d,%d) : %d", iteration_, number_, NetworkCycle()));
      return;
    }
    // A cycle of 0 or below asks CYOP for the structure at the cycle's magnitude, in every
    // search of the network.
    const int32_t cycle = -net_.Ciclo;
    CyopRun(cycle);
    NetworkCycle() = cycle;
    CyopStructureCheck(run_.Cfg, r_, cyopPrint_, NetworkCycle(), NetworkCycle(), false, run_.Sat, run_.Qor,
                       run_.Log);
    run_.Log.Line(Printf("   Ciclo Preasignado (%d,%d) : %d", iteration_, number_, NetworkCycle()));
    CleanCyop();
  }

  void CyopCycle() {
    CyopRun();
    NetworkCycle() = CyopCycleChoice(run_.Cfg, r_, cyopPrint_, run_.Sat, run_.Qor, run_.Log);
    run_.Log.Line(Printf("   Ciclo optimo Cyop (%d,%d) : %d", iteration_, number_, NetworkCycle()));
    CleanCyop();
  }

  void RangeTests() {
    const int step = Step();
    CheckTestCount(net_.CicloMinimo, net_.CicloMaximo, step);
    for (long long c = net_.CicloMinimo; c <= net_.CicloMaximo; c += step) TestRun(static_cast<int>(c), false);
    TakeBestTest();
    Report(false, net_.CicloMinimo, net_.CicloMaximo, step);
    FailWithoutResult();
  }

  void CyopThenTests() {
    CyopRun();
    const int y = CyopCycleChoice(run_.Cfg, r_, cyopPrint_, run_.Sat, run_.Qor, run_.Log);
    run_.Log.Line(Printf("   Ciclo Cyop (%d,%d) : %d", iteration_, number_, y));
    CleanCyop();

    const int step = Step();
    const long long from = static_cast<long long>(y) - net_.CicloMinimo;
    const long long to = static_cast<long long>(y) + net_.CicloMaximo;
    bool yTested = false;
    // Cycles above MaximoCiclo are skipped: the range ends there.
    const long long last = std::min<long long>(to, run_.Cfg.MaximoCiclo);
    CheckTestCount(from, last, step);
    for (long long c = from; c <= last; c += step) {
      if (run_.Qor.DoubleStructure && c < net_.MinimoCicloDoble) continue;
      TestRun(static_cast<int>(c), false);
      yTested = yTested || c == y;
    }
    if (!yTested) TestRun(y, false);
    TakeBestTest();
    Report(false, from, last, step);
    FailWithoutResult();
  }

  void TestsWithStructure(bool singleTests) {
    CyopRun();
    const int step = Step();
    const long long last = std::min<long long>(net_.CicloMaximo, run_.Cfg.MaximoCiclo);
    CheckTestCount(net_.CicloMinimo, last, step);
    for (long long c = net_.CicloMinimo; c <= last; c += step) {
      const int cycle = static_cast<int>(c);
      run_.Log.Line();
      int structure =
          CyopStructureCheck(run_.Cfg, r_, cyopPrint_, StructureCycle(cycle), cycle, false, run_.Sat, run_.Qor, run_.Log);
      TestRun(cycle, false);
      if (singleTests && structure == 2) TestRun(cycle, true);
    }
    const int best = TakeBestTest();
    const bool singleBest = singleTests && best >= 0 && tests_[static_cast<size_t>(best)].Structure == 0;
    if (AnyResult())
      CyopStructureCheck(run_.Cfg, r_, cyopPrint_, StructureCycle(NetworkCycle()), NetworkCycle(), singleBest,
                         run_.Sat, run_.Qor, run_.Log);
    CleanCyop();
    Report(true, net_.CicloMinimo, last, step);
    FailWithoutResult();
  }

  // CYOP over the cycles, its data file at `cycle` (the network's Ciclo unless given).
  void CyopRun() { CyopRun(net_.Ciclo); }
  void CyopRun(int32_t cycle) {
    run_.Log.Line(Printf("   Generando red Cyop (%d,%d)...", iteration_, number_));
    WriteDataAndCompanions(run_, r_, cyopData_, TransytFileKind::Cyop, cycle);
    run_.Log.Line(Printf("   Corriendo CYOP (%d,%d)...", iteration_, number_));
    const ProgramRun program = RunCyop(ProgramEnvOf(run_), cyopData_, cyopPrint_);
    CheckCyopRun(run_, r_, iteration_, program, cyopPrint_);
  }

  // A TRANSYT run at cycle c; `single`: the file does not allow double cycling.
  void TestRun(int c, bool single) {
    const std::string data = TestFile(c, single);
    const std::string print = RunFiles::PrintFileOf(data);
    run_.Log.Line(Printf("   Generando red Test (%d,%d,%d)...", iteration_, number_, c));
    WriteDataAndCompanions(run_, r_, data, single ? TransytFileKind::SingleStructureTest : TransytFileKind::Test, c);
    run_.Log.Line(
        Printf(single ? "   Corriendo Transyt/test (%d,%d,%d)... (Simple)" : "   Corriendo Transyt/test (%d,%d,%d)...",
               iteration_, number_, c));
    const ProgramRun program = RunTransyt(ProgramEnvOf(run_), data, print);
    const double index = ReadPerformanceIndex(print);
    tests_.push_back(TestEntry{index, c, single ? 0 : 1});
    if (index >= kNoPerformanceIndex) NoteTestWithoutResult(program, print, c);
    DeleteRunFiles(data, run_.Cfg.BorrarTest);
  }

  // A test without a result loses against every other; why it has none is said at once.
  void NoteTestWithoutResult(const ProgramRun& program, const std::string& print, int c) {
    std::vector<std::string> details;
    std::string why = TransytFailure(run_, program, print, ReadPrintFileNotes(print), details);
    if (why.empty()) why = print + " sin indice de rendimiento (TOTALS)";
    run_.Log.Line(
        Printf("   ATENCION: Transyt/test (%d,%d,%d) sin resultado: %s", iteration_, number_, c, why.c_str()));
    for (const std::string& detail : details) run_.Log.Line("      " + detail);
    run_.EngineNotes.push_back({iteration_, NetworkNumber(number_), NoteKind::Warning, false,
                                Printf("Transyt/test ciclo %d sin resultado: %s", c, why.c_str())});
  }

  bool AnyResult() const {
    return std::any_of(tests_.begin(), tests_.end(), [](const TestEntry& t) { return t.Index < kNoPerformanceIndex; });
  }

  // The test with the lowest index, the earlier one on equal indices, becomes the network
  // cycle. Returns its position, -1 when nothing was tested or no test gave a result (the
  // cycle then stays: no test can say which cycle is better).
  int TakeBestTest() {
    if (!AnyResult()) return -1;
    int best = -1;
    for (size_t j = 0; j < tests_.size(); ++j)
      if (best < 0 || tests_[j].Index < tests_[static_cast<size_t>(best)].Index) best = static_cast<int>(j);
    if (best >= 0) NetworkCycle() = tests_[static_cast<size_t>(best)].Cycle;
    return best;
  }

  // A search whose tests all failed leaves the network with its timings in this iteration.
  void FailWithoutResult() {
    if (tests_.empty() || AnyResult()) return;
    MarkNotOptimised(run_, r_, iteration_,
                     Printf("Busqueda de ciclo (%d,%d): ninguna prueba de Transyt dio indice de rendimiento",
                            iteration_, number_),
                     {});
  }

  void Report(bool twoDecimals, long long from, long long to, int step) {
    MessageLog& log = run_.Log;
    log.Line();
    log.Line(Printf("   Analizando Indices (%d,%d)", iteration_, number_));
    log.Text("      Ciclos:");
    for (const auto& t : tests_) log.Text(Printf("%8d", t.Cycle));
    log.Line();
    log.Text("      I.Perf:");
    for (const auto& t : tests_) log.Text(Printf(twoDecimals ? "%8.2f" : "%8.1f", t.Index));
    log.Line();
    log.Line(Printf("   Ciclo Indices (%d,%d) : %d", iteration_, number_, NetworkCycle()));
    log.EmptyLines(2);

    const int level = run_.Cfg.BorrarTest;
    if (level < 1) return;
    auto clean = [&](long long c) {
      DeleteRunFiles(TestFile(c, false), level);
      DeleteRunFiles(TestFile(c, true), level);
    };
    for (long long c = from; c <= to; c += step) clean(c);
    for (const auto& t : tests_) clean(t.Cycle);
  }

  Run& run_;
  const NetworkPosition r_;
  const int iteration_;
  const int number_;
  NetworkSettings& net_;
  const std::string cyopData_;
  const std::string cyopPrint_;
  std::vector<TestEntry> tests_;
};

}  // namespace

void CycleSearch(Run& run, NetworkPosition r, int iteration) {
  KeepSignals(run, r, iteration);
  CycleSearcher(run, r, iteration).Search();
}

void FinalTransytRun(Run& run, NetworkPosition r, int iteration) {
  const int number = run.Qor.NumberOf(r).Value();
  if (run.NotOptimised(iteration, NetworkNumber(number))) {
    run.Log.Line(
        Printf("   Transyt (%d,%d) no se corre: la red queda sin optimizar en esta iteracion", iteration, number));
    return;
  }
  const std::string data = run.Files.TransytData(iteration, NetworkNumber(number));
  run.Log.Line(Printf("   Generando red Transyt (%d,%d)...", iteration, number));
  WriteDataAndCompanions(run, r, data, TransytFileKind::Final, run.Qor.Cycle(r));
  if (run.Cfg.CorreTransyt != 1) return;
  run.Log.Line(Printf("   Corriendo Transyt (%d,%d)...", iteration, number));
  const std::string print = run.Files.TransytPrint(iteration, NetworkNumber(number));
  const ProgramRun program = RunTransyt(ProgramEnvOf(run), data, print);
  const PrintFileNotes notes = ReadPrintFileNotes(print);
  ShowTransytWarnings(run, r, iteration, notes);
  std::vector<std::string> details;
  const std::string failure = TransytFailure(run, program, print, notes, details);
  if (!failure.empty())
    MarkNotOptimised(run, r, iteration, Printf("Transyt (%d,%d): %s", iteration, number, failure.c_str()), details);
}

}  // namespace veltra

// The drawing of one TRANSYT network of a town-sized model (315 signalised crossings, 4200
// TRANSYT links, every movement with its flow and every result drawn): the DXF file and its
// picture, whose labels are placed clear of each other. Measures the whole of DibujarRed,
// both files written.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <ostream>
#include <sstream>

#include "construction/construir_arcos.h"
#include "output/companion_files.h"
#include "output/network_drawing.h"
#include "support/saturn_model_builder.h"

namespace {

using namespace veltra;

constexpr int kRows = 9, kCols = 35;

void BM_DrawTownNetwork(benchmark::State& state) {
  PosixPlatform platform;
  std::ostream silent(nullptr);
  Run run(platform, silent);
  test::ModelBuilder builder(run.Sat);
  const std::vector<int32_t> junctions = test::BuildGrid(builder, kRows, kCols);
  std::vector<std::pair<int32_t, int32_t>> nodes;
  for (int32_t junction : junctions) nodes.push_back({junction, static_cast<int32_t>(nodes.size() + 1)});
  test::AssignNetwork(run, 1, 1, nodes);
  ConstruirArcos(run.Cfg, NetworkPosition(1), 1, run.Sat, run.Qor, run.Log);
  std::ostringstream top;
  TextWriter topOut(top);
  WriteTopFile(1, run.Sat, run.Qor, run.Log, topOut);  // marks the nodes the drawing shows
  // Every link with its three movements and their flows, as after the TRANSYT run.
  for (int32_t i = 1; i <= run.Qor.NumArcos; ++i) {
    TArco& link = run.Qor.Arcos[static_cast<size_t>(i)];
    link.PresenciaClase = {1, 1, 1};
    link.FlujoClase = {80, 300, 120};
    link.ResGradoSat = static_cast<float>((i % 13) / 10.0);
  }
  run.Cfg.Red[1].FactorAjuste = 1;
  run.Cfg.Red[1].GradoSaturacion = 0.9;
  run.Cfg.Red[1].TituloLetraTamano = 14;
  run.Cfg.Red[1].NombreRed = "Ciudad";
  run.Cfg.DxfCompleto = 1;

  const std::filesystem::path dir = std::filesystem::temp_directory_path() / "veltra_bench_drawing";
  std::filesystem::create_directories(dir);
  const std::string name = (dir / "ciudad_1_1.dxf").string();
  for (auto _ : state) DibujarRed(run.Cfg, NetworkPosition(1), run.Sat, run.Qor, name, 1);
  state.counters["links"] = run.Qor.NumArcos;
  state.counters["picture_kb"] = static_cast<double>(std::filesystem::file_size(dir / "ciudad_1_1.svg")) / 1024;
  std::filesystem::remove_all(dir);
}
BENCHMARK(BM_DrawTownNetwork)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();

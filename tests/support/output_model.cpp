#include "support/output_model.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <cstdlib>
#include <filesystem>

#include "loop/iteration.h"
#include "util/text.h"

namespace veltra::test {

OutputModel::OutputModel() { run().Qor.NumRedes = 0; }

int OutputModel::AddNetwork(int number, const std::string& name) {
  QorVars& qor = run().Qor;
  const int r = qor.NumRedes + 1;
  SetNetwork(qor, r, number);
  NetworkSettings& net = run().Cfg.Red[static_cast<size_t>(r)];
  net.NombreRed = name;
  net.FactorAjuste = 1.0;
  net.GradoSaturacion = 900.0;
  net.TituloLetraTamano = 14;
  return r;
}

int OutputModel::AddNode(int saturnNumber, double x, double y, int transytNode, bool signalised) {
  SaturnVars& sat = run().Sat;
  TNodo node;
  node.Number = saturnNumber;
  node.X = static_cast<float>(x);
  node.Y = static_cast<float>(y);
  node.TransytNode = transytNode;
  node.TransytMark = 1;
  if (signalised) {
    sat.SignalPlans.push_back(TPlanSemaforo());
    sat.SignalPlans.back().NodeNumber = saturnNumber;
    node.SignalPlan = static_cast<int32_t>(sat.SignalPlans.size() - 1);
  }
  sat.Nodes.push_back(node);
  sat.InvalidateIndexes();
  return static_cast<int>(sat.Nodes.size() - 1);
}

int OutputModel::AddStreet(int aIndex, int bIndex, const std::string& name) {
  SaturnVars& sat = run().Sat;
  Tardat link;
  link.AIndex = aIndex;
  link.BIndex = bIndex;
  link.ANode = sat.Nodes[static_cast<size_t>(aIndex)].Number;
  link.BNode = sat.Nodes[static_cast<size_t>(bIndex)].Number;
  link.Name = name;
  sat.Links.push_back(link);
  sat.InvalidateIndexes();
  return static_cast<int>(sat.Links.size() - 1);
}

TArco& OutputModel::AddLink(int numero, int aIndex, int bIndex, int rumbo) {
  QorVars& qor = run().Qor;
  const int32_t i = qor.AddLink();
  TArco& link = qor.Arcos[static_cast<size_t>(i)];
  link.Numero = numero;
  link.IndiceA = aIndex;
  link.IndiceB = bIndex;
  link.NodoA = run().Sat.Nodes[static_cast<size_t>(aIndex)].Number;
  link.NodoB = run().Sat.Nodes[static_cast<size_t>(bIndex)].Number;
  link.Rumbo = rumbo;
  return link;
}

int OutputModel::AddSignalNode(int r, int saturnNumber, int transytNode, int offset, int cycle,
                               const std::vector<Stage>& stages) {
  const int index = AddNode(saturnNumber, 0, 0, transytNode, true);
  TNodo& node = run().Sat.Nodes[static_cast<size_t>(index)];
  node.TransytNetwork = run().Qor.RedNodos[static_cast<size_t>(r)].Number.Value();
  TPlanSemaforo& plan = run().Sat.SignalPlans[static_cast<size_t>(node.SignalPlan)];
  plan.Offset = offset;
  plan.CycleTime = cycle;
  plan.StageCount = static_cast<int32_t>(stages.size());
  for (size_t s = 0; s < stages.size() && s < static_cast<size_t>(kMaxStages); ++s) {
    plan.Stages[s + 1].StageNumber = static_cast<int32_t>(s + 1);
    plan.Stages[s + 1].GreenTime = stages[s].Green;
    plan.Stages[s + 1].Intergreen = stages[s].Intergreen;
    plan.Stages[s + 1].MinimumGreen = stages[s].MinimumGreen;
  }
  return index;
}

void OutputModel::Record(int r, int i, int cycle) {
  run().Qor.Cycle(NetworkPosition(r)) = cycle;
  RecordHistory(run(), NetworkPosition(r), i);
}

std::string DxfItem::Get(int code) const {
  for (const auto& [c, value] : Groups)
    if (c == code) return value;
  return "";
}

int DxfItem::Count(int code) const {
  int n = 0;
  for (const auto& group : Groups) n += group.first == code ? 1 : 0;
  return n;
}

std::vector<DxfItem> ReadDxf(const std::string& path) {
  const std::string content = ReadFile(path);
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < content.size()) {
    size_t end = content.find("\r\n", start);
    EXPECT_NE(end, std::string::npos) << "every line of " << path << " ends in CR LF";
    if (end == std::string::npos) break;
    lines.push_back(content.substr(start, end - start));
    start = end + 2;
  }
  EXPECT_EQ(lines.size() % 2, 0u) << path;
  std::vector<DxfItem> items;
  for (size_t i = 0; i + 1 < lines.size(); i += 2) {
    EXPECT_EQ(lines[i].size(), 3u) << "group code line " << i + 1 << ": '" << lines[i] << "'";
    const int code = std::atoi(lines[i].c_str());
    if (code == 0)
      items.push_back(DxfItem{lines[i + 1], {}});
    else if (!items.empty())
      items.back().Groups.emplace_back(code, lines[i + 1]);
  }
  return items;
}

std::vector<DxfItem> OfType(const std::vector<DxfItem>& items, const std::string& type) {
  std::vector<DxfItem> found;
  for (const DxfItem& item : items)
    if (item.Type == type) found.push_back(item);
  return found;
}

void RecordingTarget::LayerTable(const std::vector<std::string>& names, const std::vector<int>& colours,
                                 const std::vector<bool>& on) {
  Layers = names;
  LayerColours = colours;
  LayersOn = on;
}

RecordedEntity& RecordingTarget::Add(const char* kind, const DrawState& state, const std::string& layer,
                                     std::vector<DrawPoint> points) {
  RecordedEntity e;
  e.Kind = kind;
  e.Layer = layer;
  e.State = state;
  e.Points = std::move(points);
  Entities.push_back(e);
  return Entities.back();
}

void RecordingTarget::Line(const DrawState& state, const std::string& layer, double x1, double y1, double x2,
                           double y2) {
  Add("LINE", state, layer, {{x1, y1}, {x2, y2}});
}

void RecordingTarget::Polyline(const DrawState& state, const std::string& layer, const std::vector<DrawPoint>& points,
                               int flags) {
  Add("POLYLINE", state, layer, points).Flags = flags;
}

void RecordingTarget::Circle(const DrawState& state, const std::string& layer, double x, double y, double radius) {
  Add("CIRCLE", state, layer, {{x, y}}).Radius = radius;
}

void RecordingTarget::Text(const DrawState& state, const std::string& layer, int rotation, const std::string& text,
                           double x, double y, int justification) {
  RecordedEntity& e = Add("TEXT", state, layer, {{x, y}});
  e.Rotation = rotation;
  e.Text = text;
  e.Justification = justification;
}

void RecordingTarget::Solid(const DrawState& state, const std::string& layer, const std::array<DrawPoint, 4>& corners) {
  Add("SOLID", state, layer, {corners.begin(), corners.end()});
}

#ifndef _WIN32
int RunCheckScript(const std::string& script, const std::vector<std::string>& args, std::string& output) {
  const std::string outputFile = std::filesystem::temp_directory_path() / ("veltra_check_" + std::to_string(getpid()));
  std::string command = "/usr/bin/python3 '" + std::string(VELTRA_TEST_DATA) + "/../output/" + script + "'";
  for (const auto& a : args) command += " '" + a + "'";
  command += " >'" + outputFile + "' 2>&1";
  const int status = std::system(command.c_str());
  output = ReadFile(outputFile);
  std::filesystem::remove(outputFile);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool PythonHas(const std::string& module) {
  std::string command = "/usr/bin/python3 -c 'import " + module + "' >/dev/null 2>&1";
  return std::system(command.c_str()) == 0;
}
#else
// The checking scripts run on the build machine; the Windows outputs are compared with the
// Linux ones there (scripts/test-windows.sh).
int RunCheckScript(const std::string&, const std::vector<std::string>&, std::string& output) {
  output = "no Python on this system";
  return -1;
}

bool PythonHas(const std::string&) { return false; }
#endif

}  // namespace veltra::test

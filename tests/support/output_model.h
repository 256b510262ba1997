// Builds, in code, the small networks and signal histories that the drawing and report tests
// work on, and reads back what those outputs wrote (DXF groups, real readers in Python).
#pragma once

#include <array>
#include <map>
#include <string>
#include <vector>

#include "output/drawing.h"
#include "support/test_support.h"

namespace veltra::test {

// A run holding one or more TRANSYT networks, their nodes, links and history.
class OutputModel {
 public:
  OutputModel();

  Run& run() { return t_.run; }
  std::string Console() const { return t_.console.str(); }

  // Network position r for number `number` (positions given in call order).
  int AddNetwork(int number, const std::string& name);
  // A node of the drawing: marked as drawn by the companion files, at (x, y). Returns its index.
  int AddNode(int saturnNumber, double x, double y, int transytNode, bool signalised = false);
  // A SATURN link carrying a street name. Returns its index.
  int AddStreet(int aIndex, int bIndex, const std::string& name);
  // A TRANSYT link between two node indices. Returns its index in Arcos.
  TArco& AddLink(int numero, int aIndex, int bIndex, int rumbo = 0);

  // A signal node of network r with a plan: offset, cycle and per stage green, intergreen
  // and minimum green. Returns the node index.
  struct Stage {
    int Green = 0, Intergreen = 0, MinimumGreen = 0;
  };
  int AddSignalNode(int r, int saturnNumber, int transytNode, int offset, int cycle, const std::vector<Stage>& stages);
  // Records iteration i of network r as the main loop does, with the given cycle.
  void Record(int r, int i, int cycle);

 private:
  TestRun t_;
};

// One DXF entity or table entry: its type and its groups in file order.
struct DxfItem {
  std::string Type;
  std::vector<std::pair<int, std::string>> Groups;
  // The value of the first group with the code, or "" when none.
  std::string Get(int code) const;
  int Count(int code) const;
};
// Every "  0" item of a DXF file (checks first that groups come as code-value line pairs).
std::vector<DxfItem> ReadDxf(const std::string& path);
std::vector<DxfItem> OfType(const std::vector<DxfItem>& items, const std::string& type);

// Records every call a drawing makes on its targets.
struct RecordedEntity {
  std::string Kind;  // "LINE", "POLYLINE", "CIRCLE", "TEXT", "SOLID"
  std::string Layer;
  DrawState State;
  std::vector<DrawPoint> Points;
  int Rotation = 0;
  std::string Text;
  int Justification = 0;
  int Flags = 0;
  double Radius = 0;
};
class RecordingTarget : public DrawingTarget {
 public:
  std::vector<RecordedEntity> Entities;
  std::vector<std::string> Layers;
  std::vector<int> LayerColours;
  std::vector<bool> LayersOn;

  void Open(const std::string&) override {}
  void Close() override {}
  void BeginSection(const std::string&) override {}
  void EndSection() override {}
  void ExtentsMinimum(double, double) override {}
  void ExtentsMaximum(double, double) override {}
  void ViewportTable(double, double, double, double) override {}
  void LinetypeTable(const std::vector<std::string>&, const std::vector<double>&, const std::vector<double>&,
                     const std::vector<double>&) override {}
  void LayerTable(const std::vector<std::string>& names, const std::vector<int>& colours,
                  const std::vector<bool>& on) override;
  void StyleTable(const std::vector<std::string>&, const std::vector<std::string>&) override {}
  void Line(const DrawState& state, const std::string& layer, double x1, double y1, double x2, double y2) override;
  void Polyline(const DrawState& state, const std::string& layer, const std::vector<DrawPoint>& points,
                int flags) override;
  void Circle(const DrawState& state, const std::string& layer, double x, double y, double radius) override;
  void Text(const DrawState& state, const std::string& layer, int rotation, const std::string& text, double x,
            double y, int justification) override;
  void Solid(const DrawState& state, const std::string& layer, const std::array<DrawPoint, 4>& corners) override;

 private:
  RecordedEntity& Add(const char* kind, const DrawState& state, const std::string& layer, std::vector<DrawPoint> points);
};

// Runs one of the checking scripts beside these tests with /usr/bin/python3. Returns its exit
// code; its output (stdout and stderr) in `output`.
int RunCheckScript(const std::string& script, const std::vector<std::string>& args, std::string& output);
// True when /usr/bin/python3 can import the module.
bool PythonHas(const std::string& module);

}  // namespace veltra::test

// KwtDxfer: the DXF writer of the drawings. Every group code goes on its own line as a
// right-aligned 3-character number and its value on the next; every entity, vertex and
// sequence end takes the next handle of a counter that starts at 4096.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "output/drawing.h"
#include "util/text.h"

namespace veltra {

class KwtDxfer : public DrawingTarget {
 public:
  static constexpr int kFirstHandle = 4096;

  // The counter of the last handle given (the next entity gets one more).
  int Handle() const { return handle_; }

  void Open(const std::string& fileName) override;
  void Close() override;
  void BeginSection(const std::string& name) override;
  void EndSection() override;
  void ExtentsMinimum(double x, double y) override;
  void ExtentsMaximum(double x, double y) override;
  void ViewportTable(double x1, double y1, double x2, double y2) override;
  void LinetypeTable(const std::vector<std::string>& names, const std::vector<double>& patterns,
                     const std::vector<double>& dashes, const std::vector<double>& gaps) override;
  void LayerTable(const std::vector<std::string>& names, const std::vector<int>& colours,
                  const std::vector<bool>& on) override;
  void StyleTable(const std::vector<std::string>& names, const std::vector<std::string>& fonts) override;

  void Line(const DrawState& state, const std::string& layer, double x1, double y1, double x2, double y2) override;
  void Polyline(const DrawState& state, const std::string& layer, const std::vector<DrawPoint>& points,
                int flags) override;
  void Circle(const DrawState& state, const std::string& layer, double x, double y, double radius) override;
  void Text(const DrawState& state, const std::string& layer, int rotation, const std::string& text, double x,
            double y, int justification) override;
  void Solid(const DrawState& state, const std::string& layer, const std::array<DrawPoint, 4>& corners) override;

 private:
  void Group(int code, const std::string& value);
  void Real(int code, double value);         // "%.5f"
  void TableInteger(int code, int value);    // right-aligned in 5 columns
  void Integer(int code, int value);         // "%d"
  void EntityStart(const char* type);        // "  0" type, "  5" handle
  void LinetypeAndLayer(const DrawState& state, const std::string& layer);

  std::unique_ptr<TextWriter> out_;
  int handle_ = kFirstHandle;
};

}  // namespace veltra

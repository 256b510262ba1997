// SvgWriter: the drawing as an SVG picture beside its DXF file (same name, ".svg"), so that a
// network can be looked at in any browser. It follows the DXF meaning of every call: layer
// colours and switched-off layers, linetypes, text height, rotation, justification and mirror.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "output/drawing.h"

namespace veltra {

class SvgWriter : public DrawingTarget {
 public:
  // The name the picture of the drawing `drawingName` is written under.
  static std::string PictureName(const std::string& drawingName);

  void Open(const std::string& fileName) override;
  void Close() override;
  void BeginSection(const std::string&) override {}
  void EndSection() override {}
  void ExtentsMinimum(double, double) override {}
  void ExtentsMaximum(double, double) override {}
  void ViewportTable(double x1, double y1, double x2, double y2) override;
  void LinetypeTable(const std::vector<std::string>& names, const std::vector<double>& patterns,
                     const std::vector<double>& dashes, const std::vector<double>& gaps) override;
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
  struct Layer {
    int Colour = 7;
    bool On = true;
  };

  std::string ClassOf(const std::string& layer);
  std::string ColourOf(int colour, const std::string& layer) const;
  std::string StrokeOf(const DrawState& state, const std::string& layer, int colour) const;
  void Extend(double x, double y);

  std::string fileName_;
  std::vector<std::string> body_;  // the elements, one a line
  std::map<std::string, Layer> layers_;
  std::map<std::string, std::string> layerClasses_;
  std::map<std::string, std::string> dashes_;  // linetype name -> dash pattern
  bool hasWindow_ = false;
  double minX_ = 0, minY_ = 0, maxX_ = 0, maxY_ = 0;
};

}  // namespace veltra

// SvgWriter: the drawing as an SVG picture beside its DXF file (same name, ".svg"), made to be
// read on a screen at a glance. It takes the same calls as the DXF file, but lays out its own
// picture: a heading above the network (title, network, iteration, cycle), labels beside their
// links and never over another label or a junction, one arrowhead per movement, a legend, a
// scale bar and switches for the layers. Colours and layers follow the drawing's.
#pragma once

#include <map>
#include <set>
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
  void ViewportTable(double, double, double, double) override {}
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
  void Caption(const DrawingCaption& caption) override;
  bool IsPicture() const override { return true; }

 private:
  class Page;

  struct Layer {
    int Colour = 7;
    bool On = true;
  };
  // A line or polyline drawn as called (the network, the frame, other lines).
  struct Path {
    std::string Layer, Colour, Linetype;
    std::vector<DrawPoint> Points;
    bool Closed = false;
    DrawRole Role = DrawRole::Other;
    bool Filled = false;  // a solid
  };
  struct Arrow {
    std::string Layer, Colour, Linetype;
    DrawLinkPlace Place;
  };
  struct Junction {
    std::string Layer, Colour, Linetype;
    DrawPoint Centre;
    double HalfWidth = 0, HalfHeight = 0;  // a box; HalfHeight 0 for a circle of radius HalfWidth
  };
  struct Label {
    std::string Layer, Colour, Text;
    DrawRole Role = DrawRole::Other;
    DrawPoint At;
    DrawLinkPlace Place;
  };

  std::string ClassOf(const std::string& layer);
  std::string ColourOf(int colour, const std::string& layer) const;
  // Whether the layer's texts show when the picture opens.
  bool ShownAtFirst(const std::string& layer) const;
  void Extend(double x, double y);

  std::string fileName_;
  DrawingCaption caption_;
  std::string title_, credit_;
  std::vector<Path> paths_;
  std::vector<Arrow> arrows_;
  std::vector<Junction> junctions_;
  std::vector<Label> labels_;
  std::vector<std::string> layerOrder_;
  std::map<std::string, Layer> layers_;
  std::map<std::string, std::string> layerClasses_;
  std::map<std::string, std::pair<double, double>> dashes_;  // linetype name -> dash, gap
  bool hasWindow_ = false;
  double minX_ = 0, minY_ = 0, maxX_ = 0, maxY_ = 0;
};

}  // namespace veltra

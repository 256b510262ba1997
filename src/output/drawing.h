// One drawing, several files: the network drawing makes its calls once on a `Drawing`, which
// keeps the pen and text settings in force and hands every call to each of its targets (the
// DXF writer `KwtDxfer` and the SVG picture `SvgWriter`), so the two files always show the same.
#pragma once

#include <array>
#include <string>
#include <vector>

namespace veltra {

struct DrawPoint {
  double X = 0;
  double Y = 0;
};

// What an entity shows, for a target that lays out a picture of its own: the SVG picture
// places the labels beside their links and draws the movement arrows its own way. The DXF
// file writes every entity as called and ignores it.
enum class DrawRole {
  Other,
  LinkArrow,         // a movement arrow: the shaft from the link's 30% to its 80% point, then the turn
  LinkNumber,        // the TRANSYT link number
  LinkFlow,          // "(flow/secondary flow)" of the link
  LinkResult,        // a TRANSYT result of the link (degree of saturation, delay...)
  MovementFlow,      // the flow of one movement, beside its arrow
  StreetName,        // a street's name, along the street
  Junction,          // the mark of a node: circle or box
  JunctionNumber,    // the number inside a node's mark
  SaturnNodeNumber,  // the SATURN number of a TRANSYT node, beside it
  Frame,
  Title,
  Credit,
};

// Where a link's labels and arrows belong: the offset line of the link (its shaft, from the
// 30% to the 80% point of the way from A to B, moved to the link's drawing position) and the
// direction class of the movement (-1 left, 0 ahead, 1 right).
struct DrawLinkPlace {
  DrawPoint From, To;
  int Turn = 0;
};

// Which files a text goes to. The DXF file keeps the texts and layers its readers know; the
// picture shows the links' results in words and units of its own (with a legend in the same
// units), so each leaves out the other's version.
enum class DrawFor { Both, FileOnly, PictureOnly };

// The settings the caller changes between calls; Open restores these initial values.
struct DrawState {
  std::string Linetype = "ByLayer";  // "ByLayer": the entity takes its layer's linetype
  int LineColour = 0;                // lines and polylines; 0 or less: the layer's colour
  int PolylineWidth = 0;             // 0 or less: thinnest line
  int SolidColour = 0;
  std::string TextStyle = "STANDARD";
  double TextHeight = 10.0;
  int TextColour = 0;
  bool TextMirror = false;  // texts turned half a turn about their alignment point
  DrawRole Role = DrawRole::Other;
  DrawLinkPlace Link;  // for the link roles
  DrawFor For = DrawFor::Both;  // texts only
};

// What the picture says about itself in its heading: the network, the iteration whose
// timings it shows, the cycle, and the settings that decide what its legend explains.
struct DrawingCaption {
  std::string NetworkName;
  int NetworkNumber = 0;
  int Iteration = 0;             // 0: not known
  int Cycle = 0;                 // seconds; 0: not known
  double SaturationLimit = 900;  // links at or above it are drawn red; 900: no limit
  bool FullResults = false;      // cruise, delay, stops and queue texts drawn
};

// A file the drawing is written to. The table and entity calls arrive in file order.
class DrawingTarget {
 public:
  virtual ~DrawingTarget() = default;

  // Creates the file that belongs to the drawing named `fileName`.
  virtual void Open(const std::string& fileName) = 0;
  virtual void Close() = 0;
  virtual void BeginSection(const std::string& name) = 0;
  virtual void EndSection() = 0;
  virtual void ExtentsMinimum(double x, double y) = 0;
  virtual void ExtentsMaximum(double x, double y) = 0;
  virtual void ViewportTable(double x1, double y1, double x2, double y2) = 0;
  virtual void LinetypeTable(const std::vector<std::string>& names, const std::vector<double>& patterns,
                             const std::vector<double>& dashes, const std::vector<double>& gaps) = 0;
  virtual void LayerTable(const std::vector<std::string>& names, const std::vector<int>& colours,
                          const std::vector<bool>& on) = 0;
  virtual void StyleTable(const std::vector<std::string>& names, const std::vector<std::string>& fonts) = 0;

  virtual void Line(const DrawState& state, const std::string& layer, double x1, double y1, double x2,
                    double y2) = 0;
  // flags: bit 0 set for a closed polyline.
  virtual void Polyline(const DrawState& state, const std::string& layer, const std::vector<DrawPoint>& points,
                        int flags) = 0;
  virtual void Circle(const DrawState& state, const std::string& layer, double x, double y, double radius) = 0;
  // rotation in tenths of a degree; justification 3 x row + column (row 0 top, column 0 left).
  virtual void Text(const DrawState& state, const std::string& layer, int rotation, const std::string& text, double x,
                    double y, int justification) = 0;
  // A filled quadrilateral given in the DXF order: the outline runs 1, 2, 4, 3.
  virtual void Solid(const DrawState& state, const std::string& layer, const std::array<DrawPoint, 4>& corners) = 0;
  // What the drawing shows, for targets with a heading of their own; a DXF file has none.
  virtual void Caption(const DrawingCaption&) {}
  // True for a picture laid out for the screen: it takes the PictureOnly texts, not the FileOnly.
  virtual bool IsPicture() const { return false; }
};

// The corners of an arrowhead 30 degrees wide with its tip at (x, y), pointing along
// `direction` (tenths of a degree): tip, the two back corners, and the notch on the axis.
std::array<DrawPoint, 4> ArrowheadCorners(int direction, double size, double x, double y);

// The drawing the callers work with: the current settings plus the targets that receive it.
class Drawing {
 public:
  DrawState State;

  // Targets are not owned; they must outlive the drawing's use.
  void AddTarget(DrawingTarget& target) { targets_.push_back(&target); }

  // Opens every target and restores the initial settings.
  void Open(const std::string& fileName);
  void Close();
  void BeginSection(const std::string& name);
  void EndSection();
  void ExtentsMinimum(double x, double y);
  void ExtentsMaximum(double x, double y);
  void ViewportTable(double x1, double y1, double x2, double y2);
  void LinetypeTable(const std::vector<std::string>& names, const std::vector<double>& patterns,
                     const std::vector<double>& dashes, const std::vector<double>& gaps);
  void LayerTable(const std::vector<std::string>& names, const std::vector<int>& colours, const std::vector<bool>& on);
  void StyleTable(const std::vector<std::string>& names, const std::vector<std::string>& fonts);

  void Line(const std::string& layer, double x1, double y1, double x2, double y2);
  void Polyline(const std::string& layer, const std::vector<DrawPoint>& points, int flags);
  void Circle(const std::string& layer, double x, double y, double radius);
  void Text(const std::string& layer, int rotation, const std::string& text, double x, double y, int justification);
  void Arrowhead(const std::string& layer, int direction, double size, double x, double y);
  void Caption(const DrawingCaption& caption);

 private:
  std::vector<DrawingTarget*> targets_;
};

}  // namespace veltra

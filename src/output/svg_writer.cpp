#include "output/svg_writer.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>

#include "output/label_layout.h"
#include "output/xml_text.h"
#include "util/conversions.h"
#include "util/files.h"
#include "util/text.h"

namespace veltra {

namespace {

constexpr double kPi = 3.14159265358979323846;

std::string Num(double v) {
  if (v == 0 || !std::isfinite(v)) v = 0;
  char buffer[400];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, v, std::chars_format::fixed, 3);
  std::string s = result.ec == std::errc() ? std::string(buffer, result.ptr) : Printf("%.3f", v);
  while (!s.empty() && s.back() == '0') s.pop_back();
  if (!s.empty() && s.back() == '.') s.pop_back();
  return s == "-0" ? "0" : s;
}

// Picture coordinates: the drawing's Y axis points up, the picture's down.
std::string Point(DrawPoint p) { return Num(p.X) + "," + Num(-p.Y); }

DrawPoint Plus(DrawPoint p, DrawPoint d, double t) { return {p.X + t * d.X, p.Y + t * d.Y}; }
double Length(DrawPoint a, DrawPoint b) { return std::hypot(b.X - a.X, b.Y - a.Y); }
DrawPoint Turned(DrawPoint d, double degrees) {
  const double c = std::cos(degrees * kPi / 180), s = std::sin(degrees * kPi / 180);
  return {c * d.X - s * d.Y, s * d.X + c * d.Y};
}

// Sizes on the screen, in pixels of the picture at its natural size.
constexpr double kFontPx[] = {
    11,    // Other
    0,     // LinkArrow
    11,    // LinkNumber
    10.5,  // LinkFlow
    10,    // LinkResult
    9,     // MovementFlow
    11,    // StreetName
    0,     // Junction
    11,    // JunctionNumber
    8.5,   // SaturnNodeNumber
    11,    // Frame
    20,    // Title
    10,    // Credit
};
constexpr double kLineWidthPx = 0.8;
constexpr double kArrowWidthPx = 1.4;
constexpr double kGapPx = 2.5;  // between a label and what it labels
constexpr double kLegendFontPx = 10.5;
constexpr double kLegendRowPx = 20;  // the height of a row of the legend
constexpr double kWidestPicturePx = 16000;
// A text's box: from the tops of the capitals to the descenders, about its baseline.
constexpr double kAscent = 0.74, kDescent = 0.22;

double FontPx(DrawRole role) { return kFontPx[static_cast<size_t>(role)]; }

// The picture of a movement arrow: a shaft along the link, then straight on to the stop line,
// or bending off to the side of the turn, so that left and right read at once.
struct ArrowShape {
  DrawPoint Start, Bend, Control, Tip;
  DrawPoint EndDirection;  // unit vector of the arrow's last stretch
  bool Curved = false;
};

ArrowShape ShapeOf(const DrawLinkPlace& place) {
  ArrowShape shape;
  shape.Start = place.From;
  shape.Bend = place.To;
  const double length = Length(place.From, place.To);
  if (length <= 0 || !std::isfinite(length)) {
    shape.Control = shape.Tip = shape.Bend;
    shape.EndDirection = {1, 0};
    return shape;
  }
  const DrawPoint d{(place.To.X - place.From.X) / length, (place.To.Y - place.From.Y) / length};
  const DrawPoint right{d.Y, -d.X};
  const double reach = 0.2 * length;  // the shaft covers half the link; the stop line is 10% beyond it
  if (place.Turn == 0) {
    shape.Tip = shape.Control = Plus(shape.Bend, d, reach);
    shape.EndDirection = d;
    return shape;
  }
  const double side = place.Turn > 0 ? 1.0 : -1.0;
  shape.Control = Plus(shape.Bend, d, 0.75 * reach);
  shape.Tip = Plus(shape.Control, right, side * 0.6 * reach);
  shape.EndDirection = {side * right.X, side * right.Y};
  shape.Curved = true;
  return shape;
}

// A label's box: horizontal, or turned by `degrees` (its bounding box is then what is kept free).
struct Sized {
  double HalfWidth = 0, HalfHeight = 0;
};

Sized SizeOf(const std::string& text, double fontSize, double degrees, double pad) {
  const double hw = TextWidthEm(text) * fontSize / 2 + pad, hh = (kAscent + kDescent) * fontSize / 2 + pad;
  const double c = std::fabs(std::cos(degrees * kPi / 180)), s = std::fabs(std::sin(degrees * kPi / 180));
  return {c * hw + s * hh, s * hw + c * hh};
}

// How far the box reaches from its centre in direction d (a unit vector).
double Reach(const Sized& size, DrawPoint d) { return size.HalfWidth * std::fabs(d.X) + size.HalfHeight * std::fabs(d.Y); }

// The positions along a stretch, nearest the preferred one first.
std::vector<double> Fractions(double preferred) {
  std::vector<double> fractions;
  for (int k = 0; k <= 8; ++k) fractions.push_back(k / 8.0);
  std::stable_sort(fractions.begin(), fractions.end(),
                   [&](double a, double b) { return std::fabs(a - preferred) < std::fabs(b - preferred); });
  return fractions;
}

std::string IdPart(const std::string& text) {
  std::string id;
  for (char c : text) id += std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '_' ? c : '_';
  return id;
}

// What the result labels of a layer mean, in the units the labels carry.
struct ResultMeaning {
  const char* Layer;
  const char* Meaning;
};
const std::vector<ResultMeaning>& ResultMeanings() {
  static const std::vector<ResultMeaning> meanings = {
      {"GRSAT", "Grado de saturación TRANSYT (%)"},  {"CRUISE", "Tiempo de crucero (s)"},
      {"DELAY", "Demora media por vehículo (s)"},    {"STOPS", "Detenciones (% de los vehículos)"},
      {"QUEUE", "Cola máxima (vehículos)"},
  };
  return meanings;
}

// The switchable groups of layers, with their names in the legend; the last ones start hidden.
struct LayerGroup {
  const char* Name;
  std::vector<const char*> Layers;
  bool Shown;
};
const std::vector<LayerGroup>& LayerGroups() {
  static const std::vector<LayerGroup> groups = {
      {"Flujos de arco", {"FLUJO", "FLUJOP", "FLUJOPD"}, true},
      {"Flujos por movimiento", {"FLMOV", "FLMOVP"}, true},
      {"Calles", {"CALLES"}, true},
      {"Grado de saturación", {"GRSAT"}, true},
      {"Crucero", {"CRUISE"}, false},
      {"Demora", {"DELAY"}, false},
      {"Detenciones", {"STOPS"}, false},
      {"Cola", {"QUEUE"}, false},
  };
  return groups;
}

}  // namespace

std::string SvgWriter::PictureName(const std::string& drawingName) { return ChangeExtension(drawingName, ".svg"); }

void SvgWriter::Open(const std::string& fileName) {
  fileName_ = PictureName(fileName);
  caption_ = DrawingCaption();
  title_.clear();
  credit_.clear();
  paths_.clear();
  arrows_.clear();
  junctions_.clear();
  labels_.clear();
  layerOrder_.clear();
  layers_.clear();
  layerClasses_.clear();
  dashes_.clear();
  hasWindow_ = false;
}

void SvgWriter::Caption(const DrawingCaption& caption) { caption_ = caption; }

void SvgWriter::Extend(double x, double y) {
  if (!std::isfinite(x) || !std::isfinite(y)) return;
  if (!hasWindow_) {
    minX_ = maxX_ = x;
    minY_ = maxY_ = y;
    hasWindow_ = true;
    return;
  }
  minX_ = std::min(minX_, x);
  maxX_ = std::max(maxX_, x);
  minY_ = std::min(minY_, y);
  maxY_ = std::max(maxY_, y);
}

void SvgWriter::LinetypeTable(const std::vector<std::string>& names, const std::vector<double>& patterns,
                              const std::vector<double>& dashes, const std::vector<double>& gaps) {
  for (size_t i = 0; i < names.size(); ++i) {
    if (i >= patterns.size() || patterns[i] == 0 || i >= dashes.size() || i >= gaps.size()) continue;
    const double dash = std::fabs(dashes[i]), gap = std::fabs(gaps[i]);
    if (dash > 0 && gap > 0 && std::isfinite(dash + gap)) dashes_[Upper(names[i])] = {dash, gap};
  }
}

void SvgWriter::LayerTable(const std::vector<std::string>& names, const std::vector<int>& colours,
                           const std::vector<bool>& on) {
  for (size_t i = 0; i < names.size(); ++i) {
    Layer layer;
    if (i < colours.size()) layer.Colour = std::abs(colours[i]);
    if (i < on.size()) layer.On = on[i];
    if (!layers_.count(names[i])) layerOrder_.push_back(names[i]);
    layers_[names[i]] = layer;
    ClassOf(names[i]);
  }
}

std::string SvgWriter::ClassOf(const std::string& layer) {
  auto found = layerClasses_.find(layer);
  if (found != layerClasses_.end()) return found->second;
  // Layer names made of letters, digits, "_" and "-" name their CSS class; others are numbered.
  bool plain = !layer.empty();
  for (char c : layer)
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_' && c != '-') plain = false;
  std::string name = plain ? "layer-" + layer : Printf("layer%zu", layerClasses_.size() + 1);
  layerClasses_[layer] = name;
  return name;
}

bool SvgWriter::ShownAtFirst(const std::string& layer) const {
  for (const LayerGroup& group : LayerGroups())
    for (const char* name : group.Layers)
      if (layer == name) return group.Shown;
  auto found = layers_.find(layer);
  return found == layers_.end() || found->second.On;
}

std::string SvgWriter::ColourOf(int colour, const std::string& layer) const {
  if (colour <= 0) {
    auto found = layers_.find(layer);
    colour = found != layers_.end() ? found->second.Colour : 7;
  }
  if (colour < 1 || colour > 255) colour = 7;
  const auto& rgb = ColourPalette()[static_cast<size_t>(colour)];
  auto component = [](double v) { return static_cast<unsigned>(std::lround(std::clamp(v, 0.0, 255.0))); };
  return Printf("#%02x%02x%02x", component(rgb[0]), component(rgb[1]), component(rgb[2]));
}

void SvgWriter::Line(const DrawState& state, const std::string& layer, double x1, double y1, double x2, double y2) {
  Extend(x1, y1);
  Extend(x2, y2);
  ClassOf(layer);
  paths_.push_back({layer, ColourOf(state.LineColour, layer), Upper(state.Linetype), {{x1, y1}, {x2, y2}}, false,
                    state.Role});
}

void SvgWriter::Polyline(const DrawState& state, const std::string& layer, const std::vector<DrawPoint>& points,
                         int flags) {
  for (const DrawPoint& p : points) Extend(p.X, p.Y);
  ClassOf(layer);
  const std::string colour = ColourOf(state.LineColour, layer);
  if (state.Role == DrawRole::LinkArrow) {
    arrows_.push_back({layer, colour, Upper(state.Linetype), state.Link});
    const ArrowShape shape = ShapeOf(state.Link);
    Extend(shape.Tip.X, shape.Tip.Y);
    return;
  }
  if (state.Role == DrawRole::Junction && points.size() == 4) {
    double x0 = points[0].X, x1 = points[0].X, y0 = points[0].Y, y1 = points[0].Y;
    for (const DrawPoint& p : points) {
      x0 = std::min(x0, p.X);
      x1 = std::max(x1, p.X);
      y0 = std::min(y0, p.Y);
      y1 = std::max(y1, p.Y);
    }
    junctions_.push_back({layer, colour, Upper(state.Linetype), {(x0 + x1) / 2, (y0 + y1) / 2}, (x1 - x0) / 2,
                          std::max((y1 - y0) / 2, 1e-9)});
    return;
  }
  paths_.push_back({layer, colour, Upper(state.Linetype), points, (flags & 1) != 0, state.Role});
}

void SvgWriter::Circle(const DrawState& state, const std::string& layer, double x, double y, double radius) {
  Extend(x - radius, y - radius);
  Extend(x + radius, y + radius);
  ClassOf(layer);
  // A DXF circle carries no colour of its own: it takes its layer's.
  junctions_.push_back({layer, ColourOf(0, layer), Upper(state.Linetype), {x, y}, std::fabs(radius), 0});
}

void SvgWriter::Text(const DrawState& state, const std::string& layer, int, const std::string& text, double x,
                     double y, int) {
  ClassOf(layer);
  const std::string clean = Trim(ValidUtf8(text));
  if (state.Role == DrawRole::Title) {
    title_ = clean;
    return;
  }
  if (state.Role == DrawRole::Credit) {
    credit_ = clean;
    return;
  }
  if (clean.empty()) return;
  // Texts the picture alone shows (the links' results) come on layers the file's table may
  // not list: they are the picture's own, switched like the others.
  if (!layers_.count(layer)) {
    layerOrder_.push_back(layer);
    layers_[layer] = Layer{NearestColourIndex(0x000000), true};
  }
  labels_.push_back({layer, ColourOf(state.TextColour, layer), clean, state.Role, {x, y}, state.Link});
}

void SvgWriter::Solid(const DrawState& state, const std::string& layer, const std::array<DrawPoint, 4>& corners) {
  // A movement's arrowhead is drawn as the end of its arrow; other solids as called.
  if (state.Role == DrawRole::LinkArrow) return;
  for (const DrawPoint& p : corners) Extend(p.X, p.Y);
  ClassOf(layer);
  paths_.push_back({layer, ColourOf(state.SolidColour, layer), "", {corners[0], corners[1], corners[3], corners[2]},
                    true, state.Role, true});
}

// The picture as Close lays it out: the scale, the elements drawn in order, the room the labels
// still have, and the extent of everything drawn.
class SvgWriter::Page {
 public:
  explicit Page(SvgWriter& writer);

  // The network, the frame and other lines; each line also keeps labels off it.
  void DrawPaths();
  // Movement arrows, one arrowhead each, in the colour of their link.
  void DrawArrows();
  // Junctions: the mark grows to hold its number at screen size; mark and number keep labels off.
  void DrawJunctions();
  // The labels in order of importance: what is placed first sits nearest its place.
  void PlaceLabels();
  // The page (a heading above the network, the legend, a scale bar and the layer switches below
  // it) written to `fileName`.
  void Write(const std::string& fileName);

 private:
  // Screen sizes in pixels of the picture at its natural size, in drawing units.
  double Px(double pixels) const { return pixels * unit_; }
  double Font(DrawRole role) const { return Px(FontPx(role)); }
  std::string DashOf(const std::string& linetype) const;
  std::string MarkerOf(const std::string& colour);
  void Take(const LabelBox& box);
  void TextAt(const Label& label, DrawPoint centre, double fontSize, double degrees, const std::string& extra);
  void Place(const Label& label, double fontSize, double degrees, const std::vector<DrawPoint>& centres,
             const std::string& extra);
  const Junction* NearestJunction(DrawPoint p) const;
  // Where a label of `role` may go, nearest its place first; a street name is placed here.
  std::vector<DrawPoint> Candidates(const Label& label, DrawRole role, double size);
  void PlainText(std::vector<std::string>& out, double x, double y, double size, const std::string& anchor,
                 const std::string& cls, const std::string& fill, const std::string& text) const;
  void Heading(std::vector<std::string>& head, double pageLeft, double headTop) const;
  double Legend(std::vector<std::string>& foot, double pageLeft, double pageRight, double netBottom);
  double ScaleBar(std::vector<std::string>& foot, double pageLeft, double pageRight, double y) const;
  double LayerSwitches(std::vector<std::string>& foot, std::vector<std::string>& rules, double pageLeft,
                       double pageWidth, double top) const;

  SvgWriter& w_;
  double unit_ = 0;
  std::string id_;
  LabelSpace space_;
  std::vector<std::string> shapes_, texts_;  // elements, drawn in this order
  double left_, right_, bottom_, top_;
  double shortestDash_ = 0;
  std::vector<std::string> markerColours_;
  std::set<std::string> kinds_;          // layer and colour of the arrows drawn, for the legend
  std::set<std::string> junctionKinds_;  // the kinds of junction mark drawn, for the legend
  double pad_ = 0;
  // Labels that find no room near their place are lined up in a column beside the network.
  bool parking_ = false;
  DrawPoint parked_;
};

namespace {

// Scale: the network fills about 1100 pixels across or 750 down, unless its links would then
// be too short for their labels: a link's shaft (half the link) gets at least 100 pixels, and
// a large network makes a large picture to scroll. Every screen size is turned into drawing
// units with it.
template <class Labels, class Shown>
double PictureUnit(double netWidth, double netHeight, const Labels& labels, Shown shown) {
  double unit = std::max(netWidth / 1100, netHeight / 750);
  std::vector<double> shafts;
  for (const auto& label : labels) {
    if (label.Role != DrawRole::LinkNumber) continue;
    const double length = Length(label.Place.From, label.Place.To);
    if (length > 0 && std::isfinite(length)) shafts.push_back(length);
  }
  if (!shafts.empty()) {
    std::nth_element(shafts.begin(), shafts.begin() + static_cast<std::ptrdiff_t>(shafts.size() / 2), shafts.end());
    const double median = shafts[shafts.size() / 2];
    if (median / 100 < unit) unit = median / 100;
  }
  // And the labels shown when the picture opens cover at most a quarter of the network's area.
  double labelArea = 0;  // square pixels
  for (const auto& label : labels)
    if (shown(label.Layer))
      labelArea += (TextWidthEm(label.Text) * FontPx(label.Role) + 4) * ((kAscent + kDescent) * FontPx(label.Role) + 4);
  if (labelArea > 0 && netWidth > 0 && netHeight > 0)
    unit = std::min(unit, std::sqrt(netWidth * netHeight / 4 / labelArea));
  // A network whose links are tiny beside its extent (a node far off, coordinates in other
  // units) would make a picture no browser shows: it is drawn at most this wide instead.
  unit = std::max(unit, std::max(netWidth, netHeight) / kWidestPicturePx);
  if (!(unit > 0) || !std::isfinite(unit)) unit = 1.0 / 100;
  return unit;
}

}  // namespace

SvgWriter::Page::Page(SvgWriter& writer)
    : w_(writer),
      unit_(PictureUnit(writer.maxX_ - writer.minX_, writer.maxY_ - writer.minY_, writer.labels_,
                        [&writer](const std::string& layer) { return writer.ShownAtFirst(layer); })),
      id_("veltra-" + IdPart(ChangeExtension(ExtractFileName(writer.fileName_), ""))),
      space_(Px(40)),
      left_(writer.minX_),
      right_(writer.maxX_),
      bottom_(writer.minY_),
      top_(writer.maxY_),
      pad_(Px(1)) {
  // Dash patterns keep the drawing's proportions, the shortest dash two pixels long.
  for (const auto& [name, dash] : w_.dashes_) {
    const double least = std::min(dash.first, dash.second);
    if (shortestDash_ == 0 || least < shortestDash_) shortestDash_ = least;
  }
}

std::string SvgWriter::Page::DashOf(const std::string& linetype) const {
  auto found = w_.dashes_.find(linetype);
  if (found == w_.dashes_.end() || shortestDash_ <= 0) return "";
  const double k = Px(2) / shortestDash_;
  return " stroke-dasharray=\"" + Num(found->second.first * k) + "," + Num(found->second.second * k) + "\"";
}

std::string SvgWriter::Page::MarkerOf(const std::string& colour) {
  auto found = std::find(markerColours_.begin(), markerColours_.end(), colour);
  if (found == markerColours_.end()) {
    markerColours_.push_back(colour);
    found = markerColours_.end() - 1;
  }
  return Printf("%s-head%zu", id_.c_str(), static_cast<size_t>(found - markerColours_.begin()));
}

void SvgWriter::Page::Take(const LabelBox& box) {
  left_ = std::min(left_, box.MinX);
  right_ = std::max(right_, box.MaxX);
  bottom_ = std::min(bottom_, box.MinY);
  top_ = std::max(top_, box.MaxY);
}

void SvgWriter::Page::DrawPaths() {
  for (const Path& path : w_.paths_) {
    std::string points;
    for (const DrawPoint& p : path.Points) points += (points.empty() ? "" : " ") + Point(p);
    const std::string cls = w_.ClassOf(path.Layer);
    if (path.Filled) {
      shapes_.push_back("<polygon class=\"" + cls + "\" points=\"" + points + "\" fill=\"" + path.Colour + "\"/>");
      continue;
    }
    if (path.Role == DrawRole::Frame) {
      shapes_.push_back("<polygon class=\"frame " + cls + "\" points=\"" + points + "\"/>");
      continue;
    }
    for (size_t k = 1; k < path.Points.size(); ++k) space_.TakeSegment(path.Points[k - 1], path.Points[k]);
    if (path.Closed && path.Points.size() > 2) space_.TakeSegment(path.Points.back(), path.Points.front());
    shapes_.push_back(std::string("<") + (path.Closed ? "polygon" : "polyline") + " class=\"e " + cls + "\" points=\"" +
                      points + "\" stroke=\"" + path.Colour + "\"" + DashOf(path.Linetype) + "/>");
  }
}

void SvgWriter::Page::DrawArrows() {
  for (const Arrow& arrow : w_.arrows_) {
    const ArrowShape shape = ShapeOf(arrow.Place);
    std::string d = "M" + Point(shape.Start) + " L" + Point(shape.Bend);
    if (shape.Curved)
      d += " Q" + Point(shape.Control) + " " + Point(shape.Tip);
    else
      d += " L" + Point(shape.Tip);
    shapes_.push_back("<path class=\"arrow " + w_.ClassOf(arrow.Layer) + "\" d=\"" + d + "\" stroke=\"" + arrow.Colour +
                      "\"" + DashOf(arrow.Linetype) + " marker-end=\"url(#" + MarkerOf(arrow.Colour) + ")\"/>");
    space_.TakeSegment(shape.Start, shape.Bend);
    if (shape.Curved) {
      const DrawPoint middle{0.25 * shape.Bend.X + 0.5 * shape.Control.X + 0.25 * shape.Tip.X,
                             0.25 * shape.Bend.Y + 0.5 * shape.Control.Y + 0.25 * shape.Tip.Y};
      space_.TakeSegment(shape.Bend, middle);
      space_.TakeSegment(middle, shape.Tip);
    } else {
      space_.TakeSegment(shape.Bend, shape.Tip);
    }
    // The arrowhead itself.
    space_.TakeBox(LabelBox::Around(shape.Tip, Px(3.5), Px(3.5)));
    kinds_.insert(arrow.Layer + "|" + arrow.Colour);
  }
}

void SvgWriter::Page::DrawJunctions() {
  std::map<std::pair<double, double>, std::string> numbers;
  for (const Label& label : w_.labels_)
    if (label.Role == DrawRole::JunctionNumber) numbers[{label.At.X, label.At.Y}] = label.Text;
  const double numberFont = Font(DrawRole::JunctionNumber);
  for (Junction& j : w_.junctions_) {
    auto number = numbers.find({j.Centre.X, j.Centre.Y});
    const double textHalf = number == numbers.end() ? 0 : TextWidthEm(number->second) * numberFont / 2;
    const std::string cls = w_.ClassOf(j.Layer);
    const std::string dash = DashOf(j.Linetype);
    if (j.HalfHeight == 0) {
      j.HalfWidth = std::max({j.HalfWidth, textHalf + Px(4), 0.75 * numberFont});
      shapes_.push_back("<circle class=\"node " + cls + "\" cx=\"" + Num(j.Centre.X) + "\" cy=\"" + Num(-j.Centre.Y) +
                        "\" r=\"" + Num(j.HalfWidth) + "\" stroke=\"" + j.Colour + "\"" + dash + "/>");
      space_.TakeBox(LabelBox::Around(j.Centre, j.HalfWidth, j.HalfWidth));
      Take(LabelBox::Around(j.Centre, j.HalfWidth, j.HalfWidth));
      junctionKinds_.insert(dash.empty() ? "circle" : "dashed-circle");
    } else {
      j.HalfWidth = std::max(j.HalfWidth, textHalf + Px(3));
      j.HalfHeight = std::max(j.HalfHeight, 0.6 * numberFont);
      shapes_.push_back("<rect class=\"node " + cls + "\" x=\"" + Num(j.Centre.X - j.HalfWidth) + "\" y=\"" +
                        Num(-j.Centre.Y - j.HalfHeight) + "\" width=\"" + Num(2 * j.HalfWidth) + "\" height=\"" +
                        Num(2 * j.HalfHeight) + "\" stroke=\"" + j.Colour + "\"" + dash + "/>");
      space_.TakeBox(LabelBox::Around(j.Centre, j.HalfWidth, j.HalfHeight));
      Take(LabelBox::Around(j.Centre, j.HalfWidth, j.HalfHeight));
      junctionKinds_.insert("box");
    }
  }
}

// A horizontal text centred on `centre`, or turned by `degrees` about it.
void SvgWriter::Page::TextAt(const Label& label, DrawPoint centre, double fontSize, double degrees,
                             const std::string& extra) {
  const double baseline = -centre.Y + (kAscent - kDescent) / 2 * fontSize;
  std::string element = "<text class=\"t " + w_.ClassOf(label.Layer) + extra + "\" x=\"" + Num(centre.X) + "\" y=\"" +
                        Num(baseline) + "\" font-size=\"" + Num(fontSize) + "\" text-anchor=\"middle\"";
  if (degrees != 0)
    element += " transform=\"rotate(" + Num(-degrees) + " " + Num(centre.X) + " " + Num(-centre.Y) + ")\"";
  texts_.push_back(element + " fill=\"" + label.Colour + "\">" + XmlEscape(label.Text) + "</text>");
}

// Places a label at the first free candidate centre, in the order given. In a crowd where every
// candidate is taken, the label moves out round its first candidate, ring by ring, and past
// forty rings into the column beside the network: away from its place rather than over another
// label.
void SvgWriter::Page::Place(const Label& label, double fontSize, double degrees, const std::vector<DrawPoint>& centres,
                            const std::string& extra) {
  if (centres.empty()) return;
  const Sized size = SizeOf(label.Text, fontSize, degrees, pad_);
  std::vector<LabelBox> boxes;
  boxes.reserve(centres.size());
  for (const DrawPoint& c : centres) boxes.push_back(LabelBox::Around(c, size.HalfWidth, size.HalfHeight));
  size_t chosen = 0;
  for (; chosen < boxes.size() && !space_.IsFree(boxes[chosen]); ++chosen) {
  }
  DrawPoint centre = chosen < boxes.size() ? centres[chosen] : centres.front();
  if (chosen == boxes.size()) {
    const double ring = 0.5 * fontSize;
    bool found = false;
    for (int k = 1; !found && k <= 40; ++k) {
      const int directions = 8 + 4 * std::min(k, 16);
      for (int a = 0; !found && a < directions; ++a) {
        const DrawPoint c = Plus(centres.front(), Turned({0, -1}, 360.0 * a / directions), k * ring);
        if (space_.IsFree(LabelBox::Around(c, size.HalfWidth, size.HalfHeight))) {
          centre = c;
          found = true;
        }
      }
    }
    if (!found && !parking_) {
      parking_ = true;
      parked_ = {right_ + Px(20), top_};
    }
    while (!found) {
      centre = {parked_.X + size.HalfWidth, parked_.Y - size.HalfHeight};
      parked_.Y -= 2 * size.HalfHeight;
      found = space_.IsFree(LabelBox::Around(centre, size.HalfWidth, size.HalfHeight));
    }
  }
  const LabelBox box = LabelBox::Around(centre, size.HalfWidth, size.HalfHeight);
  space_.TakeBox(box);
  Take(box);
  TextAt(label, centre, fontSize, degrees, extra);
}

const SvgWriter::Junction* SvgWriter::Page::NearestJunction(DrawPoint p) const {
  const Junction* best = nullptr;
  double bestDistance = 0;
  for (const Junction& j : w_.junctions_) {
    const double distance = Length(p, j.Centre);
    if (!best || distance < bestDistance) {
      best = &j;
      bestDistance = distance;
    }
  }
  return best;
}

std::vector<DrawPoint> SvgWriter::Page::Candidates(const Label& label, DrawRole role, double size) {
  std::vector<DrawPoint> centres;
  const Sized box = SizeOf(label.Text, size, 0, pad_);
  const double step = 0.45 * size;
  if (role == DrawRole::SaturnNodeNumber) {
    // Beside its junction, below and to the right first.
    const Junction* j = NearestJunction(label.At);
    const DrawPoint centre = j ? j->Centre : label.At;
    const double radius = j ? std::max(j->HalfWidth, j->HalfHeight) : 0;
    for (int k = 0; k <= 12; ++k)
      for (double angle : {-45.0, -90.0, 0.0, 45.0, -135.0, 90.0, 180.0, 135.0}) {
        const DrawPoint d = Turned({1, 0}, angle);
        centres.push_back(Plus(centre, d, radius + Px(kGapPx) + k * step + Reach(box, d)));
      }
  } else if (role == DrawRole::LinkNumber || role == DrawRole::LinkFlow || role == DrawRole::LinkResult) {
    // Beside the link's shaft, on the link's own side (its right, away from the opposite
    // direction), stepping outwards and along the shaft until free.
    const DrawLinkPlace& link = label.Place;
    const double length = Length(link.From, link.To);
    if (length > 0) {
      const DrawPoint d{(link.To.X - link.From.X) / length, (link.To.Y - link.From.Y) / length};
      const DrawPoint side{d.Y, -d.X};
      const std::vector<double> fractions = Fractions(role == DrawRole::LinkNumber ? 0.75 : 0.3);
      for (int k = 0; k <= 30; ++k)
        for (double t : fractions)
          centres.push_back(Plus(Plus(link.From, d, t * length), side, Px(kGapPx) + k * step + Reach(box, side)));
    }
  } else if (role == DrawRole::MovementFlow) {
    // Off the arrowhead, ahead of it first, then turning round it.
    const ArrowShape shape = ShapeOf(label.Place);
    const DrawLinkPlace& link = label.Place;
    const double length = Length(link.From, link.To);
    if (length > 0) {
      const DrawPoint back{-shape.EndDirection.X, -shape.EndDirection.Y};
      for (int k = 0; k <= 16; ++k)
        for (double angle : {180.0, 135.0, -135.0, 90.0, -90.0, 45.0, -45.0, 0.0}) {
          const DrawPoint d = Turned(back, angle);
          centres.push_back(Plus(shape.Tip, d, Px(kGapPx + 3) + k * step + Reach(box, d)));
        }
    }
  } else if (role == DrawRole::StreetName) {
    // Along the street, read left to right, moved off the street to either side until free.
    const DrawLinkPlace& street = label.Place;
    const double length = Length(street.From, street.To);
    if (length > 0) {
      DrawPoint d{(street.To.X - street.From.X) / length, (street.To.Y - street.From.Y) / length};
      if (d.X < -1e-9 || (std::fabs(d.X) <= 1e-9 && d.Y < 0)) d = {-d.X, -d.Y};
      const double degrees = std::atan2(d.Y, d.X) * 180 / kPi;
      const DrawPoint normal{-d.Y, d.X};
      const DrawPoint middle{(street.From.X + street.To.X) / 2, (street.From.Y + street.To.Y) / 2};
      for (int k = 0; k <= 40; ++k)
        for (double t : {0.0, -0.1, 0.1, -0.2, 0.2, -0.3, 0.3})
          for (double sideSign : {1.0, -1.0}) {
            if (k == 0 && sideSign < 0) continue;
            centres.push_back(Plus(Plus(middle, d, t * length), normal, sideSign * k * step));
          }
      Place(label, size, degrees, centres, " street");
      return {};
    }
  }
  if (centres.empty()) {
    // Anything else: at its place, or moved round it until free.
    for (int k = 0; k <= 20; ++k)
      for (double angle : {-90.0, 0.0, 90.0, 180.0, -45.0, 45.0, 135.0, -135.0})
        centres.push_back(Plus(label.At, Turned({1, 0}, angle), k * step));
  }
  return centres;
}

void SvgWriter::Page::PlaceLabels() {
  // Numbers inside the junction marks.
  for (const Label& label : w_.labels_) {
    if (label.Role != DrawRole::JunctionNumber) continue;
    TextAt(label, label.At, Font(DrawRole::JunctionNumber), 0, " number");
  }
  const DrawRole order[] = {DrawRole::SaturnNodeNumber, DrawRole::LinkNumber, DrawRole::LinkFlow,
                            DrawRole::LinkResult,       DrawRole::MovementFlow, DrawRole::StreetName,
                            DrawRole::Other,            DrawRole::Frame};
  for (DrawRole role : order) {
    const double size = Font(role);
    for (const Label& label : w_.labels_) {
      if (label.Role != role) continue;
      const std::vector<DrawPoint> centres = Candidates(label, role, size);
      if (!centres.empty()) Place(label, size, 0, centres, role == DrawRole::SaturnNodeNumber ? " saturn" : "");
    }
  }
}

void SvgWriter::Page::PlainText(std::vector<std::string>& out, double x, double y, double size,
                                const std::string& anchor, const std::string& cls, const std::string& fill,
                                const std::string& text) const {
  out.push_back("<text class=\"" + cls + "\" x=\"" + Num(x) + "\" y=\"" + Num(y) + "\" font-size=\"" + Num(size) +
                "\" text-anchor=\"" + anchor + "\" fill=\"" + fill + "\">" + XmlEscape(text) + "</text>");
}

void SvgWriter::Page::Heading(std::vector<std::string>& head, double pageLeft, double headTop) const {
  const DrawingCaption& caption = w_.caption_;
  PlainText(head, pageLeft + Px(14), headTop + Px(28), Font(DrawRole::Title), "start", "title", "#000000",
            w_.title_.empty() ? caption.NetworkName : w_.title_);
  std::string subtitle = Printf("Red %d", caption.NetworkNumber);
  if (caption.Iteration > 0) subtitle += Printf(" \xc2\xb7 Iteración %d", caption.Iteration);
  if (caption.Cycle > 0) subtitle += Printf(" \xc2\xb7 Ciclo %d s", caption.Cycle);
  PlainText(head, pageLeft + Px(14), headTop + Px(48), Px(13), "start", "subtitle", "#333333", subtitle);
}

// One sample and its meaning per item, in rows as wide as the page. Returns where the last row is.
double SvgWriter::Page::Legend(std::vector<std::string>& foot, double pageLeft, double pageRight, double netBottom) {
  const double legendFont = Px(kLegendFontPx);
  double x = pageLeft + Px(14), y = netBottom + Px(24);
  const double rowHeight = Px(kLegendRowPx);
  auto item = [&](const std::string& sample, double sampleWidth, const std::string& meaning) {
    const double width = sampleWidth + Px(6) + TextWidthEm(meaning) * legendFont + Px(22);
    if (x + width > pageRight - Px(14) && x > pageLeft + Px(14)) {
      x = pageLeft + Px(14);
      y += rowHeight;
    }
    foot.push_back("<g transform=\"translate(" + Num(x) + " " + Num(y) + ")\">" + sample + "</g>");
    PlainText(foot, x + sampleWidth + Px(6), y + Px(4), legendFont, "start", "legend", "#000000", meaning);
    x += width;
  };
  const double sampleLength = Px(34);
  auto arrowSample = [&](const std::string& colour, const std::string& linetype) {
    return "<path class=\"arrow\" d=\"M0,0 L" + Num(sampleLength - Px(2)) + ",0\" stroke=\"" + colour + "\"" +
           DashOf(linetype) + " marker-end=\"url(#" + MarkerOf(colour) + ")\"/>";
  };
  // A sample of a layer's labels names its layer, so the legend can be checked against them.
  auto textSample = [&](const std::string& text, double size, const std::string& colour,
                        const std::string& layer = "") {
    return "<text" + (layer.empty() ? std::string() : " data-layer=\"" + XmlEscape(layer) + "\"") +
           " x=\"0\" y=\"" + Num(Px(4)) + "\" font-size=\"" + Num(size) + "\" fill=\"" + colour + "\">" +
           XmlEscape(text) + "</text>";
  };
  const std::string black = w_.ColourOf(0, "ARCOS");
  const std::string red = w_.ColourOf(NearestColourIndex(0xFF0000), "");
  struct Kind {
    const char* Layer;
    const char* Linetype;
    const char* Meaning;
  };
  for (const Kind& kind : {Kind{"ARCOS", "CONTINUA", "Arco general: una flecha por movimiento"},
                           Kind{"ARCOSP", "MINITRAZOS", "Arco de transporte público"},
                           Kind{"ARCOSPD", "PUNTOS", "Transporte público con detalle"}}) {
    bool used = false;
    for (const std::string& k : kinds_) used = used || StartsWith(k, std::string(kind.Layer) + "|");
    if (used || std::string(kind.Layer) == "ARCOS") item(arrowSample(black, kind.Linetype), sampleLength, kind.Meaning);
  }
  // The limit is compared with TRANSYT's degree of saturation, which is in percent.
  if (w_.caption_.SaturationLimit != 900)
    item(arrowSample(red, "CONTINUA"), sampleLength,
         "Saturado: grado de saturación " + Num(w_.caption_.SaturationLimit) + "% o más");
  std::string flowSample = "(392/0)", numberSample = "123", movementSample = "120";
  for (const Label& label : w_.labels_) {
    if (label.Role == DrawRole::LinkFlow && flowSample == "(392/0)") flowSample = label.Text;
    if (label.Role == DrawRole::LinkNumber && numberSample == "123") numberSample = label.Text;
    if (label.Role == DrawRole::MovementFlow && movementSample == "120") movementSample = label.Text;
  }
  std::string flowColour = black;
  for (const Label& label : w_.labels_)
    if (label.Role == DrawRole::LinkFlow) {
      flowColour = label.Colour;
      break;
    }
  auto sampleWidth = [&](const std::string& text, double size) { return TextWidthEm(text) * size; };
  item(textSample(numberSample, legendFont, black), sampleWidth(numberSample, legendFont), "Número de arco TRANSYT");
  item(textSample(flowSample, legendFont, flowColour), sampleWidth(flowSample, legendFont),
       "Flujo del arco / flujo secundario (de conectores), veh/h");
  item(textSample(movementSample, Font(DrawRole::MovementFlow), black),
       sampleWidth(movementSample, Font(DrawRole::MovementFlow)), "Flujo por movimiento, veh/h");
  // Each result the picture shows, by one of its own labels: legend and labels in one unit.
  for (const ResultMeaning& result : ResultMeanings()) {
    const Label* sample = nullptr;
    for (const Label& label : w_.labels_)
      if (label.Role == DrawRole::LinkResult && label.Layer == result.Layer) {
        sample = &label;
        break;
      }
    if (!sample) continue;
    const double size = Font(DrawRole::LinkResult);
    item(textSample(sample->Text, size, black, result.Layer), sampleWidth(sample->Text, size), result.Meaning);
  }
  const double r = Px(7);
  if (junctionKinds_.count("circle"))
    item("<circle class=\"node\" cx=\"" + Num(r) + "\" cy=\"0\" r=\"" + Num(r) + "\" stroke=\"" + black + "\"/>", 2 * r,
         "Cruce semaforizado (número TRANSYT; al lado, número SATURN)");
  if (junctionKinds_.count("dashed-circle"))
    item("<circle class=\"node\" cx=\"" + Num(r) + "\" cy=\"0\" r=\"" + Num(r) + "\" stroke=\"" + black + "\"" +
             DashOf("MINITRAZOS") + "/>",
         2 * r, "Cruce sin plan de semáforos");
  if (junctionKinds_.count("box"))
    item("<rect class=\"node\" x=\"0\" y=\"" + Num(-r * 0.7) + "\" width=\"" + Num(2 * r) + "\" height=\"" +
             Num(1.4 * r) + "\" stroke=\"" + black + "\"" + DashOf("MINITRAZOS") + "/>",
         2 * r, "Nodo fuera de la red TRANSYT (número SATURN)");
  return y;
}

// A round length near 160 pixels, in metres, in four alternating parts, under the legend's
// last row at `y`; the credit beside it. Returns the top of what follows.
double SvgWriter::Page::ScaleBar(std::vector<std::string>& foot, double pageLeft, double pageRight, double y) const {
  const double legendFont = Px(kLegendFontPx);
  y += Px(kLegendRowPx) + Px(8);
  double metres = 1;
  const double wanted = Px(160);
  for (double magnitude = std::pow(10, std::floor(std::log10(std::max(wanted, 1e-9)))); magnitude < wanted * 10;
       magnitude *= 10)
    for (double step : {1.0, 2.0, 5.0})
      if (step * magnitude <= wanted) metres = step * magnitude;
  const double barLeft = pageLeft + Px(14), barHeight = Px(5);
  foot.push_back("<g class=\"scale\">");
  for (int k = 0; k < 4; ++k)
    foot.push_back("<rect x=\"" + Num(barLeft + k * metres / 4) + "\" y=\"" + Num(y) + "\" width=\"" + Num(metres / 4) +
                   "\" height=\"" + Num(barHeight) + "\" fill=\"" + (k % 2 == 0 ? "#000000" : "#ffffff") +
                   "\" stroke=\"#000000\" stroke-width=\"" + Num(Px(0.8)) + "\"/>");
  const std::string metresText = Num(metres);
  PlainText(foot, barLeft, y + barHeight + Px(13), legendFont, "start", "scale-label", "#000000", "0");
  PlainText(foot, barLeft + metres, y + barHeight + Px(13), legendFont, "middle", "scale-label", "#000000",
            metresText + " m");
  foot.push_back("</g>");
  PlainText(foot, pageRight - Px(14), y + barHeight + Px(13), Px(10), "end", "credit", "#666666",
            w_.credit_.empty() ? "Generado Automaticamente por VELTRA" : w_.credit_);
  return y + barHeight + Px(22);
}

// A check box per group of the layers this drawing has (no script needed), at `switchesTop`,
// with the rules that hide a group. Returns the bottom of what is drawn.
double SvgWriter::Page::LayerSwitches(std::vector<std::string>& foot, std::vector<std::string>& rules, double pageLeft,
                                      double pageWidth, double switchesTop) const {
  std::string switches;
  int switchCount = 0;
  for (const LayerGroup& group : LayerGroups()) {
    std::vector<std::string> present;
    for (const char* layer : group.Layers)
      if (w_.layers_.count(layer)) present.push_back(layer);
    if (present.empty()) continue;
    const std::string box = id_ + "-" + IdPart(Lower(group.Layers.front()));
    switches += "<label style=\"margin-right:14px;white-space:nowrap\"><input type=\"checkbox\" id=\"" + box + "\"" +
                (group.Shown ? " checked=\"checked\"" : "") + "/>" + XmlEscape(group.Name) + "</label>";
    for (const std::string& layer : present)
      rules.push_back("#" + id_ + ":has(#" + box + ":not(:checked)) ." + w_.ClassOf(layer) + "{display:none}");
    ++switchCount;
  }
  double pageBottom = switchesTop;
  if (switchCount > 0) {
    const double switchesHeight = Px(44);
    // The check boxes are laid out in screen pixels, scaled to the drawing's units as a whole.
    foot.push_back("<foreignObject class=\"switches\" transform=\"translate(" + Num(pageLeft + Px(10)) + " " +
                   Num(switchesTop) + ") scale(" + Printf("%.6g", unit_) + ")\" x=\"0\" y=\"0\" width=\"" +
                   Num(pageWidth / unit_ - 20) + "\" height=\"" + Num(switchesHeight / unit_) +
                   "\"><div xmlns=\"http://www.w3.org/1999/xhtml\" style=\"font-size:11px;"
                   "font-family:Arial,Helvetica,sans-serif\"><span style=\"margin-right:10px\">Capas:</span>" +
                   switches + "</div></foreignObject>");
    pageBottom += switchesHeight;
  }
  return pageBottom;
}

void SvgWriter::Page::Write(const std::string& fileName) {
  // The page: the network and its labels, a heading above and the legend below.
  const double margin = Px(14);
  const double contentLeft = left_ - margin, contentRight = right_ + margin;
  const double pageWidth = std::max(contentRight - contentLeft, Px(900));
  const double pageLeft = contentLeft - (pageWidth - (contentRight - contentLeft)) / 2;
  const double pageRight = pageLeft + pageWidth;
  const double headTop = -(top_ + margin) - Px(62);  // picture coordinates, Y down
  const double netBottom = -(bottom_ - margin);

  std::vector<std::string> head, foot, rules;
  Heading(head, pageLeft, headTop);
  const double lastRow = Legend(foot, pageLeft, pageRight, netBottom);
  const double switchesTop = ScaleBar(foot, pageLeft, pageRight, lastRow);
  const double pageBottom = LayerSwitches(foot, rules, pageLeft, pageWidth, switchesTop) + Px(6);

  TextWriter out(fileName);
  const double pageHeight = pageBottom - headTop;
  out.Line("<?xml version=\"1.0\" encoding=\"UTF-8\"?>");
  out.Line("<svg xmlns=\"http://www.w3.org/2000/svg\" id=\"" + id_ + "\" width=\"" + Num(pageWidth / unit_) +
           "\" height=\"" + Num(pageHeight / unit_) + "\" viewBox=\"" + Num(pageLeft) + " " + Num(headTop) + " " +
           Num(pageWidth) + " " + Num(pageHeight) + "\" font-family=\"Arial, Helvetica, sans-serif\">");
  out.Line("<style>");
  const std::string s = "#" + id_ + " ";
  out.Line(s + ".e{fill:none;stroke-width:" + Num(Px(kLineWidthPx)) + ";stroke-linejoin:round}");
  out.Line(s + ".arrow{fill:none;stroke-width:" + Num(Px(kArrowWidthPx)) + ";stroke-linejoin:round}");
  out.Line(s + ".node{fill:#ffffff;stroke-width:" + Num(Px(1.1)) + "}");
  out.Line(s + ".frame{fill:none;stroke:#b0b0b0;stroke-width:" + Num(Px(0.6)) + "}");
  out.Line(s + ".t{paint-order:stroke;stroke:#ffffff;stroke-width:" + Num(Px(2.5)) + ";stroke-linejoin:round}");
  out.Line(s + ".number{font-weight:bold}");
  out.Line(s + ".street{font-style:italic}");
  out.Line(s + ".saturn{fill:#707070}");
  out.Line(s + ".title{font-weight:bold}");
  // Layers the drawing keeps off start hidden when no switch covers them.
  for (const std::string& name : w_.layerOrder_) {
    bool switched = false;
    for (const LayerGroup& group : LayerGroups())
      for (const char* layer : group.Layers) switched = switched || name == layer;
    if (!switched && !w_.layers_[name].On) out.Line(s + "." + w_.ClassOf(name) + "{display:none}");
  }
  for (const std::string& rule : rules) out.Line(rule);
  out.Line("</style>");
  out.Line("<defs>");
  for (size_t k = 0; k < markerColours_.size(); ++k)
    out.Line(Printf("<marker id=\"%s-head%zu\" viewBox=\"0 0 10 10\" refX=\"8\" refY=\"5\" markerWidth=\"5\" "
                    "markerHeight=\"5\" orient=\"auto\"><path d=\"M0,1 L10,5 L0,9 z\" fill=\"%s\"/></marker>",
                    id_.c_str(), k, markerColours_[k].c_str()));
  out.Line("</defs>");
  out.Line("<rect x=\"" + Num(pageLeft) + "\" y=\"" + Num(headTop) + "\" width=\"" + Num(pageWidth) + "\" height=\"" +
           Num(pageHeight) + "\" fill=\"white\"/>");
  out.Line("<g class=\"heading\">");
  for (const std::string& element : head) out.Line(element);
  out.Line("</g>");
  out.Line("<g class=\"network\">");
  for (const std::string& element : shapes_) out.Line(element);
  for (const std::string& element : texts_) out.Line(element);
  out.Line("</g>");
  out.Line("<g class=\"legend\">");
  for (const std::string& element : foot) out.Line(element);
  out.Line("</g>");
  out.Line("</svg>");
  out.Close();
}

void SvgWriter::Close() {
  if (fileName_.empty()) return;
  if (!hasWindow_) Extend(0, 0);
  Page page(*this);
  page.DrawPaths();
  page.DrawArrows();
  page.DrawJunctions();
  page.PlaceLabels();
  page.Write(fileName_);
  fileName_.clear();
}

}  // namespace veltra

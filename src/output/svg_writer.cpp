#include "output/svg_writer.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>

#include "output/xml_text.h"
#include "util/conversions.h"
#include "util/files.h"
#include "util/text.h"

namespace veltra {

namespace {

// Picture coordinates: the drawing's Y axis points up, the picture's down.
std::string Num(double v) {
  if (v == 0) v = 0;
  char buffer[400];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, v, std::chars_format::fixed, 3);
  std::string s = result.ec == std::errc() ? std::string(buffer, result.ptr) : Printf("%.3f", v);
  while (!s.empty() && s.back() == '0') s.pop_back();
  if (!s.empty() && s.back() == '.') s.pop_back();
  return s == "-0" ? "0" : s;
}

std::string Point(double x, double y) { return Num(x) + "," + Num(-y); }

// A DXF text height is the height of the capitals; a font size is about 1.4 times that.
constexpr double kFontSizePerHeight = 1.4;

}  // namespace

std::string SvgWriter::PictureName(const std::string& drawingName) { return ChangeExtension(drawingName, ".svg"); }

void SvgWriter::Open(const std::string& fileName) {
  fileName_ = PictureName(fileName);
  body_.clear();
  layers_.clear();
  layerClasses_.clear();
  dashes_.clear();
  hasWindow_ = false;
}

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

void SvgWriter::ViewportTable(double x1, double y1, double x2, double y2) {
  Extend(x1, y1);
  Extend(x2, y2);
}

void SvgWriter::LinetypeTable(const std::vector<std::string>& names, const std::vector<double>& patterns,
                              const std::vector<double>& dashes, const std::vector<double>& gaps) {
  for (size_t i = 0; i < names.size(); ++i) {
    if (i >= patterns.size() || patterns[i] == 0 || i >= dashes.size() || i >= gaps.size()) continue;
    double dash = std::fabs(dashes[i]), gap = std::fabs(gaps[i]);
    if (dash + gap > 0) dashes_[Upper(names[i])] = Num(dash) + "," + Num(gap);
  }
}

void SvgWriter::LayerTable(const std::vector<std::string>& names, const std::vector<int>& colours,
                           const std::vector<bool>& on) {
  for (size_t i = 0; i < names.size(); ++i) {
    Layer layer;
    if (i < colours.size()) layer.Colour = std::abs(colours[i]);
    if (i < on.size()) layer.On = on[i];
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

std::string SvgWriter::StrokeOf(const DrawState& state, const std::string& layer, int colour) const {
  std::string attributes = " stroke=\"" + ColourOf(colour, layer) + "\"";
  auto dash = dashes_.find(Upper(state.Linetype));
  if (dash != dashes_.end()) attributes += " stroke-dasharray=\"" + dash->second + "\"";
  if (state.PolylineWidth > 0) attributes += " style=\"stroke-width:" + Num(state.PolylineWidth) + "\"";
  return attributes;
}

void SvgWriter::Line(const DrawState& state, const std::string& layer, double x1, double y1, double x2, double y2) {
  Extend(x1, y1);
  Extend(x2, y2);
  body_.push_back("<line class=\"e " + ClassOf(layer) + "\" x1=\"" + Num(x1) + "\" y1=\"" + Num(-y1) + "\" x2=\"" + Num(x2) +
           "\" y2=\"" + Num(-y2) + "\"" + StrokeOf(state, layer, state.LineColour) + "/>");
}

void SvgWriter::Polyline(const DrawState& state, const std::string& layer, const std::vector<DrawPoint>& points,
                         int flags) {
  std::string list;
  for (const DrawPoint& p : points) {
    Extend(p.X, p.Y);
    if (!list.empty()) list += ' ';
    list += Point(p.X, p.Y);
  }
  const char* element = (flags & 1) ? "polygon" : "polyline";
  body_.push_back(std::string("<") + element + " class=\"e " + ClassOf(layer) + "\" points=\"" + list + "\"" +
           StrokeOf(state, layer, state.LineColour) + "/>");
}

void SvgWriter::Circle(const DrawState& state, const std::string& layer, double x, double y, double radius) {
  Extend(x - radius, y - radius);
  Extend(x + radius, y + radius);
  // A DXF circle carries no colour of its own: it takes its layer's.
  body_.push_back("<circle class=\"e " + ClassOf(layer) + "\" cx=\"" + Num(x) + "\" cy=\"" + Num(-y) + "\" r=\"" +
           Num(std::fabs(radius)) + "\"" + StrokeOf(state, layer, 0) + "/>");
}

void SvgWriter::Text(const DrawState& state, const std::string& layer, int rotation, const std::string& text, double x,
                     double y, int justification) {
  justification = std::clamp(justification, 0, 8);
  const int column = justification % 3;
  int row = justification / 3;
  double degrees = rotation / 10.0;
  // A mirrored DXF text is turned half a turn about its alignment point, and its vertical
  // code is swapped, so its box hangs on the other side of that point before the turn.
  if (state.TextMirror) {
    degrees += 180;
    row = 2 - row;
  }
  const double height = state.TextHeight;
  const double baseline = row == 0 ? height : row == 1 ? height / 2 : -0.3 * height;
  static const char* const anchors[3] = {"start", "middle", "end"};
  // The text's box, about 0.8 heights a character wide, from the caps' top to the descenders,
  // turned with the text: its corners keep the picture's frame around it.
  const double width = 0.8 * height * static_cast<double>(Utf8Length(ValidUtf8(text)));
  const double left = column == 0 ? 0 : column == 1 ? -width / 2 : -width;
  const double radians = -degrees * 3.14159265358979323846 / 180;
  for (double u : {left, left + width}) {
    for (double v : {baseline - height, baseline + 0.3 * height}) {
      const double px = u * std::cos(radians) - v * std::sin(radians);
      const double py = u * std::sin(radians) + v * std::cos(radians);
      Extend(x + px, y - py);
    }
  }
  body_.push_back("<text class=\"" + ClassOf(layer) + "\" transform=\"translate(" + Point(x, y) + ") rotate(" +
           Num(-degrees) + ")\" y=\"" + Num(baseline) + "\" font-size=\"" + Num(height * kFontSizePerHeight) +
           "\" text-anchor=\"" + anchors[column] + "\" fill=\"" + ColourOf(state.TextColour, layer) + "\">" +
           XmlEscape(text) + "</text>");
}

void SvgWriter::Solid(const DrawState& state, const std::string& layer, const std::array<DrawPoint, 4>& corners) {
  std::string list;
  for (size_t k : {0u, 1u, 3u, 2u}) {
    Extend(corners[k].X, corners[k].Y);
    if (!list.empty()) list += ' ';
    list += Point(corners[k].X, corners[k].Y);
  }
  const std::string colour = ColourOf(state.SolidColour, layer);
  body_.push_back("<polygon class=\"" + ClassOf(layer) + "\" points=\"" + list + "\" fill=\"" + colour + "\"/>");
}

void SvgWriter::Close() {
  if (fileName_.empty()) return;
  if (!hasWindow_) Extend(0, 0);
  double width = maxX_ - minX_, height = maxY_ - minY_;
  double size = std::max({width, height, 1.0});
  double margin = size * 0.02;
  double left = minX_ - margin, top = -(maxY_ + margin);
  width += 2 * margin;
  height += 2 * margin;
  const double pixels = 1200.0 / std::max(width, height);

  TextWriter out(fileName_);
  out.Line("<?xml version=\"1.0\" encoding=\"UTF-8\"?>");
  out.Line("<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + Num(width * pixels) + "\" height=\"" +
           Num(height * pixels) + "\" viewBox=\"" + Num(left) + " " + Num(top) + " " + Num(width) + " " +
           Num(height) + "\" font-family=\"Arial, Helvetica, sans-serif\">");
  out.Line("<style>");
  out.Line(".e{fill:none;stroke-width:" + Num(size / 1500) + ";stroke-linejoin:round}");
  for (const auto& [name, cls] : layerClasses_) {
    auto found = layers_.find(name);
    if (found != layers_.end() && !found->second.On) out.Line("." + cls + "{display:none}");
  }
  out.Line("</style>");
  out.Line("<rect x=\"" + Num(left) + "\" y=\"" + Num(top) + "\" width=\"" + Num(width) + "\" height=\"" +
           Num(height) + "\" fill=\"white\"/>");
  for (const std::string& element : body_) out.Line(element);
  out.Line("</svg>");
  out.Close();
  fileName_.clear();
  body_.clear();
}

}  // namespace veltra

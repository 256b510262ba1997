#include "output/dxf_writer.h"

#include <algorithm>
#include <charconv>
#include <stdexcept>

namespace veltra {

namespace {

// A value on one line: a text with a line break would split the group structure.
std::string OneLine(const std::string& text) {
  std::string line = text;
  for (char& c : line)
    if (c == '\r' || c == '\n') c = ' ';
  return line;
}

std::string Decimal(const char* format, double value) {
  if (value == 0) value = 0;  // no "-0.00000"
  return Printf(format, value);
}

}  // namespace

void KwtDxfer::Open(const std::string& fileName) {
  out_ = std::make_unique<TextWriter>(fileName);
  handle_ = kFirstHandle;
}

void KwtDxfer::Close() {
  if (!out_) return;
  Group(0, "EOF");
  out_->Close();
  out_.reset();
}

void KwtDxfer::Group(int code, const std::string& value) {
  if (!out_) throw std::logic_error("DXF drawing written before it was opened");
  std::string text = std::to_string(code);  // right-aligned in three columns
  if (text.size() < 3) text.insert(0, 3 - text.size(), ' ');
  out_->Line(text);
  out_->Line(value);
}

void KwtDxfer::Real(int code, double value) {
  // The same digits as "%.5f", without the cost of a format string on every coordinate.
  if (value == 0) value = 0;
  char buffer[400];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 5);
  Group(code, result.ec == std::errc() ? std::string(buffer, result.ptr) : Printf("%.5f", value));
}
void KwtDxfer::TableInteger(int code, int value) { Group(code, Printf("%5d", value)); }
void KwtDxfer::Integer(int code, int value) { Group(code, Printf("%d", value)); }

void KwtDxfer::EntityStart(const char* type) {
  Group(0, type);
  ++handle_;
  Group(5, Printf("%04X", static_cast<unsigned>(handle_)));
}

void KwtDxfer::LinetypeAndLayer(const DrawState& state, const std::string& layer) {
  if (state.Linetype != "ByLayer") Group(6, state.Linetype);
  Group(8, layer);
}

void KwtDxfer::BeginSection(const std::string& name) {
  Group(0, "SECTION");
  Group(2, name);
}

void KwtDxfer::EndSection() { Group(0, "ENDSEC"); }

void KwtDxfer::ExtentsMinimum(double x, double y) {
  Group(9, "$EXTMIN");
  Real(10, x);
  Real(20, y);
  Real(30, 0);
}

void KwtDxfer::ExtentsMaximum(double x, double y) {
  Group(9, "$EXTMAX");
  Real(10, x);
  Real(20, y);
  Real(30, 0);
}

void KwtDxfer::ViewportTable(double x1, double y1, double x2, double y2) {
  // The view's aspect ratio divides by the window's height: a flat window (all nodes on one
  // horizontal line, or a single node) is opened up to a square around its middle.
  if (y2 - y1 == 0) {
    double half = x2 - x1 > 0 ? (x2 - x1) / 2 : 0.5;
    y1 -= half;
    y2 += half;
  }
  Group(0, "TABLE");
  Group(2, "VPORT");
  TableInteger(70, 1);
  Group(0, "VPORT");
  Group(2, "*ACTIVE");
  TableInteger(70, 0);
  Real(10, 0);
  Real(20, 0);
  Real(11, 1);
  Real(21, 1);
  Real(12, (x1 + x2) * 0.5);
  Real(22, (y1 + y2) * 0.5);
  Real(13, 0);
  Real(23, 0);
  Real(14, 1);
  Real(24, 1);
  Real(15, 0);
  Real(25, 0);
  Real(16, 0);
  Real(26, 0);
  Real(36, 1);
  Real(17, 0);
  Real(27, 0);
  Real(37, 0);
  Real(40, (y2 - y1) * 1.01);
  Real(41, (x2 - x1) / (y2 - y1));
  Real(42, 50);
  Real(43, 0);
  Real(44, 0);
  Real(50, 0);
  Real(51, 0);
  TableInteger(71, 0);
  TableInteger(72, 100);
  TableInteger(73, 1);
  TableInteger(74, 1);
  for (int code = 75; code <= 78; ++code) TableInteger(code, 0);
  Group(0, "ENDTAB");
}

void KwtDxfer::LinetypeTable(const std::vector<std::string>& names, const std::vector<double>& patterns,
                             const std::vector<double>& dashes, const std::vector<double>& gaps) {
  Group(0, "TABLE");
  Group(2, "LTYPE");
  TableInteger(70, static_cast<int>(names.size()));
  for (size_t i = 0; i < names.size(); ++i) {
    const double pattern = i < patterns.size() ? patterns[i] : 0;
    Group(0, "LTYPE");
    Group(2, names[i]);
    TableInteger(70, 0);
    Group(3, Lower(names[i]));
    TableInteger(72, 65);
    TableInteger(73, pattern == 0 ? 0 : 2);
    Real(40, pattern);
    if (pattern != 0) {
      Real(49, i < dashes.size() ? dashes[i] : 0);
      Real(49, i < gaps.size() ? gaps[i] : 0);
    }
  }
  Group(0, "ENDTAB");
}

void KwtDxfer::LayerTable(const std::vector<std::string>& names, const std::vector<int>& colours,
                          const std::vector<bool>& on) {
  Group(0, "TABLE");
  Group(2, "LAYER");
  TableInteger(70, static_cast<int>(names.size()));
  for (size_t i = 0; i < names.size(); ++i) {
    const int colour = i < colours.size() ? colours[i] : 7;
    const bool visible = i < on.size() ? on[i] : true;
    Group(0, "LAYER");
    Group(2, names[i]);
    TableInteger(70, 0);
    Integer(62, visible ? colour : -colour);
    Group(6, "CONTINUA");
  }
  Group(0, "ENDTAB");
}

void KwtDxfer::StyleTable(const std::vector<std::string>& names, const std::vector<std::string>& fonts) {
  Group(0, "TABLE");
  Group(2, "STYLE");
  TableInteger(70, static_cast<int>(names.size()));
  for (size_t i = 0; i < names.size(); ++i) {
    Group(0, "STYLE");
    Group(2, names[i]);
    TableInteger(70, 0);
    Group(40, Printf("%5.1f", 0.0));
    Group(41, Printf("%5.1f", 1.0));
    Group(42, Printf("%5.1f", 0.2));
    Group(50, Printf("%5.1f", 0.0));
    TableInteger(71, 0);
    Group(3, i < fonts.size() ? OneLine(fonts[i]) : std::string());
  }
  Group(0, "ENDTAB");
}

void KwtDxfer::Line(const DrawState& state, const std::string& layer, double x1, double y1, double x2, double y2) {
  EntityStart("LINE");
  LinetypeAndLayer(state, layer);
  Real(10, x1);
  Real(20, y1);
  Real(11, x2);
  Real(21, y2);
  if (state.LineColour > 0) Integer(62, state.LineColour);
}

void KwtDxfer::Polyline(const DrawState& state, const std::string& layer, const std::vector<DrawPoint>& points,
                        int flags) {
  EntityStart("POLYLINE");
  LinetypeAndLayer(state, layer);
  Group(66, Printf("%6d", 1));
  Group(10, Printf("%.1f", 0.0));
  Group(20, Printf("%.1f", 0.0));
  Group(30, Printf("%.1f", 0.0));
  if (state.PolylineWidth > 0) {
    Integer(40, state.PolylineWidth);
    Integer(41, state.PolylineWidth);
  }
  Group(70, Printf("%6d", flags));
  if (state.LineColour > 0) Integer(62, state.LineColour);
  for (const DrawPoint& p : points) {
    EntityStart("VERTEX");
    Group(8, layer);
    Real(10, p.X);
    Real(20, p.Y);
    Real(30, 0);
  }
  EntityStart("SEQEND");
  Group(8, layer);
}

void KwtDxfer::Circle(const DrawState& state, const std::string& layer, double x, double y, double radius) {
  EntityStart("CIRCLE");
  LinetypeAndLayer(state, layer);
  Real(10, x);
  Real(20, y);
  Real(40, radius);
}

void KwtDxfer::Text(const DrawState& state, const std::string& layer, int rotation, const std::string& text, double x,
                    double y, int justification) {
  justification = std::clamp(justification, 0, 8);
  const int column = justification % 3;
  const int row = justification / 3;
  Group(0, "TEXT");
  Group(1, OneLine(text));
  ++handle_;
  Group(5, Printf("%04X", static_cast<unsigned>(handle_)));
  Group(7, state.TextStyle);
  Group(8, layer);
  Real(10, x);
  Real(20, y);
  Group(40, Decimal("%.2f", state.TextHeight));
  Real(50, rotation / 10.0);
  Real(11, x);
  Real(21, y);
  if (state.TextColour > 0) Integer(62, state.TextColour);
  // Turned half a turn, the text's top becomes its bottom: the vertical codes swap so that
  // the text keeps its side of the alignment point.
  int vertical = 3 - row;
  if (state.TextMirror) {
    Group(71, "6");
    vertical = 1 + row;
  }
  Integer(72, column);
  Integer(73, vertical);
}

void KwtDxfer::Solid(const DrawState& state, const std::string& layer, const std::array<DrawPoint, 4>& corners) {
  EntityStart("SOLID");
  Group(8, layer);
  if (state.SolidColour > 0) Integer(62, state.SolidColour);
  for (int k = 0; k < 4; ++k) {
    Real(10 + k, corners[static_cast<size_t>(k)].X);
    Real(20 + k, corners[static_cast<size_t>(k)].Y);
  }
}

}  // namespace veltra

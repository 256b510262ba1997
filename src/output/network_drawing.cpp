#include "output/network_drawing.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <set>
#include <utility>
#include <vector>

#include "model/tables.h"
#include "output/dxf_writer.h"
#include "output/svg_writer.h"
#include "util/conversions.h"
#include "util/text.h"

namespace veltra {

namespace {

// What the drawing reads of the run: the settings and both models.
struct DrawingModel {
  const Settings& Cfg;
  const SaturnVars& Sat;
  const QorVars& Qor;
};

constexpr double kRadiansToTenths = 572.9577951308232;  // 1800 / pi
constexpr double kNoSaturationLimit = 900.0;           // GradoSaturacion value meaning "no results"

DrawPoint Along(DrawPoint a, DrawPoint b, double t) { return {a.X + t * (b.X - a.X), a.Y + t * (b.Y - a.Y)}; }
DrawPoint Shift(DrawPoint p, DrawPoint normal, double distance) {
  return {p.X + distance * normal.X, p.Y + distance * normal.Y};
}
DrawPoint Blend(DrawPoint p, double s, DrawPoint q, double t) { return {s * p.X + t * q.X, s * p.Y + t * q.Y}; }
bool Coincide(DrawPoint a, DrawPoint b) { return a.X == b.X && a.Y == b.Y; }

// Direction of the way from p to q in tenths of a degree, truncated.
int DirectionTenths(DrawPoint p, DrawPoint q) {
  return static_cast<int>(DirectionAngle(q.X, q.Y, p.X, p.Y) * kRadiansToTenths);
}

// The bend points of a link's movement arrows: p1 and p2 on the offset line from 30% to 80% of
// the way, and the end p3 of each direction class (-1, 0, 1), fanned one width apart at 90%.
struct MovementShape {
  DrawPoint P1, P2;
  std::array<DrawPoint, 3> P3;
};

bool MovementPoints(DrawPoint a, DrawPoint b, double w, int n, MovementShape& shape) {
  if (Coincide(a, b)) return false;
  const double dx = b.X - a.X, dy = b.Y - a.Y;
  const double length = std::hypot(dx, dy);
  const DrawPoint right{dy / length, -dx / length};
  shape.P1 = Shift(Along(a, b, 0.3), right, n * w);
  shape.P2 = Shift(Along(a, b, 0.8), right, n * w);
  const DrawPoint p90 = Along(a, b, 0.9);
  for (int k = 0; k < 3; ++k) {
    DrawPoint q = Shift(p90, right, (n + k - 1) * w);
    shape.P3[static_cast<size_t>(k)] = k == 1 ? q : Blend(shape.P2, 0.25, q, 0.75);
  }
  return true;
}

bool HasPosition(const TNodo& node) { return node.X != kCoordinateNotSet && node.Y != kCoordinateNotSet; }

// The node at a link's end index, when it exists and has coordinates.
const TNodo* PlacedNode(const SaturnVars& sat, int32_t index) {
  if (index < 1 || static_cast<size_t>(index) >= sat.Nodes.size()) return nullptr;
  const TNodo& node = At(sat.Nodes, index);
  return HasPosition(node) ? &node : nullptr;
}

DrawPoint At(const TNodo& node) { return {node.X, node.Y}; }

// Both ends of a link, when both nodes exist and have coordinates.
bool LinkEnds(const SaturnVars& sat, const TArco& link, DrawPoint& a, DrawPoint& b) {
  const TNodo* nodeA = PlacedNode(sat, link.IndiceA);
  const TNodo* nodeB = PlacedNode(sat, link.IndiceB);
  if (!nodeA || !nodeB) return false;
  a = At(*nodeA);
  b = At(*nodeB);
  return true;
}

// Calls draw(link, a, b) for every numbered link whose ends can be drawn, in link order.
template <class Draw>
void ForNumberedLinks(const DrawingModel& model, Draw draw) {
  for (int32_t i = 1; i <= model.Qor.NumArcos; ++i) {
    const TArco& link = At(model.Qor.Arcos, i);
    DrawPoint a, b;
    if (link.Numero > 0 && LinkEnds(model.Sat, link, a, b)) draw(link, a, b);
  }
}

bool Drawn(const TNodo& node) { return node.TransytMark != 0 && node.DrawingMark != 0 && HasPosition(node); }

struct Range {
  double Min = kBoundStartMin, Max = kBoundStartMax;
  void Take(double v) {
    Min = std::min(Min, v);
    Max = std::max(Max, v);
  }
  bool Empty() const { return Min > Max; }
  void Widen(double share) {
    double margin = (Max - Min) * share;
    Min -= margin;
    Max += margin;
  }
};

int Clamp1(int v) { return std::clamp(v, -1, 1); }

void WriteTables(Drawing& drawing, const Settings& cfg, double f, const Range& x, const Range& y) {
  drawing.ViewportTable(x.Min, y.Min, x.Max, y.Max);
  drawing.LinetypeTable({"CONTINUA", "PUNTOS", "MINITRAZOS", "TRAZOS"}, {0, 3 * f, 6 * f, 19.05 * f},
                        {0, -1.5 * f, -3 * f, -6.35 * f}, {0, 1.5 * f, 3 * f, 12.7 * f});

  const int black = NearestColourIndex(0x000000);
  const int silver = NearestColourIndex(0xC0C0C0);
  const int blue = NearestColourIndex(0x0000FF);
  std::vector<std::string> names = {"0",     "RED",   "NODOS",   "NNODOS", "CALLES", "ARCOS", "ARCOSP",
                                    "ARCOSPD", "FLUJO", "FLUJOP", "FLUJOPD", "FRAME",  "FLMOV", "FLMOVP"};
  std::vector<int> colours = {7, silver, black, black, black, black, black, black, blue, blue, blue, black, black, black};
  // The layer states CAD users' drawing templates rely on: the street names, flows, turning
  // flows and results start off and are switched on as needed (the picture has its own
  // switches).
  std::vector<bool> on = {true, true, true, true, false, true, true, true, false, false, false, true, false, false};
  if (cfg.GradoSaturacion != kNoSaturationLimit || cfg.FullDrawing()) {
    names.push_back("GRSAT");
    colours.push_back(black);
    on.push_back(false);
  }
  if (cfg.FullDrawing()) {
    for (const char* name : {"CRUISE", "DELAY", "STOPS", "QUEUE"}) {
      names.push_back(name);
      colours.push_back(black);
      on.push_back(false);
    }
  }
  drawing.LayerTable(names, colours, on);

  if (Lower(cfg.TituloLetraNombre) != "null")
    drawing.StyleTable({"TITULO"}, {cfg.TituloLetraNombre});
  else
    drawing.StyleTable({}, {});
}

// The results of a link as the picture labels them, in the units of TRANSYT's print file.
struct PictureResult {
  const char* Layer;
  const char* Format;
  float TArco::*Field;
  double Value(const TArco& link) const { return link.*Field; }
};
const std::vector<PictureResult>& PictureResults() {
  static const std::vector<PictureResult> results = {
      {"GRSAT", "gs %.0f%%", &TArco::ResGradoSat},  // degree of saturation, percent
      {"CRUISE", "cr %.1f s", &TArco::ResCrucero},  // cruise time, seconds
      {"DELAY", "d %.1f s", &TArco::ResDemora},     // mean delay per vehicle, seconds
      {"STOPS", "det %.0f%%", &TArco::ResParadas},    // stops, percent of the vehicles
      {"QUEUE", "q %.1f veh", &TArco::ResCola},     // largest queue, vehicles (PCU)
  };
  return results;
}

// True once TRANSYT's results have been read for some link of the network.
bool HasResults(const DrawingModel& model) {
  bool any = false;
  ForNumberedLinks(model, [&](const TArco& link, DrawPoint, DrawPoint) {
    for (const PictureResult& result : PictureResults()) any = any || result.Value(link) != 0;
  });
  return any;
}

// First pass over the links: arrows, numbers, flows and results. Takes the offset link ends
// into the ranges the frame surrounds.
void DrawLinks(Drawing& drawing, const DrawingModel& model, const NetworkSettings& net, double f, Range& frameX,
               Range& frameY) {
  const bool withResults = HasResults(model);
  const Settings& cfg = model.Cfg;
  const double g = net.GradoSaturacion;
  const int red = NearestColourIndex(0xFF0000);
  const double w = 6 * f;
  drawing.State.TextColour = NearestColourIndex(0x000000);
  ForNumberedLinks(model, [&](const TArco& link, DrawPoint pa, DrawPoint pb) {
    drawing.State.TextHeight = cfg.ArcosLetraTamano * f;

    std::string linkLayer = "ARCOS", flowLayer = "FLUJO";
    drawing.State.Linetype = "CONTINUA";
    if (link.EsPublico && link.EsDetalle) {
      linkLayer = "ARCOSPD";
      flowLayer = "FLUJOPD";
      drawing.State.Linetype = "PUNTOS";
    } else if (link.EsPublico) {
      linkLayer = "ARCOSP";
      flowLayer = "FLUJOP";
      drawing.State.Linetype = "MINITRAZOS";
    }
    drawing.State.LineColour = link.ResGradoSat >= g ? red : 0;

    const double offset = w * link.IndiceDibujo;
    frameX.Take(pa.X + offset);
    frameX.Take(pb.X + offset);
    frameY.Take(pa.Y + offset);
    frameY.Take(pb.Y + offset);

    MovementArrows(drawing, linkLayer, pa, pb, w, link.IndiceDibujo, link.PresenciaClase);
    drawing.State.TextMirror = link.Rumbo >= 1125 && link.Rumbo <= 2475;
    auto along = [&](const std::string& layer, double h, const std::string& text) {
      TextAlongLink(drawing, layer, link.Rumbo, h, text, pa, pb, w, link.IndiceDibujo);
    };
    drawing.State.Role = DrawRole::LinkNumber;
    along(linkLayer, 0.25, Printf("%d", link.Numero));
    drawing.State.TextHeight = (cfg.ArcosLetraTamano - 1) * f;
    drawing.State.Role = DrawRole::LinkFlow;
    along(flowLayer, 0.75, Printf("(%.0f/%.0f)", link.Flujo, link.FlujoConector1));
    drawing.State.Role = DrawRole::LinkResult;
    drawing.State.For = DrawFor::FileOnly;
    if (g != kNoSaturationLimit) {
      if (link.ResGradoSat >= g) drawing.State.TextColour = red;
      along("GRSAT", 0.75, Printf("(gs %.2f)", link.ResGradoSat));
      drawing.State.TextColour = 0;
    }
    if (cfg.FullDrawing()) {
      along("GRSAT", 0.75, Printf("(G %.2f)", link.ResGradoSat));
      along("CRUISE", 0.75, Printf("(C %.2f)", link.ResCrucero));
      along("DELAY", 0.75, Printf("(D %.2f)", link.ResDemora));
      along("STOPS", 0.75, Printf("(S %.2f)", link.ResParadas));
      along("QUEUE", 0.75, Printf("(Q %.2f)", link.ResCola));
      drawing.State.TextColour = 0;
    }
    // The picture shows every result TRANSYT gave, each with its unit, whatever the settings:
    // its layers can be switched on and off by the reader.
    drawing.State.For = DrawFor::PictureOnly;
    if (withResults) {
      for (const PictureResult& result : PictureResults()) {
        const double value = result.Value(link);
        if (result.Layer == std::string("GRSAT") && g != kNoSaturationLimit && value >= g)
          drawing.State.TextColour = red;
        along(result.Layer, 0.75, Printf(result.Format, value));
        drawing.State.TextColour = 0;
      }
    }
    drawing.State.For = DrawFor::Both;
    drawing.State.Role = DrawRole::Other;
  });
}

// Second pass: the flow of every movement beside its arrow.
void DrawMovementFlows(Drawing& drawing, const DrawingModel& model, double f) {
  drawing.State.TextHeight = model.Cfg.ArcosLetraTamano / 4.0 * f;
  drawing.State.Role = DrawRole::MovementFlow;
  ForNumberedLinks(model, [&](const TArco& link, DrawPoint a, DrawPoint b) {
    MovementValues(drawing, link.EsPublico ? "FLMOVP" : "FLMOV", a, b, 6 * f, link.IndiceDibujo, link.PresenciaClase,
                   link.EsPublico ? link.FlujoPublicoClase : link.FlujoClase);
  });
  drawing.State.Role = DrawRole::Other;
}

// The name of each street once, in the middle of the first link found between two nodes.
void DrawStreetNames(Drawing& drawing, const DrawingModel& model, double f) {
  const QorVars& qor = model.Qor;
  const Settings& cfg = model.Cfg;
  drawing.State.TextHeight = cfg.CallesLetraTamano * f;
  drawing.State.TextMirror = false;
  drawing.State.Role = DrawRole::StreetName;
  const int justification = 4 + 3 * Clamp1(cfg.CallesPosVrtcal);
  std::set<std::pair<int32_t, int32_t>> named;
  for (int32_t i = 1; i <= qor.NumArcos; ++i) {
    const TArco& link = At(qor.Arcos, i);
    if (link.IndiceA < 0 || link.IndiceB < 0) continue;
    if (link.IndiceTramo < 1 || static_cast<size_t>(link.IndiceTramo) >= model.Sat.Links.size()) continue;
    const std::string name = Trim(At(model.Sat.Links, link.IndiceTramo).Name);
    if (name.empty()) continue;
    if (!named.insert(std::minmax(link.IndiceA, link.IndiceB)).second) continue;
    DrawPoint a, b;
    if (!LinkEnds(model.Sat, link, a, b)) continue;
    int rotation = link.Rumbo;
    if (rotation > 1124 && rotation <= 2475) rotation += 1800;
    const DrawPoint middle = Along(a, b, 0.5);
    drawing.State.Link = {a, b, 0};
    drawing.Text("CALLES", rotation, name, middle.X, middle.Y, justification);
  }
  drawing.State.Role = DrawRole::Other;
}

// Half-width of a node's box, in half-heights, grows with the digits of its number.
double BoxWidthFactor(long long number) {
  number = std::llabs(number);
  if (number >= 10000) return 3;
  if (number >= 1000) return 2.5;
  if (number >= 100) return 2;
  if (number >= 10) return 1.5;
  return 1;
}

void DrawNodes(Drawing& drawing, const DrawingModel& model, double f) {
  const Settings& cfg = model.Cfg;
  const double s = cfg.NodosLetraTamano * 0.85 * f;
  drawing.State.Role = DrawRole::Junction;
  for (size_t m = 1; m < model.Sat.Nodes.size(); ++m) {
    const TNodo& node = model.Sat.Nodes[m];
    if (!Drawn(node)) continue;
    if (node.TransytNode <= 0) {
      drawing.State.Linetype = "MINITRAZOS";
      const double hw = s * BoxWidthFactor(node.TransytNode);
      drawing.Polyline("NNODOS",
                       {{node.X - hw, node.Y - s}, {node.X + hw, node.Y - s}, {node.X + hw, node.Y + s},
                        {node.X - hw, node.Y + s}},
                       1);
    } else {
      drawing.State.Linetype = node.SignalPlan == 0 ? "MINITRAZOS" : "CONTINUA";
      drawing.Circle("NODOS", node.X, node.Y, cfg.NodosLetraTamano * 1.5 * f);
    }
  }
  drawing.State.Role = DrawRole::Other;
}

void DrawNodeNumbers(Drawing& drawing, const DrawingModel& model, double f) {
  const Settings& cfg = model.Cfg;
  drawing.State.TextStyle = "STANDARD";
  drawing.State.TextMirror = false;
  for (size_t m = 1; m < model.Sat.Nodes.size(); ++m) {
    const TNodo& node = model.Sat.Nodes[m];
    if (!Drawn(node)) continue;
    drawing.State.TextHeight = cfg.NodosLetraTamano * f;
    drawing.State.Role = DrawRole::JunctionNumber;
    drawing.Text("NNODOS", 0, Printf("%lld", std::llabs(node.TransytNode)), node.X, node.Y, 4);
    if (node.TransytNode >= 1) {
      drawing.State.TextHeight = cfg.NodosLetraTamano / 3.0 * f;
      drawing.State.Role = DrawRole::SaturnNodeNumber;
      drawing.Text("NNODOS", 0, Printf("%lld", std::llabs(node.Number)), node.X,
                   node.Y - 0.75 * cfg.NodosLetraTamano, 1);
    }
  }
  drawing.State.Role = DrawRole::Other;
}

void DrawFrameAndTitle(Drawing& drawing, const Settings& cfg, const NetworkSettings& net, double f, Range x,
                       Range y) {
  x.Widen(0.05);
  y.Widen(0.05);
  drawing.State.Role = DrawRole::Frame;
  drawing.Polyline("FRAME", {{x.Min, y.Min}, {x.Max, y.Min}, {x.Max, y.Max}, {x.Min, y.Max}}, 1);

  const int h = Clamp1(cfg.TituloPosHrztal), v = Clamp1(cfg.TituloPosVrtcal);
  const double fx = (h + 1) / 2.0, fy = (v + 1) / 2.0;
  // Left, centre or right column by the horizontal position; top, middle or bottom row by the
  // vertical one, so the title always lies inside the frame; the positions are the user's
  // (TituloPosHrztal, TituloPosVrtcal) to keep it clear of the network.
  const int justification = 3 * (1 - v) + (h + 1);
  if (Lower(cfg.TituloLetraNombre) != "null") drawing.State.TextStyle = "TITULO";
  drawing.State.TextHeight = net.TituloLetraTamano * f;
  drawing.State.Role = DrawRole::Title;
  drawing.Text("FRAME", 0, net.NombreRed, (1 - fx) * x.Min + fx * x.Max, (1 - fy) * y.Min + fy * y.Max,
               justification);

  drawing.State.TextStyle = "STANDARD";
  drawing.State.TextHeight = cfg.ArcosLetraTamano * f;
  drawing.State.Role = DrawRole::Credit;
  if (cfg.TituloPosHrztal == -1 && cfg.TituloPosVrtcal == -1)
    drawing.Text("FRAME", 0, "Generado Automaticamente por VELTRA ", x.Max, y.Min, 8);
  else
    drawing.Text("FRAME", 0, " Generado Automaticamente por VELTRA", x.Min, y.Min, 6);
  drawing.State.Role = DrawRole::Other;
}

// Coordinates are metres: no street network spans more than this.
constexpr double kWidestNetwork = 200000;
// The length of a town block, which the configured sizes (a text 8 high, links 6 apart) suit.
constexpr double kTypicalLinkLength = 300;

// A window no street network could have: wider than any town (coordinates in other units, a
// node far off by a typing error) or all in one point (coordinates never given). The drawing
// is still made: a wide one with its sizes scaled to its links' length so that texts and
// arrows show, a point opened up to a window round it. Returns the warning, empty when the
// window is plausible.
std::string CheckExtent(const DrawingModel& model, int networkNumber, int drawnNodes, Range& x, Range& y, double& f) {
  const double span = std::max(x.Max - x.Min, y.Max - y.Min);
  if (span == 0) {
    const double half = 50 * std::max(f, 0.01);
    x = Range{x.Min - half, x.Max + half};
    y = Range{y.Min - half, y.Max + half};
    if (drawnNodes < 2) return "";
    return Printf("ATENCION: Red %d: todos los nodos del dibujo estan en el mismo punto (%.0f, %.0f); "
                  "revise sus coordenadas",
                  networkNumber, (x.Min + x.Max) / 2, (y.Min + y.Max) / 2);
  }
  if (span <= kWidestNetwork) return "";
  std::vector<double> lengths;
  ForNumberedLinks(model, [&](const TArco&, DrawPoint a, DrawPoint b) {
    const double length = std::hypot(b.X - a.X, b.Y - a.Y);
    if (length > 0 && std::isfinite(length)) lengths.push_back(length);
  });
  if (!lengths.empty()) {
    std::nth_element(lengths.begin(), lengths.begin() + static_cast<std::ptrdiff_t>(lengths.size() / 2), lengths.end());
    f *= std::max(1.0, lengths[lengths.size() / 2] / kTypicalLinkLength);
  }
  return Printf("ATENCION: Red %d: los nodos del dibujo abarcan %.0f km, mas que cualquier red de calles "
                "(revise las unidades de sus coordenadas); se dibuja a la escala de sus arcos",
                networkNumber, span / 1000);
}

}  // namespace

void MovementArrows(Drawing& drawing, const std::string& layer, DrawPoint a, DrawPoint b, double w, int n,
                    const std::array<int32_t, 3>& presence) {
  MovementShape shape;
  if (!MovementPoints(a, b, w, n, shape)) return;
  const DrawRole role = drawing.State.Role;
  drawing.State.Role = DrawRole::LinkArrow;
  for (size_t k = 0; k < 3; ++k) {
    if (presence[k] != 1) continue;
    const DrawPoint p3 = shape.P3[k];
    drawing.State.Link = {shape.P1, shape.P2, static_cast<int>(k) - 1};
    drawing.Polyline(layer, {shape.P1, shape.P2, p3}, 0);
    const double size = 0.4 * std::hypot(p3.X - shape.P2.X, p3.Y - shape.P2.Y);
    drawing.Arrowhead(layer, DirectionTenths(shape.P2, p3), size, p3.X, p3.Y);
  }
  drawing.State.Role = role;
}

void MovementValues(Drawing& drawing, const std::string& layer, DrawPoint a, DrawPoint b, double w, int n,
                    const std::array<int32_t, 3>& presence, const std::array<float, 3>& values) {
  MovementShape shape;
  if (!MovementPoints(a, b, w, n, shape)) return;
  for (size_t k = 0; k < 3; ++k) {
    if (presence[k] != 1) continue;
    const DrawPoint p3 = shape.P3[k];
    const DrawPoint at = Blend(shape.P2, 0.6, p3, 0.4);
    drawing.State.Link = {shape.P1, shape.P2, static_cast<int>(k) - 1};
    drawing.Text(layer, DirectionTenths(shape.P2, p3) + 1800, Printf("%.0f", values[k]), at.X, at.Y, 1);
  }
}

void TextAlongLink(Drawing& drawing, const std::string& layer, int rotation, double h, const std::string& text,
                   DrawPoint a, DrawPoint b, double w, int n) {
  if (Coincide(a, b)) return;
  const DrawPoint p30 = Along(a, b, 0.3), p80 = Along(a, b, 0.8);
  const double dx = p80.X - p30.X, dy = p80.Y - p30.Y;
  const double length = std::hypot(dx, dy);
  const DrawPoint right{dy / length, -dx / length};
  const DrawPoint at = Blend(Shift(p30, right, n * w), h, Shift(p80, right, n * w), 1 - h);
  drawing.State.Link = {Shift(p30, right, n * w), Shift(p80, right, n * w), 0};
  drawing.Text(layer, rotation, text, at.X, at.Y, 4);
}

void NumerarDibujo(QorVars& qor) {
  static const int rankOfLastDigit[10] = {8, 5, 2, 7, 4, 1, 6, 3, 0, 9};
  std::vector<std::pair<std::string, int32_t>> keys;
  keys.reserve(static_cast<size_t>(std::max(qor.NumArcos, 0)));
  for (int32_t i = 1; i <= qor.NumArcos; ++i) {
    const TArco& link = At(qor.Arcos, i);
    const int digit = static_cast<int>(std::llabs(link.Numero) % 10);
    keys.emplace_back(Printf("%d,%d,%d,%d", link.NodoA, link.NodoB, rankOfLastDigit[digit], link.Numero), i);
  }
  std::sort(keys.begin(), keys.end());
  int32_t previousA = 0, previousB = 0, number = 0;
  for (size_t k = 0; k < keys.size(); ++k) {
    TArco& link = At(qor.Arcos, keys[k].second);
    if (k == 0 || link.NodoA != previousA || link.NodoB != previousB) number = 0;
    link.IndiceDibujo = ++number;
    previousA = link.NodoA;
    previousB = link.NodoB;
  }
}

std::string DibujarRed(const Settings& cfg, NetworkPosition r, SaturnVars& sat, QorVars& qor,
                       const std::string& fileName, int iteration) {
  KwtDxfer dxf;
  SvgWriter svg;
  Drawing drawing;
  drawing.AddTarget(dxf);
  drawing.AddTarget(svg);
  return DrawNetwork(cfg, r, sat, qor, drawing, fileName, iteration);
}

std::string DrawNetwork(const Settings& cfg, NetworkPosition r, SaturnVars& sat, QorVars& qor, Drawing& drawing,
                        const std::string& fileName, int iteration) {
  const NetworkSettings& net = cfg.Network(r);
  double f = net.FactorAjuste;
  const DrawingModel model{cfg, sat, qor};

  for (int32_t i = 1; i <= qor.NumArcos; ++i) {
    const TArco& link = At(qor.Arcos, i);
    if (link.Numero <= 0) continue;
    for (int32_t index : {link.IndiceA, link.IndiceB})
      if (index >= 1 && static_cast<size_t>(index) < sat.Nodes.size()) At(sat.Nodes, index).DrawingMark = 1;
  }
  Range x, y;
  int drawnNodes = 0;
  for (size_t m = 1; m < sat.Nodes.size(); ++m) {
    if (!Drawn(sat.Nodes[m])) continue;
    x.Take(sat.Nodes[m].X);
    y.Take(sat.Nodes[m].Y);
    ++drawnNodes;
  }
  // A network with no node to draw still gets a small, valid window.
  if (x.Empty()) x = Range{0, 1};
  if (y.Empty()) y = Range{0, 1};
  const std::string warning = CheckExtent(model, qor.NumberOf(r).Value(), drawnNodes, x, y, f);
  x.Widen(0.01);
  y.Widen(0.01);

  NumerarDibujo(qor);

  drawing.Open(fileName);
  DrawingCaption caption;
  caption.NetworkName = net.NombreRed;
  caption.NetworkNumber = qor.NumberOf(r).Value();
  caption.Iteration = iteration;
  caption.Cycle = qor.Cycle(r);
  caption.SaturationLimit = net.GradoSaturacion;
  caption.FullResults = cfg.FullDrawing();
  drawing.Caption(caption);
  drawing.BeginSection("HEADER");
  drawing.ExtentsMinimum(x.Min, y.Min);
  drawing.ExtentsMaximum(x.Max, y.Max);
  drawing.EndSection();
  drawing.BeginSection("TABLES");
  WriteTables(drawing, cfg, f, x, y);
  drawing.EndSection();
  drawing.BeginSection("ENTITIES");

  drawing.State.Linetype = "ByLayer";
  drawing.State.LineColour = 0;
  for (int32_t i = 1; i <= qor.NumArcos; ++i) {
    const TArco& link = At(qor.Arcos, i);
    DrawPoint a, b;
    if (link.IndiceA >= 0 && link.IndiceB >= 0 && LinkEnds(sat, link, a, b)) drawing.Line("RED", a.X, a.Y, b.X, b.Y);
  }

  Range frameX, frameY;
  DrawLinks(drawing, model, net, f, frameX, frameY);
  DrawMovementFlows(drawing, model, f);
  DrawStreetNames(drawing, model, f);
  // The last link's colour (red when it is saturated) must not pass on to node boxes and frame.
  drawing.State.LineColour = 0;
  DrawNodes(drawing, model, f);
  DrawNodeNumbers(drawing, model, f);
  if (frameX.Empty()) frameX = x;
  if (frameY.Empty()) frameY = y;
  DrawFrameAndTitle(drawing, cfg, net, f, frameX, frameY);

  drawing.EndSection();
  drawing.Close();
  return warning;
}

}  // namespace veltra

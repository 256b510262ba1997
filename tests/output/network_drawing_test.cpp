// The network drawing: link numbering, movement arrows and values, texts along links, and the
// whole drawing of small networks read back from the DXF file.
#include "output/network_drawing.h"

#include <gtest/gtest.h>

#include <cmath>

#include "output/dxf_writer.h"
#include "support/output_model.h"
#include "util/conversions.h"
#include "util/text.h"

namespace veltra {
namespace {

using test::DxfItem;
using test::OfType;
using test::OutputModel;
using test::PythonHas;
using test::ReadDxf;
using test::RecordedEntity;
using test::RecordingTarget;
using test::TempDir;

double Value(const DxfItem& item, int code) { return std::atof(item.Get(code).c_str()); }

const DxfItem* TextOf(const std::vector<DxfItem>& items, const std::string& text) {
  for (const DxfItem& item : items)
    if (item.Type == "TEXT" && item.Get(1) == text) return &item;
  return nullptr;
}

std::vector<DxfItem> OnLayer(const std::vector<DxfItem>& items, const std::string& type, const std::string& layer) {
  std::vector<DxfItem> found;
  for (const DxfItem& item : OfType(items, type))
    if (item.Get(8) == layer) found.push_back(item);
  return found;
}

// The vertices of each polyline on the layer, in file order.
std::vector<std::vector<DxfItem>> PolylineVertices(const std::vector<DxfItem>& items, const std::string& layer) {
  std::vector<std::vector<DxfItem>> polylines;
  bool inside = false;
  for (const DxfItem& item : items) {
    if (item.Type == "POLYLINE") {
      inside = item.Get(8) == layer;
      if (inside) polylines.emplace_back();
    } else if (inside && item.Type == "VERTEX") {
      polylines.back().push_back(item);
    }
  }
  return polylines;
}

const DxfItem* TextOn(const std::vector<DxfItem>& items, const std::string& layer, const std::string& text) {
  for (const DxfItem& item : items)
    if (item.Type == "TEXT" && item.Get(8) == layer && item.Get(1) == text) return &item;
  return nullptr;
}

std::vector<std::string> LayerNames(const std::vector<DxfItem>& items) {
  std::vector<std::string> names;
  for (const DxfItem& layer : OfType(items, "LAYER")) names.push_back(layer.Get(2));
  return names;
}

TEST(NumerarDibujo, LinksOfOneApproachAreOrderedByTheRankOfTheirLastDigit) {
  OutputModel m;
  const int a = m.AddNode(10, 0, 0, 1), b = m.AddNode(20, 100, 0, 2), c = m.AddNode(230, 0, 100, 3);
  struct Case {
    int numero, from, to, expected;
  };
  // Last digits 1, 0, 2 rank 5, 8, 2; on the way back 8 ranks 0 and 9 ranks 9. Node 2 and
  // node 23 as text ("10,20," against "10,230,") keep their approaches apart.
  const Case cases[] = {{1231, a, b, 2}, {1230, a, b, 3}, {1232, a, b, 1}, {2049, b, a, 2},
                        {2048, b, a, 1}, {7, a, c, 1},    {-13, a, c, 2}};
  for (const Case& k : cases) m.AddLink(k.numero, k.from, k.to);
  NumerarDibujo(m.run().Qor);
  for (size_t i = 0; i < std::size(cases); ++i)
    EXPECT_EQ(m.run().Qor.Arcos[i + 1].IndiceDibujo, cases[i].expected) << cases[i].numero;
}

TEST(MovementArrows, FanOutOneWidthApartAtNinetyPercent) {
  Drawing d;
  RecordingTarget rec;
  d.AddTarget(rec);
  MovementArrows(d, "ARCOS", {0, 0}, {100, 0}, 6, 1, {1, 1, 1});
  ASSERT_EQ(rec.Entities.size(), 6u);
  struct Expected {
    double x, y;
    int direction;
  };
  // Left (class -1), straight ahead, right (class 1).
  const Expected ends[] = {{87.5, -1.5, 309}, {90, -6, 0}, {87.5, -10.5, 3290}};
  for (size_t k = 0; k < 3; ++k) {
    const RecordedEntity& line = rec.Entities[2 * k];
    const RecordedEntity& head = rec.Entities[2 * k + 1];
    ASSERT_EQ(line.Kind, "POLYLINE");
    ASSERT_EQ(line.Points.size(), 3u);
    EXPECT_EQ(line.Flags, 0);
    EXPECT_DOUBLE_EQ(line.Points[0].X, 30);
    EXPECT_DOUBLE_EQ(line.Points[0].Y, -6);
    EXPECT_DOUBLE_EQ(line.Points[1].X, 80);
    EXPECT_DOUBLE_EQ(line.Points[1].Y, -6);
    EXPECT_NEAR(line.Points[2].X, ends[k].x, 1e-9) << k;
    EXPECT_NEAR(line.Points[2].Y, ends[k].y, 1e-9) << k;
    ASSERT_EQ(head.Kind, "SOLID");
    const double size = 0.4 * std::hypot(ends[k].x - 80, ends[k].y + 6);
    const auto corners = ArrowheadCorners(ends[k].direction, size, ends[k].x, ends[k].y);
    for (size_t c = 0; c < 4; ++c) {
      EXPECT_NEAR(head.Points[c].X, corners[c].X, 1e-9) << k << " corner " << c;
      EXPECT_NEAR(head.Points[c].Y, corners[c].Y, 1e-9) << k << " corner " << c;
    }
    EXPECT_EQ(head.Layer, "ARCOS");
  }
}

TEST(MovementArrows, OnlyPresentClassesAndNothingBetweenCoincidingNodes) {
  Drawing d;
  RecordingTarget rec;
  d.AddTarget(rec);
  MovementArrows(d, "ARCOS", {0, 0}, {100, 0}, 6, 2, {0, 1, 0});
  ASSERT_EQ(rec.Entities.size(), 2u);
  EXPECT_DOUBLE_EQ(rec.Entities[0].Points[2].Y, -12);  // position 2: two widths to the right
  MovementArrows(d, "ARCOS", {5, 5}, {5, 5}, 6, 1, {1, 1, 1});
  MovementValues(d, "FLMOV", {5, 5}, {5, 5}, 6, 1, {1, 1, 1}, {1, 2, 3});
  TextAlongLink(d, "ARCOS", 0, 0.25, "12", {5, 5}, {5, 5}, 6, 1);
  EXPECT_EQ(rec.Entities.size(), 2u);
}

TEST(MovementValues, EachClassValueSitsBesideItsOwnArrow) {
  Drawing d;
  RecordingTarget rec;
  d.AddTarget(rec);
  MovementValues(d, "FLMOV", {0, 0}, {100, 0}, 6, 1, {1, 0, 1}, {12.4f, 99, 7.6f});
  ASSERT_EQ(rec.Entities.size(), 2u);
  const RecordedEntity& left = rec.Entities[0];
  const RecordedEntity& right = rec.Entities[1];
  EXPECT_EQ(left.Text, "12");
  EXPECT_EQ(right.Text, "8");
  EXPECT_EQ(left.Justification, 1);
  EXPECT_EQ(left.Rotation, 309 + 1800);
  EXPECT_EQ(right.Rotation, 3290 + 1800);
  EXPECT_NEAR(left.Points[0].X, 0.6 * 80 + 0.4 * 87.5, 1e-9);
  EXPECT_NEAR(left.Points[0].Y, 0.6 * -6 + 0.4 * -1.5, 1e-9);
  EXPECT_NEAR(right.Points[0].Y, 0.6 * -6 + 0.4 * -10.5, 1e-9);
}

TEST(TextAlongLink, SitsBetweenTheOffsetThirtyAndEightyPercentPoints) {
  struct Case {
    double h, x;
  };
  const Case cases[] = {{0.25, 67.5}, {0.75, 42.5}};
  for (const Case& c : cases) {
    Drawing d;
    RecordingTarget rec;
    d.AddTarget(rec);
    TextAlongLink(d, "FLUJO", 1234, c.h, "(10/0)", {0, 0}, {100, 0}, 6, 1);
    ASSERT_EQ(rec.Entities.size(), 1u);
    EXPECT_NEAR(rec.Entities[0].Points[0].X, c.x, 1e-9);
    EXPECT_NEAR(rec.Entities[0].Points[0].Y, -6, 1e-9);
    EXPECT_EQ(rec.Entities[0].Justification, 4);
    EXPECT_EQ(rec.Entities[0].Rotation, 1234);
  }
  // A link pointing up: the right-hand side is +X.
  Drawing d;
  RecordingTarget rec;
  d.AddTarget(rec);
  TextAlongLink(d, "ARCOS", 900, 0.25, "5", {0, 0}, {0, 200}, 6, 2);
  EXPECT_NEAR(rec.Entities[0].Points[0].X, 12, 1e-9);
  EXPECT_NEAR(rec.Entities[0].Points[0].Y, 135, 1e-9);
}

// Three nodes: signal node 101 (TRANSYT 1) at the origin, node 102 (TRANSYT 2) to the east,
// outside node 103 (TRANSYT 0) to the north. Link 1231 comes from the east (pointing to -X) on
// "Calle Mayor", link 1240 goes back east on the same street, link 300 comes from the north.
struct Crossing {
  OutputModel m;
  int r, n1, n2, n3;
  Crossing() {
    r = m.AddNetwork(1, "Centro");
    n1 = m.AddNode(101, 0, 0, 1, true);
    n2 = m.AddNode(102, 100, 0, 2);
    n3 = m.AddNode(103, 0, 100, 0);
    const int street = m.AddStreet(n2, n1, "  Calle Mayor ");
    const int back = m.AddStreet(n1, n2, "Calle Mayor");
    TArco& west = m.AddLink(1231, n2, n1, 1800);
    west.IndiceTramo = street;
    west.Flujo = 420.4f;
    west.FlujoConector1 = 17;
    west.PresenciaClase = {1, 1, 0};
    west.FlujoClase = {100, 320, 0};
    TArco& east = m.AddLink(1240, n1, n2, 0);
    east.IndiceTramo = back;
    east.PresenciaClase = {0, 1, 0};
    TArco& south = m.AddLink(300, n3, n1, 2700);
    south.EsPublico = 1;
    south.PresenciaClase = {0, 1, 1};
    south.FlujoPublicoClase = {0, 30, 12};
  }
  std::vector<DxfItem> Draw(const std::string& name = "red_1_1.dxf") {
    DibujarRed(m.run().Cfg, NetworkPosition(r), m.run().Sat, m.run().Qor, name);
    return ReadDxf(name);
  }
};

TEST(DibujarRed, LayerTableFollowsTheResultSettings) {
  struct Case {
    double globalLimit;
    int full;
    size_t layers;
  };
  const Case cases[] = {{900, 0, 14}, {85, 0, 15}, {900, 1, 19}};
  for (const Case& c : cases) {
    TempDir dir;
    Crossing x;
    x.m.run().Cfg.GradoSaturacion = c.globalLimit;
    x.m.run().Cfg.DxfCompleto = c.full;
    const auto items = x.Draw();
    const std::vector<std::string> names = LayerNames(items);
    ASSERT_EQ(names.size(), c.layers);
    EXPECT_EQ(names[1], "RED");
    EXPECT_EQ(names[13], "FLMOVP");
    if (c.layers > 14) {
      EXPECT_EQ(names[14], "GRSAT");
      EXPECT_TRUE(TextOf(items, "(gs 0.00)") == nullptr) << "the network's own limit is still 900";
    }
    if (c.full) {
      EXPECT_EQ(names[18], "QUEUE");
      EXPECT_NE(TextOf(items, "(Q 0.00)"), nullptr);
    }
    const auto layers = OfType(items, "LAYER");
    EXPECT_EQ(layers[0].Get(62), "7");
    EXPECT_EQ(layers[1].Get(62), Printf("%d", NearestColourIndex(0xC0C0C0)));
    EXPECT_EQ(layers[4].Get(62), Printf("%d", -NearestColourIndex(0)));  // CALLES is off
    EXPECT_EQ(layers[8].Get(62), Printf("%d", -NearestColourIndex(0x0000FF)));
    EXPECT_TRUE(TextOf(items, "gs 0%") == nullptr) << "the picture's own labels stay out of the file";
  }
}

TEST(DibujarRed, LinkPointingWestGetsMirroredTextsAndAStreetNameTurnedFullCircle) {
  TempDir dir;
  Crossing x;
  const auto items = x.Draw();
  const DxfItem* west = TextOf(items, "1231");
  const DxfItem* east = TextOf(items, "1240");
  ASSERT_TRUE(west && east);
  EXPECT_EQ(west->Get(71), "6");
  EXPECT_EQ(west->Get(50), "180.00000");
  EXPECT_EQ(east->Count(71), 0);
  EXPECT_EQ(TextOf(items, "(420/17)")->Get(8), "FLUJO");
  EXPECT_EQ(TextOf(items, "(420/17)")->Get(40), "7.00");

  const auto streets = OnLayer(items, "TEXT", "CALLES");
  ASSERT_EQ(streets.size(), 1u) << "one name per pair of nodes";
  EXPECT_EQ(streets[0].Get(1), "Calle Mayor");
  EXPECT_EQ(streets[0].Get(50), "360.00000");
  EXPECT_EQ(streets[0].Get(10), "50.00000");
  EXPECT_EQ(streets[0].Count(71), 0);
  EXPECT_EQ(streets[0].Get(72), "1");  // CallesPosVrtcal 0: centred both ways
  EXPECT_EQ(streets[0].Get(73), "2");
}

TEST(DibujarRed, LinksTakeTheirKindsLayerAndLinetypeAndMovementFlows) {
  TempDir dir;
  Crossing x;
  const auto items = x.Draw();
  const auto busArrows = OnLayer(items, "POLYLINE", "ARCOSP");
  ASSERT_EQ(busArrows.size(), 2u);  // straight ahead and right
  EXPECT_EQ(busArrows[0].Get(6), "MINITRAZOS");
  EXPECT_EQ(OnLayer(items, "POLYLINE", "ARCOS")[0].Get(6), "CONTINUA");
  EXPECT_EQ(OnLayer(items, "LINE", "RED").size(), 3u);

  const auto bus = OnLayer(items, "TEXT", "FLMOVP");
  ASSERT_EQ(bus.size(), 2u);
  EXPECT_EQ(bus[0].Get(1), "30");
  EXPECT_EQ(bus[1].Get(1), "12");
  EXPECT_EQ(bus[0].Get(40), "2.00");
  const auto general = OnLayer(items, "TEXT", "FLMOV");
  ASSERT_EQ(general.size(), 3u);
  EXPECT_EQ(general[0].Get(1), "100");
  EXPECT_EQ(general[1].Get(1), "320");
}

TEST(DibujarRed, NodesShowAsCirclesOrNumberedBoxes) {
  TempDir dir;
  Crossing x;
  const auto items = x.Draw();
  const auto circles = OnLayer(items, "CIRCLE", "NODOS");
  ASSERT_EQ(circles.size(), 2u);
  EXPECT_EQ(circles[0].Get(6), "CONTINUA");  // signal node 101
  EXPECT_EQ(circles[0].Get(40), "12.00000");
  EXPECT_EQ(circles[1].Get(6), "MINITRAZOS");

  // The outside node 103, TRANSYT number 0: a closed box of half-width and half-height 6.8.
  const auto boxes = OnLayer(items, "POLYLINE", "NNODOS");
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].Get(70), "     1");
  EXPECT_EQ(boxes[0].Get(6), "MINITRAZOS");
  const std::vector<DxfItem> vertices = PolylineVertices(items, "NNODOS")[0];
  ASSERT_EQ(vertices.size(), 4u);
  EXPECT_DOUBLE_EQ(Value(vertices[0], 10), -6.8);
  EXPECT_DOUBLE_EQ(Value(vertices[0], 20), 93.2);
  EXPECT_DOUBLE_EQ(Value(vertices[2], 10), 6.8);
  EXPECT_DOUBLE_EQ(Value(vertices[2], 20), 106.8);

  const DxfItem* zero = TextOn(items, "NNODOS", "0");
  ASSERT_NE(zero, nullptr);
  EXPECT_EQ(zero->Get(8), "NNODOS");
  EXPECT_EQ(zero->Get(10), "0.00000");
  EXPECT_EQ(zero->Get(20), "100.00000");
  ASSERT_NE(TextOf(items, "101"), nullptr);
  EXPECT_EQ(TextOf(items, "101")->Get(20), "-6.00000");
  EXPECT_EQ(TextOf(items, "101")->Get(72), "1");
  EXPECT_EQ(TextOf(items, "101")->Get(73), "3");
  EXPECT_EQ(TextOf(items, "103"), nullptr) << "outside nodes carry no SATURN number";
}

TEST(DibujarRed, TheDrawingGoesToWhateverTargetsItIsGivenAndWritesNoFileOfItsOwn) {
  TempDir dir;
  Crossing x;
  Drawing drawing;
  RecordingTarget rec;
  drawing.AddTarget(rec);
  DrawNetwork(x.m.run().Cfg, NetworkPosition(x.r), x.m.run().Sat, x.m.run().Qor, drawing, "red_1_1.dxf");
  EXPECT_FALSE(dir.Exists("red_1_1.dxf"));
  EXPECT_FALSE(dir.Exists("red_1_1.svg"));
  int circles = 0;
  for (const RecordedEntity& e : rec.Entities)
    if (e.Kind == "CIRCLE" && e.Layer == "NODOS") ++circles;
  EXPECT_EQ(circles, 2);  // the signal node and its neighbour, as in the DXF file
  EXPECT_FALSE(rec.Layers.empty());
}

TEST(DibujarRed, BoxWidthGrowsWithTheDigitsOfTheNodeNumber) {
  const std::pair<int, double> cases[] = {{-9, 6.8}, {-10, 10.2}, {-325, 13.6}, {-1040, 17}, {-10400, 20.4}};
  for (const auto& [number, halfWidth] : cases) {
    TempDir dir;
    OutputModel m;
    const int r = m.AddNetwork(1, "Red");
    const int a = m.AddNode(1, 0, 0, number), b = m.AddNode(2, 100, 0, 1);
    m.AddLink(11, a, b);
    DibujarRed(m.run().Cfg, NetworkPosition(r), m.run().Sat, m.run().Qor, "w.dxf");
    const auto items = ReadDxf("w.dxf");
    const auto vertex = OfType(items, "VERTEX");
    ASSERT_FALSE(vertex.empty());
    EXPECT_NEAR(Value(vertex[0], 10), -halfWidth, 1e-5) << number;
  }
}

TEST(DibujarRed, SaturatedLinksAreRedAndTheColourDoesNotPassToNodesOrFrame) {
  TempDir dir;
  Crossing x;
  x.m.run().Cfg.Red[1].GradoSaturacion = 0.9;
  x.m.run().Qor.Arcos[3].ResGradoSat = 1.2f;  // the last link, from the north
  const auto items = x.Draw();
  const auto results = OnLayer(items, "TEXT", "GRSAT");
  ASSERT_EQ(results.size(), 3u);
  EXPECT_EQ(results[0].Get(1), "(gs 0.00)");
  EXPECT_EQ(results[0].Get(62), "7") << "black, the links' text colour";
  EXPECT_EQ(results[1].Count(62), 0) << "reset after the first result text";
  EXPECT_EQ(results[2].Get(1), "(gs 1.20)");
  EXPECT_EQ(results[2].Get(62), "1");
  for (const DxfItem& arrow : OnLayer(items, "POLYLINE", "ARCOSP")) EXPECT_EQ(arrow.Get(62), "1");
  EXPECT_EQ(OnLayer(items, "POLYLINE", "ARCOS")[0].Count(62), 0);
  EXPECT_EQ(OnLayer(items, "POLYLINE", "NNODOS")[0].Count(62), 0);
  EXPECT_EQ(OnLayer(items, "POLYLINE", "FRAME")[0].Count(62), 0);
}

TEST(DibujarRed, WindowAndFrameSurroundTheNetwork) {
  TempDir dir;
  Crossing x;
  const auto items = x.Draw();
  // Window: the nodes from (0, 0) to (100, 100) widened by 1% on each side.
  EXPECT_DOUBLE_EQ(Value(items[0], 10), -1);  // "$EXTMIN" belongs to the SECTION item
  const DxfItem vport = OfType(items, "VPORT").back();
  EXPECT_EQ(vport.Get(12), "50.00000");
  EXPECT_EQ(vport.Get(40), "103.02000");
  // Frame: the link ends shifted by 6 x IndiceDibujo (1 here), from (6, 6) to (106, 106),
  // widened by 5%.
  const std::vector<DxfItem> corners = PolylineVertices(items, "FRAME")[0];
  ASSERT_EQ(corners.size(), 4u);
  EXPECT_DOUBLE_EQ(Value(corners[0], 10), 1);
  EXPECT_DOUBLE_EQ(Value(corners[0], 20), 1);
  EXPECT_DOUBLE_EQ(Value(corners[2], 10), 111);
  EXPECT_DOUBLE_EQ(Value(corners[2], 20), 111);
}

TEST(DibujarRed, TitleIsPlacedAndJustifiedInsideTheFrame) {
  struct Case {
    int h, v;
    double x, y;
    const char* column;
    const char* vertical;
  };
  // Frame from (1, 1) to (111, 111) as above.
  const Case cases[] = {{-1, -1, 1, 1, "0", "1"},   {-1, 0, 1, 56, "0", "2"},   {-1, 1, 1, 111, "0", "3"},
                        {0, -1, 56, 1, "1", "1"},   {0, 0, 56, 56, "1", "2"},   {0, 1, 56, 111, "1", "3"},
                        {1, -1, 111, 1, "2", "1"},  {1, 0, 111, 56, "2", "2"},  {1, 1, 111, 111, "2", "3"}};
  for (const Case& c : cases) {
    TempDir dir;
    Crossing x;
    x.m.run().Cfg.TituloPosHrztal = c.h;
    x.m.run().Cfg.TituloPosVrtcal = c.v;
    const auto items = x.Draw();
    const DxfItem* title = TextOf(items, "Centro");
    ASSERT_NE(title, nullptr);
    EXPECT_DOUBLE_EQ(Value(*title, 10), c.x) << c.h << "," << c.v;
    EXPECT_DOUBLE_EQ(Value(*title, 20), c.y) << c.h << "," << c.v;
    EXPECT_EQ(title->Get(72), c.column) << c.h << "," << c.v;
    EXPECT_EQ(title->Get(73), c.vertical) << c.h << "," << c.v;
    EXPECT_EQ(title->Get(7), "TITULO");
    EXPECT_EQ(title->Get(40), "14.00");

    const bool corner = c.h == -1 && c.v == -1;
    const DxfItem* credit = TextOf(items, corner ? "Generado Automaticamente por VELTRA " : " Generado Automaticamente por VELTRA");
    ASSERT_NE(credit, nullptr);
    EXPECT_DOUBLE_EQ(Value(*credit, 10), corner ? 111 : 1);
    EXPECT_DOUBLE_EQ(Value(*credit, 20), 1);
    EXPECT_EQ(credit->Get(72), corner ? "2" : "0");
    EXPECT_EQ(credit->Get(7), "STANDARD");
  }
}

TEST(DibujarRed, WithoutATitleFontThereIsNoStyleEntry) {
  TempDir dir;
  Crossing x;
  x.m.run().Cfg.TituloLetraNombre = "NULL";
  const auto items = x.Draw();
  EXPECT_TRUE(OfType(items, "STYLE").empty());
  EXPECT_EQ(TextOf(items, "Centro")->Get(7), "STANDARD");
}

TEST(DibujarRed, SizesFollowTheNetworksAdjustmentFactor) {
  TempDir dir;
  Crossing x;
  x.m.run().Cfg.Red[1].FactorAjuste = 2.5;
  const auto items = x.Draw();
  EXPECT_EQ(TextOf(items, "1231")->Get(40), "20.00");
  EXPECT_EQ(OnLayer(items, "CIRCLE", "NODOS")[0].Get(40), "30.00000");
  const auto linetypes = OfType(items, "LTYPE");
  ASSERT_EQ(linetypes.size(), 4u);
  EXPECT_EQ(linetypes[3].Get(40), "47.62500");
  // The arrows of link 1231 (position 1, going west) start one width (15) to its right, north.
  const std::vector<DxfItem> arrow = PolylineVertices(items, "ARCOS")[0];
  ASSERT_EQ(arrow.size(), 3u);
  EXPECT_DOUBLE_EQ(Value(arrow[0], 10), 70);
  EXPECT_DOUBLE_EQ(Value(arrow[0], 20), 15);
}

TEST(DibujarRed, NetworkWithoutLinksStillGivesAValidDrawing) {
  TempDir dir;
  OutputModel m;
  const int r = m.AddNetwork(7, "Vacia");
  m.AddNode(1, 10, 10, 1);
  DibujarRed(m.run().Cfg, NetworkPosition(r), m.run().Sat, m.run().Qor, "empty.dxf");
  const auto items = ReadDxf("empty.dxf");
  for (const DxfItem& item : items)
    for (const auto& [code, value] : item.Groups) {
      if (code < 10 || code > 59) continue;  // the coordinates, sizes and angles
      EXPECT_EQ(value.find("nan"), std::string::npos) << code;
      EXPECT_EQ(value.find("inf"), std::string::npos) << code;
      EXPECT_LT(value.size(), 20u) << code << " " << value;
    }
  EXPECT_TRUE(OfType(items, "CIRCLE").empty()) << "a node no link reaches is not drawn";
  EXPECT_EQ(OnLayer(items, "POLYLINE", "FRAME").size(), 1u);
  EXPECT_TRUE(dir.Exists("empty.svg"));
}

TEST(DibujarRed, CoordinatesNoStreetNetworkCouldHaveAreWarnedOfAndStillDrawn) {
  struct Case {
    double spacing;      // between the three nodes
    const char* warning;  // a part of it; "" for none
    double linkTextHeight;
  };
  // Five hundred kilometres between junctions: the sizes follow the links (8 x 500000 / 300).
  const Case cases[] = {{100, "", 8}, {500000, "abarcan 500 km", 8 * 500000 / 300.0}, {0, "mismo punto", 8}};
  for (const Case& c : cases) {
    TempDir dir;
    OutputModel m;
    const int r = m.AddNetwork(4, "Lejos");
    const int a = m.AddNode(101, 0, 0, 1, true), b = m.AddNode(102, c.spacing, 0, 2),
              n = m.AddNode(103, 0, c.spacing, 3);
    m.AddLink(1, b, a, 1800).PresenciaClase = {0, 1, 0};
    m.AddLink(2, a, b, 0).PresenciaClase = {0, 1, 0};
    m.AddLink(3, n, a, 2700).PresenciaClase = {0, 1, 0};
    const std::string warning = DibujarRed(m.run().Cfg, NetworkPosition(r), m.run().Sat, m.run().Qor, "far.dxf");
    if (*c.warning) {
      EXPECT_EQ(warning.rfind("ATENCION: Red 4: ", 0), 0u) << warning;
      EXPECT_NE(warning.find(c.warning), std::string::npos) << warning;
    } else {
      EXPECT_EQ(warning, "");
    }
    const auto items = ReadDxf("far.dxf");
    const DxfItem vport = OfType(items, "VPORT").back();
    EXPECT_GT(Value(vport, 40), 0) << "a window with room round the nodes";
    EXPECT_TRUE(std::isfinite(Value(vport, 41)));
    EXPECT_EQ(OnLayer(items, "CIRCLE", "NODOS").size(), 3u) << "every junction drawn";
    if (c.spacing > 0) {
      EXPECT_NEAR(Value(*TextOf(items, "1"), 40), c.linkTextHeight, 0.01);
    }
    // The picture stays of a size a browser shows, and shows the network.
    const std::string svg = dir.Read("far.svg");
    const size_t width = svg.find(" width=\"");
    ASSERT_NE(width, std::string::npos);
    EXPECT_LT(std::atof(svg.c_str() + width + 8), 20000);
    EXPECT_NE(svg.find("<circle class=\"node"), std::string::npos);
  }
}

TEST(DibujarRed, NodesWithoutCoordinatesAreLeftOut) {
  TempDir dir;
  Crossing x;
  TNodo& north = x.m.run().Sat.Nodes[static_cast<size_t>(x.n3)];
  north.X = kCoordinateNotSet;
  north.Y = kCoordinateNotSet;
  const auto items = x.Draw();
  EXPECT_EQ(TextOf(items, "300"), nullptr);
  EXPECT_EQ(OnLayer(items, "LINE", "RED").size(), 2u);
  EXPECT_EQ(items[0].Get(20), "0.00000") << "the window is made of the placed nodes only";
}

TEST(DibujarRed, RealReadersAcceptTheDrawingAndItsPicture) {
  TempDir dir;
  std::vector<std::string> drawings;
  for (int full : {0, 1}) {
    Crossing x;
    x.m.run().Cfg.DxfCompleto = full;
    x.m.run().Cfg.Red[1].GradoSaturacion = 0.9;
    x.m.run().Qor.Arcos[1].ResGradoSat = 1.5f;
    x.m.run().Cfg.Red[1].NombreRed = "Centro & Norte <\xe1rea>";  // Latin-1 "área"
    const std::string name = Printf("red_1_%d.dxf", full + 1);
    DibujarRed(x.m.run().Cfg, NetworkPosition(x.r), x.m.run().Sat, x.m.run().Qor, dir.File(name));
    drawings.push_back(dir.File(name));
  }
  ASSERT_TRUE(dir.Exists("red_1_1.svg"));
  ASSERT_TRUE(dir.Exists("red_1_2.svg"));

  std::string output;
  if (PythonHas("xml.etree.ElementTree")) {
    EXPECT_EQ(test::RunCheckScript("check_svg.py", {dir.File("red_1_1.svg"), dir.File("red_1_2.svg")}, output), 0)
        << output;
  }
  if (!PythonHas("ezdxf")) GTEST_SKIP() << "python3-ezdxf is not installed: the DXF audit is skipped";
  EXPECT_EQ(test::RunCheckScript("check_dxf.py", drawings, output), 0) << output;
  EXPECT_NE(output.find("OK " + drawings[1]), std::string::npos) << output;
}

TEST(SvgWriter, PictureFollowsTheDrawingsLayersAndTexts) {
  TempDir dir;
  Crossing x;
  x.m.run().Cfg.Red[1].NombreRed = "A&B \xe1";
  x.Draw("pic_1_1.dxf");
  const std::string svg = dir.Read("pic_1_1.svg");
  EXPECT_EQ(svg.find(".layer-ARCOS{display:none}"), std::string::npos);
  EXPECT_NE(svg.find(">A&amp;B \xc3\xa1</text>"), std::string::npos) << "escaped, Latin-1 taken as UTF-8";
  // The number of link 1231, mirrored in the DXF file, reads upright and unturned on screen.
  const size_t number = svg.find(">1231</text>");
  ASSERT_NE(number, std::string::npos);
  const std::string element = svg.substr(svg.rfind("<text", number), number - svg.rfind("<text", number));
  EXPECT_EQ(element.find("rotate"), std::string::npos) << element;
  // The bus link's arrow keeps its MINITRAZOS dashes (dash and gap alike, twice the PUNTOS dots);
  // the general links' arrows are solid.
  const size_t bus = svg.find("<path class=\"arrow layer-ARCOSP\"");
  ASSERT_NE(bus, std::string::npos);
  const std::string busArrow = svg.substr(bus, svg.find("/>", bus) - bus);
  const size_t dash = busArrow.find("stroke-dasharray=\"");
  ASSERT_NE(dash, std::string::npos) << busArrow;
  const std::vector<std::string> parts = Split(busArrow.substr(dash + 18, busArrow.find('"', dash + 18) - dash - 18), ',');
  ASSERT_EQ(parts.size(), 2u) << busArrow;
  EXPECT_EQ(parts[0], parts[1]);
  const size_t general = svg.find("<path class=\"arrow layer-ARCOS\"");
  ASSERT_NE(general, std::string::npos);
  EXPECT_EQ(svg.substr(general, svg.find("/>", general) - general).find("dasharray"), std::string::npos);
  EXPECT_EQ(svg.find("\n"), svg.find("\r\n") + 1);
}

}  // namespace
}  // namespace veltra

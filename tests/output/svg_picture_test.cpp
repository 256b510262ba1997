// The network picture: label placing, and the picture of small and crowded networks read back
// as a browser would lay it out (text boxes, junction marks, heading, legend, scale bar).
#include <gtest/gtest.h>

#include <cmath>
#include <regex>
#include <set>

#include "output/label_layout.h"
#include "output/network_drawing.h"
#include "output/svg_writer.h"
#include "support/output_model.h"
#include "util/text.h"

namespace veltra {
namespace {

using test::OutputModel;
using test::PythonHas;
using test::TempDir;

TEST(LabelLayout, SegmentCrossesABoxOnlyThroughItsInside) {
  const LabelBox box{0, 0, 10, 5};
  struct Case {
    DrawPoint a, b;
    bool crosses;
    const char* what;
  };
  const Case cases[] = {
      {{-5, 2}, {15, 2}, true, "straight through"},
      {{2, 1}, {3, 2}, true, "wholly inside"},
      {{-5, -5}, {15, 10}, true, "diagonally through"},
      {{-5, 6}, {15, 6}, false, "passing above"},
      {{-5, 5}, {15, 5}, false, "along the top side"},
      {{10, -3}, {10, 8}, false, "along the right side"},
      {{-5, -1}, {1, -10}, false, "beside a corner"},
      {{12, 2}, {20, 2}, false, "ending before the box"},
      {{5, 2}, {5, 2}, true, "a point inside"},
  };
  for (const Case& c : cases) EXPECT_EQ(SegmentCrossesBox(c.a, c.b, box), c.crosses) << c.what;
}

TEST(LabelLayout, LabelTakesTheFirstFreeCandidateElseTheFirst) {
  LabelSpace space(4);
  space.TakeBox({0, 0, 10, 10});
  space.TakeSegment({20, -100}, {20, 100});
  space.TakeSegment({-5000, 50}, {5000, 50});  // longer than the grid files by cell
  const std::vector<LabelBox> blocked = {{5, 5, 8, 8}, {19, 0, 21, 2}, {0, 49, 2, 51}};
  EXPECT_EQ(space.Place(blocked), blocked.size()) << "none is free: the first is taken all the same";
  EXPECT_FALSE(space.IsFree({6, 6, 7, 7})) << "the first candidate now holds the space";

  const std::vector<LabelBox> candidates = {{9, 9, 12, 12}, {21, 0, 25, 2}, {30, 0, 32, 2}};
  EXPECT_EQ(space.Place(candidates), 1u) << "touching the line's side is free";
  EXPECT_FALSE(space.IsFree({22, 1, 23, 3}));
  EXPECT_TRUE(space.IsFree({30, 0, 32, 2}));
  EXPECT_FALSE(space.IsFree({-1e6, -1, 1e6, 1})) << "a box wider than the grid is checked against everything";
  EXPECT_FALSE(space.IsFree({std::nan(""), 0, 1, 1}));
}

TEST(LabelLayout, TextWidthFollowsTheFontsAdvanceWidths) {
  EXPECT_DOUBLE_EQ(TextWidthEm(""), 0);
  EXPECT_NEAR(TextWidthEm("1234"), 4 * 0.556, 1e-9);
  EXPECT_GT(TextWidthEm("MMMM"), TextWidthEm("iiii") * 3);
  EXPECT_DOUBLE_EQ(TextWidthEm("\xc3\xa1"), TextWidthEm("\xc3\xa9")) << "a two-byte character counts once";
}

int Rumbo(const OutputModel& m, int a, int b) {
  const TNodo& na = const_cast<OutputModel&>(m).run().Sat.Nodes[static_cast<size_t>(a)];
  const TNodo& nb = const_cast<OutputModel&>(m).run().Sat.Nodes[static_cast<size_t>(b)];
  double tenths = std::atan2(nb.Y - na.Y, nb.X - na.X) * 1800 / 3.14159265358979323846;
  if (tenths < 0) tenths += 3600;
  return static_cast<int>(tenths);
}

// A town of rows x columns signalised junctions `spacing` apart, every street both ways with
// its three movements, some bus links beside the general ones, and outside nodes around it.
struct Town {
  OutputModel m;
  int r;
  Town(int rows, int columns, double spacing, bool full, double limit) {
    r = m.AddNetwork(3, "Centro Hist\xf3rico");  // Latin-1 "ó"
    m.run().Cfg.DxfCompleto = full ? 1 : 0;
    m.run().Cfg.Red[static_cast<size_t>(r)].GradoSaturacion = limit;
    m.run().Qor.CicloRed[static_cast<size_t>(r)] = 96;
    std::vector<std::vector<int>> at(static_cast<size_t>(rows), std::vector<int>(static_cast<size_t>(columns)));
    int transyt = 0;
    for (int i = 0; i < rows; ++i)
      for (int j = 0; j < columns; ++j)
        at[static_cast<size_t>(i)][static_cast<size_t>(j)] =
            m.AddNode(1000 + 10 * i + j, j * spacing, i * spacing, ++transyt, (i + j) % 3 != 2);
    int number = 100;
    auto link = [&](int a, int b, const std::string& street, bool bus) {
      const int s = m.AddStreet(a, b, street);
      TArco& l = m.AddLink(number += 10, a, b, Rumbo(m, a, b));
      l.IndiceTramo = s;
      l.Flujo = static_cast<float>(300 + number % 700);
      l.FlujoConector1 = static_cast<float>(number % 40);
      l.PresenciaClase = {1, 1, 1};
      l.FlujoClase = {static_cast<float>(number % 90), static_cast<float>(number % 500), static_cast<float>(number % 70)};
      l.ResGradoSat = static_cast<float>(number % 120);  // percent, as TRANSYT prints it
      l.ResDemora = 12.5f;
      if (bus) {
        TArco& p = m.AddLink(number + 1, a, b, Rumbo(m, a, b));
        p.IndiceTramo = s;
        p.EsPublico = 1;
        p.EsDetalle = number % 20 == 0;
        p.Flujo = 24;
        p.PresenciaClase = {0, 1, 0};
        p.FlujoPublicoClase = {0, 24, 0};
      }
    };
    for (int i = 0; i < rows; ++i)
      for (int j = 0; j < columns; ++j) {
        const int here = at[static_cast<size_t>(i)][static_cast<size_t>(j)];
        if (j + 1 < columns) {
          const int east = at[static_cast<size_t>(i)][static_cast<size_t>(j + 1)];
          link(here, east, Printf("Calle %d", i + 1), i == 0);
          link(east, here, Printf("Calle %d", i + 1), false);
        }
        if (i + 1 < rows) {
          const int north = at[static_cast<size_t>(i + 1)][static_cast<size_t>(j)];
          link(here, north, Printf("Avenida %c", 'A' + j), false);
          link(north, here, Printf("Avenida %c", 'A' + j), j == 0);
        }
      }
    // Outside nodes feeding the corners.
    const int west = m.AddNode(9001, -0.6 * spacing, 0, -9001);
    link(west, at[0][0], "Acceso Oeste", false);
    const int south = m.AddNode(9002, 0.3 * spacing, -0.7 * spacing, 0);
    link(south, at[0][0], "Diagonal", false);
  }
  std::string Draw(const TempDir& dir, const std::string& name, int iteration) {
    DibujarRed(m.run().Cfg, NetworkPosition(r), m.run().Sat, m.run().Qor, dir.File(name + ".dxf"), iteration);
    return dir.Read(name + ".svg");
  }
};

size_t Count(const std::string& text, const std::string& part) {
  size_t n = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

TEST(SvgPicture, NoTextCoversAnotherOrAJunctionAndLegendAndScaleBarAreThere) {
  if (!PythonHas("xml.etree.ElementTree")) GTEST_SKIP() << "python3 is not available";
  struct Case {
    int rows, columns;
    double spacing;
    bool full;
    double limit;
    const char* what;
  };
  const Case cases[] = {
      {1, 2, 300, false, 900, "two junctions, nothing but flows"},
      {3, 3, 300, false, 90, "a town with saturated links"},
      {3, 4, 140, true, 80, "a crowded town with every result"},
      {2, 2, 40, true, 80, "junctions closer than their labels"},
  };
  TempDir dir;
  std::vector<std::string> pictures;
  for (const Case& c : cases) {
    Town town(c.rows, c.columns, c.spacing, c.full, c.limit);
    const std::string name = Printf("town_%zu", pictures.size() + 1);
    town.Draw(dir, name, 2);
    pictures.push_back(dir.File(name + ".svg"));
  }
  std::vector<std::string> args = {"--layout"};
  args.insert(args.end(), pictures.begin(), pictures.end());
  std::string output;
  EXPECT_EQ(test::RunCheckScript("check_svg.py", args, output), 0) << output;
  for (const std::string& picture : pictures) EXPECT_NE(output.find("OK " + picture), std::string::npos) << output;
}

TEST(SvgPicture, LayoutCheckFindsOverlappingTextsAndAMissingLegend) {
  if (!PythonHas("xml.etree.ElementTree")) GTEST_SKIP() << "python3 is not available";
  TempDir dir;
  dir.Write("bad.svg",
            "<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 100 100\">"
            "<g class=\"heading\"><text x=\"0\" y=\"10\" font-size=\"8\">T</text></g>"
            "<g class=\"network\"><polyline points=\"0,40 90,40\"/>"
            "<text x=\"10\" y=\"50\" font-size=\"10\">(392/0)</text>"
            "<text x=\"30\" y=\"54\" font-size=\"10\" transform=\"rotate(-90 30 54)\">Calle</text>"
            "<circle class=\"node\" cx=\"80\" cy=\"80\" r=\"5\"/>"
            "<text x=\"84\" y=\"80\" font-size=\"6\">104</text></g></svg>");
  std::string output;
  EXPECT_EQ(test::RunCheckScript("check_svg.py", {"--layout", dir.File("bad.svg")}, output), 1);
  EXPECT_NE(output.find("OVERLAP " + dir.File("bad.svg") + " '(392/0)' 'Calle'"), std::string::npos) << output;
  EXPECT_NE(output.find("ON-JUNCTION " + dir.File("bad.svg") + " '104'"), std::string::npos) << output;
  EXPECT_NE(output.find("NO-LEGEND"), std::string::npos) << output;
  EXPECT_NE(output.find("NO-SCALE-BAR"), std::string::npos) << output;
}

TEST(SvgPicture, HeadingNamesNetworkIterationAndCycleAboveTheNetwork) {
  TempDir dir;
  Town town(1, 2, 300, false, 900);
  const std::string svg = town.Draw(dir, "pic_2_3", 2);
  const size_t heading = svg.find("<g class=\"heading\">"), network = svg.find("<g class=\"network\">");
  ASSERT_NE(heading, std::string::npos);
  ASSERT_NE(network, std::string::npos);
  const std::string head = svg.substr(heading, network - heading);
  EXPECT_NE(head.find(">Centro Hist\xc3\xb3rico</text>"), std::string::npos) << head;
  EXPECT_NE(head.find(">Red 3 \xc2\xb7 Iteración 2 \xc2\xb7 Ciclo 96 s</text>"), std::string::npos) << head;
  EXPECT_EQ(svg.find("Centro Hist", network), std::string::npos) << "the title is not drawn over the network";
  EXPECT_EQ(svg.find("Generado", network), svg.rfind("Generado")) << "the credit is in the legend band only";

  // Without a known iteration the heading leaves it out.
  const std::string unknown = town.Draw(dir, "pic", 0);
  EXPECT_NE(unknown.find(">Red 3 \xc2\xb7 Ciclo 96 s</text>"), std::string::npos);
}

TEST(SvgPicture, EveryMovementIsOneArrowWithOneHead) {
  TempDir dir;
  Town town(1, 2, 300, false, 90);
  TArco& saturated = town.m.run().Qor.Arcos[1];
  saturated.ResGradoSat = 120;
  const std::string svg = town.Draw(dir, "arrows_1_1", 1);
  // Four general links (both ways between the junctions and two from outside nodes, three
  // movements each) and one bus link (one movement).
  EXPECT_EQ(Count(svg, "<path class=\"arrow layer-ARCOS\""), 12u);
  EXPECT_EQ(Count(svg, "<path class=\"arrow layer-ARCOSP\""), 1u);
  EXPECT_EQ(Count(svg, "<path class=\"arrow layer-"), Count(svg, "marker-end=\"url(#veltra-arrows_1_1-head") - 3)
      << "every arrow has its head (three more are the legend's samples: general, bus, saturated)";
  EXPECT_EQ(Count(svg, "<polygon class=\"layer-ARCOS"), 0u) << "no separate arrowhead solids";
  EXPECT_EQ(Count(svg, "<marker "), 2u) << "one head per colour: black and the saturated red";
  EXPECT_NE(svg.find("stroke=\"#ff0000\" marker-end"), std::string::npos);
}

TEST(SvgPicture, FlowLayersShowAndEveryLayerGroupCanBeSwitched) {
  TempDir dir;
  Town town(1, 2, 300, true, 90);
  const std::string svg = town.Draw(dir, "layers_1_1", 1);
  const std::string id = "#veltra-layers_1_1";
  struct Case {
    const char* box;
    const char* layer;
    bool shown;
  };
  const Case cases[] = {{"flujo", "FLUJO", true},   {"flujo", "FLUJOP", true}, {"flmov", "FLMOV", true},
                        {"calles", "CALLES", true}, {"grsat", "GRSAT", true},  {"cruise", "CRUISE", false},
                        {"queue", "QUEUE", false}};
  for (const Case& c : cases) {
    const std::string box = Printf("id=\"veltra-layers_1_1-%s\"", c.box);
    ASSERT_NE(svg.find(box), std::string::npos) << c.box;
    EXPECT_EQ(svg.find(box + " checked=\"checked\"") != std::string::npos, c.shown) << c.box;
    EXPECT_NE(svg.find(id + ":has(#veltra-layers_1_1-" + c.box + ":not(:checked)) .layer-" + c.layer +
                       "{display:none}"),
              std::string::npos)
        << c.layer;
    EXPECT_EQ(svg.find(id + " .layer-" + std::string(c.layer) + "{display:none}"), std::string::npos) << c.layer;
  }
  EXPECT_EQ(svg.find("<script"), std::string::npos);
}

TEST(SvgPicture, LegendExplainsWhatTheDrawingShows) {
  TempDir dir;
  struct Case {
    bool full;
    double limit;
    std::vector<const char*> present, absent;
  };
  const Case cases[] = {
      {false, 900,
       {"Arco general", "Arco de transporte público", "Flujo del arco / flujo secundario", "Número de arco",
        "Grado de saturación TRANSYT (%)", "Demora media por vehículo (s)"},
       {"Saturado"}},
      {true, 85,
       {"Saturado: grado de saturación 85% o más", "Grado de saturación TRANSYT (%)", "Tiempo de crucero (s)",
        "Cola máxima (vehículos)"},
       {}},
  };
  for (const Case& c : cases) {
    Town town(2, 2, 300, c.full, c.limit);
    const std::string svg = town.Draw(dir, "legend_1_1", 1);
    const std::string legend = svg.substr(svg.find("<g class=\"legend\">"));
    for (const char* text : c.present) EXPECT_NE(legend.find(text), std::string::npos) << text;
    for (const char* text : c.absent) EXPECT_EQ(legend.find(text), std::string::npos) << text;
    EXPECT_NE(legend.find("Cruce semaforizado"), std::string::npos);
    EXPECT_NE(legend.find("Cruce sin plan de semáforos"), std::string::npos);
    EXPECT_NE(legend.find("Nodo fuera de la red TRANSYT"), std::string::npos);
    EXPECT_NE(legend.find(" m</text>"), std::string::npos) << "scale bar in metres";
  }
}

// The words before a label's number and the unit after it: "gs 66%" gives "gs" and "%".
std::pair<std::string, std::string> PrefixAndUnit(const std::string& text) {
  static const std::regex shape(R"(^(\S*) ?-?[0-9]+(?:\.[0-9]+)?(.*)$)");
  std::smatch m;
  if (!std::regex_match(text, m, shape)) return {"?", text};
  return {m[1], m[2]};
}

TEST(SvgPicture, LegendGivesEachResultInTheUnitOfItsLabels) {
  TempDir dir;
  Town town(2, 2, 300, false, 90);
  for (TArco& link : town.m.run().Qor.Arcos) {
    link.ResCrucero = 21.5f;
    link.ResParadas = 64;
    link.ResCola = 7.25f;
  }
  const std::string svg = town.Draw(dir, "units_1_1", 1);
  const size_t legendAt = svg.find("<g class=\"legend\">");
  ASSERT_NE(legendAt, std::string::npos);
  const std::string network = svg.substr(0, legendAt), legend = svg.substr(legendAt);
  const std::regex sampleText(R"re(<text data-layer="([A-Z]+)"[^>]*>([^<]*)</text>)re");
  std::set<std::string> layers;
  for (std::sregex_iterator it(legend.begin(), legend.end(), sampleText), end; it != end; ++it) {
    const std::string layer = (*it)[1], sample = (*it)[2];
    layers.insert(layer);
    const auto unit = PrefixAndUnit(sample);
    const std::regex labelText("<text class=\"t layer-" + layer + "\"[^>]*>([^<]*)</text>");
    size_t labels = 0;
    for (std::sregex_iterator l(network.begin(), network.end(), labelText); l != end; ++l, ++labels)
      EXPECT_EQ(PrefixAndUnit((*l)[1]), unit) << layer << ": legend \"" << sample << "\", label \"" << (*l)[1] << "\"";
    EXPECT_EQ(labels, 12u) << layer << ": one label per link, ten general and two bus";
    if (layer == "GRSAT") {
      EXPECT_EQ(unit.second, "%");
      EXPECT_NE(legend.find("grado de saturación 90" + unit.second + " o más"), std::string::npos)
          << "the limit of the saturated links in the labels' unit";
    }
  }
  EXPECT_EQ(layers, (std::set<std::string>{"CRUISE", "DELAY", "GRSAT", "QUEUE", "STOPS"}));
}

TEST(SvgPicture, SamePictureFromTheSameDrawing) {
  TempDir dir;
  Town town(2, 3, 200, true, 90);
  const std::string first = town.Draw(dir, "same_1_1", 1);
  const std::string second = town.Draw(dir, "same_1_1", 1);
  EXPECT_EQ(first, second);
}

}  // namespace
}  // namespace veltra

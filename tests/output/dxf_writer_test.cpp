// The DXF writer: group layout, value formats, handles, tables and the entity geometry.
#include "output/dxf_writer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

#include "support/output_model.h"
#include "util/text.h"

namespace veltra {
namespace {

using test::DxfItem;
using test::OfType;
using test::ReadDxf;
using test::TempDir;

// Groups written as "code|value", one a line, into the file text the writer must produce.
std::string Groups(const std::string& listing) {
  std::istringstream in(listing);
  std::string line, text;
  while (std::getline(in, line)) {
    if (line.empty()) continue;
    const size_t bar = line.find('|');
    text += Printf("%3d", std::atoi(line.substr(0, bar).c_str())) + "\r\n" + line.substr(bar + 1) + "\r\n";
  }
  return text;
}

TEST(KwtDxfer, SmallDrawingIsWrittenGroupByGroup) {
  TempDir dir;
  KwtDxfer dxf;
  Drawing d;
  d.AddTarget(dxf);
  d.Open("small.dxf");
  d.BeginSection("HEADER");
  d.ExtentsMinimum(0, 0);
  d.ExtentsMaximum(100, 50);
  d.EndSection();
  d.BeginSection("TABLES");
  d.ViewportTable(0, 0, 100, 50);
  d.LinetypeTable({"CONTINUA", "PUNTOS"}, {0, 3}, {0, -1.5}, {0, 1.5});
  d.LayerTable({"0", "CALLES"}, {7, 5}, {true, false});
  d.StyleTable({"TITULO"}, {"romans.shx"});
  d.EndSection();
  d.BeginSection("ENTITIES");
  d.State.Linetype = "PUNTOS";
  d.State.LineColour = 3;
  d.Line("0", 0, 0, 100, 50);
  d.Polyline("CALLES", {{1, 2}, {3, 4}}, 1);
  d.Circle("0", 5, 6, 2.5);
  d.Text("CALLES", 450, "Calle", 10, 20, 8);
  d.State.SolidColour = 1;
  d.Arrowhead("0", 0, 10, 100, 50);
  d.EndSection();
  d.Close();

  const std::string expected = Groups(R"(
0|SECTION
2|HEADER
9|$EXTMIN
10|0.00000
20|0.00000
30|0.00000
9|$EXTMAX
10|100.00000
20|50.00000
30|0.00000
0|ENDSEC
0|SECTION
2|TABLES
0|TABLE
2|VPORT
70|    1
0|VPORT
2|*ACTIVE
70|    0
10|0.00000
20|0.00000
11|1.00000
21|1.00000
12|50.00000
22|25.00000
13|0.00000
23|0.00000
14|1.00000
24|1.00000
15|0.00000
25|0.00000
16|0.00000
26|0.00000
36|1.00000
17|0.00000
27|0.00000
37|0.00000
40|50.50000
41|2.00000
42|50.00000
43|0.00000
44|0.00000
50|0.00000
51|0.00000
71|    0
72|  100
73|    1
74|    1
75|    0
76|    0
77|    0
78|    0
0|ENDTAB
0|TABLE
2|LTYPE
70|    2
0|LTYPE
2|CONTINUA
70|    0
3|continua
72|   65
73|    0
40|0.00000
0|LTYPE
2|PUNTOS
70|    0
3|puntos
72|   65
73|    2
40|3.00000
49|-1.50000
49|1.50000
0|ENDTAB
0|TABLE
2|LAYER
70|    2
0|LAYER
2|0
70|    0
62|7
6|CONTINUA
0|LAYER
2|CALLES
70|    0
62|-5
6|CONTINUA
0|ENDTAB
0|TABLE
2|STYLE
70|    1
0|STYLE
2|TITULO
70|    0
40|  0.0
41|  1.0
42|  0.2
50|  0.0
71|    0
3|romans.shx
0|ENDTAB
0|ENDSEC
0|SECTION
2|ENTITIES
0|LINE
5|1001
6|PUNTOS
8|0
10|0.00000
20|0.00000
11|100.00000
21|50.00000
62|3
0|POLYLINE
5|1002
6|PUNTOS
8|CALLES
66|     1
10|0.0
20|0.0
30|0.0
70|     1
62|3
0|VERTEX
5|1003
8|CALLES
10|1.00000
20|2.00000
30|0.00000
0|VERTEX
5|1004
8|CALLES
10|3.00000
20|4.00000
30|0.00000
0|SEQEND
5|1005
8|CALLES
0|CIRCLE
5|1006
6|PUNTOS
8|0
10|5.00000
20|6.00000
40|2.50000
0|TEXT
1|Calle
5|1007
7|STANDARD
8|CALLES
10|10.00000
20|20.00000
40|10.00
50|45.00000
11|10.00000
21|20.00000
72|2
73|1
0|SOLID
5|1008
8|0
62|1
10|100.00000
20|50.00000
11|90.34074
21|47.41181
12|90.34074
22|52.58819
13|92.92893
23|50.00000
0|ENDSEC
0|EOF
)");
  EXPECT_EQ(test::DiffLines(expected, dir.Read("small.dxf")), "");
  EXPECT_EQ(dxf.Handle(), 0x1008);
}

TEST(KwtDxfer, HandlesCountFromTheFirstEntityAndRestartOnOpen) {
  TempDir dir;
  KwtDxfer dxf;
  Drawing d;
  d.AddTarget(dxf);
  for (const char* name : {"a.dxf", "b.dxf"}) {
    d.Open(name);
    d.BeginSection("ENTITIES");
    d.Polyline("0", {{0, 0}, {1, 0}, {1, 1}}, 0);  // POLYLINE, three VERTEX, SEQEND
    d.Text("0", 0, "x", 0, 0, 0);
    d.EndSection();
    d.Close();
    const std::vector<DxfItem> items = ReadDxf(dir.File(name));
    std::vector<std::string> handles;
    for (const DxfItem& item : items)
      if (item.Count(5) == 1) handles.push_back(item.Get(5));
    EXPECT_EQ(handles, (std::vector<std::string>{"1001", "1002", "1003", "1004", "1005", "1006"})) << name;
  }
  // Above 0xFFFF the handle simply grows a digit.
  d.Open("c.dxf");
  for (int k = 0; k < 0x10000 - KwtDxfer::kFirstHandle; ++k) d.Circle("0", 0, 0, 1);
  d.Close();
  EXPECT_EQ(OfType(ReadDxf(dir.File("c.dxf")), "CIRCLE").back().Get(5), "10000");
}

TEST(KwtDxfer, TextJustificationGivesColumnAndVerticalCode) {
  struct Case {
    int justification;
    bool mirror;
    std::string horizontal, vertical;
  };
  const Case cases[] = {
      {4, false, "1", "2"}, {4, true, "1", "2"}, {0, false, "0", "3"}, {0, true, "0", "1"}, {2, false, "2", "3"},
      {6, false, "0", "1"}, {6, true, "0", "3"}, {8, true, "2", "3"}, {1, false, "1", "3"}, {7, true, "1", "3"},
  };
  TempDir dir;
  KwtDxfer dxf;
  Drawing d;
  d.AddTarget(dxf);
  d.Open("t.dxf");
  for (const Case& c : cases) {
    d.State.TextMirror = c.mirror;
    d.Text("0", 0, "x", 0, 0, c.justification);
  }
  d.Close();
  const std::vector<DxfItem> texts = OfType(ReadDxf(dir.File("t.dxf")), "TEXT");
  ASSERT_EQ(texts.size(), std::size(cases));
  for (size_t k = 0; k < texts.size(); ++k) {
    const Case& c = cases[k];
    const DxfItem& t = texts[k];
    EXPECT_EQ(t.Get(72), c.horizontal) << c.justification << " mirror " << c.mirror;
    EXPECT_EQ(t.Get(73), c.vertical) << c.justification << " mirror " << c.mirror;
    EXPECT_EQ(t.Get(71), c.mirror ? "6" : "") << c.justification;
    if (c.mirror) {  // the mirror flag comes before the justification
      auto at = [&](int code) {
        for (size_t g = 0; g < t.Groups.size(); ++g)
          if (t.Groups[g].first == code) return g;
        return t.Groups.size();
      };
      EXPECT_LT(at(71), at(72));
    }
  }
}

TEST(KwtDxfer, ArrowheadIsThirtyDegreesWideWithItsNotchOnTheAxis) {
  const auto c = ArrowheadCorners(0, 10, 100, 50);
  EXPECT_DOUBLE_EQ(c[0].X, 100);
  EXPECT_DOUBLE_EQ(c[0].Y, 50);
  EXPECT_NEAR(c[1].X, 90.3407, 1e-4);
  EXPECT_NEAR(c[1].Y, 47.4118, 1e-4);
  EXPECT_NEAR(c[2].X, 90.3407, 1e-4);
  EXPECT_NEAR(c[2].Y, 52.5882, 1e-4);
  EXPECT_NEAR(c[3].X, 92.9289, 1e-4);
  EXPECT_NEAR(c[3].Y, 50, 1e-9);
  // Pointing up (900): the back corners lie below the tip, symmetric about x = 0.
  const auto up = ArrowheadCorners(900, 10, 0, 0);
  EXPECT_NEAR(up[1].X, -up[2].X, 1e-9);
  EXPECT_NEAR(up[1].Y, -9.6593, 1e-4);
  EXPECT_NEAR(up[3].Y, -7.0711, 1e-4);
}

TEST(KwtDxfer, ColoursAndWidthsOfZeroOrLessAreLeftOut) {
  TempDir dir;
  KwtDxfer dxf;
  Drawing d;
  d.AddTarget(dxf);
  d.Open("c.dxf");
  d.State.LineColour = -1;
  d.State.PolylineWidth = 0;
  d.Line("0", 0, 0, 1, 1);
  d.Polyline("0", {{0, 0}}, 0);
  d.State.LineColour = 2;
  d.State.PolylineWidth = 3;
  d.Polyline("0", {{0, 0}}, 0);
  d.Arrowhead("0", 0, 1, 0, 0);
  d.Text("0", 0, "x", 0, 0, 0);
  d.State.TextColour = 5;
  d.Text("0", 0, "y", 0, 0, 0);
  d.Close();
  const std::vector<DxfItem> items = ReadDxf(dir.File("c.dxf"));
  EXPECT_EQ(OfType(items, "LINE")[0].Count(62), 0);
  const auto polylines = OfType(items, "POLYLINE");
  EXPECT_EQ(polylines[0].Count(62) + polylines[0].Count(40) + polylines[0].Count(41), 0);
  EXPECT_EQ(polylines[1].Get(62), "2");
  EXPECT_EQ(polylines[1].Get(40), "3");
  EXPECT_EQ(polylines[1].Get(41), "3");
  EXPECT_EQ(OfType(items, "SOLID")[0].Count(62), 0);
  const auto texts = OfType(items, "TEXT");
  EXPECT_EQ(texts[0].Count(62), 0);
  EXPECT_EQ(texts[1].Get(62), "5");
}

TEST(KwtDxfer, OpenRestoresTheInitialState) {
  TempDir dir;
  KwtDxfer dxf;
  Drawing d;
  d.AddTarget(dxf);
  d.Open("one.dxf");
  d.State.Linetype = "TRAZOS";
  d.State.TextStyle = "TITULO";
  d.State.TextHeight = 3;
  d.State.TextMirror = true;
  d.Close();
  d.Open("two.dxf");
  d.Circle("0", 0, 0, 1);
  d.Text("0", 0, "x", 0, 0, 4);
  d.Close();
  const auto items = ReadDxf(dir.File("two.dxf"));
  EXPECT_EQ(OfType(items, "CIRCLE")[0].Count(6), 0);  // "ByLayer" again
  const DxfItem text = OfType(items, "TEXT")[0];
  EXPECT_EQ(text.Get(7), "STANDARD");
  EXPECT_EQ(text.Get(40), "10.00");
  EXPECT_EQ(text.Count(71), 0);
}

TEST(KwtDxfer, FlatWindowIsWidenedInsteadOfDividingByZero) {
  struct Case {
    double x1, y1, x2, y2;
  };
  const Case cases[] = {{0, 5, 100, 5}, {3, 3, 3, 3}};
  TempDir dir;
  for (const Case& c : cases) {
    KwtDxfer dxf;
    Drawing d;
    d.AddTarget(dxf);
    d.Open("v.dxf");
    d.ViewportTable(c.x1, c.y1, c.x2, c.y2);
    d.Close();
    const DxfItem vport = OfType(ReadDxf(dir.File("v.dxf")), "VPORT").back();
    const double height = std::atof(vport.Get(40).c_str());
    const double ratio = std::atof(vport.Get(41).c_str());
    EXPECT_GT(height, 0) << c.x2;
    EXPECT_TRUE(std::isfinite(ratio)) << vport.Get(41);
    EXPECT_EQ(vport.Get(41).find("nan"), std::string::npos);
    EXPECT_EQ(vport.Get(22), Printf("%.5f", c.y1)) << "the window keeps its middle";
  }
}

TEST(KwtDxfer, LineBreaksInTextsCannotSplitTheGroups) {
  TempDir dir;
  KwtDxfer dxf;
  Drawing d;
  d.AddTarget(dxf);
  d.Open("n.dxf");
  d.Text("0", 0, "Calle\r\nMayor", 0, 0, 0);
  d.Close();
  EXPECT_EQ(OfType(ReadDxf(dir.File("n.dxf")), "TEXT")[0].Get(1), "Calle  Mayor");
}

TEST(KwtDxfer, DrawingThatCannotBeCreatedIsAFileError) {
  TempDir dir;
  KwtDxfer dxf;
  Drawing d;
  d.AddTarget(dxf);
  EXPECT_THROW(d.Open(dir.File("missing/dir/x.dxf")), FileError);
}

}  // namespace
}  // namespace veltra

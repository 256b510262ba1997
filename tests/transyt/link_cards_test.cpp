#include "transyt/link_cards.h"

#include <gtest/gtest.h>

#include "support/test_support.h"
#include "support/transyt_network.h"
#include "transyt/node_cards.h"
#include "util/text.h"

namespace veltra {
namespace {

using Fields = std::vector<int32_t>;

// The green periods derived stage by stage: a period opens at a stage that is green after a
// red one and closes at the first red stage after it, going round the cycle.
std::vector<std::pair<int, int>> PeriodsFromTheRule(int n, int mask) {
  auto green = [&](int s) { return (mask >> ((s - 1 + n) % n) & 1) != 0; };  // s may be 0 or n+1
  std::vector<std::pair<int, int>> periods;
  if (mask == (1 << n) - 1) return {{1, 1}};
  for (int s = 1; s <= n; ++s) {
    if (!green(s) || green(s - 1)) continue;
    int e = s;
    do e = e % n + 1;
    while (green(e));
    periods.push_back({s, e});
  }
  return periods;
}

TEST(StagePeriods, EveryMaskOfTwoToSixStagesFollowsTheRuleSaveOne) {
  for (int n = 2; n <= 6; ++n) {
    EXPECT_TRUE(StagePeriods(n, 0).empty());
    for (int mask = 1; mask < (1 << n); ++mask) {
      std::vector<std::pair<int, int>> expected = PeriodsFromTheRule(n, mask);
      if (n == 6 && mask == (1 | 4 | 32)) expected = {{6, 2}, {3, 4}};  // listed out of order
      std::vector<std::pair<int, int>> actual;
      for (const StagePeriod& p : StagePeriods(n, mask)) actual.push_back({p.Start, p.End});
      EXPECT_EQ(actual, expected) << n << " stages, mask " << mask;
      EXPECT_LE(actual.size(), 3u);
    }
  }
}

TEST(StagePeriods, FourStageExamples) {
  using P = std::vector<std::pair<int, int>>;
  const std::pair<int, P> cases[] = {
      {0b0101, {{1, 2}, {3, 4}}}, {0b1010, {{2, 3}, {4, 1}}}, {0b1001, {{4, 2}}}, {0b1111, {{1, 1}}}, {0b0110, {{2, 4}}}};
  for (const auto& [mask, expected] : cases) {
    P actual;
    for (const StagePeriod& p : StagePeriods(4, mask)) actual.push_back({p.Start, p.End});
    EXPECT_EQ(actual, expected) << mask;
  }
  EXPECT_TRUE(StagePeriods(7, 1).empty());
  EXPECT_TRUE(StagePeriods(1, 1).empty());
}

// A network with one signalised node 500 (TRANSYT 5) of four stages.
struct SignalFixture {
  test::TestRun t;
  test::NetworkBuilder b{t.run, 1, 7};
  int node;
  int plan;
  SignalFixture() {
    b.Node(400, 0, 0);
    node = b.NetworkNode(500, 5, 100, 0);
    plan = b.Plan(node, 0, 80, 0, {{1, 20, 5}, {1, 15, 5}, {1, 20, 5}, {1, 5, 5}});
    b.NetworkNode(600, 6, 200, 0);  // unsignalised
    int priority = b.NetworkNode(700, 12, 300, 0);
    b.Plan(priority, 0, 60, 0, {{1, 20, 5}, {1, 30, 5}});
    b.At(priority).NodeClass = 3;
  }
  TArco Link(int nodeB, int mask) {
    TArco a;
    a.Numero = 511;
    a.NodoA = 400;
    a.NodoB = nodeB;
    a.MascaraEtapas = mask;
    a.EntreVerdeInicial = 5;
    a.Lag35 = 2;
    a.Largo = 150;
    a.FlujoSat = 1900;
    a.Carriles = 2;
    return a;
  }
};

TEST(SignalCard, ControlPartFollowsTheStagePeriodsOfTheStopLineNode) {
  SignalFixture f;
  const Fields tail = {150, 0, 1900, 0, 0, 2};
  struct Case {
    const char* what;
    int nodeB;
    int mask;
    int repeat;
    bool allowDouble;
    bool marcaF;
    Fields control;
  };
  const Case cases[] = {
      {"two periods", 500, 0b0101, 0, true, false, {5, 1, 5, 2, 2, 3, 5, 4, 0}},
      {"one period round the cycle", 500, 0b1001, 0, true, false, {5, 4, 5, 2, 2, 0, 0, 0, 0}},
      {"green in every stage", 500, 0b1111, 0, true, false, {0, 0, 0, 0, 0, 0, 0, 0, 0}},
      {"no green stage", 500, 0, 0, true, false, {0, 0, 0, 0, 0, 0, 0, 0, 0}},
      {"F-marked turn", 500, 0b0101, 0, true, true, {0, 0, 0, 0, 0, 0, 0, 0, 0}},
      {"unsignalised node", 600, 0b0101, 0, true, false, {0, 0, 0, 0, 0, 0, 0, 0, 0}},
      {"priority node", 700, 0b01, 0, true, false, {0, 0, 0, 0, 0, 0, 0, 0, 0}},
      {"unknown node", 999, 0b0101, 0, true, false, {0, 0, 0, 0, 0, 0, 0, 0, 0}},
      // Double cycled: two stages, mask 01, one period and no second one.
      {"double cycled", 500, 0b0101, 1, true, false, {5, 1, 5, 2, 2, 0, 0, 0, 0}},
      {"double cycled, stage 2 of the half", 500, 0b1010, 1, true, false, {5, 2, 5, 1, 2, 0, 0, 0, 0}},
      {"double cycling not allowed", 500, 0b0101, 1, false, false, {5, 1, 5, 2, 2, 3, 5, 4, 0}},
      {"other repeat indicator", 500, 0b0101, -1, true, false, {5, 1, 5, 2, 2, 3, 5, 4, 0}},
  };
  for (const Case& c : cases) {
    f.t.run.Sat.SignalPlans[static_cast<size_t>(f.plan)].RepeatIndicator = c.repeat;
    TArco a = f.Link(c.nodeB, c.mask);
    a.MarcaF = c.marcaF;
    Fields expected = {31, 511};
    expected.insert(expected.end(), c.control.begin(), c.control.end());
    expected.insert(expected.end(), tail.begin(), tail.end());
    EXPECT_EQ(SignalCard(f.t.run.Sat, a, c.allowDouble, 2000), expected) << c.what;
  }
}

TEST(SignalCard, TailCapsTheLengthAndCarriesTheDetailValue) {
  SignalFixture f;
  TArco a = f.Link(600, 0);
  a.Largo = 2500;
  a.EsDetalle = 1;
  a.DatoDetalle = -9999;
  Fields card = SignalCard(f.t.run.Sat, a, true, 2000);
  EXPECT_EQ(Fields(card.begin() + 11, card.end()), (Fields{2000, -9999, 1900, 0, 0, 2}));
  a.EsDetalle = 0;
  EXPECT_EQ(SignalCard(f.t.run.Sat, a, true, 2000)[12], 0);
  EXPECT_EQ(UncontrolledCard(a, 2000), (Fields{31, 511, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2000, 0, 1900, 0, 0, 2}));
}

TEST(FlowCard, FlowsSecondaryFlowAndUpstreamSources) {
  struct Case {
    const char* what;
    bool publico;
    float flujo, entrante, conector1, conector2;
    int sources;
    int ajustePublico, flujoAuxiliar;
    Fields expected;
    float storedS;
  };
  // Upstream links 101 (flow 300) and 102 (flow 6), cruise values 40 and 35.
  const Case cases[] = {
      {"no sources, flow below 10", false, 4.2f, 0, 0, 0, 0, 0, 1, {32, 9, 10, 0, 0, 0, 45}, 0},
      {"no sources", false, 412.5f, 0, 7, 0, 0, 0, 1, {32, 9, 412, 0, 0, 0, 45}, 7},
      {"sources, secondary flow kept", false, 350.6f, 306, 40.4f, 0, 2, 0, 1,
       {32, 9, 351, 40, 101, 300, 40, 102, 10, 35}, 40.4f},
      {"secondary flow at most the flow less one", false, 20, 306, 50, 0, 1, 0, 1, {32, 9, 20, 19, 101, 300, 40}, 50},
      {"flow raised to 10", false, 3, 306, 50, 0, 1, 0, 1, {32, 9, 10, 2, 101, 300, 40}, 50},
      {"FlujoAuxiliar 0 drops the secondary flow", false, 350, 306, 40, 0, 1, 0, 0, {32, 9, 350, 0, 101, 300, 40}, 0},
      {"upstream flows scaled by the deduction", false, 350, 306, 0, 153, 2, 0, 1,
       {32, 9, 350, 0, 101, 150, 40, 102, 10, 35}, 0},
      {"no upstream total", false, 350, 0, 0, 0, 2, 0, 1, {32, 9, 350, 0, 101, 300, 40, 102, 6, 35}, 0},
      {"public transport keeps its secondary flow", true, 4, 306, 12.5f, 0, 1, 0, 0, {32, 9, 10, 12, 101, 300, 40}, 12.5f},
      {"public transport adjusted to the excess", true, 400.5f, 306, 3, 0, 1, 1, 0, {32, 9, 400, 94, 101, 300, 40}, 94},
      {"no adjustment when the flow does not exceed", true, 300, 306, 3, 0, 1, 1, 0, {32, 9, 300, 3, 101, 300, 40}, 3},
  };
  for (const Case& c : cases) {
    TArco a;
    a.Numero = 9;
    a.EsPublico = c.publico;
    a.Flujo = c.flujo;
    a.FlujoEntrante = c.entrante;
    a.FlujoConector1 = c.conector1;
    a.FlujoConector2 = c.conector2;
    a.Velocidad = 45;
    a.NumAguasArriba = c.sources;
    a.AguasArriba = {0, 101, 102};
    a.FlujoAguasArriba = {0, 300, 6};
    a.VelAguasArriba = {0, 40, 35};
    NetworkSettings net;
    net.AjustePublico = c.ajustePublico;
    net.FlujoAuxiliar = c.flujoAuxiliar;
    EXPECT_EQ(FlowCard(a, net), c.expected) << c.what;
    EXPECT_FLOAT_EQ(a.FlujoConector1, c.storedS) << c.what;
  }
}

// The link cards of a small network, written to a file and read back.
struct LinkCardsFixture : SignalFixture {
  test::TempDir dir;
  std::vector<std::string> Write(bool allowDouble = true) {
    {
      TextWriter out("links.dat");
      WriteLinkCards(t.run.Cfg, t.run.Cfg.Red[1], t.run.Sat, t.run.Qor, out, allowDouble);
      out.Close();
    }
    std::string text = dir.Read("links.dat");
    for (size_t i = text.find('\n'); i != std::string::npos; i = text.find('\n', i + 1))
      EXPECT_TRUE(i > 0 && text[i - 1] == '\r') << "line end at " << i;
    return test::ReadLines(dir.File("links.dat"));
  }
  std::vector<std::string> CardsOf(const std::vector<std::string>& lines, const char* card) {
    std::vector<std::string> found;
    for (const auto& l : lines)
      if (l.compare(0, 5, card) == 0) found.push_back(l);
    return found;
  }
};

TEST(LinkCards, GiveWayCardsAndTheTwoPassesOfCard31) {
  LinkCardsFixture f;
  f.b.Link(511, 400, 500, "600").MascaraEtapas = 1;
  TArco& g = f.b.Link(512, 400, 500, "700");  // marked link with a give-way card
  g.MarcaTramo = 1;
  TArco& m = f.b.Link(513, 400, 500, "600");  // marked link without: second pass
  m.MarcaTramo = 1;
  m.Largo = 2500;
  TArco& p = f.b.Link(514, 400, 500, "600");  // marked public-transport link: first pass
  p.MarcaTramo = 1;
  p.EsPublico = 1;
  f.b.Caso(512, 511, 0, 40, 2600, 715, 1);
  f.b.Caso(513, 511, 514, 100, 80, 1200, 2);

  std::vector<std::string> lines = f.Write();
  std::vector<std::string> c30 = f.CardsOf(lines, "   30");
  ASSERT_EQ(c30.size(), 2u);
  EXPECT_EQ(c30[0], "   30  512  511    0   40   22    0                     2000    0  715    0    0    1");
  EXPECT_EQ(c30[1], "   30  513  511  514  100   22   19                       80    0 1200    0    0    2");
  // 511 and 514 in the first pass; the marked links 512 and 513 had card 30.
  std::vector<std::string> c31 = f.CardsOf(lines, "   31");
  ASSERT_EQ(c31.size(), 2u);
  EXPECT_EQ(c31[0].substr(0, 10), "   31  511");
  EXPECT_EQ(c31[1].substr(0, 10), "   31  514");

  // Without its give-way card the marked link 513 is written in the second pass.
  f.t.run.Qor.NumCasos = 1;
  f.t.run.Qor.Casos.resize(2);
  lines = f.Write();
  c31 = f.CardsOf(lines, "   31");
  ASSERT_EQ(c31.size(), 3u);
  EXPECT_EQ(c31[2], CardText({31, 513, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2000, 0, 1800, 0, 0, 1}));
  // Card order: 30, 31, 32.
  EXPECT_EQ(lines.front().substr(0, 5), "   30");
  EXPECT_EQ(lines.back().substr(0, 5), "   32");
}

TEST(LinkCards, GraphCardsHoldEightLinksALine) {
  LinkCardsFixture f;
  for (int i = 1; i <= 17; ++i) f.b.Link(1000 + i, 400, 500, i % 2 ? "600" : "600/700");
  f.b.Link(2000, 400, 500, "700").EsPublico = 1;
  f.b.Net().Grafico = "/400,500,0,1/400,500,700,2";
  std::vector<std::string> c35 = f.CardsOf(f.Write(), "   35");
  ASSERT_EQ(c35.size(), 3u);
  EXPECT_EQ(c35[0], "   35 1001 1002 1003 1004 1005 1006 1007 1008");
  EXPECT_EQ(c35[1], "   35 1009 1010 1011 1012 1013 1014 1015 1016");
  EXPECT_EQ(c35[2], "   35 1017 2000");

  f.b.Net().Grafico = "/400,500,700,3";
  c35 = f.CardsOf(f.Write(), "   35");
  ASSERT_EQ(c35.size(), 2u);
  EXPECT_EQ(c35[0], "   35 1002 1004 1006 1008 1010 1012 1014 1016");
  EXPECT_EQ(c35[1], "   35 2000");

  f.b.Net().Grafico = "";
  EXPECT_TRUE(f.CardsOf(f.Write(), "   35").empty());
}

TEST(LinkCards, QueueCardsOneLinePerMatchingLink) {
  LinkCardsFixture f;
  f.b.Link(511, 400, 500, "600");
  f.b.Link(512, 400, 500, "600/700").EsPublico = 1;
  f.b.Link(513, 400, 500, "700");
  f.b.Net().Cola = "/400,500,600,12, 30/400,500,0";
  std::vector<std::string> c38 = f.CardsOf(f.Write(), "   38");
  EXPECT_EQ(c38, (std::vector<std::string>{"   38  511   12   30", "   38  512   12   30", "   38  511    0    0",
                                           "   38  512    0    0", "   38  513    0    0"}));
}

}  // namespace
}  // namespace veltra

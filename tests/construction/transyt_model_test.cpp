// The look-ups of the TRANSYT working model answer what a scan of the tables would, also after
// the links are rebuilt or renumbered.
#include <gtest/gtest.h>

#include <type_traits>

#include "construction/construction.h"
#include "model/transyt_model.h"
#include "support/test_support.h"

namespace veltra {
namespace {

int32_t Add(QorVars& qor, int32_t numero, int32_t a, int32_t b, const std::string& salidas) {
  const int32_t i = qor.AddLink();
  TArco& link = qor.Arcos[static_cast<size_t>(i)];
  link.Numero = numero;
  link.NodoA = a;
  link.NodoB = b;
  link.Salidas = salidas;
  return i;
}

TEST(QorVarsLookups, LinkByNumberReturnsTheLastLinkWithIt) {
  QorVars qor;
  Add(qor, 1231, 1, 100, "3");
  Add(qor, 1230, 1, 100, "2");
  EXPECT_EQ(qor.LinkByNumber(1231), 1);
  Add(qor, 1231, 2, 100, "4");  // appended after a look-up
  EXPECT_EQ(qor.LinkByNumber(1231), 3);
  EXPECT_EQ(qor.LinkByNumber(9999), 0);

  qor.Arcos[3].Numero = 5000;  // renumbered: the old number leads back to the first link
  EXPECT_EQ(qor.LinkByNumber(1231), 1);
  qor.Arcos[2].Numero = 1231;
  qor.InvalidateLinkIndex();
  EXPECT_EQ(qor.LinkByNumber(1231), 2);

  qor.NumArcos = 0;  // set back by hand: the places are used again, as many as before
  for (int32_t numero : {9, 10, 11}) Add(qor, numero, 1, 100, "3");
  EXPECT_EQ(qor.LinkByNumber(9), 1);
  EXPECT_EQ(qor.LinkByNumber(1231), 0);

  qor.ClearLinks();
  EXPECT_EQ(qor.LinkByNumber(1231), 0);
  Add(qor, 7, 1, 100, "3");
  Add(qor, 8, 1, 100, "3");
  Add(qor, 1231, 1, 100, "3");
  EXPECT_EQ(qor.LinkByNumber(1231), 3);
  EXPECT_EQ(qor.LinkByNumber(5000), 0);
}

TEST(QorVarsLookups, MovementSearchVisitsEveryLinkOfTheMovementOnce) {
  QorVars qor;
  Add(qor, 1, 1, 100, "3/x");
  Add(qor, 2, 1, 100, "4");
  Add(qor, 3, 2, 100, "3");
  Add(qor, 4, 1, 100, "13/3");
  Add(qor, 5, 1, 100, "");
  struct Case {
    int32_t a, b, c;
    std::vector<int32_t> links;
  };
  const Case cases[] = {
      {1, 100, 3, {1, 4}},
      {1, 100, 0, {1, 2, 4, 5}},    // any exit, also a link without exits
      {1, 100, 1, {}},              // 1 is no entry of "13/3"
      {1, 100, 100, {}},
      {100, 1, 0, {}},              // the direction of the approach counts
  };
  for (const Case& c : cases) EXPECT_EQ(LinksOfMovement(qor, c.a, c.b, c.c), c.links) << c.a << "-" << c.b << "-" << c.c;
  EXPECT_EQ(qor.NextLinkOfMovement(4, 1, 100, 3), qor.NumArcos + 1);
  EXPECT_EQ(qor.NextLinkOfMovement(-3, 1, 100, 4), 2);

  qor.Arcos[3].NodoA = 1;  // moved onto the approach without telling the index
  qor.Arcos[2].NodoA = 9;
  EXPECT_EQ(LinksOfMovement(qor, 1, 100, 0), (std::vector<int32_t>{1, 3, 4, 5}));
}

TEST(QorVarsLookups, ExitListsCompareAsNumbers) {
  struct Case {
    const char* salidas;
    int32_t c;
    bool contains, single;
  };
  const Case cases[] = {
      {"12", 12, true, true}, {"012", 12, true, true}, {"12/3", 3, true, false}, {"x", 0, true, false},
      {"x", 12, false, false}, {"", 0, false, false}, {"-4", -4, true, false}, {"0", 0, true, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ExitsInclude(c.salidas, c.c), c.contains) << c.salidas;
    EXPECT_EQ(SingleExit(c.salidas), c.single) << c.salidas;
  }
}

// A network's number and its position are both integers, and only the compiler keeps them
// apart: neither is taken for the other, nor for a plain integer.
static_assert(!std::is_convertible_v<NetworkNumber, NetworkPosition> &&
                  !std::is_convertible_v<NetworkPosition, NetworkNumber> && !std::is_convertible_v<int, NetworkPosition>,
              "a network's number and its position are distinct");

TEST(QorVarsLookups, ReverseNodeLookUpTakesTheFirstNode) {
  QorVars qor;
  test::SetNetwork(qor, 3, 30);
  qor.RedNodos[2].SetTransytNode(40, 7);
  qor.RedNodos[2].SetTransytNode(12, 7);
  EXPECT_EQ(qor.NodeOfTransyt(NetworkPosition(2), 7), 12);
  EXPECT_EQ(qor.NodeOfTransyt(NetworkPosition(2), 8), 0);
  EXPECT_EQ(qor.NodeOfTransyt(NetworkPosition(3), 7), 0);
}

TEST(QorVarsLookups, GiveWayRecordsAreZeroedWhenEmptied) {
  QorVars qor;
  qor.Casos[static_cast<size_t>(qor.AddCase())].Link = 1231;
  qor.Casos[static_cast<size_t>(qor.AddCase())].Percentage = 40;
  EXPECT_EQ(qor.NumCasos, 2);
  qor.ClearCases();
  EXPECT_EQ(qor.NumCasos, 0);
  EXPECT_EQ(qor.Casos[2].Percentage, 0);
  EXPECT_EQ(qor.Casos[static_cast<size_t>(qor.AddCase())].Link, 0);
}

}  // namespace
}  // namespace veltra

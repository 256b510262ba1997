#include "util/conversions.h"

#include <gtest/gtest.h>

#include <cmath>

namespace veltra {
namespace {

TEST(KwtUtils, TextToNumberFollowsTheFieldRules) {
  struct Case {
    const char* text;
    bool isReal;
    int32_t integer;
    double real;
  };
  const Case cases[] = {
      {"  12  ", false, 12, 0},    {"1.5E2", true, 0, 150.0}, {"1.5e2", true, 0, 150.0},    {"12a", false, 0, 0},
      {"+3", false, 0, 0},         {"1,5", false, 0, 0},         {"", false, 0, 0},
      {"-", false, 0, 0},          {"--5", false, 0, 0},         {"-17", false, -17, 0},
      {"99999999999", false, 0, 0}, {"1 2", false, 0, 0},        {"2.5", true, 0, 2.5},
      {"1.2.3", true, 0, 0.0},     {".5", true, 0, 0.5},         {"1e3", true, 0, 1000.0},
      {"E", true, 0, 0.0},         {"12-3", false, 0, 0},        {"-2147483648", false, INT32_MIN, 0},
  };
  for (const auto& c : cases) {
    NumberValue v = ConvertNumber(c.text);
    EXPECT_EQ(v.IsReal, c.isReal) << c.text;
    if (c.isReal)
      EXPECT_DOUBLE_EQ(v.Real, c.real) << c.text;
    else
      EXPECT_EQ(v.Integer, c.integer) << c.text;
  }
}

TEST(KwtUtils, RealsTakenAsIntegersRoundHalvesToEven) {
  const std::pair<const char*, int32_t> cases[] = {
      {"2.5", 2}, {"3.5", 4}, {"-2.5", -2}, {"2.51", 3}, {"0.5", 0}, {"1.5", 2}, {"1E20", INT32_MAX}};
  for (const auto& [text, expected] : cases) EXPECT_EQ(TextToInt(text), expected) << text;
}

TEST(KwtUtils, IntegerFieldMatchesOnlyRightAlignedIntegers) {
  struct Case {
    const char* text;
    int width;
    bool match;
    int32_t value;
  };
  const Case cases[] = {{"   101", 6, true, 101}, {"101   ", 6, false, 101}, {"      ", 6, false, 0},
                        {"     0", 6, true, 0},   {"  -12", 5, true, -12},   {"  1.0", 5, false, 1}};
  for (const auto& c : cases) {
    int32_t v = -1;
    EXPECT_EQ(IntegerField(c.text, c.width, v), c.match) << "[" << c.text << "]";
    EXPECT_EQ(v, c.value) << "[" << c.text << "]";
  }
}

TEST(KwtUtils, KeywordHelpers) {
  std::string item = " DUTCH = T ";
  EXPECT_TRUE(SqueezeAndFind(item, "DUTCH=T"));
  EXPECT_EQ(item, "DUTCH=T");
  EXPECT_EQ(IntegerAfterKey("&PARAM CYCLE=90, X", "CYCLE="), 90);
  EXPECT_EQ(IntegerAfterKey("NOMADS=3.", "NOMADS="), 3);
  EXPECT_EQ(IntegerAfterKey("NOTHING", "NOMADS="), 0);
  EXPECT_THROW(IntegerAfterKey("NOMADS=X", "NOMADS="), NumberFormatError);
  EXPECT_DOUBLE_EQ(RealAfterKey("FLAREX=1.75,", "FLAREX="), 1.75);
  EXPECT_DOUBLE_EQ(RealAfterKey("FLAREX=-0.5X", "FLAREX="), -0.5);
  EXPECT_EQ(TextAfterKey("FILKNB='a.knb'", "FILKNB="), "'a.knb'");
  EXPECT_EQ(TextAfterKey("abc", "x"), "");
  EXPECT_EQ(SplitBlanks("  a\tb  c "), (std::vector<std::string>{"a", "b", "c"}));
  EXPECT_TRUE(IsBlank(""));
  EXPECT_TRUE(IsBlank("   "));
  EXPECT_FALSE(IsBlank(" x "));
  EXPECT_EQ(RemoveBlanks(" 1 2 "), "12");
}

TEST(KwtUtils, CellNames) {
  const std::tuple<int, int, const char*> cases[] = {
      {7, 28, "AB7"}, {1, 1, "A1"}, {5, 26, "Z5"}, {1, 27, "AA1"}, {2, 52, "AZ2"}, {3, 53, "BA3"}};
  for (const auto& [row, column, name] : cases) EXPECT_EQ(CellName(row, column), name);
}

TEST(KwtUtils, DirectionAngleOfTheVectorFromTheSecondPointToTheFirst) {
  const double pi = 3.14159265358979323846;
  EXPECT_DOUBLE_EQ(DirectionAngle(1, 0, 0, 0), 0.0);
  EXPECT_DOUBLE_EQ(DirectionAngle(0, 1, 0, 0), pi / 2);
  EXPECT_DOUBLE_EQ(DirectionAngle(0, -1, 0, 0), 3 * pi / 2);
  EXPECT_DOUBLE_EQ(DirectionAngle(-1, 0, 0, 0), pi);
  EXPECT_DOUBLE_EQ(DirectionAngle(5, 5, 5, 5), 0.0);
  EXPECT_NEAR(DirectionAngle(1, -1, 0, 0), 7 * pi / 4, 1e-12);
}

TEST(KwtUtils, NearestColourIndexKeepsTheLowerIndexOnTies) {
  EXPECT_EQ(NearestColourIndex(0xFF0000), 1);
  EXPECT_EQ(NearestColourIndex(0x0000FF), 5);
  EXPECT_EQ(NearestColourIndex(0x000000), 7);  // 7, 8 and 9 are black too, 7 comes first
  EXPECT_EQ(NearestColourIndex(0xFFFFFF), 255);
  EXPECT_EQ(NearestColourIndex(0xC0C0C0), 253);
  // Index 10 is hue 0 at full value: pure red, but 1 comes first.
  EXPECT_EQ(NearestColourIndex(0xFF0000), 1);
  const auto& p = ColourPalette();
  EXPECT_NEAR(p[11][0], 255, 1e-9);  // half saturated red: (255, 127.5, 127.5)
  EXPECT_NEAR(p[11][1], 127.5, 1e-9);
  EXPECT_NEAR(p[50][1], 255, 1e-9);  // hue 60: yellow
  EXPECT_NEAR(p[50][0], 255, 1e-9);
  EXPECT_NEAR(p[92][1], 0.65 * 255, 1e-9);  // hue 120, value 0.65: green
  EXPECT_NEAR(p[92][0], 0, 1e-9);
}

TEST(KwtUtils, PifImageIsByteExact) {
  auto pif = BuildPif("C:\\BIN\\SHELL.BAT", "/c run", true, "");
  ASSERT_EQ(pif.size(), 967u);
  EXPECT_EQ(pif[0], 0x00);
  EXPECT_EQ(pif[1], 0x78);
  for (int i = 2; i < 32; ++i) EXPECT_EQ(pif[i], 0x20);
  EXPECT_EQ(pif[32], 0x80);
  EXPECT_EQ(pif[33], 0x02);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&pif[36])), "C:\\BIN\\SHELL.BAT");
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&pif[101])), "C:\\BIN");
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&pif[165])), "/c run");
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&pif[453])), "/c run");
  EXPECT_EQ(pif[431], 0x10);  // hidden
  EXPECT_EQ(pif[847], 0x4B);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&pif[369]), 15), "MICROSOFT PIFEX");
  EXPECT_EQ(pif[385], 0x87);
  EXPECT_EQ(pif[389], 0x71);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&pif[391]), 15), "WINDOWS 386 3.0");
  EXPECT_EQ(pif[407], 0x05);
  EXPECT_EQ(pif[409], 0x9d);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&pif[517]), 15), "WINDOWS VMM 4.0");
  EXPECT_EQ(pif[535], 0x1b);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&pif[773]), 8), "Terminal");
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&pif[805]), 14), "Lucida Console");
  EXPECT_EQ(pif[876], 0x01);
  EXPECT_EQ(pif[965], 0x01);
  EXPECT_EQ(pif[966], 0x00);

  auto shown = BuildPif("PROG.EXE", "", false, "D:\\WORK");
  EXPECT_EQ(shown[431], 0x00);
  EXPECT_EQ(shown[847], 0x80);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&shown[101])), "D:\\WORK");
  // Besides the patched places, the two images are the same template.
  int differences = 0;
  for (size_t i = 0; i < pif.size(); ++i) differences += pif[i] != shown[i];
  EXPECT_GT(differences, 0);

  std::string longName(70, 'X');
  auto cut = BuildPif(longName, "", false, "");
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&cut[36])), std::string(63, 'X'));
}

}  // namespace
}  // namespace veltra

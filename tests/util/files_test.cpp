#include "util/files.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/test_support.h"

namespace veltra {
namespace {

TEST(Files, WildcardsMatchWithoutRegardToCase) {
  struct Case {
    const char* pattern;
    const char* name;
    bool match;
  };
  const Case cases[] = {
      {"tr_*_*.top", "tr_1_12.top", true}, {"tr_*_*.top", "TR_1_12.TOP", true}, {"tr_*_*.top", "tr_1.top", false},
      {"*.dat", "a.dat", true},            {"*.dat", "a.dat.bak", false},       {"a?c", "abc", true},
      {"a?c", "ac", false},                {"*", "", true},                     {"net.U*", "net.ufn", true},
      {"net.LP*", "net.lpa", true},        {"x*y*z", "xaaybbz", true},          {"x*y*z", "xaaybb", false},
  };
  for (const auto& c : cases) EXPECT_EQ(WildcardMatch(c.pattern, c.name), c.match) << c.pattern << " " << c.name;
}

TEST(Files, NameParts) {
  EXPECT_EQ(ChangeExtension("dir.x/red", ".dat"), "dir.x/red.dat");
  EXPECT_EQ(ChangeExtension("red.lpa", ".dat"), "red.dat");
  EXPECT_EQ(ChangeExtension("tr_1_2.dat", ""), "tr_1_2");
  EXPECT_EQ(ExtractFileName("a/b/c.ini"), "c.ini");
  EXPECT_EQ(ExtractFileName("C:\\x\\c.ini"), "c.ini");
  EXPECT_EQ(ExtractFileDir("a/b/c.ini"), "a/b");
  EXPECT_EQ(ExtractFileDir("c.ini"), "");
  EXPECT_EQ(ExtractExtension("a.b/c"), "");
}

TEST(Files, DeleteMatchingAndRunFiles) {
  test::TempDir dir;
  for (const char* f : {"tr_1_1.top", "tr_1_1.dic", "tr_1_1.geo", "tr_1_1.giro", "tr_1_1.arc", "tr_1_1.csv",
                        "tr_1_1.prt", "tr_1_1.cyo", "tr_1_1.dat", "tr_2_1.top", "keep.top"})
    dir.Write(f, "x");
  DeleteRunFiles("tr_1_1.dat", 2);
  for (const char* f : {"tr_1_1.top", "tr_1_1.dic", "tr_1_1.geo", "tr_1_1.giro", "tr_1_1.arc", "tr_1_1.csv",
                        "tr_1_1.prt", "tr_1_1.cyo"})
    EXPECT_FALSE(dir.Exists(f)) << f;
  EXPECT_TRUE(dir.Exists("tr_1_1.dat"));
  DeleteRunFiles("tr_1_1.dat", 0);
  EXPECT_TRUE(dir.Exists("tr_1_1.dat"));
  DeleteRunFiles("tr_1_1.dat", 3);
  EXPECT_FALSE(dir.Exists("tr_1_1.dat"));
  DeleteMatching("tr_*_*.top");
  EXPECT_FALSE(dir.Exists("tr_2_1.top"));
  EXPECT_TRUE(dir.Exists("keep.top"));
}

TEST(Files, CopiesToFilesDirectoriesAndPatterns) {
  test::TempDir dir;
  dir.Write("tr_3_1.prt", "one");
  dir.Write("tr_3_12.prt", "twelve");
  dir.Write("tr_3_1.dat", "data");
  std::filesystem::create_directories(dir.File("ultima"));
  CopyIfExists("tr_3_*.prt", "ultima");
  EXPECT_EQ(dir.Read("ultima/tr_3_1.prt"), "one");
  EXPECT_EQ(dir.Read("ultima/tr_3_12.prt"), "twelve");
  CopyIfExists("tr_3_*.prt", "tr_Final_*.prt");
  EXPECT_EQ(dir.Read("tr_Final_1.prt"), "one");
  EXPECT_EQ(dir.Read("tr_Final_12.prt"), "twelve");
  dir.Write("copia.dat", "old");
  CopyIfExists("tr_3_1.dat", "copia.dat");
  EXPECT_EQ(dir.Read("copia.dat"), "data");
  CopyIfExists("missing.dat", "copia.dat");
  EXPECT_EQ(dir.Read("copia.dat"), "data");
}

}  // namespace
}  // namespace veltra

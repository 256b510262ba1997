// The key tables of docs/reference.md are those the configuration table gives, so the reference
// says what the readers read. VELTRA_WRITE_REFERENCE=1 writes them into the reference instead.
#include "run/config_keys.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <set>
#include <sstream>

namespace veltra {
namespace {

const char* const kSections[] = {"Parametros", "Exporta", "Saturn", "Converge", "Transyt"};

std::string Begin(const std::string& section) { return "<!-- keys of [" + section + "], from src/run/config_keys.cpp -->\n"; }
const char* const kEnd = "<!-- end of keys -->";

TEST(ConfigurationKeys, TheReferenceListsEveryKeyAsTheTableDeclaresIt) {
  const std::string path = std::string(VELTRA_TEST_DATA) + "/../../docs/reference.md";
  std::ifstream in(path, std::ios::binary);
  std::stringstream buffer;
  buffer << in.rdbuf();
  std::string text = buffer.str();
  const bool write = std::getenv("VELTRA_WRITE_REFERENCE") != nullptr;
  for (const char* section : kSections) {
    SCOPED_TRACE(section);
    const size_t begin = text.find(Begin(section));
    ASSERT_NE(begin, std::string::npos) << "no generated key table in " << path;
    const size_t from = begin + Begin(section).size();
    const size_t to = text.find(kEnd, from);
    ASSERT_NE(to, std::string::npos);
    const std::string table = ReferenceKeyTable(section);
    if (write)
      text.replace(from, to - from, table);
    else
      EXPECT_EQ(text.substr(from, to - from), table) << "run this test with VELTRA_WRITE_REFERENCE=1";
  }
  if (write) std::ofstream(path, std::ios::binary) << text;
}

// Each key once in its section; a range only where the value is a number the reader checks.
TEST(ConfigurationKeys, EveryKeyOnceAndEveryFallbackAGlobalKey) {
  std::set<std::string> seen;
  for (const GlobalKey& key : GlobalKeys()) {
    EXPECT_TRUE(seen.insert(std::string(key.Section) + "/" + key.Name).second) << key.Name;
    EXPECT_TRUE(key.Default != nullptr || key.Shown != nullptr) << key.Name;
  }
  seen.clear();
  for (const NetworkKey& key : NetworkKeys()) {
    EXPECT_TRUE(seen.insert(key.Name).second) << key.Name;
    for (const ValueSource& source : {key.Missing, key.WithoutSection}) {
      EXPECT_TRUE((source.GlobalKey == nullptr) != (source.Value == nullptr)) << key.Name;
      if (source.GlobalKey != nullptr) {
        EXPECT_NE(FindGlobalKey(source.GlobalKey), nullptr) << key.Name;
      }
    }
  }
}

}  // namespace
}  // namespace veltra

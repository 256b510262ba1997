#include "satprog/trip_matrix.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace veltra::satprog {
namespace {

std::string MatrixMessage(const std::vector<std::string>& lines) {
  try {
    ParseCsvTrips(lines, "m.csv");
  } catch (const MatrixError& error) {
    return error.Message;
  }
  return "";
}

// Zone numbers must be whole numbers from 1 to what an integer holds; a number beyond the
// integers (the fuzzer's 1e121) was cast before its range was checked.
TEST(TripMatrix, ZoneNumbersOutsideTheIntegersAreRefusedByName) {
  struct Case {
    std::string Row;
    const char* Expected;  // empty: the row is read
  } cases[] = {
      {"7,1e121,500", "m.csv, line 1: destination \"1e121\" is not a zone number"},
      {"-1e300,2,5", "origin \"-1e300\" is not a zone number"},
      {"inf,2,5", "origin \"inf\""},
      {"nan,2,5", "origin \"nan\""},
      {"2.5,3,5", "origin \"2.5\""},
      {"0,3,5", "origin \"0\""},
      {"3,2000000001,5", "destination \"2000000001\""},
      {"1,2,1e13", "trips \"1e13\""},
      {"2000000000,1,7.5", ""},
      {"1e3 2 0", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Row);
    const std::string message = MatrixMessage({c.Row});
    if (*c.Expected == '\0')
      EXPECT_EQ(message, "");
    else
      EXPECT_NE(message.find(c.Expected), std::string::npos) << message;
  }
  const std::vector<TripRow> rows = ParseCsvTrips({"2000000000,1,7.5", "1e3 2 0"}, "m.csv");
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].Origin, 2000000000);
  EXPECT_EQ(rows[1].Origin, 1000);
}

// A TNTP matrix may hold all of an origin's destinations on one line, longer than the lines of
// the other inputs; a file without line ends beyond even that limit is a matrix error, named.
TEST(TripMatrix, LongLinesOfATntpMatrixAreReadAndEndlessOnesRefused) {
  const std::filesystem::path dir = std::filesystem::path(::testing::TempDir()) / "trip_matrix_test";
  std::filesystem::create_directories(dir);
  std::string origin = "<NUMBER OF ZONES> 3\n<END OF METADATA>\nOrigin 1\n";
  for (int i = 0; i < 10000; ++i) origin += " 2 : 0.5;  3 : 0.25;";
  const std::string tntp = (dir / "long.tntp").string();
  std::ofstream(tntp, std::ios::binary) << origin << "\n";
  const TripMatrix matrix = ReadTripMatrix(tntp);
  double total = 0;
  for (const TripRow& row : matrix.Rows) total += row.Trips;
  EXPECT_DOUBLE_EQ(total, 7500);

  const std::string endless = (dir / "endless.csv").string();
  std::ofstream(endless, std::ios::binary) << std::string(5u * 1024u * 1024u, '1');
  try {
    ReadTripMatrix(endless);
    ADD_FAILURE() << "a line of 5 MB was read";
  } catch (const MatrixError& error) {
    EXPECT_NE(error.Message.find("unreadable trip matrix: "), std::string::npos) << error.Message;
    EXPECT_NE(error.Message.find("endless.csv, line 1: longer than 4194304 characters"), std::string::npos) << error.Message;
  }
}

}  // namespace
}  // namespace veltra::satprog

#include "grid_network.h"

#include <initializer_list>

#include "util/text.h"

namespace veltra::signals::test {

namespace {
std::string Fields(std::initializer_list<int> fields) {
  std::string line;
  for (int f : fields) line += Printf("%5d", f);
  return line;
}
}  // namespace

std::vector<std::string> GridNetwork(int junctions, int cycle, int steps) {
  const int width = 10;
  std::vector<std::string> lines{"grid", Fields({1, cycle, steps, 60, 2, 2, 1, 0, 0, 0, 1, 2, 1, 0, 930, 170})};
  std::string two = Printf("%5d", 2);
  for (int j = 1; j <= junctions; ++j) {
    two += Printf("%5d", j);
    if (j % 15 == 0 || j == junctions) {
      lines.push_back(two);
      two = Printf("%5d", 2);
    }
  }
  for (int j = 1; j <= junctions; ++j) lines.push_back(Fields({12, j, 0, 12, cycle / 2, 12}));
  auto link = [](int j, int k) { return 10 * j + k; };
  for (int j = 1; j <= junctions; ++j)
    for (int k = 1; k <= 6; ++k) {
      const int stage = k <= 3 ? 1 : 2;
      lines.push_back(Fields({31, link(j, k), j, stage, 5, 3 - stage, 0, 0, 0, 0, 0, 300, 0,
                              k == 3 || k == 6 ? 1700 : 3600, 0, 0, k == 3 || k == 6 ? 1 : 2}));
    }
  for (int j = 1; j <= junctions; ++j) {
    const int col = (j - 1) % width, row = (j - 1) / width;
    const int west = col > 0 ? j - 1 : 0, east = col + 1 < width && j < junctions ? j + 1 : 0;
    const int south = row > 0 ? j - width : 0, north = j + width <= junctions ? j + width : 0;
    auto flow = [&](int k, int from, int through, int turn) {
      if (from == 0) return Fields({32, link(j, k), 700, 0, 0, 0, 40});
      return Fields({32, link(j, k), 700, 0, link(from, through), 500, 40, link(from, turn), 120, 40});
    };
    lines.push_back(flow(1, west, 1, 6));   // eastbound from the west neighbour
    lines.push_back(Fields({32, link(j, 3), 150, 0, 0, 0, 40}));
    lines.push_back(flow(2, east, 2, 3));   // westbound from the east neighbour
    lines.push_back(flow(4, south, 4, 3));  // northbound from the south neighbour
    lines.push_back(Fields({32, link(j, 6), 150, 0, 0, 0, 40}));
    lines.push_back(flow(5, north, 5, 6));  // southbound from the north neighbour
  }
  return lines;
}

}  // namespace veltra::signals::test

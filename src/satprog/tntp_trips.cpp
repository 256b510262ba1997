#include "satprog/tntp_trips.h"

#include <cstdlib>

#include "assign/tntp.h"
#include "util/text.h"

namespace veltra::satprog {

std::vector<TripRow> ReadTntpTripRows(const std::string& path) {
  std::vector<std::string> lines;
  LoadLines(path, lines, assign::kMaxTntpLineLength);
  return ReadTntpTripRows(path, lines);
}

std::vector<TripRow> ReadTntpTripRows(const std::string& path, const std::vector<std::string>& lines) {
  // The reader wants the zone count of the file's own metadata.
  int32_t zones = 0;
  for (const std::string& line : lines) {
    const std::string t = Upper(Trim(line));
    if (StartsWith(t, "<NUMBER OF ZONES>")) zones = static_cast<int32_t>(std::atol(t.substr(17).c_str()));
    if (StartsWith(t, "<END OF METADATA>")) break;
  }
  if (zones <= 0) throw MatrixError{Printf("matriz no legible: %s: falta <NUMBER OF ZONES> en la cabecera TNTP", path.c_str())};
  assign::Demand demand;
  try {
    demand = assign::ReadTntpTrips(path, zones);
  } catch (const assign::InputError& error) {
    throw MatrixError{std::string("matriz no legible: ") + error.what()};
  }
  std::vector<TripRow> rows;
  for (int32_t k = 0; k < demand.OriginCount(); ++k)
    for (int32_t i = demand.Start[static_cast<size_t>(k)]; i < demand.Start[static_cast<size_t>(k) + 1]; ++i)
      rows.push_back({demand.Origins[static_cast<size_t>(k)] + 1, demand.Destinations[static_cast<size_t>(i)] + 1,
                      demand.Trips[static_cast<size_t>(i)]});
  return rows;
}

}  // namespace veltra::satprog

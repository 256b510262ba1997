#include "satprog/tntp_trips.h"

#include "assign/tntp.h"
#include "util/text.h"

namespace veltra::satprog {

namespace {

[[noreturn]] void Unreadable(const assign::InputError& error) {
  throw MatrixError{std::string("unreadable trip matrix: ") + error.what()};
}

}  // namespace

std::vector<TripRow> ReadTntpTripRows(const std::string& path) {
  std::vector<std::string> lines;
  try {
    lines = assign::ReadTntpLines(path);
  } catch (const assign::InputError& error) {
    Unreadable(error);
  }
  return ReadTntpTripRows(path, lines);
}

std::vector<TripRow> ReadTntpTripRows(const std::string& path, const std::vector<std::string>& lines) {
  assign::Demand demand;
  try {
    // The reader wants the zone count of the file's own metadata.
    const int32_t zones = assign::TntpZoneCount(path, lines);
    if (zones <= 0) throw MatrixError{Printf("unreadable trip matrix: %s: <NUMBER OF ZONES> is missing from the TNTP header", path.c_str())};
    demand = assign::ReadTntpTrips(path, lines, zones);
  } catch (const assign::InputError& error) {
    Unreadable(error);
  }
  std::vector<TripRow> rows;
  for (int32_t k = 0; k < demand.OriginCount(); ++k)
    for (int32_t i = demand.Start[static_cast<size_t>(k)]; i < demand.Start[static_cast<size_t>(k) + 1]; ++i) {
      const TripRow row{demand.Origins[static_cast<size_t>(k)] + 1, demand.Destinations[static_cast<size_t>(i)] + 1,
                        demand.Trips[static_cast<size_t>(i)]};
      // The same limit as a CSV matrix's, so that a cell means the same in either format.
      if (!TripsWithinLimit(row.Trips))
        throw MatrixError{Printf("unreadable trip matrix: %s: origin %d, destination %d: trips \"%.17g\": %s", path.c_str(),
                                 row.Origin, row.Destination, row.Trips, kTripLimitText)};
      rows.push_back(row);
    }
  return rows;
}

}  // namespace veltra::satprog

// What the SATURN file readers take from the run's configuration.
#pragma once

#include <string>

namespace veltra {

struct SaturnSettings {
  // [Saturn] LineasPrivado: the bus lines whose frequency counts as private traffic.
  std::string LineasPrivado;
  // The reading is the first of the run (iteration counter at IteracionInicial): the
  // messages written only once are due.
  bool FirstRead = true;
  // The listing's file name, for the messages that name it; empty: the network file's name
  // with the extension ".lpa".
  std::string ListingFile;
};

}  // namespace veltra

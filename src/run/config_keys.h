// Every key of the configuration, declared once: its section, its field in the settings, its
// default, the range its value must lie in, what a network's own section takes without it (and
// a network without a section), and what it is for. The readers of config.cpp, their range
// checks and the key tables of docs/reference.md all come from this table.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "model/settings.h"

namespace veltra {

// The field a global key fills.
using GlobalField = std::variant<int Settings::*, double Settings::*, bool Settings::*, std::string Settings::*,
                                 CycleMode Settings::*, IterationMode Settings::*>;

// A numbered key (Key_1, Key_2, ... up to the first absent k) fills its list from the values
// in order.
using ListSetter = void (*)(NetworkSettings&, const std::vector<std::string>& values);

// The field a network key fills.
using NetworkField = std::variant<int NetworkSettings::*, double NetworkSettings::*, bool NetworkSettings::*,
                                  std::string NetworkSettings::*, CycleMode NetworkSettings::*,
                                  NodeList NetworkSettings::*, ListSetter>;

// The lowest and highest value a key may hold; a value outside stops the run.
struct KeyRange {
  int64_t Low = 0, High = 0;
};

// Where a network key's value comes from when the file does not give it: a global key's value,
// or a value of its own written as in the file.
struct ValueSource {
  const char* GlobalKey = nullptr;
  const char* Value = nullptr;
};

struct GlobalKey {
  const char* Section;  // Parametros, Exporta, Saturn or Converge
  const char* Name;
  GlobalField Field;
  // The value a missing or unreadable key takes, as written in the file; nullptr when the
  // reader makes it (Shown says how).
  const char* Default;
  const char* Unit;  // of the default, in the reference
  std::optional<KeyRange> Range;
  const char* Meaning;
  const char* Shown = nullptr;  // the default as the reference gives it, when Default does not
};

struct NetworkKey {
  const char* Name;  // "Grupo_k" for a numbered key
  NetworkField Field;
  ValueSource Missing;         // in a section that does not give the key
  ValueSource WithoutSection;  // for a network without a section of its own
  std::optional<KeyRange> Range;
  const char* Meaning;
  const char* Shown = nullptr;  // the default as the reference gives it, when Missing does not
};

const std::vector<GlobalKey>& GlobalKeys();
const std::vector<NetworkKey>& NetworkKeys();
// The global key of that name; nullptr when there is none.
const GlobalKey* FindGlobalKey(const std::string& name);

// What a five-column field of a TRANSYT card or a SATURN junction card can hold, the sign of a
// negative value taking one of the five columns.
constexpr KeyRange kFieldRange{-9999, 99999};
// Every number of a numbered key's value: either sign of the widest field, since some are
// negated on the way (the coordinated nodes of card 2).
constexpr KeyRange kListValueRange{-99999, 99999};

// The key table of a section of the reference ("Parametros", "Exporta", "Saturn", "Converge",
// or "Transyt" for a network's own section), as Markdown.
std::string ReferenceKeyTable(const std::string& section);

}  // namespace veltra

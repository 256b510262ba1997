#include "saturn/network_reader.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <filesystem>
#include <limits>

#include "saturn/bus_routes.h"
#include "saturn/junctions.h"
#include "saturn/sections.h"
#include "util/conversions.h"
#include "util/files.h"
#include "util/text.h"

namespace veltra {

namespace {

// Include files nest; a chain deeper than this, more includes or more lines than this in all
// are no network file (a city of 13,000 nodes and 8,000 signals has some 75,000 lines) but a
// file that includes itself in disguise, and would only exhaust the memory or the patience of
// the user.
constexpr int kMaxIncludeDepth = 32;
constexpr int kMaxIncludes = 500;
constexpr size_t kMaxNetworkLines = 1000000;
// The bytes read through include files, however often one is named: a city's network is some
// 4 MB, so this leaves ample room while no file named hundreds of times can fill the memory.
constexpr size_t kMaxIncludedBytes = 64u * 1024u * 1024u;

// Node numbers are keyed as "%9d": they must fit in 9 characters.
constexpr int32_t kMinNodeNumber = -99999999;
constexpr int32_t kMaxNodeNumber = 999999999;

std::string StripQuotes(const std::string& text) {
  if (text.size() >= 2 && (text.front() == '\'' || text.front() == '"') && text.back() == text.front())
    return text.substr(1, text.size() - 2);
  return text;
}

}  // namespace

char ForeignCharacter(std::string_view text) {
  for (char c : TrimView(text))
    if (!((c >= '0' && c <= '9') || c == '-' || c == '.' || c == 'E' || c == 'e')) return c;
  return 0;
}

namespace {

// The value of columns first..last; a field holding what is no number, or a number those
// columns cannot write in digits, is refused.
NumberValue FieldValue(std::string_view text, int first, int last) {
  if (ForeignCharacter(text) != 0)
    throw FieldRangeError(
        Printf("valor \"%s\" no es un numero en las columnas %d-%d", Trim(text).c_str(), first, last));
  const NumberValue value = ConvertNumber(text);
  // Up to nine columns: what their digits can write; wider fields: what an integer holds.
  const int width = std::max(last - first + 1, 1);
  double limit = 2147483648.0;
  if (width <= 9) {
    limit = 1.0;
    for (int i = 0; i < width; ++i) limit *= 10.0;
  }
  const double magnitude = std::fabs(value.AsReal());
  if (!(magnitude < limit))
    throw FieldRangeError(Printf("valor \"%s\" fuera de rango en las columnas %d-%d (maximo %.0f)",
                                 Trim(text).c_str(), first, last, limit - 1));
  // A negative value gives one of its columns to the sign: -1E4 fits five columns as written but
  // not as the digits the network file is written back with.
  const double lowest = width <= 9 ? -(limit / 10.0 - 1.0) : -(limit - 1.0);
  if (value.AsReal() <= lowest - 0.5)  // what rounds to a whole number below it
    throw FieldRangeError(Printf("valor \"%s\" fuera de rango en las columnas %d-%d (minimo %.0f)",
                                 Trim(text).c_str(), first, last, lowest));
  return value;
}

}  // namespace

int32_t IntAt(const std::string& line, int first, int last) {
  return FieldValue(FieldView(line, first, last), first, last).AsInteger();
}

int32_t SqueezedIntAt(const std::string& line, int first, int last) {
  return FieldValue(RemoveBlanks(Field(line, first, last)), first, last).AsInteger();
}

float RealAt(const std::string& line, int first, int last) {
  return static_cast<float>(FieldValue(FieldView(line, first, last), first, last).AsReal());
}

int32_t SpeedTimeOver(int32_t length, int32_t value) { return RoundEven(length * 3.6 / value); }

std::string ExistingFileIgnoringCase(const std::string& name) {
  if (name.empty()) return std::string();
  if (FileExists(name)) return name;
  if (name.find_first_of("*?") != std::string::npos) return std::string();
  std::vector<std::string> matches = MatchingFiles(name);  // matching ignores letter case
  return matches.empty() ? std::string() : matches.front();
}

void SaturnRead(const SaturnSettings& settings, SaturnVars& sat, MessageLog& log) {
  NetworkReader reader(settings, sat, log);
  reader.ReadAll();
}

void SaturnRead(std::vector<std::string> lines, const std::string& fileName, const SaturnSettings& settings,
                SaturnVars& sat, MessageLog& log) {
  sat.NetworkLines = std::move(lines);
  sat.NetworkFileName = fileName;
  SaturnRead(settings, sat, log);
}

NetworkReader::NetworkReader(const SaturnSettings& s, SaturnVars& model, MessageLog& messages)
    : settings(s), sat(model), log(messages) {
  files_.push_back({sat.NetworkFileName, ExpandFileName(sat.NetworkFileName), -1});
  origins_.resize(sat.NetworkLines.size());
  for (size_t i = 0; i < origins_.size(); ++i) origins_[i] = {0, static_cast<int32_t>(i + 1)};
}

bool NetworkReader::NextLine(bool skipBlanks) {
  const auto& lines = sat.NetworkLines;
  while (true) {
    ++position_;
    if (position_ >= static_cast<int64_t>(lines.size())) {
      position_ = static_cast<int64_t>(lines.size());
      current_.clear();
      return false;
    }
    const std::string& line = lines[static_cast<size_t>(position_)];
    if (!line.empty() && (line[0] == '*' || line[0] == '%')) continue;
    if (skipBlanks && Trim(line).empty()) continue;
    if (line.find('\t') != std::string::npos)
      log.Warning(Printf("ATENCION: Archivo tiene caracter \"TAB\"\r%s\r", line.c_str()));
    current_ = Upper(line);
    return true;
  }
}

const std::string& NetworkReader::NextRequired(bool skipBlanks) {
  if (!NextLine(skipBlanks)) Truncated();
  return current_;
}

const std::string& NetworkReader::NextCard(const char* what, bool skipBlanks) {
  NextRequired(skipBlanks);
  if (StartsWith(current_, "99999")) Fail(Printf("la seccion termina antes de %s", what));
  return current_;
}

std::string NetworkReader::Origin(size_t position) const {
  if (position >= origins_.size()) return Printf("%s, final del archivo", files_[0].Name.c_str());
  const LineOrigin& origin = origins_[position];
  return Printf("%s, linea %d", files_[static_cast<size_t>(origin.File)].Name.c_str(), origin.Line);
}

void NetworkReader::FailAt(size_t position, const std::string& what) const {
  std::string message = Printf("ERROR - Red Saturn %s: %s", Origin(position).c_str(), what.c_str());
  log.Fatal(message, 1, Listed::Yes);
}

void NetworkReader::FailFile(const std::string& what) const {
  std::string message = Printf("ERROR - Red Saturn %s: %s", files_[0].Name.c_str(), what.c_str());
  log.Fatal(message, 1, Listed::Yes);
}

void NetworkReader::LimitExceeded(size_t position, const std::string& what, int limit) const {
  FailAt(position, Printf("mas de %d %s, capacidad maxima del modelo", limit, what.c_str()));
}

void NetworkReader::Truncated() const {
  FailFile(Printf("el archivo termina dentro de %s (falta \"%s\")", context_.c_str(), ending_.c_str()));
}

size_t NetworkReader::JunctionCardOf(int32_t nodeNumber) const {
  auto it = junctionCards_.find(nodeNumber);
  return it == junctionCards_.end() ? origins_.size() : it->second;
}

int32_t NetworkReader::RegisterNode(int32_t number, size_t position) {
  if (number < kMinNodeNumber || number > kMaxNodeNumber)
    FailAt(position, Printf("numero de nodo %d fuera de rango (%d a %d)", number, kMinNodeNumber, kMaxNodeNumber));
  int32_t index = sat.RegisterNode(number);
  if (index == 0) LimitExceeded(position, "nodos", sat.Capacity().Nodes);
  return index;
}

int32_t NetworkReader::AppendLink(Tardat link, const std::array<float, kMaxKnobs>& knobs, size_t position) {
  if (sat.Network.LinkCount >= sat.Capacity().Links) LimitExceeded(position, "arcos", sat.Capacity().Links);
  sat.Links.push_back(std::move(link));
  sat.Network.LinkCount = static_cast<int32_t>(sat.Links.size()) - 1;
  if (knobRows) {
    sat.LinkKnobs.resize(sat.Links.size());
    sat.LinkKnobs.back() = knobs;
  }
  return sat.Network.LinkCount;
}

void NetworkReader::ReadAll() {
  try {
    ReadParts();
  } catch (const FieldRangeError& e) {
    // Raised outside a section's records (a knob file): the file as a whole is named.
    FailFile(e.what());
  }
}

void NetworkReader::ReadParts() {
  context_ = "el primer namelist";
  ending_ = "&END";
  ReadFirstNamelist();
  context_ = "el titulo";
  sat.NetworkTitle = NextRequired();
  context_ = "el namelist &PARAM";
  ReadParam();
  AfterParam();

  NextLine();
  for (int k = 1; k <= 5; ++k) {
    if (Column(current_, 1) == static_cast<char>('0' + k)) {
      switch (k) {
        case 1: ReadSection(1, [this] { ReadJunction(*this); }); break;
        case 2: ReadSection(2, [this] { ReadSimulationConnectors(*this); }); break;
        case 3: ReadSection(3, [this] { ReadBufferRecord(*this); }); break;
        case 4: ReadSection(4, [this] { ReadLinkMark(*this); }); break;
        default: ReadSection(5, [this] { ReadCoordinates(*this); }); break;
      }
    }
    // The steps after sections 1 and 3 run whether the section was there or not: a network
    // without buffer links still needs its tables sorted and its zones built.
    if (k == 1) BuildJunctionLinksAndTurns(*this);
    if (k == 3) AfterSection3();
    if (k == 5 && sat.Network.SectionPresent[5]) AfterSection5();
  }
  BuildLaneGroups(*this);

  int group = 0;
  while (Column(current_, 1) == '6') {
    ++group;
    ReadSection(6, [this, group] { ReadBusRoute(*this, group); });
  }
  AddBusFlows(sat, settings.LineasPrivado);
  Finish();
}

void NetworkReader::ReadFirstNamelist() {
  while (true) {
    std::string line = NextRequired();
    // Only five lines fit; a longer namelist keeps its first five.
    if (sat.OptionLines.size() < static_cast<size_t>(kMaxOptionLines)) sat.OptionLines.push_back(line);
    std::string probe = line;
    if (SqueezeAndFind(probe, "PLOD=T")) sat.Param.PLOD = true;
    if (Contains(probe, "&END")) break;
  }
}

void NetworkReader::ReadParam() {
  TParam& p = sat.Param;
  p.DUTCH = p.FOZZY = p.EZBUS = p.SPEEDS = false;
  p.NOMADS = 0;
  p.FLAREX = 2;
  p.FLAREF = 2;
  p.BUSPCU[1] = 1;
  p.KNOBS = 0;
  p.XyformGiven = false;
  p.XyformText.clear();
  p.CoordinateWidth = 0;
  p.FilknbGiven = false;
  p.FilknbName.clear();
  while (true) {
    NextRequired();
    std::vector<std::string> items = Split(current_, ',');
    for (const auto& item : items) ApplyParamItem(item);
    if (Contains(RemoveBlanks(items.back()), "&END")) break;
  }
}

void NetworkReader::ApplyParamItem(std::string item) {
  TParam& p = sat.Param;
  // The first test removes the blanks of the item: every value is taken without them.
  if (SqueezeAndFind(item, "DUTCH=T")) p.DUTCH = true;
  // A namelist closed on the same line ("NOMADS=2 &END") ends its last value there.
  size_t end = item.find("&END");
  if (end != std::string::npos) item.erase(end);
  if (Contains(item, "FOZZY=T")) p.FOZZY = true;
  if (Contains(item, "EZBUS=T")) p.EZBUS = true;
  if (Contains(item, "SPEEDS=T")) p.SPEEDS = true;
  // A real parameter is kept as a float: a value beyond one (1E39) is no factor the item can mean.
  auto real = [&](const std::string& key) {
    const double value = RealAfterKey(item, key);
    if (!(std::fabs(value) <= static_cast<double>(std::numeric_limits<float>::max())))
      Fail(Printf("valor fuera de rango en &PARAM (%s)", item.c_str()));
    return static_cast<float>(value);
  };
  try {
    if (Contains(item, "NOMADS=")) p.NOMADS = IntegerAfterKey(item, "NOMADS=");
    if (Contains(item, "FLAREX=")) p.FLAREX = real("FLAREX=");
    if (Contains(item, "FLAREF=")) p.FLAREF = real("FLAREF=");
    if (Contains(item, "BUSPCU=")) p.BUSPCU[1] = real("BUSPCU=");
    for (int i = 1; i <= 9; ++i) {
      std::string key = Printf("BUSPCU(%d)=", i);
      if (Contains(item, key)) p.BUSPCU[static_cast<size_t>(i)] = real(key);
    }
    if (Contains(item, "KNOBS=")) {
      p.KNOBS = IntegerAfterKey(item, "KNOBS=");
      if (p.KNOBS > kMaxKnobs) LimitExceeded(Position(), "valores KNOBS por arco", kMaxKnobs);
    }
    if (Contains(item, "FILKNB=")) {
      p.FilknbGiven = true;
      p.FilknbName = ExpandFileName(StripQuotes(TextAfterKey(item, "FILKNB=")));
    }
    if (Contains(item, "XYFORM=")) {
      p.XyformGiven = true;
      p.XyformText = TextAfterKey(item, "XYFORM=");
      // Both coordinates take the width of the format: 2F10.2 or 2I8.
      std::string format = StripQuotes(Upper(p.XyformText));
      p.CoordinateWidth = 0;
      if (StartsWith(format, "2F")) p.CoordinateWidth = IntegerAfterKey(format, "2F");
      else if (StartsWith(format, "2I")) p.CoordinateWidth = IntegerAfterKey(format, "2I");
      p.CoordinateWidth = std::min(std::max(p.CoordinateWidth, 0), 1000);
    }
  } catch (const NumberFormatError&) {
    Fail(Printf("valor no numerico en &PARAM (%s)", item.c_str()));
  }
}

void NetworkReader::AfterParam() {
  // Knob values are kept per link when the file gives them, on knob lines or in a knob file.
  knobRows = sat.Param.KNOBS > 0 || sat.Param.FilknbGiven;
  if (knobRows) sat.LinkKnobs.assign(sat.Links.size(), {});
}

template <class Handler>
void NetworkReader::ReadSection(int section, const Handler& handler) {
  sat.Network.SectionPresent[static_cast<size_t>(section)] = true;
  if (section <= 2) sat.Network.BufferOnly = false;
  context_ = Printf("la seccion %d", section);
  ending_ = "99999";
  NextRequired();
  while (!StartsWith(current_, "99999")) {
    if (Column(current_, 1) == '$') {
      Include(section);
      continue;
    }
    try {
      handler();
    } catch (const FieldRangeError& e) {
      Fail(e.what());
    }
    NextRequired();
  }
  NextLine();
}

void NetworkReader::Include(int section) {
  const size_t at = Position();
  const std::string name = Trim(Field(current_, 10, 89));
  const std::string found = ExistingFileIgnoringCase(name);
  if (found.empty()) {
    std::string message = Printf("ERROR - Red Saturn. No existe %s", name.c_str());
    log.Fatal(message, 1, Listed::Yes);
  }
  const std::string fullName = ExpandFileName(found);
  const int32_t parent = origins_[at].File;
  int depth = 0;
  for (int32_t f = parent; f >= 0; f = files_[static_cast<size_t>(f)].Parent, ++depth) {
    if (files_[static_cast<size_t>(f)].FullName == fullName)
      FailAt(at, Printf("el archivo %s se incluye a si mismo", name.c_str()));
  }
  if (depth > kMaxIncludeDepth) FailAt(at, Printf("mas de %d archivos incluidos uno dentro de otro", kMaxIncludeDepth));
  if (static_cast<int>(files_.size()) > kMaxIncludes) LimitExceeded(at, "archivos incluidos", kMaxIncludes);

  // The size is checked before the file is loaded, so that one huge file is refused too.
  std::error_code sizeError;
  const uintmax_t bytes = std::filesystem::file_size(found, sizeError);
  if (!sizeError) includedBytes_ += static_cast<size_t>(bytes);
  if (includedBytes_ > kMaxIncludedBytes)
    FailAt(at, Printf("mas de %zu MB leidos de archivos incluidos (al incluir %s), limite del modelo",
                      kMaxIncludedBytes / (1024u * 1024u), name.c_str()));
  std::vector<std::string> lines;
  if (!LoadLines(found, lines)) throw FileError("ERROR - No se puede leer " + found);
  if (sat.NetworkLines.size() + lines.size() > kMaxNetworkLines)
    LimitExceeded(at, "lineas con los archivos incluidos", static_cast<int>(kMaxNetworkLines));

  const int32_t file = static_cast<int32_t>(files_.size());
  files_.push_back({name, fullName, parent});
  // Sections 2 to 6 mark the included text so that a rewrite of the file can leave it out.
  const bool markers = section >= 2;
  std::vector<std::string> inserted;
  std::vector<LineOrigin> insertedOrigins;
  inserted.reserve(lines.size() + 2);
  if (markers) {
    inserted.emplace_back("%INCLUDE");
    insertedOrigins.push_back(origins_[at]);
  }
  for (size_t i = 0; i < lines.size(); ++i) {
    inserted.push_back(std::move(lines[i]));
    insertedOrigins.push_back({file, static_cast<int32_t>(i + 1)});
  }
  if (markers) {
    inserted.emplace_back("%INCLUDE");
    insertedOrigins.push_back(origins_[at]);
  }
  auto offset = static_cast<std::ptrdiff_t>(at + 1);
  sat.NetworkLines.insert(sat.NetworkLines.begin() + offset, inserted.begin(), inserted.end());
  origins_.insert(origins_.begin() + offset, insertedOrigins.begin(), insertedOrigins.end());
  NextRequired();
}

void NetworkReader::AfterSection3() {
  sat.SortTables();
  ResolveIndices(sat);
  sat.BuildFirstLinkOfNode();
  BuildZones(*this);
  if (sat.Param.FilknbGiven) ReadKnobFile(*this);
}

void NetworkReader::AfterSection5() {
  TNetwork& net = sat.Network;
  const float dx = (net.Xmax - net.Xmin) * 0.025f;
  const float dy = (net.Ymax - net.Ymin) * 0.025f;
  net.Xmin -= dx;
  net.Xmax += dx;
  net.Ymin -= dy;
  net.Ymax += dy;
  net.HasCoordinates = true;
  DeriveGeometry(sat);
  NumberArms(sat);
}

void NetworkReader::Finish() {
  sat.TrimTables();
  sat.Xmin = sat.Network.Xmin;
  sat.Xmax = sat.Network.Xmax;
  sat.Ymin = sat.Network.Ymin;
  sat.Ymax = sat.Network.Ymax;
  sat.Network.Loaded = true;
}

}  // namespace veltra

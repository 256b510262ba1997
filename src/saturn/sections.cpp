#include "saturn/sections.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cmath>
#include <limits>

#include "model/tables.h"
#include "util/conversions.h"
#include "util/text.h"

namespace veltra {

namespace {

// A zone letter: neither a blank nor a digit. A column beyond the end of the line is blank.
bool IsZoneLetter(char c) { return c != '\0' && c != ' ' && !std::isdigit(static_cast<unsigned char>(c)); }

// Speeds and times complete each other only from a value greater than 0.
int32_t SpeedTimeComplement(int32_t length, int32_t value) { return value > 0 ? SpeedTimeOver(length, value) : 0; }

void GrowBounds(TNetwork& net, float x, float y) {
  net.Xmin = std::min(net.Xmin, x);
  net.Xmax = std::max(net.Xmax, x);
  net.Ymin = std::min(net.Ymin, y);
  net.Ymax = std::max(net.Ymax, y);
}

}  // namespace

void ReadSimulationConnectors(NetworkReader& reader) {
  const std::string& line = reader.Current();
  // Zone in columns 2-5, then node and second node, 5 columns each, in pairs of 10 columns.
  for (size_t w = 1; line.size() >= 10 * w; ++w) {
    const int at = static_cast<int>(10 * w);
    if (IntAt(line, at - 4, at) > 0) reader.sat.ConnectorList.insert(Field(line, 2, 5) + "1" + Field(line, at - 4, at + 5));
  }
}

void ReadBufferRecord(NetworkReader& reader) {
  SaturnVars& sat = reader.sat;
  const int W = reader.Width();
  const std::string line = reader.Current();
  const size_t position = reader.Position();

  std::array<float, kMaxKnobs> knobs{};
  if (sat.Param.KNOBS > 0 && !sat.Param.FilknbGiven) {
    const std::string& knobLine = reader.NextRequired(false);
    const int n = std::min(static_cast<int>(knobLine.size() / 10), kMaxKnobs);
    for (int i = 1; i <= n; ++i) knobs[static_cast<size_t>(i - 1)] = RealAt(knobLine, 10 * i - 9, 10 * i);
  }

  if (IsZoneLetter(Column(line, 1))) {
    // Zone before node: the zone from the last 4 columns of its field, the node from the last W-1 of its.
    sat.ConnectorList.insert(Field(line, W - 3, W) + "2" + Field(line, W + 2, 2 * W) + Field(line, 2 * W + 1, 2 * W + 5) +
                             Field(line, 2 * W + 18, 2 * W + 25));
    return;
  }
  if (IsZoneLetter(Column(line, W + 1))) {
    sat.ConnectorList.insert(Field(line, 2 * W - 3, 2 * W) + "2" + Field(line, 2, W) + Field(line, 2 * W + 1, 2 * W + 5) +
                             Field(line, 2 * W + 18, 2 * W + 25));
    return;
  }

  Tardat link;
  link.ANode = IntAt(line, 1, W);
  link.BNode = IntAt(line, W + 1, 2 * W);
  reader.RegisterNode(link.ANode, position);
  reader.RegisterNode(link.BNode, position);
  link.Key = SaturnVars::LinkKey(link.ANode, link.BNode);
  link.KindFlags = 1 << 0;
  const int32_t value1 = IntAt(line, 2 * W + 1, 2 * W + 5);
  const int32_t value2 = IntAt(line, 2 * W + 6, 2 * W + 10);
  link.Capacity = IntAt(line, 2 * W + 11, 2 * W + 15);
  link.DirectionText = Field(line, 2 * W + 18, 2 * W + 18);
  link.SpeedMarker = Field(line, 2 * W + 19, 2 * W + 19);
  link.Length = IntAt(line, 2 * W + 21, 2 * W + 25);
  link.ExtraValue = RealAt(line, 2 * W + 26, 2 * W + 30);
  link.Name = Trim(Field(line, 2 * W + 36, 2 * W + 60));
  if (link.SpeedMarker == "S") {
    link.Speed1 = value1;
    link.Speed2 = value2;
    link.Time1 = SpeedTimeComplement(link.Length, value1);
    link.Time2 = SpeedTimeComplement(link.Length, value2);
  } else {
    link.Time1 = value1;
    link.Time2 = value2;
    link.Speed1 = SpeedTimeComplement(link.Length, value1);
    link.Speed2 = SpeedTimeComplement(link.Length, value2);
  }
  const bool twoWay = link.DirectionText == "2";
  Tardat reverse;
  if (twoWay) {
    reverse = link;
    std::swap(reverse.ANode, reverse.BNode);
    reverse.Key = SaturnVars::LinkKey(reverse.ANode, reverse.BNode);
  }
  reader.AppendLink(std::move(link), knobs, position);
  if (twoWay) reader.AppendLink(std::move(reverse), knobs, position);
}

void ReadLinkMark(NetworkReader& reader) {
  SaturnVars& sat = reader.sat;
  const int W = reader.Width();
  const std::string& line = reader.Current();
  const int32_t l = sat.FindLink(IntAt(line, 1, W), IntAt(line, W + 1, 2 * W));
  if (l == 0) return;
  const double value = TextToReal(Field(line, 3 * W + 1, 3 * W + 5));
  At(sat.Links, l).KindFlags |= value < 0 ? (1 << 3) : (1 << 2);
}

void ReadCoordinates(NetworkReader& reader) {
  SaturnVars& sat = reader.sat;
  const int W = reader.Width();
  const std::string& line = reader.Current();
  const int F = sat.Param.XyformGiven ? sat.Param.CoordinateWidth : 5;
  const float x = RealAt(line, W + 1, W + F);
  const float y = RealAt(line, W + F + 1, W + 2 * F);
  const char first = Column(line, 1);
  if (first == ' ' || std::isdigit(static_cast<unsigned char>(first))) {
    const int32_t n = sat.FindNode(IntAt(line, 1, W));
    if (n == 0) return;
    TNodo& node = At(sat.Nodes, n);
    node.X = x;
    node.Y = y;
    node.HasCoordinates = 1;
    GrowBounds(sat.Network, x, y);
  } else if (first == 'C') {
    const int32_t z = sat.FindZone(IntAt(line, 2, W));
    if (z == 0) return;
    Tcent& zone = At(sat.Zones, z);
    zone.X = x;
    zone.Y = y;
    GrowBounds(sat.Network, x, y);
  }
}

void BuildZones(NetworkReader& reader) {
  SaturnVars& sat = reader.sat;
  const int W = reader.Width();
  int64_t previous = INT64_MIN;
  for (const std::string& entry : sat.ConnectorList) {
    const int32_t zoneNumber = IntAt(entry, 1, 4);
    if (zoneNumber != previous) {
      if (sat.Network.ZoneCount >= sat.Capacity().Zones)
        reader.FailFile(Printf("mas de %d zonas, capacidad maxima del modelo", sat.Capacity().Zones));
      Tcent zone;
      zone.ZoneNumber = zoneNumber;
      sat.Zones.push_back(zone);
      sat.Network.ZoneCount = static_cast<int32_t>(sat.Zones.size()) - 1;
      previous = zoneNumber;
    }
    Tcent& zone = sat.Zones.back();
    if (zone.ConnectorCount >= kMaxConnectors)
      reader.FailFile(Printf("zona %d con mas de %d conectores, capacidad maxima del modelo", zoneNumber, kMaxConnectors));
    TConexion& c = At(zone.Connectors, ++zone.ConnectorCount);
    if (Column(entry, 5) == '1') {
      c.Buffer = 0;
      c.Node = IntAt(entry, 6, 10);
      c.SecondValue = IntAt(entry, 11, 15);
      c.TargetOrSpeed = c.SecondValue >= 1 ? sat.FindLink(c.Node, c.SecondValue) : sat.FindNode(c.Node);
    } else {
      c.Buffer = 1;
      c.Node = IntAt(entry, 6, W + 4);
      c.SecondValue = sat.FindNode(c.Node);
      c.Length = IntAt(entry, W + 13, W + 17);
      c.DirectionText = Field(entry, W + 10, W + 10);
      c.SpeedMarker = Field(entry, W + 11, W + 11);
      const int32_t value = IntAt(entry, W + 5, W + 9);
      if (c.SpeedMarker == "S") {
        c.TargetOrSpeed = value;
        c.Time = SpeedTimeComplement(c.Length, value);
      } else {
        c.Time = value;
        c.TargetOrSpeed = SpeedTimeComplement(c.Length, value);
      }
    }
  }
  sat.InvalidateIndexes();
}

namespace {

// A knob value as the model keeps it; one beyond a float is no value the file can mean.
float KnobValue(const std::string& text) {
  const double value = TextToReal(text);
  if (!(std::fabs(value) <= static_cast<double>(std::numeric_limits<float>::max())))
    throw FieldRangeError(Printf("valor \"%s\" fuera de rango", Trim(text).c_str()));
  return static_cast<float>(value);
}

// One line of the knob file: the link's knob values; a turn or link the network does not
// have is noted in `unknown`.
void ReadKnobLine(SaturnVars& sat, const std::string& line, int width, bool commas, std::vector<std::string>& unknown) {
  const int valuesFrom = 3 * width + 1;
  const int32_t a = IntAt(line, 1, width);
  const int32_t b = IntAt(line, width + 1, 2 * width);
  const int32_t c = IntAt(line, 2 * width + 1, 3 * width);
  if (a <= 0 || b <= 0) return;
  const std::string rest = static_cast<int>(line.size()) >= valuesFrom ? line.substr(static_cast<size_t>(valuesFrom - 1)) : "";
  const std::vector<std::string> values = commas ? Split(rest, ',') : SplitBlanks(rest);
  if (c != 0) {
    // Knob values of turns are recognised but not kept.
    if (sat.FindTurn(a, b, c) == 0) unknown.push_back(Printf("%8d%8d%8d", a, b, c));
    return;
  }
  const int32_t l = sat.FindLink(a, b);
  if (l == 0) {
    unknown.push_back(Printf("%8d%8d", a, b));
    return;
  }
  if (static_cast<size_t>(l) >= sat.LinkKnobs.size()) return;
  auto& row = At(sat.LinkKnobs, l);
  const size_t n = std::min(values.size(), row.size());
  for (size_t e = 0; e < n; ++e) row[e] = KnobValue(values[e]);
}

}  // namespace

void ReadKnobFile(NetworkReader& reader) {
  SaturnVars& sat = reader.sat;
  MessageLog& log = reader.log;
  const std::string name = ExistingFileIgnoringCase(sat.Param.FilknbName);
  std::vector<std::string> lines;
  if (name.empty() || !LoadLines(name, lines)) {
    std::string message = Printf("ERROR - Red Saturn. No existe %s", sat.Param.FilknbName.c_str());
    log.Fatal(message, 1, Listed::Yes);
  }
  const bool dutch = sat.Param.DUTCH;
  const bool commas = !lines.empty() && lines.front().find(',') != std::string::npos;
  const int width = dutch ? 10 : 5;
  std::vector<std::string> unknown;
  for (size_t lineNo = 1; lineNo <= lines.size(); ++lineNo) {
    try {
      ReadKnobLine(sat, lines[lineNo - 1], width, commas, unknown);
    } catch (const FieldRangeError& e) {
      log.Fatal(Printf("ERROR - Red Saturn. Archivo %s, linea %zu: %s", name.c_str(), lineNo, e.what()), 1, Listed::Yes);
    }
  }
  if (!unknown.empty()) {
    std::string text = "datos no reconocidos\r";
    for (const auto& entry : unknown) text += "\r" + entry;
    log.Line(text);
  }
}

}  // namespace veltra

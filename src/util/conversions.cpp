#include "util/conversions.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

#include "util/text.h"

namespace veltra {

int32_t RoundEven(double value) {
  if (std::isnan(value)) return 0;
  double r = std::nearbyint(value);  // default rounding mode: nearest, ties to even
  if (r >= 2147483647.0) return std::numeric_limits<int32_t>::max();
  if (r <= -2147483648.0) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(r);
}

int32_t NumberValue::AsInteger() const { return IsReal ? RoundEven(Real) : Integer; }
double NumberValue::AsReal() const { return IsReal ? Real : static_cast<double>(Integer); }

NumberValue ConvertNumber(std::string_view text) {
  // Every numeric field of every file comes through here: the field is looked at where it
  // stands, without copies. Blanks and control characters around it are dropped as Trim drops
  // them, and an exponent may be written "e" or "E".
  size_t first = 0, end = text.size();
  while (first < end && static_cast<unsigned char>(text[first]) <= ' ') ++first;
  while (end > first && static_cast<unsigned char>(text[end - 1]) <= ' ') --end;
  std::string_view t = text.substr(first, end - first);
  if (t.empty()) t = "0";
  NumberValue v;
  bool digitsOnly = true;
  bool realChars = true;
  for (char c : t) {
    bool digitOrMinus = c == '-' || (c >= '0' && c <= '9');
    if (!digitOrMinus) digitsOnly = false;
    if (!digitOrMinus && c != '.' && c != 'E' && c != 'e') realChars = false;
  }
  if (digitsOnly) {
    int32_t n = 0;
    const char* end = t.data() + t.size();
    auto [ptr, ec] = std::from_chars(t.data(), end, n);
    if (ec == std::errc() && ptr == end) v.Integer = n;
    return v;
  }
  if (realChars) {
    v.IsReal = true;
    double d = 0.0;
    const char* end = t.data() + t.size();
    auto [ptr, ec] = std::from_chars(t.data(), end, d, std::chars_format::general);
    if (ec == std::errc() && ptr == end && std::isfinite(d)) v.Real = d;
    return v;
  }
  return v;
}

int32_t TextToInt(std::string_view text) { return ConvertNumber(text).AsInteger(); }
double TextToReal(std::string_view text) { return ConvertNumber(text).AsReal(); }

std::string RemoveBlanks(std::string_view text) {
  std::string s;
  s.reserve(text.size());
  for (char c : text)
    if (c != ' ') s.push_back(c);
  return s;
}

std::vector<std::string> SplitBlanks(std::string_view text) {
  std::vector<std::string> pieces;
  std::string current;
  for (char c : text) {
    if (c == ' ' || c == '\t') {
      if (!current.empty()) pieces.push_back(std::move(current));
      current.clear();
    } else {
      current.push_back(c);
    }
  }
  if (!current.empty()) pieces.push_back(std::move(current));
  return pieces;
}

bool IsBlank(std::string_view text) {
  for (char c : text)
    if (c != ' ') return false;
  return true;
}

bool IntegerField(std::string_view text, int width, int32_t& value) {
  value = TextToInt(text);
  return IntText(value, width) == text;
}

bool SqueezeAndFind(std::string& text, std::string_view key) {
  text = RemoveBlanks(text);
  return text.find(key) != std::string::npos;
}

bool Contains(std::string_view text, std::string_view key) { return text.find(key) != std::string_view::npos; }

std::string TextAfterKey(std::string_view text, std::string_view key) {
  size_t pos = text.find(key);
  if (pos == std::string_view::npos) return std::string();
  return std::string(text.substr(pos + key.size()));
}

int32_t IntegerAfterKey(std::string_view text, std::string_view key) {
  size_t pos = text.find(key);
  if (pos == std::string_view::npos) return 0;
  std::string_view rest = text.substr(pos + key.size());
  size_t end = rest.find_first_of(",.");
  std::string_view digits = rest.substr(0, end);
  int32_t n = 0;
  auto [ptr, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), n);
  if (digits.empty() || ec != std::errc() || ptr != digits.data() + digits.size())
    throw NumberFormatError("'" + std::string(digits) + "' no es un entero valido tras " + std::string(key));
  return n;
}

double RealAfterKey(std::string_view text, std::string_view key) {
  size_t pos = text.find(key);
  if (pos == std::string_view::npos) return 0.0;
  std::string_view rest = text.substr(pos + key.size());
  size_t n = 0;
  while (n < rest.size() && (rest[n] == '-' || rest[n] == '.' || (rest[n] >= '0' && rest[n] <= '9'))) ++n;
  return TextToReal(rest.substr(0, n));
}

std::string CellName(int row, int column) {
  std::string name;
  if (column <= 26) {
    name.push_back(static_cast<char>('A' + column - 1));
  } else {
    int q = (column - 1) / 26;
    int r = (column - 1) % 26 + 1;
    name.push_back(static_cast<char>('A' + q - 1));
    name.push_back(static_cast<char>('A' + r - 1));
  }
  return name + std::to_string(row);
}

double DirectionAngle(double x1, double y1, double x2, double y2) {
  const double pi = 3.14159265358979323846;
  double dx = x1 - x2, dy = y1 - y2;
  if (dx == 0.0 && dy == 0.0) return 0.0;
  if (dx == 0.0) return dy > 0 ? pi / 2 : 3 * pi / 2;
  double a = std::atan2(dy, dx);
  if (a < 0) a += 2 * pi;
  if (a >= 2 * pi) a = 0.0;
  return a;
}

namespace {

std::array<std::array<double, 3>, 256> MakePalette() {
  std::array<std::array<double, 3>, 256> p{};
  p[1] = {255, 0, 0};
  p[2] = {255, 255, 0};
  p[3] = {0, 255, 0};
  p[4] = {0, 255, 255};
  p[5] = {0, 0, 255};
  p[6] = {255, 0, 255};
  static const double values[5] = {1.0, 0.65, 0.5, 0.3, 0.15};
  for (int index = 10; index <= 249; ++index) {
    int h = (index - 10) / 10;
    int j = (index - 10) % 10;
    double v = 255.0 * values[j / 2];
    double low = (j % 2 == 0) ? 0.0 : v / 2;  // odd entries are half saturated
    double hue = 15.0 * h;
    // Fully saturated colour of the hue, components between `low` and `v`.
    double sector = hue / 60.0;
    int i = static_cast<int>(sector) % 6;
    double f = sector - static_cast<int>(sector);
    double rise = low + (v - low) * f;
    double fall = v - (v - low) * f;
    double r = 0, g = 0, b = 0;
    switch (i) {
      case 0: r = v; g = rise; b = low; break;
      case 1: r = fall; g = v; b = low; break;
      case 2: r = low; g = v; b = rise; break;
      case 3: r = low; g = fall; b = v; break;
      case 4: r = rise; g = low; b = v; break;
      default: r = v; g = low; b = fall; break;
    }
    p[index] = {r, g, b};
  }
  static const double greys[6] = {84.15, 118.32, 152.49, 186.66, 220.83, 255.0};
  for (int k = 0; k < 6; ++k) p[250 + k] = {greys[k], greys[k], greys[k]};
  return p;
}

}  // namespace

const std::array<std::array<double, 3>, 256>& ColourPalette() {
  static const std::array<std::array<double, 3>, 256> palette = MakePalette();
  return palette;
}

int NearestColourIndex(uint32_t rgb) {
  double r = (rgb >> 16) & 0xFF, g = (rgb >> 8) & 0xFF, b = rgb & 0xFF;
  const auto& p = ColourPalette();
  int best = 1;
  double bestDistance = std::numeric_limits<double>::max();
  for (int i = 1; i <= 255; ++i) {
    double dr = p[i][0] - r, dg = p[i][1] - g, db = p[i][2] - b;
    double d = dr * dr + dg * dg + db * db;
    if (d < bestDistance) {
      bestDistance = d;
      best = i;
    }
  }
  return best;
}

namespace {

void Put(std::array<uint8_t, kPifSize>& pif, size_t offset, std::initializer_list<uint8_t> bytes) {
  for (uint8_t b : bytes) pif[offset++] = b;
}

void PutText(std::array<uint8_t, kPifSize>& pif, size_t offset, std::string_view text) {
  for (char c : text) pif[offset++] = static_cast<uint8_t>(c);
}

// Up to 63 characters and a NUL.
void PutField(std::array<uint8_t, kPifSize>& pif, size_t offset, const std::string& text) {
  std::string cut = text.substr(0, 63);
  PutText(pif, offset, cut);
  pif[offset + cut.size()] = 0;
}

}  // namespace

std::array<uint8_t, kPifSize> BuildPif(const std::string& program, const std::string& parameters, bool hidden,
                                       const std::string& startDirectory) {
  std::array<uint8_t, kPifSize> pif{};
  pif[1] = 0x78;
  for (size_t i = 2; i < 32; ++i) pif[i] = 0x20;
  Put(pif, 32, {0x80, 0x02});
  pif[99] = 0x10;
  Put(pif, 230, {0x01, 0x00, 0xff, 0x19, 0x50});
  pif[237] = 0x07;
  PutText(pif, 369, "MICROSOFT PIFEX");
  Put(pif, 384, {0x00, 0x87, 0x01, 0x00, 0x00, 0x71, 0x01});
  PutText(pif, 391, "WINDOWS 386 3.0");
  Put(pif, 406, {0x00, 0x05, 0x02, 0x9d, 0x01, 0x68, 0x00});
  Put(pif, 413, {0x80, 0x02});
  Put(pif, 417, {0x64, 0x00, 0x32, 0x00, 0xff, 0xff});
  Put(pif, 425, {0xff, 0xff});
  Put(pif, 429, {0xe2, 0x0f});
  pif[431] = 0x00;
  pif[433] = 0x9f;
  PutText(pif, 517, "WINDOWS VMM 4.0");
  Put(pif, 532, {0x00, 0xff, 0xff, 0x1b, 0x02, 0xac, 0x01});
  PutText(pif, 627, "PIFMGR.DLL");
  pif[709] = 0x22;
  pif[723] = 0x81;
  Put(pif, 735, {0xe0, 0x0f});
  Put(pif, 739, {0x05, 0x00, 0x19, 0x00, 0x03, 0x00, 0xc8, 0x00, 0xe8, 0x03, 0x02, 0x00, 0x0a, 0x00, 0x01});
  pif[761] = 0x1c;
  Put(pif, 769, {0x08, 0x00, 0x0c, 0x00});
  PutText(pif, 773, "Terminal");
  PutText(pif, 805, "Lucida Console");
  pif[839] = 0x03;
  Put(pif, 843, {0x50, 0x00, 0x19, 0x00, 0x80, 0x02, 0x2c, 0x01, 0x8c, 0x02, 0x67, 0x01, 0x16});
  Put(pif, 859, {0x01, 0x00, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0x42, 0x00, 0x42, 0x00, 0xce, 0x02,
                 0xa9, 0x01});
  pif[965] = 0x01;

  if (hidden) {
    pif[431] = 0x10;
    pif[847] = 0x4B;
  }
  PutField(pif, 36, program);
  PutField(pif, 165, parameters);
  PutField(pif, 453, parameters);
  std::string directory = startDirectory;
  if (directory.empty()) {
    size_t slash = program.find_last_of("\\/");
    directory = slash == std::string::npos ? std::string() : program.substr(0, slash);
  }
  PutField(pif, 101, directory);
  return pif;
}

}  // namespace veltra

#include "util/ini.h"

#include <charconv>
#include <clocale>
#include <cmath>

#include "util/files.h"
#include "util/text.h"

namespace veltra {

IniFile::IniFile(const std::string& path) {
  exists_ = FileExists(path) && LoadLines(path, lines_);
  if (!exists_) return;
  std::unordered_map<std::string, std::string>* current = nullptr;
  for (const auto& raw : lines_) {
    std::string line = Trim(raw);
    if (line.empty() || line[0] == ';') continue;
    if (line[0] == '[') {
      size_t close = line.find(']');
      std::string name = Lower(Trim(line.substr(1, close == std::string::npos ? std::string::npos : close - 1)));
      current = &sections_[name];
      continue;
    }
    if (!current) continue;
    size_t eq = line.find('=');
    if (eq == std::string::npos) continue;
    std::string key = Lower(Trim(line.substr(0, eq)));
    std::string value = Trim(line.substr(eq + 1));
    // One pair of enclosing quotes is removed, as the profile functions do.
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
      value = value.substr(1, value.size() - 2);
    current->emplace(std::move(key), std::move(value));  // the first occurrence wins
  }
}

const std::string* IniFile::Find(const std::string& section, const std::string& key) const {
  auto s = sections_.find(Lower(section));
  if (s == sections_.end()) return nullptr;
  auto k = s->second.find(Lower(key));
  return k == s->second.end() ? nullptr : &k->second;
}

bool IniFile::HasSection(const std::string& section) const { return sections_.count(Lower(section)) > 0; }

bool IniFile::HasKey(const std::string& section, const std::string& key) const {
  return Find(section, key) != nullptr;
}

std::string IniFile::ReadString(const std::string& section, const std::string& key, const std::string& def) const {
  const std::string* v = Find(section, key);
  return v ? *v : def;
}

int IniFile::ReadInteger(const std::string& section, const std::string& key, int def) const {
  const std::string* v = Find(section, key);
  if (!v || v->empty()) return def;
  const char* begin = v->data();
  const char* end = begin + v->size();
  if (*begin == '+') ++begin;
  int n = 0;
  auto [ptr, ec] = std::from_chars(begin, end, n);
  if (ec != std::errc() || ptr != end) return def;
  return n;
}

double IniFile::ReadFloat(const std::string& section, const std::string& key, double def) const {
  const std::string* v = Find(section, key);
  if (!v || v->empty()) return def;
  // The user's decimal separator is accepted besides the point.
  std::string text = *v;
  const std::lconv* lc = std::localeconv();
  if (lc && lc->decimal_point && lc->decimal_point[0] && lc->decimal_point[0] != '.') {
    for (char& c : text)
      if (c == lc->decimal_point[0]) c = '.';
  }
  const char* begin = text.data();
  const char* end = begin + text.size();
  if (*begin == '+') ++begin;
  double d = 0;
  auto [ptr, ec] = std::from_chars(begin, end, d);
  if (ec != std::errc() || ptr != end || !std::isfinite(d)) return def;
  return d;
}

bool IniFile::ReadBool(const std::string& section, const std::string& key, bool def) const {
  return ReadInteger(section, key, def ? 1 : 0) != 0;
}

}  // namespace veltra

// Text helpers shared by the stand-in outside programs: columns, lenient numbers, files.
#pragma once

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace standin {

// The characters of columns first..last (1-based, inclusive); shorter lines give what they have.
inline std::string Field(const std::string& line, int first, int last) {
  if (first < 1) first = 1;
  if (static_cast<size_t>(first) > line.size() || last < first) return std::string();
  return line.substr(static_cast<size_t>(first - 1), static_cast<size_t>(last - first + 1));
}

inline std::string Strip(const std::string& text) {
  size_t b = text.find_first_not_of(" \t\r\n");
  if (b == std::string::npos) return std::string();
  size_t e = text.find_last_not_of(" \t\r\n");
  return text.substr(b, e - b + 1);
}

// A real number, or `fallback` when the text is blank or not a number.
inline double Num(const std::string& text, double fallback = 0.0) {
  std::string t = Strip(text);
  if (t.empty()) return fallback;
  if (t.find_first_not_of("+-.0123456789eE") != std::string::npos) return fallback;
  char* end = nullptr;
  errno = 0;
  double v = std::strtod(t.c_str(), &end);
  if (end != t.c_str() + t.size() || errno == ERANGE) return fallback;
  return v;
}

// A whole number written as digits with an optional sign; false otherwise.
inline bool ParseInt(const std::string& word, long& value) {
  if (word.empty() || word.find_first_not_of("+-0123456789") != std::string::npos) return false;
  char* end = nullptr;
  errno = 0;
  value = std::strtol(word.c_str(), &end, 10);
  return end == word.c_str() + word.size() && errno != ERANGE;
}

// The blank-separated words of a line as integers, 0 for a word that is not one.
inline std::vector<long> Ints(const std::string& line) {
  std::vector<long> out;
  std::istringstream in(line);
  std::string word;
  while (in >> word) {
    long v = 0;
    out.push_back(ParseInt(word, v) ? v : 0);
  }
  return out;
}

// Places `text` in `row` from the 1-based column `first`, padding with blanks.
inline void Put(std::string& row, int first, const std::string& text) {
  size_t start = static_cast<size_t>(first - 1);
  if (row.size() < start + text.size()) row.resize(start + text.size(), ' ');
  row.replace(start, text.size(), text);
}

inline std::string Format(const char* format, double value) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, format, value);
  return buffer;
}

inline std::string FormatInt(const char* format, long value) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, format, value);
  return buffer;
}

// The lines of a file without their CR LF or LF ends; false when it cannot be read.
inline bool ReadLines(const std::string& path, std::vector<std::string>& lines) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return true;
}

// Writes the lines with CR LF ends, as the programs being stood in for do on every system.
inline bool WriteLines(const std::string& path, const std::vector<std::string>& lines) {
  std::ofstream out(path, std::ios::binary);
  for (const auto& l : lines) out << l << "\r\n";
  return static_cast<bool>(out);
}

}  // namespace standin
